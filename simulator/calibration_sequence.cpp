#include "simulator/calibration_sequence.h"

#include <algorithm>
#include <cmath>

#include "devicelink/value_encoding.h"
#include "simulator/payload_tools.h"

namespace qb::sim {
namespace {

enum Action : std::uint8_t { kStop = 0, kStart = 1, kApply = 2, kDiscard = 3 };

/// Spectrum and equaliser replies: channel, first, last, then the entries.
constexpr std::size_t kBandHeader = 3;
constexpr std::size_t kSpectrumEntry = 5;
constexpr std::size_t kEqEntry = 6;
/// Per-channel replies: first, last, then the entries.
constexpr std::size_t kChannelHeader = 2;
/// Bands of an output's equaliser the correction replaces.
constexpr std::size_t kEqBandsOfBox = kEqBands;


std::uint8_t Byte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

/// The per-channel byte a query reports for `output`.
std::uint8_t ChannelByte(std::uint8_t id, int output) {
  const OutputRoom room = RoomOfOutput(output);
  switch (id) {
    case IRC_CH_TRIM: return Byte(-room.trimDb);
    case DSP_IRC_SPK_SIZE: return Byte(room.lowCornerHz < 60.0 ? 2 : 1);
    case DSP_IRC_SPK_PHASE: return 0;
    case DSP_IRC_SPK_LEVEL: return Byte(80 + room.trimDb);
    default: return Byte(28 + output % 3);  // noise level
  }
}

}  // namespace

bool CalibrationSequence::Handle(const BoxCommand& command, BoxContext& box) {
  if (command.packetType != DSP_PACKET || !box.Config().applicationMode) return false;
  const bool get = command.opType == OP_GET;
  switch (command.commandId) {
    case DSP_IRC_CTRL:
      if (get) Poll(box);
      else Control(command, box);
      return true;
    case DSP_IRC_TEST_MODULE:
      if (!command.payload.empty()) m_modules = command.payload[0];
      box.Ack(DSP_PACKET, command.commandId, ACK_READY);
      return true;
    case DSP_IRC_TEST_MIC:
      box.Ack(DSP_PACKET, command.commandId, ACK_READY);
      return true;
    case DSP_IRC_SPECTRUM:
    case DSP_IRC_EQ:
      if (get) AnswerBands(command, box);
      return get;
    case DSP_IRC_DISTANCE:
    case IRC_CH_TRIM:
    case DSP_IRC_SPK_SIZE:
    case DSP_IRC_SPK_PHASE:
    case DSP_IRC_SPK_LEVEL:
    case DSP_IRC_NOISE_LEVEL:
      if (get) AnswerPerChannel(command, box);
      return get;
    case DSP_IRC_RTA:
      // The analyser's report is not part of this box; an empty one ends the wait for it.
      if (get) box.Update(DSP_PACKET, DSP_IRC_RTA, {});
      return get;
    default:
      return false;
  }
}

void CalibrationSequence::OnReboot() {
  m_running = false;
  m_resultWaiting = false;
  m_steps.clear();
  m_last = Step{IRC_RET_TEST_EXIT, 0};
}

CalibrationSnapshot CalibrationSequence::Snapshot() const {
  return CalibrationSnapshot{m_running, m_resultWaiting, m_channels, m_runModules, m_eqMode,
                             m_polls,   m_applied,       m_discarded};
}

const std::array<double, kSpectrumPoints>* CalibrationSequence::Measured(int output) const {
  if (output < 0 || output >= static_cast<int>(m_results.size()) || !m_results[output]) return nullptr;
  return &m_results[output]->measured;
}

const Correction* CalibrationSequence::CorrectionOf(int output) const {
  if (output < 0 || output >= static_cast<int>(m_results.size()) || !m_results[output]) return nullptr;
  return &m_results[output]->correction;
}

// --- the run ---------------------------------------------------------------------------------

void CalibrationSequence::Control(const BoxCommand& command, BoxContext& box) {
  const auto& p = command.payload;
  if (p.empty()) return;  // nothing a box could act on: dropped unanswered
  switch (p[0]) {
    case kStart: {
      const std::uint16_t mask = p.size() >= 3 ? static_cast<std::uint16_t>(p[1] << 8 | p[2]) : 0;
      Start(mask, p.size() >= 4 ? p[3] : 0, box);
      return;
    }
    case kStop:
      m_running = false;
      m_last = Step{IRC_RET_TEST_EXIT, 0};
      box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_READY);
      return;
    case kApply:
      if (!m_resultWaiting) return box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_NOT_READY);
      Apply(box);
      m_resultWaiting = false;
      ++m_applied;
      return box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_READY);
    case kDiscard:
      if (!m_resultWaiting) return box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_NOT_READY);
      m_resultWaiting = false;
      ++m_discarded;
      return box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_READY);
    default:
      return box.Ack(DSP_PACKET, DSP_IRC_CTRL, ACK_NOT_READY);
  }
}

void CalibrationSequence::Start(std::uint16_t mask, std::uint8_t eqMode, BoxContext& box) {
  const int outputs = ReportedOutputCount(box);
  m_channels = static_cast<std::uint16_t>(mask & ((1u << outputs) - 1u));
  m_eqMode = eqMode;
  m_runModules = m_modules;
  m_resultWaiting = false;
  m_polls = 0;
  m_steps.clear();
  m_next = 0;
  for (auto& result : m_results) result.reset();
  if (m_channels == 0) {
    m_running = false;
    m_last = Step{IRC_RET_TEST_FAIL, IRC_FAIL_NO_SPEAKER};
    SendStatus(box, m_last.status, m_last.value);
    return;
  }
  const bool eq = (m_runModules & kModuleEq) != 0;
  const bool delay = (m_runModules & kModuleDelay) != 0;
  const auto phase = [this](std::uint8_t status, std::initializer_list<int> progress) {
    for (int value : progress) m_steps.push_back(Step{status, Byte(value)});
  };
  phase(IRC_RET_SPK_STATUS_TEST, {4, 8});
  phase(IRC_RET_LEVEL_TEST, {12, 16});
  if (delay) phase(IRC_RET_DELAY_TEST, {20, 26, 32});
  phase(IRC_RET_TRIM_TEST, {36, 40});
  if (eq) phase(IRC_RET_EQ_TEST, {45, 50});
  phase(IRC_RET_SPEAKER_RTA_TEST, {55, 60});
  std::vector<int> measured;
  for (int ch = 0; ch < outputs; ++ch)
    if (m_channels & (1u << ch)) measured.push_back(ch);
  const TargetTable target = TargetOfEqMode(eqMode);
  for (std::size_t k = 0; k < measured.size(); ++k) {
    const int ch = measured[k];
    Result result;
    for (std::size_t i = 0; i < kSpectrumPoints; ++i) result.measured[i] = MeasuredDb(ch, i);
    if (eq) result.correction = ComputeCorrection(RoomOfOutput(ch), result.measured, target);
    else result.correction.fill(CorrectionBand{1000, 1.0, 0.0});
    m_results[static_cast<std::size_t>(ch)] = result;
    m_steps.push_back(Step{IRC_RET_SPEAKER_RTA_UPDATE, Byte(ch)});
    if (eq) m_steps.push_back(Step{IRC_RET_EQ_DATA_UPDATE, Byte(ch)});
    m_steps.push_back(Step{IRC_RET_TEST_DATA_UPDATE, Byte(60 + static_cast<int>(38 * (k + 1) / measured.size()))});
  }
  m_steps.push_back(Step{IRC_RET_TEST_DONE, 100});
  m_running = true;
  m_last = Step{IRC_RET_START_TEST, 0};
  SendStatus(box, m_last.status, m_last.value);
}

void CalibrationSequence::Poll(BoxContext& box) {
  if (m_running) {
    ++m_polls;
    if (m_config.failureCode && m_polls >= m_config.failAtPoll) {
      m_running = false;
      m_last = Step{IRC_RET_TEST_FAIL, *m_config.failureCode};
    } else if (m_next < m_steps.size()) {
      m_last = m_steps[m_next++];
      if (m_last.status == IRC_RET_TEST_DONE) {
        m_running = false;
        m_resultWaiting = true;
      }
    }
  }
  SendStatus(box, m_last.status, m_last.value);
}

void CalibrationSequence::SendStatus(BoxContext& box, std::uint8_t status, std::uint8_t value) {
  // Status, the output of a data update, a spare byte, the progress, the failure code.
  std::uint8_t payload[5] = {status, 0, 0, 0, 0};
  if (status == IRC_RET_SPEAKER_RTA_UPDATE || status == IRC_RET_EQ_DATA_UPDATE) payload[1] = value;
  else if (status == IRC_RET_TEST_FAIL) payload[4] = value;
  else payload[3] = value;
  box.Update(DSP_PACKET, DSP_IRC_CTRL, payload);
}

void CalibrationSequence::Apply(BoxContext& box) {
  Settings& live = box.State().live;
  const int outputs = ReportedOutputCount(box);
  double farthest = 0.0;
  for (int ch = 0; ch < outputs; ++ch)
    if (m_channels & (1u << ch)) farthest = std::max(farthest, RoomOfOutput(ch).distanceM);
  for (int ch = 0; ch < outputs; ++ch) {
    if (!(m_channels & (1u << ch)) || !Measured(static_cast<std::size_t>(ch))) continue;
    OutputChannel& out = live.outputs[static_cast<std::size_t>(ch)];
    if (m_runModules & kModuleEq) {
      const Correction& correction = m_results[static_cast<std::size_t>(ch)]->correction;
      for (std::size_t b = 0; b < kEqBandsOfBox; ++b) {
        if (b < kCorrectionBands) {
          const CorrectionBand& c = correction[b];
          out.bands[b] = EqBand{static_cast<std::uint16_t>(c.freqHz), c.q, c.gainDb};
        } else {
          out.bands[b] = FlatBand(b);
        }
      }
      // The correction is meant to be heard: an equaliser left bypassed would keep it silent.
      out.eqBypass = 0;
    }
    if (m_runModules & kModuleDelay) {
      // The nearer a speaker, the longer it waits for the farthest one's sound.
      const double ms = SoundDelayMs(farthest - RoomOfOutput(ch).distanceM);
      out.delayMs = std::round(ms * 100.0) / 100.0;
    }
  }
}

// --- queries ---------------------------------------------------------------------------------

void CalibrationSequence::AnswerBands(const BoxCommand& command, BoxContext& box) {
  const auto& p = command.payload;
  if (p.size() < kBandHeader) return;
  const bool spectrum = command.commandId == DSP_IRC_SPECTRUM;
  const std::size_t count = spectrum ? kSpectrumPoints : kCorrectionBands;
  const int last = ClipLast(p[1], p[2], static_cast<int>(count), kMaxReplyPayload - kBandHeader,
                            spectrum ? kSpectrumEntry : kEqEntry);
  PayloadWriter w;
  w.Put(p[0]).Put(p[1]).Put(static_cast<std::uint8_t>(std::max(last, 0)));
  // An output the box has not measured reads flat.
  const Result* result = p[0] < ReportedOutputCount(box) && m_results[p[0]] ? &*m_results[p[0]] : nullptr;
  for (int i = p[1]; i <= last; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (spectrum) {
      w.Put(EncodeSpectrumFrequency(SpectrumPointHz(k))).Put(EncodeSpectrumGain(result ? result->measured[k] : 0.0));
    } else {
      const CorrectionBand band = result ? result->correction[k] : CorrectionBand{1000, 1.0, 0.0};
      w.Put(EncodeFrequency(band.freqHz)).Put(EncodeEqQReply(band.q)).Put(EncodeEqGain(band.gainDb));
    }
  }
  box.Update(DSP_PACKET, command.commandId, w.Data());
}

void CalibrationSequence::AnswerPerChannel(const BoxCommand& command, BoxContext& box) {
  const auto& p = command.payload;
  if (p.size() < kChannelHeader) return;
  const std::uint8_t id = command.commandId;
  const std::size_t width = id == DSP_IRC_DISTANCE ? 2 : 1;
  const int last = ClipLast(p[0], p[1], ReportedOutputCount(box), kMaxReplyPayload - kChannelHeader, width);
  PayloadWriter w;
  w.Put(p[0]).Put(static_cast<std::uint8_t>(std::max(last, 0)));
  for (int ch = p[0]; ch <= last; ++ch) {
    if (id == DSP_IRC_DISTANCE) {
      // Only a measured output has a distance.
      const bool known = Measured(static_cast<std::size_t>(ch)) && (m_runModules & kModuleDelay);
      w.Put(EncodeIrcDistance(known ? RoomOfOutput(ch).distanceM : 0.0));
    } else {
      w.Put(ChannelByte(id, ch));
    }
  }
  box.Update(DSP_PACKET, id, w.Data());
}

}  // namespace qb::sim

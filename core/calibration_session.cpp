#include "core/calibration_session.h"

#include <algorithm>
#include <array>

#include "devicelink/calibration_commands.h"
#include "devicelink/calibration_records.h"
#include "devicelink/wire_codes.h"
#include "dspmath/calibration_targets.h"
#include "shell/log.h"

namespace qb {

std::string IrcStatusText(int status, int value) {
  static constexpr std::array<const char*, 6> kPhases = {
      "${detect_speaker}",   "${detect_level}",   "${detect_location}",
      "${adjust_ch_volume}", "${compensate_eq}", "${test_freq_response}"};
  static constexpr std::array<const char*, 6> kFailures = {
      "${irc_failed_level}",    "${irc_failed_mic}",        "${irc_failed_speaker}",
      "${irc_failed_delay}",    "${irc_failed_ch_volume}",  "${irc_failed_eq}"};
  if (status >= IRC_RET_SPK_STATUS_TEST && status <= IRC_RET_SPEAKER_RTA_TEST) return kPhases[static_cast<std::size_t>(status - 1)];
  if (status == IRC_RET_TEST_DATA_UPDATE) return "${test_freq_response}";
  if (status == IRC_RET_TEST_DONE || status == IRC_RET_TEST_EXIT) return "${irc_completed}";
  if (status == IRC_RET_TEST_FAIL && value >= 0 && value < static_cast<int>(kFailures.size()))
    return kFailures[static_cast<std::size_t>(value)];
  return {};
}

std::uint16_t CalibratableOutputs(const Profile& live) {
  std::uint16_t mask = 0;
  for (int n = 0; n < std::min(kOutputCount, kCalibrationChannels); ++n)
    if (live.outputs[At(n)] != kRoleEmpty) mask = static_cast<std::uint16_t>(mask | (1u << n));
  return mask;
}

CalibrationSession::CalibrationSession(DeviceLink& link, const Profile& live, CalibrationTimings timings)
    : m_link(link), m_live(live), m_outputs(CalibratableOutputs(live)), m_thread(link, timings) {}

CalibrationSession::~CalibrationSession() {
  m_thread.RequestStop();
  m_thread.Join();
}

bool CalibrationSession::SetModule(int module, bool on) {
  if (m_active) return false;
  if (on) m_modules |= module;
  else m_modules &= ~module;
  LogPrintA("mIrcModel %02x\n", m_modules);
  return true;
}

bool CalibrationSession::SetOutput(int n, bool on) {
  if (m_active || n < 0 || n >= kCalibrationChannels) return false;
  const auto bit = static_cast<std::uint16_t>(1u << n);
  if (on && (CalibratableOutputs(m_live) & bit) == 0) return false;
  m_outputs = static_cast<std::uint16_t>(on ? (m_outputs | bit) : (m_outputs & ~bit));
  return true;
}

bool CalibrationSession::SetEqMode(int eqMode) {
  if (m_active) return false;
  m_eqMode = eqMode;
  // The target drawn is the one the box aims at for that mode.
  m_data.SetTarget(TargetOfEqMode(eqMode));
  return true;
}

CalibrationSession::StartResult CalibrationSession::Start() {
  if (m_modules == 0) return StartResult::NoModule;
  // Roles may have changed since the outputs were chosen.
  const std::uint16_t channels = static_cast<std::uint16_t>(m_outputs & CalibratableOutputs(m_live));
  if (channels == 0) return StartResult::NoOutput;
  // A thread past its final report is only reading the distances: it ends in a moment.
  if (m_thread.Running() && IsFinalIrcStatus(m_thread.Status())) m_thread.Join();
  if (m_thread.Running()) return StartResult::Busy;
  m_channels = channels;
  LogPrintA("mIrcCh = 0x%x\n", unsigned{channels});
  m_done = false;
  m_resultSent = false;
  m_active = true;
  m_thread.Start(m_modules, channels, m_eqMode);
  return StartResult::Started;
}

void CalibrationSession::Stop() {
  m_thread.RequestStop();
  m_done = false;
  m_resultSent = false;
}

CalibrationUpdate CalibrationSession::Handle(const ReplyMessage& message) {
  switch (message.number) {
    case WM_IRC_REPLY:
      return OnReport(message);
    case WM_IRC_PROGRESS: {
      CalibrationUpdate update;
      update.progress = static_cast<int>(message.wParam);
      return update;
    }
    case WM_IRC_THREAD_ENDED:
      return OnThreadEnded(static_cast<CalibrationEnd>(message.wParam));
    default:
      return {};
  }
}

CalibrationUpdate CalibrationSession::OnReport(const ReplyMessage& message) {
  CalibrationUpdate update;
  // Reports still arriving from a stopped run change nothing.
  if (m_thread.Stopping()) return update;
  const int w = static_cast<int>(message.wParam);
  const int l = static_cast<int>(message.lParam);
  switch (w) {
    case IRC_RET_START_TEST:
      update.progress = l;
      break;
    case IRC_RET_SPEAKER_RTA_UPDATE:
    case IRC_RET_EQ_DATA_UPDATE:
      break;  // the thread fetches that output's data
    case IRC_RET_TEST_DONE:
    case IRC_RET_TEST_EXIT:
      update.tips = IrcStatusText(w, l);
      update.progress = l;
      update.runEnded = true;
      m_active = false;
      m_done = true;
      break;
    case IRC_RET_TEST_FAIL:
      update.tips = IrcStatusText(w, l);
      update.runEnded = true;
      m_active = false;
      m_done = false;
      break;
    case DSP_IRC_DISTANCE:
      if (const auto* record = message.RecordAs<IrcChannelFloatRecord>();
          record && record->channel >= 0 && record->channel < kCalibrationChannels &&
          (m_channels & (1u << record->channel))) {
        // The report spans the measured outputs; one between them that was not measured
        // has no distance.
        update.distanceChannel = record->channel;
        update.distance = record->value;
      }
      break;
    case DSP_IRC_EQ:
      if (const auto* r = message.RecordAs<IrcEqBandRecord>()) {
        LogPrintA("message DSP_IRC_EQ\n");
        const CalibrationStore stored = m_data.StoreCorrectionBand(r->channel, r->band, r->frequency, r->q, r->gainDb);
        if (stored == CalibrationStore::Dropped) break;
        LogPrintA("ch(%d), band(%d), freq=%d, Q=%1.2f, Gain=%.2f\n", r->channel, r->band, r->frequency, double{r->q},
                  double{r->gainDb});
        if (stored == CalibrationStore::CurveChanged) update.correctionChanged = r->channel;
      }
      break;
    case DSP_IRC_SPECTRUM:
      if (const auto* r = message.RecordAs<IrcSpectrumRecord>()) {
        if (m_data.StoreSpectrumPoint(r->channel, r->band, r->frequencyHz, r->gainDb) == CalibrationStore::CurveChanged)
          update.measuredChanged = r->channel;
      }
      break;
    default:
      if (w >= IRC_RET_SPK_STATUS_TEST && w <= IRC_RET_TEST_DATA_UPDATE) {
        update.tips = IrcStatusText(w, l);
        if (w != IRC_RET_TEST_DATA_UPDATE) update.progress = l;
      }
      break;  // trims, sizes, phases, levels, noise: nothing shown
  }
  return update;
}

CalibrationUpdate CalibrationSession::OnThreadEnded(CalibrationEnd end) {
  CalibrationUpdate update;
  update.runEnded = true;
  m_active = false;
  if (end == CalibrationEnd::Stopped) {
    update.tips = "${irc_stoped}";
  } else if (end == CalibrationEnd::BoxLeft) {
    update.tips = "${irc_box_left}";
    m_done = false;
  }
  m_thread.Join();
  return update;
}

void CalibrationSession::SettleFinishedRun() {
  // After the final report the thread only reads the distances and ends: a press that
  // comes first waits that moment rather than being turned away.
  if (m_done && m_thread.Running() && IsFinalIrcStatus(m_thread.Status())) m_thread.Join();
}

bool CalibrationSession::Apply() {
  SettleFinishedRun();
  if (m_thread.Running() || !m_done || m_resultSent) return false;
  IRC_Ctrl(m_link, kIrcApply, 0, static_cast<std::uint8_t>(m_eqMode), true);
  m_resultSent = true;
  return true;
}

bool CalibrationSession::Discard() {
  SettleFinishedRun();
  if (m_thread.Running() || !m_done || m_resultSent) return false;
  IRC_Ctrl(m_link, kIrcDiscard, 0, 0, true);
  m_resultSent = true;
  return true;
}

int CalibrationSession::Close(bool applyNow) {
  m_thread.RequestStop();
  m_thread.Join();
  if (m_resultSent) return 1;
  if (m_done && applyNow) {
    IRC_Ctrl(m_link, kIrcApply, 0, static_cast<std::uint8_t>(m_eqMode), true);
    m_resultSent = true;
    return 1;
  }
  IRC_Ctrl(m_link, kIrcDiscard, 0, 0, true);
  return 0;
}

}  // namespace qb

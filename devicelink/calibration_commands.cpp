#include "devicelink/calibration_commands.h"

#include <array>
#include <memory>

#include "devicelink/calibration_records.h"
#include "devicelink/link_timing.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

// --- commands ---------------------------------------------------------------------------

void SendIrc(DeviceLink& link, std::uint8_t id, Payload payload, bool sync) {
  link.SubmitCommand(DSP_PACKET, id, OP_SET, std::move(payload), sync, kWaitDefaultMs);
}

bool QueryIrc(DeviceLink& link, std::uint8_t id, std::span<const std::uint8_t> payload) {
  return link.Query(DSP_PACKET, id, payload, kWaitDefaultMs);
}

bool QueryChannelRange(DeviceLink& link, std::uint8_t id, std::uint8_t first, std::uint8_t last) {
  const std::uint8_t payload[] = {first, last};
  return QueryIrc(link, id, payload);
}

bool QueryBandRange(DeviceLink& link, std::uint8_t id, std::uint8_t ch, std::uint8_t firstBand,
                    std::uint8_t lastBand) {
  const std::uint8_t payload[] = {ch, firstBand, lastBand};
  return QueryIrc(link, id, payload);
}

// --- decoders -----------------------------------------------------------------------------

/// Per-channel reports: p0 first channel, p1 last, entries from p2.
constexpr std::size_t kIrcChannelHeaderBytes = 2;
/// Per-band reports: p0 channel, p1 first band, p2 last band, entries from p3.
constexpr std::size_t kIrcBandHeaderBytes = 3;
constexpr std::size_t kIrcEqBandBytes = kU16Bytes + kEqQBytes + kEqGainBytes;
constexpr std::size_t kSpectrumBandBytes = kSpectrumFrequencyBytes + kSpectrumGainBytes;

/// The status report: status, two bytes, progress, failure code (only with a failure).
constexpr std::size_t kStatusProgressIndex = 3;
constexpr std::size_t kStatusDataIndex = 1;
constexpr std::size_t kStatusFailureIndex = 4;

/// The payload of an OP_UPDATE frame holding at least `header` bytes, or nothing.
std::optional<ByteView> UpdatePayload(const ReplyFrame& frame, std::size_t header) {
  if (frame.OpType() != OP_UPDATE || frame.Payload().size() < header) return std::nullopt;
  return frame.Payload();
}

void PostIrc(DeviceLink& link, std::uintptr_t wParam, std::intptr_t lParam,
             std::unique_ptr<ReplyRecord> record = nullptr) {
  link.PostReply(ReplySlot::CalibrationWindowHandle,
                 ReplyMessage{WM_IRC_REPLY, wParam, lParam, std::move(record)});
}

/// Calls visit(index, entryBytes) for index = first..last, each entry `width` bytes from
/// `start`, stopping at the first entry the payload does not hold completely. The index is
/// an int, so a range ending at 255 ends.
template <typename Visit>
void ForEachIrcEntry(ByteView p, std::size_t start, std::size_t width, int first, int last,
                  Visit visit) {
  for (int index = first; index <= last; ++index) {
    const std::size_t offset = start + static_cast<std::size_t>(index - first) * width;
    if (offset + width > p.size()) return;
    visit(index, p.subspan(offset, width));
  }
}

void PostChannelFloat(DeviceLink& link, std::uint8_t id, int ch, double value) {
  auto record = std::make_unique<IrcChannelFloatRecord>();
  record->channel = ch;
  record->value = static_cast<float>(value);
  PostIrc(link, id, 0, std::move(record));
}

/// Posts one IrcChannelValueRecord per channel byte, logging each through `logLine`.
template <typename LogEntry>
void PostChannelBytes(DeviceLink& link, std::uint8_t id, ByteView p, LogEntry logLine) {
  ForEachIrcEntry(p, kIrcChannelHeaderBytes, 1, p[0], p[1], [&](int ch, ByteView entry) {
    logLine(ch, int{entry[0]});
    auto record = std::make_unique<IrcChannelValueRecord>();
    record->channel = ch;
    record->value = entry[0];
    PostIrc(link, id, 0, std::move(record));
  });
}

/// lParam of a status report, or nothing when the status (or failure code) is unknown or
/// the report lacks the byte the value comes from. Logs the status name.
std::optional<std::intptr_t> StatusValue(ByteView p) {
  const std::uint8_t status = p[0];
  const char* name = IrcStatusName(status);
  if (name == nullptr) return std::nullopt;
  if (status == IRC_RET_TEST_FAIL) {
    if (p.size() <= kStatusFailureIndex) return std::nullopt;
    const char* failure = IrcFailName(p[kStatusFailureIndex]);
    if (failure == nullptr) return std::nullopt;
    LogPrintA("IRC_RET_TEST_FAIL->%s\n", failure);
    return p[kStatusFailureIndex];
  }
  LogPrintA("%s\n", name);
  if (status == IRC_RET_SPEAKER_RTA_UPDATE || status == IRC_RET_EQ_DATA_UPDATE) {
    return p[kStatusDataIndex];
  }
  return p[kStatusProgressIndex];
}

void DecodeStatusReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kStatusProgressIndex + 1);
  if (!p) return;
  LogPrintA("DSP_IRC_CTRL Update Status = 0x%x, progress = %d\n", (*p)[0],
            (*p)[kStatusProgressIndex]);
  if (const auto value = StatusValue(*p)) PostIrc(link, (*p)[0], *value);
}

void DecodeDistanceReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("DSP_IRC_DISTANCE Update from ch(%d) to ch_end(%d) \n", (*p)[0], (*p)[1]);
  ForEachIrcEntry(*p, kIrcChannelHeaderBytes, kIrcDistanceBytes, (*p)[0], (*p)[1],
               [&](int ch, ByteView entry) {
                 const double distance = DecodeIrcDistance(entry).value_or(0.0);
                 LogPrintA("ch(%d), distance(%f)\n", ch, distance);
                 PostChannelFloat(link, DSP_IRC_DISTANCE, ch, distance);
               });
}

void DecodeTrimReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("IRC_CH_TRIM Update from ch(%d) to ch_end(%d) \n", (*p)[0], (*p)[1]);
  ForEachIrcEntry(*p, kIrcChannelHeaderBytes, 1, (*p)[0], (*p)[1],
               [&](int ch, ByteView entry) { PostChannelFloat(link, IRC_CH_TRIM, ch, entry[0]); });
}

void DecodeEqReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcBandHeaderBytes);
  if (!p) return;
  const int ch = (*p)[0];
  LogPrintA("DSP_IRC_EQ Update from ch(%d) from band(%d) to band_end(%d) \n", ch, (*p)[1], (*p)[2]);
  ForEachIrcEntry(
      *p, kIrcBandHeaderBytes, kIrcEqBandBytes, (*p)[1], (*p)[2], [&](int band, ByteView entry) {
        auto record = std::make_unique<IrcEqBandRecord>();
        record->channel = ch;
        record->band = band;
        record->frequency = DecodeFrequency(entry).value_or(0);
        record->q = static_cast<float>(DecodeEqQ(entry.subspan(kU16Bytes)).value_or(0));
        record->gainDb =
            static_cast<float>(DecodeEqGain(entry.subspan(kU16Bytes + kEqQBytes)).value_or(0));
        LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, record->frequency,
                  double{record->q}, double{record->gainDb});
        PostIrc(link, DSP_IRC_EQ, 0, std::move(record));
      });
}

void DecodeSpectrumReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcBandHeaderBytes);
  if (!p) return;
  const int ch = (*p)[0];
  LogPrintA("DSP_IRC_SPECTRUM Update from band(%d) to band_end(%d), ch(%d)\n", (*p)[1], (*p)[2],
            ch);
  ForEachIrcEntry(
      *p, kIrcBandHeaderBytes, kSpectrumBandBytes, (*p)[1], (*p)[2], [&](int band, ByteView entry) {
        auto record = std::make_unique<IrcSpectrumRecord>();
        record->channel = ch;
        record->band = band;
        record->frequencyHz = static_cast<float>(DecodeSpectrumFrequency(entry).value_or(0));
        record->gainDb = static_cast<float>(
            DecodeSpectrumGain(entry.subspan(kSpectrumFrequencyBytes)).value_or(0));
        LogPrintA("band(%d), freq(%f), Gain(%f)\n", band, double{record->frequencyHz},
                  double{record->gainDb});
        PostIrc(link, DSP_IRC_SPECTRUM, 0, std::move(record));
      });
}

void DecodeSizeReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("Get DSP_IRC_SPK_SIZE Update from ch(%d) to ch_end(%d)\n", (*p)[0], (*p)[1]);
  PostChannelBytes(link, DSP_IRC_SPK_SIZE, *p,
                   [](int ch, int v) { LogPrintA("ch(%d), size(%d)\n", ch, v); });
}

void DecodePhaseReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("Get DSP_IRC_SPK_PHASE Update from ch(%d) to ch_end(%d)\n", (*p)[0], (*p)[1]);
  PostChannelBytes(link, DSP_IRC_SPK_PHASE, *p,
                   [](int ch, int v) { LogPrintA("ch(%d), phase(%d)\n", ch, v); });
}

void DecodeLevelReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("Get DSP_IRC_SPK_LEVEL Update from ch(%d) to ch_end(%d)\n", (*p)[0], (*p)[1]);
  PostChannelBytes(link, DSP_IRC_SPK_LEVEL, *p,
                   [](int ch, int v) { LogPrintA("ch(%d), spk_level(%d)\n", ch, v); });
}

void DecodeNoiseReport(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = UpdatePayload(frame, kIrcChannelHeaderBytes);
  if (!p) return;
  LogPrintA("Get DSP_IRC_NOISE_LEVEL Update from ch(%d) to ch_end(%d)\n", (*p)[0], (*p)[1]);
  PostChannelBytes(link, DSP_IRC_NOISE_LEVEL, *p,
                   [](int ch, int v) { LogPrintA("ch(%d), noise level(%d)\n", ch, v); });
}

// The analyser report (DSP_IRC_RTA) has no entry: nothing in the program reads it.
constexpr std::array kCalibrationDecoders = {
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_CTRL, &DecodeStatusReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_DISTANCE, &DecodeDistanceReport},
    CommandDecoderEntry{DSP_PACKET, IRC_CH_TRIM, &DecodeTrimReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_EQ, &DecodeEqReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_SPK_SIZE, &DecodeSizeReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_SPK_PHASE, &DecodePhaseReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_SPK_LEVEL, &DecodeLevelReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_SPECTRUM, &DecodeSpectrumReport},
    CommandDecoderEntry{DSP_PACKET, DSP_IRC_NOISE_LEVEL, &DecodeNoiseReport},
};

}  // namespace

void IRC_Ctrl(DeviceLink& link, std::uint8_t on, std::uint16_t channels, std::uint8_t eqMode,
              bool sync) {
  LogPrintA("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, unsigned{channels},
            eqMode, int{sync});
  const auto mask = EncodeU16BE(channels);
  SendIrc(link, DSP_IRC_CTRL, {on, mask[0], mask[1], eqMode}, sync);
}

bool IRC_Get(DeviceLink& link) {
  LogPrintA("IRC_Get\n");
  return QueryIrc(link, DSP_IRC_CTRL, {});
}

bool IRC_Get_Distance(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Distance from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, DSP_IRC_DISTANCE, first, last);
}

bool IRC_Get_Trim(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Trim from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, IRC_CH_TRIM, first, last);
}

bool IRC_Get_EQ(DeviceLink& link, std::uint8_t ch, std::uint8_t firstBand, std::uint8_t lastBand) {
  LogPrintA("IRC_Get_EQ from band(%d) to band_end(%d), ch(%d)\n", firstBand, lastBand, ch);
  return QueryBandRange(link, DSP_IRC_EQ, ch, firstBand, lastBand);
}

bool IRC_Get_Spk_Size(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Spk_Size from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, DSP_IRC_SPK_SIZE, first, last);
}

bool IRC_Get_Spk_Phase(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Spk_Phase from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, DSP_IRC_SPK_PHASE, first, last);
}

bool IRC_Get_Spk_Level(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Spk_Level from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, DSP_IRC_SPK_LEVEL, first, last);
}

bool IRC_Get_Spectrum(DeviceLink& link, std::uint8_t ch, std::uint8_t firstBand,
                      std::uint8_t lastBand) {
  LogPrintA("IRC_Get_Spectrum from band(%d) to band_end(%d), ch(%d)\n", firstBand, lastBand, ch);
  return QueryBandRange(link, DSP_IRC_SPECTRUM, ch, firstBand, lastBand);
}

bool IRC_Get_Noise_Level(DeviceLink& link, std::uint8_t first, std::uint8_t last) {
  LogPrintA("IRC_Get_Noise_Level from ch(%d) to ch_end(%d)\n", first, last);
  return QueryChannelRange(link, DSP_IRC_NOISE_LEVEL, first, last);
}

bool IRC_Get_RTA(DeviceLink& link) {
  LogPrintA("IRC_Get_RTA\n");
  return QueryIrc(link, DSP_IRC_RTA, {});
}

void IRC_Set_Test_Mic(DeviceLink& link, std::uint8_t on, bool sync) {
  LogPrintA("IRC_Set_Test_Mic: on(%d)\n", on);
  SendIrc(link, DSP_IRC_TEST_MIC, {on}, sync);
}

void IRC_Sel_Test_Module(DeviceLink& link, std::uint8_t module, bool sync) {
  LogPrintA("IRC_Sel_Test_Module: Module(0x%x), syncMode(%d)\n", unsigned{module}, int{sync});
  SendIrc(link, DSP_IRC_TEST_MODULE, {module}, sync);
}

DecoderTable CalibrationReplyDecoders() { return kCalibrationDecoders; }

}  // namespace qb

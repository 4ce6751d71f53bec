#include "devicelink/dsp_replies.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "devicelink/device_link.h"
#include "devicelink/dsp_records.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

/// scene, source, first, last: the head of most channel reports.
constexpr std::size_t kChannelHeaderBytes = 4;
/// scene, source, input channel, first output, last output.
constexpr std::size_t kMixTrimHeaderBytes = 5;
/// source, first, last of the distortion reports.
constexpr std::size_t kDistortHeaderBytes = 3;
/// first, last of the noise report.
constexpr std::size_t kNoiseHeaderBytes = 2;
/// high-pass family, frequency (2), slope, low-pass family, frequency (2), slope.
constexpr std::size_t kFilterEntryBytes = 8;
/// frequency (2), Q (2), gain (2).
constexpr std::size_t kEqBandEntryBytes = 6;
/// Header, bypass, then threshold, ratio, knee, attack, release at two bytes each.
constexpr std::size_t kCompressorReplyBytes = kChannelHeaderBytes + 1 + 5 * 2;
constexpr int kChannelSlots = static_cast<int>(kRecordChannelSlots);
/// The source whose second mix type the box reports with MIX_TYPE2: the high-level input.
constexpr std::int32_t kMixType2Source = SOURCE_HI;

// --- frame access ----------------------------------------------------------------------------

struct Report {
  std::uint8_t op;
  ByteView payload;
};

/// The frame split into operation type and payload, or nothing when it is too short to
/// carry a command id and an operation type. (The packet's routing has logged it.)
std::optional<Report> Open(const ReplyFrame& frame) {
  if (frame.data.size() < 2) return std::nullopt;
  return Report{frame.OpType(), frame.data.subspan(2)};
}

/// The payload of a data report; nothing for acknowledgements and other operation types.
std::optional<ByteView> DataReport(const ReplyFrame& frame) {
  const std::optional<Report> report = Open(frame);
  if (!report || report->op != OP_UPDATE) return std::nullopt;
  return report->payload;
}

std::optional<std::uint8_t> ByteAt(ByteView payload, std::size_t index) {
  if (index >= payload.size()) return std::nullopt;
  return payload[index];
}

struct ChannelHeader {
  int scene;
  int source;
  int first;
  int last;
};

std::optional<ChannelHeader> ReadChannelHeader(ByteView payload) {
  if (payload.size() < kChannelHeaderBytes) return std::nullopt;
  return ChannelHeader{payload[0], payload[1], payload[2], payload[3]};
}

void LogChannelHeader(const char* name, std::uint8_t op, const ChannelHeader& h) {
  LogPrintA("%s OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", name, unsigned{op},
            h.scene, static_cast<unsigned>(h.source), h.first, h.last);
}

/// How many of the announced entries first..last the payload carries complete, each
/// `width` bytes, the first at `start`. Counting from the payload's size keeps every loop
/// inside the frame, and an empty or reversed range gives 0.
int CompleteEntries(ByteView payload, std::size_t start, std::size_t width, int first, int last) {
  if (last < first || payload.size() < start) return 0;
  const auto present = static_cast<int>((payload.size() - start) / width);
  return std::min(last - first + 1, present);
}

/// Of `count` entries from channel `first` on, how many have a slot in a record indexed by
/// channel number.
int EntriesInSlots(int first, int count) { return std::clamp(kChannelSlots - first, 0, count); }

ByteView EntryBytes(ByteView payload, std::size_t start, std::size_t width, int k) {
  return payload.subspan(start + static_cast<std::size_t>(k) * width, width);
}

/// Calls decode(channel, bytes) for every complete entry, in order.
template <typename Decode>
void ForEachEntry(ByteView payload, std::size_t start, std::size_t width, int first, int last,
                  Decode decode) {
  const int count = CompleteEntries(payload, start, width, first, last);
  for (int k = 0; k < count; ++k) decode(first + k, EntryBytes(payload, start, width, k));
}

// --- posting -------------------------------------------------------------------------------

void PostValue(DeviceLink& link, std::uint8_t id, std::intptr_t value) {
  link.PostReply(ReplySlot::MainWindowHandle, ReplyMessage{WM_DSP_REPLY, id, value, nullptr});
}

void PostRecord(DeviceLink& link, std::uint8_t id, std::unique_ptr<ReplyRecord> record,
                ReplySlot slot = ReplySlot::MainWindowHandle) {
  link.PostReply(slot, ReplyMessage{WM_DSP_REPLY, id, 0, std::move(record)});
}

// --- plain values ----------------------------------------------------------------------------

void OnSourceConfig(DeviceLink&, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->empty()) return;
  const int count = (*p)[0];
  LogPrintA("DSP_SOURCE_CONFIG update total source=%d -->\n", count);
  const ByteView codes = p->subspan(1);
  const int present = std::min(count, static_cast<int>(codes.size()));
  for (int i = 0; i < present; ++i) {
    LogPrintA("source%d = %d\n", i, codes[static_cast<std::size_t>(i)]);
  }
}

void OnSourceSwitch(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto code = p ? ByteAt(*p, 0) : std::nullopt;
  if (!code) return;
  LogPrintA("DSP_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", unsigned{OP_UPDATE}, unsigned{*code});
  PostValue(link, DSP_SOURCE_SWITCH, *code);
}

void OnMainVolume(DeviceLink& link, const ReplyFrame& frame) {
  const std::optional<Report> report = Open(frame);
  if (!report) return;
  if (report->op == OP_ACK) {
    LogPrintA("DSP_VOLUME OP_ACK ----------\n");
    return;
  }
  const auto byte = ByteAt(report->payload, 0);
  if (report->op != OP_UPDATE || !byte) return;
  const int volume = DecodeMainVolume(*byte);
  LogPrintA("DSP_VOLUME OP_UPDATE, MVol = %d ----------\n", volume);
  PostValue(link, DSP_VOLUME, volume);
}

void OnSubwooferVolume(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto byte = p ? ByteAt(*p, 0) : std::nullopt;
  if (!byte) return;
  const int volume = DecodeSignedByte(*byte);
  LogPrintA("DSP_SUBWOOFER_VOLUME OP=0x%x, SUBW Vol = %d\n", unsigned{OP_UPDATE}, volume);
  PostValue(link, DSP_SUBWOOFER_VOLUME, volume);
}

void OnMute(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto mute = p ? ByteAt(*p, 0) : std::nullopt;
  if (!mute) return;
  LogPrintA("DSP_MUTE OP=0x%x, MUTE = %d\n", unsigned{OP_UPDATE}, *mute);
  PostValue(link, DSP_MUTE, *mute);
}

void OnInputThreshold(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto byte = p ? ByteAt(*p, 0) : std::nullopt;
  if (!byte) return;
  const int threshold = DecodeSignedByte(*byte);
  LogPrintA("input_threshold = %d\n", threshold);
  PostValue(link, DSP_INPUT_THRESHOLD, threshold);
}

void OnRemoteChannel(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto value = p ? DecodeU16BE(*p) : std::nullopt;
  if (!value) return;
  PostValue(link, DSP_REMOTE_CH, *value);
}

void OnFactoryPreset(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto mode = p ? ByteAt(*p, 0) : std::nullopt;
  if (!mode) return;
  LogPrintA("fac_preset mode = %d\n", *mode);
  PostValue(link, DSP_FACTORY_PRESET, *mode);
}

void OnSetupMode(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto mode = p ? ByteAt(*p, 0) : std::nullopt;
  if (!mode) return;
  LogPrintA("setup_mode mode = %d\n", *mode);
  PostValue(link, DSP_SETUP_MODE, *mode);
}

void OnAutoEffect(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto on = p ? ByteAt(*p, 0) : std::nullopt;
  if (!on) return;
  PostValue(link, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, *on);
}

void OnAmpMute(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto mute = p ? ByteAt(*p, 0) : std::nullopt;
  if (!mute) return;
  LogPrintA("DSP_AMP_MUTE OP=0x%x, MUTE = %d\n", unsigned{OP_UPDATE}, *mute);
  PostValue(link, DSP_AMP_MUTE, *mute);
}

void OnMixSourceSwitch(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto source = p ? ByteAt(*p, 0) : std::nullopt;
  if (!source) return;
  LogPrintA("DSP_MIX_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", unsigned{OP_UPDATE},
            unsigned{*source});
  PostValue(link, DSP_MIX_SOURCE_SWITCH, *source);
}

// --- one record per channel or band -----------------------------------------------------------

void OnFilter(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  LogChannelHeader("DSP_FILTER_GET", OP_UPDATE, *h);
  ForEachEntry(*p, kChannelHeaderBytes, kFilterEntryBytes, h->first, h->last,
               [&](int channel, ByteView e) {
                 auto record = std::make_unique<FilterRecord>();
                 record->scene = h->scene;
                 record->channel = channel;
                 record->hpType = e[0];
                 record->hpFrequency = DecodeFrequency(e.subspan(1)).value_or(0);
                 record->hpSlope = e[3];
                 record->lpType = e[4];
                 record->lpFrequency = DecodeFrequency(e.subspan(5)).value_or(0);
                 record->lpSlope = e[7];
                 LogPrintA(
                     "ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, "
                     "lp_freq = %d, lp_slope = %d\n",
                     channel, record->hpType, record->hpFrequency, record->hpSlope, record->lpType,
                     record->lpFrequency, record->lpSlope);
                 PostRecord(link, DSP_FILTER_GET, std::move(record));
               });
}

/// Bands of one channel; output (6) and input (35) equalisers share the layout.
void OnEqBands(DeviceLink& link, std::uint8_t id, ByteView p) {
  if (p.size() < kBandHeaderBytes) return;
  const int scene = p[0];
  const int channel = p[2];
  const int firstBand = p[3];
  const int lastBand = p[4];
  LogPrintA("DSP_EQ_CH OP=0x%x, scene =%d, source = %d, ch= %d, band=%d, band_end = %d\n",
            unsigned{OP_UPDATE}, scene, p[1], channel, firstBand, lastBand);
  ForEachEntry(p, kBandHeaderBytes, kEqBandEntryBytes, firstBand, lastBand,
               [&](int band, ByteView e) {
                 auto record = std::make_unique<EqBandRecord>();
                 record->scene = scene;
                 record->channel = channel;
                 record->band = band;
                 record->frequency = DecodeFrequency(e).value_or(0);
                 record->q = static_cast<float>(DecodeEqQ(e.subspan(2)).value_or(0.0));
                 record->gainDb = static_cast<float>(DecodeEqGain(e.subspan(4)).value_or(0.0));
                 LogPrintA("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, record->frequency,
                           static_cast<double>(record->q), static_cast<double>(record->gainDb));
                 PostRecord(link, id, std::move(record));
               });
}

void OnEq(DeviceLink& link, const ReplyFrame& frame) {
  if (const auto p = DataReport(frame)) OnEqBands(link, DSP_EQ_CH, *p);
}

void OnInputEq(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->empty()) return;
  LogPrintA("DSP_INPUT_EQ_CH OP=0x%x, scene =%d, \n", unsigned{OP_UPDATE}, (*p)[0]);
  OnEqBands(link, DSP_INPUT_EQ_CH, *p);
}

void OnDelay(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  LogChannelHeader("DSP_DELAY_CH", OP_UPDATE, *h);
  ForEachEntry(*p, kChannelHeaderBytes, kDelayBytes, h->first, h->last,
               [&](int channel, ByteView e) {
                 auto record = std::make_unique<ChannelFloatRecord>();
                 record->scene = h->scene;
                 record->channel = channel;
                 record->value = static_cast<float>(DecodeDelay(e).value_or(0.0));
                 LogPrintA("ch(%d), delay(%.3f)\n", channel, static_cast<double>(record->value));
                 PostRecord(link, DSP_DELAY_CH, std::move(record));
               });
}

void OnTrim(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  const bool fineTrim = link.Config().fineTrim;
  LogChannelHeader("DSP_TRIM_CH", OP_UPDATE, *h);
  ForEachEntry(*p, kChannelHeaderBytes, TrimBytes(fineTrim), h->first, h->last,
               [&](int channel, ByteView e) {
                 auto record = std::make_unique<ChannelFloatRecord>();
                 record->scene = h->scene;
                 record->channel = channel;
                 record->value = static_cast<float>(ReadTrim(e, fineTrim).value_or(0.0));
                 LogPrintA("ch(%d), trim(%.2f)\n", channel, static_cast<double>(record->value));
                 PostRecord(link, DSP_TRIM_CH, std::move(record));
               });
}

void OnMix(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  const bool wide = link.Config().inputCount >= kWideMaskInputCount;
  LogChannelHeader("DSP_MIX_CH", OP_UPDATE, *h);
  ForEachEntry(*p, kChannelHeaderBytes, wide ? kU16Bytes : 1, h->first, h->last,
               [&](int channel, ByteView e) {
                 auto record = std::make_unique<MixRecord>();
                 record->scene = h->scene;
                 record->source = h->source;
                 record->channel = channel;
                 record->mask = wide ? DecodeU16BE(e).value_or(0) : e[0];
                 LogPrintA("source(%d) ch(%d), mix(%d)\n", h->source, channel, record->mask);
                 PostRecord(link, DSP_MIX_CH, std::move(record));
               });
}

struct ChannelValueNames {
  const char* header;  ///< null: the report has no header line
  const char* label;
};

ChannelValueNames NamesOfChannelValues(std::uint8_t id) {
  switch (id) {
    case DSP_MUTE_CH: return {"DSP_MUTE_CH", "mute"};
    case DSP_PHASE_CH: return {"Get DSP_PHASE_CH", "phase"};
    case DSP_CH_TYPE: return {nullptr, "ch_type"};
    case DSP_EQ_BYPASS: return {"DSP_EQ_BYPASS", "bypass"};
    default: return {"DSP_CH_SOLO", "solo"};
  }
}

/// Mute (9), phase (10), channel type (13), equaliser bypass (18) and solo (52): one byte
/// per channel.
void OnChannelValues(DeviceLink& link, const ReplyFrame& frame) {
  const std::optional<Report> report = Open(frame);
  if (!report) return;
  const std::uint8_t id = frame.CommandId();
  if (id == DSP_CH_TYPE && report->op == OP_ACK) {
    LogPrintA("DSP_CH_TYPE OP_ACK\n");
    return;
  }
  const auto h = ReadChannelHeader(report->payload);
  if (report->op != OP_UPDATE || !h) return;
  const ChannelValueNames names = NamesOfChannelValues(id);
  if (names.header != nullptr) LogChannelHeader(names.header, OP_UPDATE, *h);
  ForEachEntry(report->payload, kChannelHeaderBytes, 1, h->first, h->last,
               [&](int channel, ByteView e) {
                 auto record = std::make_unique<ChannelValueRecord>();
                 record->scene = h->scene;
                 record->channel = channel;
                 record->value = e[0];
                 LogPrintA("ch(%d), %s(%d)\n", channel, names.label, record->value);
                 PostRecord(link, id, std::move(record));
               });
}

void OnCompressor(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  LogPrintA("DSP_COMPRESSOR_GET OP=0x%x, scene =%d, source =%d, from ch(%d) to ch_end(%d)\n",
            unsigned{OP_UPDATE}, h->scene, h->source, h->first, h->last);
  if (p->size() < kCompressorReplyBytes) return;
  CompressorRecord values;
  values.scene = h->scene;
  values.bypass = (*p)[4];
  values.thresholdDb = DecodeCompressorThreshold(p->subspan(5)).value_or(0);
  values.ratio = static_cast<float>(DecodeCompressorRatio(p->subspan(7)).value_or(0.0));
  values.softKnee = static_cast<float>(DecodeCompressorKnee(p->subspan(9)).value_or(0.0));
  values.attack = DecodeU16BE(p->subspan(11)).value_or(0);
  values.release = DecodeU16BE(p->subspan(13)).value_or(0);
  // The range is not bounded by the frame's length here, so it is held to the channels a
  // record anywhere in this family can describe.
  const int last = std::min(h->last, kChannelSlots - 1);
  for (int channel = h->first; channel <= last; ++channel) {
    auto record = std::make_unique<CompressorRecord>(values);
    record->channel = channel;
    PostRecord(link, DSP_COMPRESSOR_GET, std::move(record));
  }
}

// --- single records ----------------------------------------------------------------------------

const char* LinkLabel(std::uint8_t id) {
  switch (id) {
    case DSP_CH_TRIM_LINK: return "trim_link";
    case DSP_CH_DELAY_LINK: return "delay_link";
    default: return "link";
  }
}

/// Channel link (14), trim link (48), delay link (49).
void OnLink(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < 2) return;
  const std::uint8_t id = frame.CommandId();
  auto record = std::make_unique<LinkRecord>();
  record->scene = (*p)[0];
  record->link = (*p)[1];
  const ByteView data = p->subspan(2);
  const auto wanted = static_cast<std::size_t>(
      std::clamp(link.Config().outputCount / 2, 0, static_cast<int>(kLinkDataBytes)));
  std::copy_n(data.begin(), std::min(wanted, data.size()), record->linkData.begin());
  LogPrintA("scene(%d), %s(%d)\n", record->scene, LinkLabel(id), record->link);
  PostRecord(link, id, std::move(record));
}

void OnLock(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < 2) return;
  auto record = std::make_unique<LockRecord>();
  record->scene = (*p)[0];
  record->lock = (*p)[1];
  LogPrintA("scene(%d), lock(%d)\n", record->scene, record->lock);
  PostRecord(link, DSP_CH_LOCK, std::move(record));
}

void OnEqReset(DeviceLink&, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto scene = p ? ByteAt(*p, 0) : std::nullopt;
  if (!scene) return;
  LogPrintA("DSP_EQ_RESET OP=0x%x, scene =%d, \n", unsigned{OP_UPDATE}, *scene);
}

ChannelValueNames NamesOfInputChannels(std::uint8_t id) {
  switch (id) {
    case DSP_INPUT_TRIM_CH: return {"DSP_INPUT_TRIM_CH", "trim"};
    case DSP_INPUT_CH_MUTE: return {"DSP_INPUT_CH_MUTE", "trim"};
    default: return {"Get INPUT_CH_PHASE", "phase"};
  }
}

/// Input trim (32), mute (33) and phase (34): one byte per input channel, one record.
void OnInputChannels(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  const std::uint8_t id = frame.CommandId();
  const ChannelValueNames names = NamesOfInputChannels(id);
  LogChannelHeader(names.header, OP_UPDATE, *h);
  const int count =
      EntriesInSlots(h->first, CompleteEntries(*p, kChannelHeaderBytes, 1, h->first, h->last));
  if (count == 0) return;
  auto record = std::make_unique<InputChannelsRecord>();
  record->scene = h->scene;
  record->source = h->source;
  record->first = h->first;
  record->last = h->first + count - 1;
  for (int k = 0; k < count; ++k) {
    const int channel = h->first + k;
    const std::uint8_t value = (*p)[kChannelHeaderBytes + static_cast<std::size_t>(k)];
    record->values[static_cast<std::size_t>(channel)] = value;
    LogPrintA("ch(%d), %s(%d)\n", channel, names.label, value);
  }
  PostRecord(link, id, std::move(record));
}

void OnInputMixTrim(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < kMixTrimHeaderBytes) return;
  const int scene = (*p)[0];
  const int source = (*p)[1];
  const int input = (*p)[2];
  const int firstOutput = (*p)[3];
  const int lastOutput = (*p)[4];
  LogPrintA(
      "DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = 0x%x, in_ch(%d) from "
      "out_ch(%d) to out_ch_end(%d)\n",
      unsigned{OP_UPDATE}, scene, static_cast<unsigned>(source), input, firstOutput, lastOutput);
  // Trims are kept by position, so only the number of slots limits them.
  const int count =
      std::min(CompleteEntries(*p, kMixTrimHeaderBytes, 1, firstOutput, lastOutput), kChannelSlots);
  if (count == 0) return;
  auto record = std::make_unique<InputMixTrimRecord>();
  record->scene = scene;
  record->source = source;
  record->inputChannel = input;
  record->firstOutput = firstOutput;
  record->lastOutput = firstOutput + count - 1;
  LogPrintA("in_ch(%d) -> out_ch_x(%d) to out_ch_y(%d), ", input, firstOutput, record->lastOutput);
  for (int k = 0; k < count; ++k) {
    const auto trim =
        static_cast<std::int8_t>((*p)[kMixTrimHeaderBytes + static_cast<std::size_t>(k)]);
    record->trims[static_cast<std::size_t>(k)] = trim;
    LogPrintA("trim[%d]=(%d),", firstOutput + k, trim);
  }
  LogPrintA("\n");
  PostRecord(link, DSP_INPUT_MIX_CH_TRIM, std::move(record));
}

void OnInputNoise(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < kNoiseHeaderBytes) return;
  const int first = (*p)[0];
  const int last = (*p)[1];
  LogPrintA("INPUT_NOISE OP=0x%x, ch_x=%d, ch_y = %d\n", unsigned{OP_UPDATE}, first, last);
  const int count =
      EntriesInSlots(first, CompleteEntries(*p, kNoiseHeaderBytes, kNoiseLevelBytes, first, last));
  if (count == 0) return;
  auto record = std::make_unique<NoiseRecord>();
  record->first = first;
  record->last = first + count - 1;
  for (int k = 0; k < count; ++k) {
    const ByteView e = EntryBytes(*p, kNoiseHeaderBytes, kNoiseLevelBytes, k);
    const auto level = static_cast<float>(DecodeNoiseLevel(e).value_or(0.0));
    record->noiseDb[static_cast<std::size_t>(first + k)] = level;
    LogPrintA("noise[%d]=(%f),", first + k, static_cast<double>(level));
  }
  LogPrintA("\n");
  const ReplySlot slot =
      link.Config().noiseToMain ? ReplySlot::MainWindowHandle : ReplySlot::NoiseWindowHandle;
  PostRecord(link, INPUT_NOISE, std::move(record), slot);
}

void OnSpeakerConfig(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto config = p ? ByteAt(*p, 0) : std::nullopt;
  if (!config) return;
  LogPrintA("DSP_SPK_CH_CONFIG spk_cfg(0x%02x)\n", unsigned{*config});
  auto record = std::make_unique<SpeakerConfigRecord>();
  record->config = *config;
  PostRecord(link, DSP_SPK_CH_CONFIG, std::move(record));
}

void OnMixType(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < 3) return;
  auto record = std::make_unique<MixTypeRecord>();
  record->scene = (*p)[0];
  record->source = (*p)[1];
  record->mixType = (*p)[2];
  LogPrintA("MIX_TYPE OP=0x%x, scene =%d, source = 0x%x, mix_type(%d)\n", unsigned{OP_UPDATE},
            record->scene, static_cast<unsigned>(record->source), record->mixType);
  LogPrintA("mix_type(%d)\n", record->mixType);
  PostRecord(link, MIX_TYPE, std::move(record));
}

void OnMixType2(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto type = p ? ByteAt(*p, 0) : std::nullopt;
  if (!type) return;
  LogPrintA("MIX_TYPE2 OP=0x%x, mix_type(%d)\n", unsigned{OP_UPDATE}, *type);
  LogPrintA("mix_type2(%d)\n", *type);
  auto record = std::make_unique<MixTypeRecord>();
  record->scene = kLiveScene;
  record->source = kMixType2Source;
  record->mixType = *type;
  PostRecord(link, MIX_TYPE2, std::move(record));
}

/// High-pass (55) and low-pass (56) Q-factor modes: one byte per channel, one record.
void OnQFactor(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  const std::uint8_t id = frame.CommandId();
  LogPrintA("%s OP=0x%x, ch_x=%d, ch_y = %d\n",
            id == DSP_HPF_Q_FACT_MODE ? "DSP_HPF_Q_FACT_MODE" : "DSP_LPF_Q_FACT_MODE",
            unsigned{OP_UPDATE}, h->first, h->last);
  const int count =
      EntriesInSlots(h->first, CompleteEntries(*p, kChannelHeaderBytes, 1, h->first, h->last));
  if (count == 0) return;
  auto record = std::make_unique<QFactorRecord>();
  record->scene = (*p)[0];
  record->source = (*p)[1];
  record->first = (*p)[2];
  record->last = static_cast<std::uint8_t>(h->first + count - 1);
  for (int k = 0; k < count; ++k) {
    const std::uint8_t mode = (*p)[kChannelHeaderBytes + static_cast<std::size_t>(k)];
    record->modes[static_cast<std::size_t>(h->first + k)] = mode;
    LogPrintA("q_fact_mode[%d]=(%d),", h->first + k, mode);
  }
  LogPrintA("\n");
  PostRecord(link, id, std::move(record));
}

/// Fills the per-channel flags of a distortion record; returns how many were filled.
template <typename Record>
int FillDistort(Record& record, ByteView p) {
  record.source = p[0];
  record.first = p[1];
  const int count =
      EntriesInSlots(record.first, CompleteEntries(p, kDistortHeaderBytes, 1, record.first, p[2]));
  record.last = record.first + count - 1;
  for (int k = 0; k < count; ++k) {
    const int channel = record.first + k;
    const std::uint8_t value = p[kDistortHeaderBytes + static_cast<std::size_t>(k)];
    record.values[static_cast<std::size_t>(channel)] = value;
    LogPrintA("ch(%d), distort(%d)\n", channel, value);
  }
  return count;
}

/// Input (64) and output (65) distortion flags.
void OnDistort(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  if (!p || p->size() < kDistortHeaderBytes) return;
  const std::uint8_t id = frame.CommandId();
  LogPrintA("%s OP=0x%x, source = 0x%x, from ch(%d) to ch_end(%d)\n",
            id == DSP_INPUT_CH_DISTORT ? "DSP_INPUT_CH_DISTORT" : "DSP_OUTPUT_CH_DISTORT",
            unsigned{OP_UPDATE}, unsigned{(*p)[0]}, (*p)[1], (*p)[2]);
  if (id == DSP_INPUT_CH_DISTORT) {
    auto record = std::make_unique<InputDistortRecord>();
    if (FillDistort(*record, *p) > 0) PostRecord(link, id, std::move(record));
  } else {
    auto record = std::make_unique<OutputDistortRecord>();
    if (FillDistort(*record, *p) > 0) PostRecord(link, id, std::move(record));
  }
}

void OnSpeakerDistance(DeviceLink& link, const ReplyFrame& frame) {
  const auto p = DataReport(frame);
  const auto h = p ? ReadChannelHeader(*p) : std::nullopt;
  if (!h) return;
  LogPrintA("DSP_SPK_DIST OP=0x%x, ch_x=%d, ch_y = %d\n", unsigned{OP_UPDATE}, h->first, h->last);
  const int count = EntriesInSlots(
      h->first, CompleteEntries(*p, kChannelHeaderBytes, kU16Bytes, h->first, h->last));
  if (count == 0) return;
  auto record = std::make_unique<SpeakerDistanceRecord>();
  record->scene = (*p)[0];
  record->source = (*p)[1];
  record->first = (*p)[2];
  record->last = static_cast<std::uint8_t>(h->first + count - 1);
  for (int k = 0; k < count; ++k) {
    const std::uint16_t distance =
        DecodeU16BE(EntryBytes(*p, kChannelHeaderBytes, kU16Bytes, k)).value_or(0);
    record->distance[static_cast<std::size_t>(h->first + k)] = distance;
    LogPrintA("q_spk_dist[%d]=(%d/100),", h->first + k, distance);
  }
  LogPrintA("\n");
  PostRecord(link, DSP_SPK_DIST, std::move(record));
}

/// Remap (12), bypass (16) and the settings 60 and 61: the box answers, nothing reads it.
void LogOnly(DeviceLink&, const ReplyFrame& frame) { Open(frame); }

constexpr std::array kDspDecoders = {
    CommandDecoderEntry{DSP_PACKET, DSP_SOURCE_CONFIG, OnSourceConfig},
    CommandDecoderEntry{DSP_PACKET, DSP_SOURCE_SWITCH, OnSourceSwitch},
    CommandDecoderEntry{DSP_PACKET, DSP_VOLUME, OnMainVolume},
    CommandDecoderEntry{DSP_PACKET, DSP_SUBWOOFER_VOLUME, OnSubwooferVolume},
    CommandDecoderEntry{DSP_PACKET, DSP_MUTE, OnMute},
    CommandDecoderEntry{DSP_PACKET, DSP_FILTER_GET, OnFilter},
    CommandDecoderEntry{DSP_PACKET, DSP_EQ_CH, OnEq},
    CommandDecoderEntry{DSP_PACKET, DSP_DELAY_CH, OnDelay},
    CommandDecoderEntry{DSP_PACKET, DSP_TRIM_CH, OnTrim},
    CommandDecoderEntry{DSP_PACKET, DSP_MUTE_CH, OnChannelValues},
    CommandDecoderEntry{DSP_PACKET, DSP_PHASE_CH, OnChannelValues},
    CommandDecoderEntry{DSP_PACKET, DSP_MIX_CH, OnMix},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_REMAP, LogOnly},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_TYPE, OnChannelValues},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_LINK, OnLink},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_LOCK, OnLock},
    CommandDecoderEntry{DSP_PACKET, DSP_BYPASS, LogOnly},
    CommandDecoderEntry{DSP_PACKET, DSP_EQ_RESET, OnEqReset},
    CommandDecoderEntry{DSP_PACKET, DSP_EQ_BYPASS, OnChannelValues},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_TRIM_CH, OnInputChannels},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_CH_MUTE, OnInputChannels},
    CommandDecoderEntry{DSP_PACKET, INPUT_CH_PHASE, OnInputChannels},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_EQ_CH, OnInputEq},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_MIX_CH_TRIM, OnInputMixTrim},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_THRESHOLD, OnInputThreshold},
    CommandDecoderEntry{DSP_PACKET, INPUT_NOISE, OnInputNoise},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_TRIM_LINK, OnLink},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_DELAY_LINK, OnLink},
    CommandDecoderEntry{DSP_PACKET, DSP_REMOTE_CH, OnRemoteChannel},
    CommandDecoderEntry{DSP_PACKET, DSP_CH_SOLO, OnChannelValues},
    CommandDecoderEntry{DSP_PACKET, DSP_SPK_CH_CONFIG, OnSpeakerConfig},
    CommandDecoderEntry{DSP_PACKET, MIX_TYPE, OnMixType},
    CommandDecoderEntry{DSP_PACKET, DSP_HPF_Q_FACT_MODE, OnQFactor},
    CommandDecoderEntry{DSP_PACKET, DSP_LPF_Q_FACT_MODE, OnQFactor},
    CommandDecoderEntry{DSP_PACKET, DSP_FACTORY_PRESET, OnFactoryPreset},
    CommandDecoderEntry{DSP_PACKET, DSP_SETUP_MODE, OnSetupMode},
    CommandDecoderEntry{DSP_PACKET, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, OnAutoEffect},
    CommandDecoderEntry{DSP_PACKET, DSP_TWO_BYTE_SETTING, LogOnly},
    CommandDecoderEntry{DSP_PACKET, DSP_CS_AUTO, LogOnly},
    CommandDecoderEntry{DSP_PACKET, DSP_COMPRESSOR_GET, OnCompressor},
    CommandDecoderEntry{DSP_PACKET, DSP_AMP_MUTE, OnAmpMute},
    CommandDecoderEntry{DSP_PACKET, DSP_INPUT_CH_DISTORT, OnDistort},
    CommandDecoderEntry{DSP_PACKET, DSP_OUTPUT_CH_DISTORT, OnDistort},
    CommandDecoderEntry{DSP_PACKET, DSP_SPK_DIST, OnSpeakerDistance},
    CommandDecoderEntry{DSP_PACKET, DSP_MIX_SOURCE_SWITCH, OnMixSourceSwitch},
    CommandDecoderEntry{DSP_PACKET, MIX_TYPE2, OnMixType2},
};

}  // namespace

DecoderTable DspReplyDecoders() { return kDspDecoders; }

}  // namespace qb

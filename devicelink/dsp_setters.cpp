#include "devicelink/dsp_setters.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "devicelink/device_link.h"
#include "devicelink/frame_codec.h"
#include "devicelink/link_timing.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr std::size_t kRangeHeaderBytes = 4;  ///< scene, source, first, last
constexpr std::size_t kListHeaderBytes = 3;   ///< e.g. scene, source, count
constexpr std::size_t kEqBandBytes = kU16Bytes + kEqQBytes + kEqGainBytes;
constexpr std::size_t kLinkPairBytes = 2;

/// The part of a requested range that one command carries.
struct FittedRange {
  std::uint8_t last;  ///< rewritten when the range had to be cut
  std::size_t count;  ///< values carried; 0 when last < first
};

/// Fits first..last to the values the caller supplied (`available`) and to what one report
/// takes after `headerBytes`, `width` bytes per value. A cut range is logged. Returns
/// nothing when a non-empty range cannot carry a single value: such a command would tell
/// the box that values follow which do not, so it is not sent at all.
std::optional<FittedRange> FitRange(const char* name, std::uint8_t first, std::uint8_t last,
                                    std::size_t available, std::size_t headerBytes,
                                    std::size_t width) {
  if (last < first) return FittedRange{last, 0};
  const std::size_t requested = std::size_t{last} - first + 1u;
  const std::size_t count = std::min({requested, available, (kMaxPayload - headerBytes) / width});
  if (count == 0) {
    LogPrintA("%s: no value for channel(%d) to (%d), nothing sent\n", name, first, last);
    return std::nullopt;
  }
  if (count == requested) return FittedRange{last, count};
  const auto cut = static_cast<std::uint8_t>(first + count - 1u);
  LogPrintA("%s: channel(%d) to (%d) cut to (%d) to (%d)\n", name, first, last, first, cut);
  return FittedRange{cut, count};
}

/// Fits a counted list of `width`-byte entries to the entries supplied and to one report.
/// A cut count is logged.
std::size_t FitList(const char* name, std::size_t count, std::size_t available,
                    std::size_t headerBytes, std::size_t width) {
  const std::size_t fit = std::min({count, available, (kMaxPayload - headerBytes) / width});
  if (fit < count) LogPrintA("%s: count(%zu) cut to (%zu)\n", name, count, fit);
  return fit;
}

template <std::size_t N>
void Append(Payload& payload, const std::array<std::uint8_t, N>& bytes) {
  payload.insert(payload.end(), bytes.begin(), bytes.end());
}

void SubmitSet(DeviceLink& link, std::uint8_t id, Payload payload, bool immediate) {
  link.SubmitCommand(DSP_PACKET, id, OP_SET, std::move(payload), immediate, kWaitDefaultMs);
}

/// One command of the channel-range family: its id and log name and the caller's header.
struct RangeCommand {
  std::uint8_t id;
  const char* name;
  std::uint8_t scene;
  std::uint8_t source;
  std::uint8_t first;
  std::uint8_t last;
};

/// A channel-range payload with its header written, ready for the values.
struct RangePayload {
  Payload bytes;
  std::size_t count;
  std::uint8_t last;
};

std::optional<RangePayload> BeginRange(const RangeCommand& command, std::size_t available,
                                       std::size_t width) {
  const auto fitted =
      FitRange(command.name, command.first, command.last, available, kRangeHeaderBytes, width);
  if (!fitted) return std::nullopt;
  RangePayload range{
      {command.scene, command.source, command.first, fitted->last}, fitted->count, fitted->last};
  range.bytes.reserve(kRangeHeaderBytes + fitted->count * width);
  return range;
}

/// The byte-per-channel family: values go out unchanged; `logValue(k, value)` writes the
/// command's line for value k.
template <class LogValue>
void SubmitByteRange(DeviceLink& link, const RangeCommand& command,
                     std::span<const std::uint8_t> values, bool immediate, LogValue logValue) {
  auto range = BeginRange(command, values.size(), 1);
  if (!range) return;
  for (std::size_t k = 0; k < range->count; ++k) {
    range->bytes.push_back(values[k]);
    logValue(static_cast<int>(k), int{values[k]});
  }
  SubmitSet(link, command.id, std::move(range->bytes), immediate);
}

/// The link family: scene, linked, count, then `count` (from, to) pairs. `logHeader(count)`
/// writes the command's first line with the count actually sent.
template <class LogHeader>
void SubmitLinkPairs(DeviceLink& link, std::uint8_t id, const char* name, std::uint8_t scene,
                     std::uint8_t linked, std::size_t count, std::span<const std::uint8_t> pairs,
                     bool immediate, LogHeader logHeader) {
  const std::size_t fit =
      FitList(name, count, pairs.size() / kLinkPairBytes, kListHeaderBytes, kLinkPairBytes);
  logHeader(static_cast<int>(fit));
  Payload payload{scene, linked, static_cast<std::uint8_t>(fit)};
  payload.insert(payload.end(), pairs.begin(),
                 pairs.begin() + static_cast<std::ptrdiff_t>(fit * kLinkPairBytes));
  for (std::size_t k = 0; k < fit; ++k) {
    LogPrintA("from ch(%d) to ch(%d)\n", pairs[2 * k], pairs[2 * k + 1]);
  }
  SubmitSet(link, id, std::move(payload), immediate);
}

}  // namespace

// --- channel ranges, one byte per channel ------------------------------------------------

void Mute_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last, std::span<const std::uint8_t> mutes, bool immediate) {
  SubmitByteRange(link, {DSP_MUTE_CH, "Mute_Ch_Ctrl", scene, source, first, last}, mutes, immediate,
                  [&](int k, int value) {
                    LogPrintA("Mute_Ch_Ctrl: scene(%d), channel(%d), mute(%d)\n", scene, first + k,
                              value);
                  });
}

void Phase_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last, std::span<const std::uint8_t> phases, bool immediate) {
  SubmitByteRange(link, {DSP_PHASE_CH, "Phase_Ctrl", scene, source, first, last}, phases, immediate,
                  [&](int k, int value) {
                    LogPrintA("Phase_Ctrl: scene(%d), channel(%d), phase(%d)\n", scene, k, value);
                  });
}

void CH_Type_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                  std::uint8_t last, std::span<const std::uint8_t> types, bool immediate) {
  const RangeCommand command{DSP_CH_TYPE, "CH_Type_Ctrl", scene, source, first, last};
  auto range = BeginRange(command, types.size(), 1);
  if (!range) return;
  LogPrintA("CH_Type_Ctrl scene(%d), source(%d), ch_x(%d), ch_y(%d)\n", scene, source, first,
            range->last);
  for (std::size_t k = 0; k < range->count; ++k) {
    range->bytes.push_back(types[k]);
    LogPrintA("CH_Type_Ctrl channel(%d) -> t_ch_type(0x%x)\n", static_cast<int>(first + k),
              unsigned{types[k]});
  }
  SubmitSet(link, DSP_CH_TYPE, std::move(range->bytes), immediate);
}

void PEQ_Bypass_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> bypasses, bool immediate) {
  SubmitByteRange(link, {DSP_EQ_BYPASS, "PEQ_Bypass_Ctrl", scene, source, first, last}, bypasses,
                  immediate, [&](int k, int value) {
                    LogPrintA("PEQ_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene,
                              first + k, value);
                  });
}

void Input_Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> gains, bool immediate) {
  SubmitByteRange(link, {DSP_INPUT_TRIM_CH, "Input_Trim_Ctrl", scene, source, first, last}, gains,
                  immediate, [&](int k, int value) {
                    LogPrintA("Input_Trim_Ctrl: scene(%d), channel(%d), gain(%d)\n", scene,
                              first + k, value);
                  });
}

void Mute_Input_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                        std::uint8_t first, std::uint8_t last, std::span<const std::uint8_t> mutes,
                        bool immediate) {
  SubmitByteRange(link, {DSP_INPUT_CH_MUTE, "Mute_Input_Ch_Ctrl", scene, source, first, last},
                  mutes, immediate, [&](int k, int value) {
                    LogPrintA("Mute_Input_Ch_Ctrl: scene(%d),source (%d), channel(%d), mute(%d)\n",
                              scene, source, first + k, value);
                  });
}

void Input_Phase_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                      std::uint8_t last, std::span<const std::uint8_t> phases, bool immediate) {
  SubmitByteRange(link, {INPUT_CH_PHASE, "Input_Phase_Ctrl", scene, source, first, last}, phases,
                  immediate, [&](int k, int value) {
                    LogPrintA("Input_Phase_Ctrl: scene(%d), source(%d), channel(%d), phase(%d)\n",
                              scene, source, k, value);
                  });
}

void Solo_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last, std::span<const std::uint8_t> solos, bool immediate) {
  SubmitByteRange(link, {DSP_CH_SOLO, "Solo_Ctrl", scene, source, first, last}, solos, immediate,
                  [&](int k, int value) {
                    LogPrintA("Solo_Ctrl: scene(%d), channel(%d), solo(%d)\n", scene, k, value);
                  });
}

void HPF_Q_Fact_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> modes, bool immediate) {
  SubmitByteRange(link, {DSP_HPF_Q_FACT_MODE, "HPF_Q_Fact_Ctrl", scene, source, first, last}, modes,
                  immediate, [&](int k, int value) {
                    LogPrintA("HPF_Q_Fact_Ctrl: scene(%d), channel(%d), Q_fac_type(%d)\n", scene, k,
                              value);
                  });
}

void LPF_Q_Fact_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                     std::uint8_t last, std::span<const std::uint8_t> modes, bool immediate) {
  SubmitByteRange(link, {DSP_LPF_Q_FACT_MODE, "LPF_Q_Fact_Ctrl", scene, source, first, last}, modes,
                  immediate, [&](int k, int value) {
                    LogPrintA("LPF_Q_Fact_Ctrl: scene(%d), channel(%d), Q_fac_type(%d)\n", scene, k,
                              value);
                  });
}

// --- channel ranges with wider values -------------------------------------------------------

void Delay_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                std::uint8_t last, std::span<const float> delaysMs, bool immediate) {
  auto range = BeginRange({DSP_DELAY_CH, "Delay_Ctrl", scene, source, first, last}, delaysMs.size(),
                          kDelayBytes);
  if (!range) return;
  for (std::size_t k = 0; k < range->count; ++k) {
    Append(range->bytes, EncodeDelay(delaysMs[k]));
    LogPrintA("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene,
              static_cast<int>(first + k), static_cast<double>(delaysMs[k]));
  }
  SubmitSet(link, DSP_DELAY_CH, std::move(range->bytes), immediate);
}

void Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
               std::uint8_t last, std::span<const float> trimsDb, bool immediate) {
  const bool fineTrim = link.Config().fineTrim;
  auto range = BeginRange({DSP_TRIM_CH, "Trim_Ctrl", scene, source, first, last}, trimsDb.size(),
                          TrimBytes(fineTrim));
  if (!range) return;
  LogPrintA("destch_x = %d, dest_chy = %d\n", first, range->last);
  for (std::size_t k = 0; k < range->count; ++k) {
    if (fineTrim) {
      Append(range->bytes, EncodeTrimFine(trimsDb[k]));
    } else {
      range->bytes.push_back(EncodeTrimCoarse(trimsDb[k]));
    }
    LogPrintA("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n", scene, static_cast<int>(first + k),
              static_cast<double>(trimsDb[k]));
  }
  SubmitSet(link, DSP_TRIM_CH, std::move(range->bytes), immediate);
}

void Mix_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                 std::uint8_t last, std::span<const std::uint32_t> masks, bool immediate) {
  const bool wide = link.Config().inputCount >= kWideMaskInputCount;
  auto range = BeginRange({DSP_MIX_CH, "Mix_Ch_Ctrl", scene, source, first, last}, masks.size(),
                          wide ? kU16Bytes : 1u);
  if (!range) return;
  for (std::size_t k = 0; k < range->count; ++k) {
    if (wide) {
      Append(range->bytes, EncodeU16BE(masks[k] & 0xFFFFu));
    } else {
      range->bytes.push_back(static_cast<std::uint8_t>(masks[k] & 0xFFu));
    }
    LogPrintA("Mix_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), input_ch(0x%x)\n", scene,
              source, static_cast<int>(first + k), masks[k]);
  }
  SubmitSet(link, DSP_MIX_CH, std::move(range->bytes), immediate);
}

void Spk_Dist_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t first,
                   std::uint8_t last, std::span<const std::uint16_t> distances, bool immediate) {
  auto range = BeginRange({DSP_SPK_DIST, "Spk_Dist_Ctrl", scene, source, first, last},
                          distances.size(), kU16Bytes);
  if (!range) return;
  for (std::size_t k = 0; k < range->count; ++k) {
    Append(range->bytes, EncodeU16BE(distances[k]));
    LogPrintA("Spk_Dist_Ctrl: scene(%d), channel(%d), spk_dist(%d/100)\n", scene,
              static_cast<int>(k), int{distances[k]});
  }
  SubmitSet(link, DSP_SPK_DIST, std::move(range->bytes), immediate);
}

// --- single values ----------------------------------------------------------------------------

void Source_Switch_Ctrl(DeviceLink& link, std::uint8_t code, bool immediate) {
  LogPrintA("Source_Switch_Ctrl: source(0x%x)\n", unsigned{code});
  SubmitSet(link, DSP_SOURCE_SWITCH, {code}, immediate);
}

void Main_Volume_Ctrl(DeviceLink& link, float value, bool immediate) {
  LogPrintA("Main_Volume_Ctrl gain:(%.1f) -----------------\n", static_cast<double>(value));
  SubmitSet(link, DSP_VOLUME, {EncodeMainVolume(value)}, immediate);
}

void Subwoofer_Volume_Ctrl(DeviceLink& link, int value, bool immediate) {
  SubmitSet(link, DSP_SUBWOOFER_VOLUME, {EncodeSignedByte(value)}, immediate);
}

void Mute_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate) {
  SubmitSet(link, DSP_MUTE, {value}, immediate);
}

void Input_Ch_Threshold_Ctrl(DeviceLink& link, int threshold, bool immediate) {
  const std::uint8_t byte = EncodeSignedByte(threshold);
  LogPrintA("Input_Ch_Threshold_Ctrl:threshold(%d)\n", DecodeSignedByte(byte));
  SubmitSet(link, DSP_INPUT_THRESHOLD, {byte}, immediate);
}

void One_Byte_Setting_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate) {
  SubmitSet(link, DSP_ONE_BYTE_SETTING, {value}, immediate);
}

void Speaker_Config_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate) {
  SubmitSet(link, DSP_SPK_CH_CONFIG, {value}, immediate);
}

void Amp_Mute_Ctrl(DeviceLink& link, std::uint8_t value, bool immediate) {
  SubmitSet(link, DSP_AMP_MUTE, {value}, immediate);
}

void Mix_Source_Switch_Ctrl(DeviceLink& link, std::uint8_t source, bool immediate) {
  LogPrintA("Mix_Source_Switch_Ctrl: source(0x%x)\n", unsigned{source});
  SubmitSet(link, DSP_MIX_SOURCE_SWITCH, {source}, immediate);
}

void CH_Lock_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t lock, bool immediate) {
  SubmitSet(link, DSP_CH_LOCK, {scene, lock}, immediate);
}

void Auto_Effect_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t on, bool immediate) {
  SubmitSet(link, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, {scene, on}, immediate);
}

void Two_Byte_Setting_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t value,
                           bool immediate) {
  SubmitSet(link, DSP_TWO_BYTE_SETTING, {scene, value}, immediate);
}

void Sel_Remote_CH_Ctrl(DeviceLink& link, std::uint16_t value, bool immediate) {
  LogPrintA("Sel_Remote_CH_Ctrl sel_ch(%d) \n", int{value});
  const auto bytes = EncodeU16BE(value);
  SubmitSet(link, DSP_REMOTE_CH, Payload(bytes.begin(), bytes.end()), immediate);
}

void Mix_Type_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t type,
                   bool immediate) {
  LogPrintA("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  SubmitSet(link, MIX_TYPE, {scene, source, type}, immediate);
}

void Mix_Type2_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t type,
                    bool immediate) {
  // The box's log has always shown both mix types under one name.
  LogPrintA("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
  SubmitSet(link, MIX_TYPE2, {scene, source, type}, immediate);
}

void DSP_Bypass_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                     std::uint8_t channel, std::uint8_t bypass, bool immediate) {
  LogPrintA("DSP_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene, channel, bypass);
  SubmitSet(link, DSP_BYPASS, {scene, source, bypass}, immediate);
}

// --- always immediate ------------------------------------------------------------------------

void Factory_Preset_Ctrl(DeviceLink& link, std::uint8_t mode) {
  LogPrintA("Factory_Preset_Ctrl: mode(%d)\n", mode);
  link.SubmitCommand(DSP_PACKET, DSP_FACTORY_PRESET, OP_SET, {mode}, true, kWaitPresetMs);
}

void Setup_Mode_Ctrl(DeviceLink& link, std::uint8_t mode) {
  LogPrintA("Setup_Mode_Ctrl: mode(%d)\n", mode);
  link.SubmitCommand(DSP_PACKET, DSP_SETUP_MODE, OP_SET, {mode}, true, kWaitPresetMs);
}

// --- structured commands ------------------------------------------------------------------------

void Filter_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                 std::uint8_t selector, int freq, std::uint8_t slope, std::uint8_t type,
                 bool immediate) {
  LogPrintA(
      "Filter_Ctrl: scene(%d), source(%d), channel(%d), iFilter(%d), freq(%d), slope(%d), "
      "type(%d)\n",
      scene, source, ch, selector, freq, slope, type);
  const auto hz = EncodeFrequency(freq);
  SubmitSet(link, DSP_FILTER_GET, {scene, source, ch, selector, type, hz[0], hz[1], slope},
            immediate);
}

void EQ_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
             std::uint8_t band, int freq, float q, float gain, bool immediate) {
  LogPrintA(
      "EQ_Ctrl: gain(%.2f), freqValue(%d), qValue(%.2f), band(%d), channel(%d), "
      "scene(%d)\n",
      static_cast<double>(gain), freq, static_cast<double>(q), band, ch, scene);
  Payload payload{scene, source, ch, band};
  Append(payload, EncodeFrequency(freq));
  Append(payload, EncodeEqQ(q));
  Append(payload, EncodeEqGain(gain));
  SubmitSet(link, DSP_EQ_CH, std::move(payload), immediate);
}

void Input_EQ_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                   std::uint8_t firstBand, std::uint8_t lastBand, std::span<const int> freqs,
                   std::span<const float> qs, std::span<const float> gains, bool immediate) {
  const std::size_t available = std::min({freqs.size(), qs.size(), gains.size()});
  const auto fitted =
      FitRange("Input_EQ_Ctrl", firstBand, lastBand, available, kBandHeaderBytes, kEqBandBytes);
  if (!fitted) return;
  Payload payload{scene, source, ch, firstBand, fitted->last};
  payload.reserve(kBandHeaderBytes + fitted->count * kEqBandBytes);
  for (std::size_t k = 0; k < fitted->count; ++k) {
    Append(payload, EncodeFrequency(freqs[k]));
    Append(payload, EncodeEqQ(qs[k]));
    Append(payload, EncodeEqGain(gains[k]));
    LogPrintA(
        "Input_EQ_Ctrl: gain(%.2f), freqValue(%d), qValue(%.2f), band(%d), channel(%d), "
        "scene(%d)\n",
        static_cast<double>(gains[k]), freqs[k], static_cast<double>(qs[k]),
        static_cast<int>(firstBand + k), ch, scene);
  }
  SubmitSet(link, DSP_INPUT_EQ_CH, std::move(payload), immediate);
}

void Input_Mix_Trim_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                         std::uint8_t inCh, std::uint8_t firstOut, std::uint8_t lastOut,
                         std::span<const std::uint8_t> trims, bool immediate) {
  const auto fitted =
      FitRange("Input_Mix_Trim_Ctrl", firstOut, lastOut, trims.size(), kBandHeaderBytes, 1);
  if (!fitted) return;
  Payload payload{scene, source, inCh, firstOut, fitted->last};
  LogLine line;
  line.Append("Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_channel(%d),out_channel(%d to %d), ",
              scene, source, inCh, firstOut, fitted->last);
  for (std::size_t k = 0; k < fitted->count; ++k) {
    payload.push_back(trims[k]);
    line.Append("out_ch(%d)=trim(%d), ", static_cast<int>(firstOut + k), trims[k]);
  }
  line.Append("\n");
  line.Emit();  // before an immediate send logs its own lines
  SubmitSet(link, DSP_INPUT_MIX_CH_TRIM, std::move(payload), immediate);
}

void Input_Mix_Trim_Ctrl2(DeviceLink& link, std::uint8_t scene, std::uint8_t source,
                          std::uint8_t firstIn, std::uint8_t lastIn, std::uint8_t outCh,
                          std::span<const std::uint8_t> trims, bool immediate) {
  const auto fitted =
      FitRange("Input_Mix_Trim_Ctrl2", firstIn, lastIn, trims.size(), kBandHeaderBytes, 1);
  if (!fitted) return;
  Payload payload{scene, source, firstIn, fitted->last, outCh};
  LogLine line;
  line.Append("Input_Mix_Trim_Ctrl2: scene(%d), source(%d), in_channel(%d to %d),out_ch(%d), ",
              scene, source, firstIn, fitted->last, outCh);
  for (std::size_t k = 0; k < fitted->count; ++k) {
    payload.push_back(trims[k]);
    line.Append("in_ch(%d)=trim(%d), ", static_cast<int>(firstIn + k), trims[k]);
  }
  line.Append("\n");
  line.Emit();  // before an immediate send logs its own lines
  SubmitSet(link, DSP_INPUT_MIX_CH_TRIM2, std::move(payload), immediate);
}

void Remap_Ch_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t outCh,
                   std::span<const std::uint8_t> inputs, std::size_t count, bool immediate) {
  const std::size_t fit = FitList("Remap_Ch_Ctrl", count, inputs.size(), kListHeaderBytes, 1);
  Payload payload{scene, source, outCh};
  for (std::size_t k = 0; k < fit; ++k) {
    payload.push_back(inputs[k]);
    LogPrintA("Remap_Ch_Ctrl: scene(%d), output_channel(%d), input_ch(%d)\n", scene, outCh,
              inputs[k]);
  }
  SubmitSet(link, DSP_CH_REMAP, std::move(payload), immediate);
}

void PEQ_Reset_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::size_t count,
                    std::span<const std::uint8_t> channels, bool immediate) {
  const std::size_t fit = FitList("PEQ_Reset_Ctrl", count, channels.size(), kListHeaderBytes, 1);
  Payload payload{scene, source, static_cast<std::uint8_t>(fit)};
  LogLine line;
  line.Append("PEQ_Reset_Ctrl: scene(%d), ch_count(%d), ", scene, static_cast<int>(fit));
  for (std::size_t k = 0; k < fit; ++k) {
    payload.push_back(channels[k]);
    line.Append("ch(%d), ", channels[k]);
  }
  line.Append("\n");
  line.Emit();  // before an immediate send logs its own lines
  SubmitSet(link, DSP_EQ_RESET, std::move(payload), immediate);
}

void CH_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked, std::size_t count,
                  std::span<const std::uint8_t> pairs, bool immediate) {
  SubmitLinkPairs(
      link, DSP_CH_LINK, "CH_Link_Ctrl", scene, linked, count, pairs, immediate, [&](int sent) {
        LogPrintA("CH_Link_Ctrl scene(%d), link(%d), ch_count(%d)\n", scene, linked, sent);
      });
}

void CH_Trim_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked, std::size_t count,
                       std::span<const std::uint8_t> pairs, bool immediate) {
  SubmitLinkPairs(link, DSP_CH_TRIM_LINK, "CH_Trim_Link_Ctrl", scene, linked, count, pairs,
                  immediate, [&](int sent) {
                    LogPrintA("CH_Trim_Link_Ctrl scene(%d), link(%d), ch_count(%d)\n", scene,
                              linked, sent);
                  });
}

void CH_Delay_Link_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t linked,
                        std::size_t count, std::span<const std::uint8_t> pairs, bool immediate) {
  SubmitLinkPairs(link, DSP_CH_DELAY_LINK, "CH_Delay_Link_Ctrl", scene, linked, count, pairs,
                  immediate, [&](int sent) {
                    LogPrintA("CH_Delay_Link_Ctrl scene(%d), link(%d), ch_count(%d)\n", scene,
                              linked, sent);
                  });
}

void Compressor_Ctrl(DeviceLink& link, std::uint8_t scene, std::uint8_t source, std::uint8_t ch,
                     std::uint8_t bypass, float threshold, float ratio, int attack, int release,
                     float knee, bool immediate) {
  Payload payload{scene, source, ch, bypass};
  Append(payload, EncodeCompressorThreshold(threshold));
  Append(payload, EncodeCompressorRatio(ratio));
  Append(payload, EncodeCompressorKnee(knee));
  Append(payload, EncodeU16BE(attack));
  Append(payload, EncodeU16BE(release));
  SubmitSet(link, DSP_COMPRESSOR_GET, std::move(payload), immediate);
}

void CS_Auto_Ctrl(DeviceLink& link, std::span<const std::uint8_t, kCsAutoBlockBytes> block) {
  SubmitSet(link, DSP_CS_AUTO, Payload(block.begin(), block.end()), /*immediate=*/false);
}

}  // namespace qb

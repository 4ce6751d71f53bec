#include "simulator/dsp_set_handler.h"

#include <algorithm>

#include "devicelink/value_encoding.h"
#include "simulator/box_state_file.h"
#include "simulator/payload_tools.h"

namespace qb::sim {
namespace {

enum class Outcome { kApplied, kRefused, kMalformed };

/// The main volume command carries the attenuation 6 - dB.
constexpr int kMainVolumeOffsetDb = 6;
std::size_t MaskBytes(const BoxContext& box) {
  return WideMasks(box) ? kU16Bytes : 1;
}

/// Makes a blank scene slot writable before the first value goes into it: it starts from
/// factory settings, as a box formats a flash page before writing it. Called only once a
/// command has passed its checks, so a refused command leaves a blank slot blank. Pointers
/// from SettingsOf stay valid.
void PrepareSlot(BoxState& state, std::uint8_t scene) {
  SceneSlot* slot = state.Slot(scene);
  if (slot != nullptr && slot->erased) {
    slot->settings = FactorySettings();
    slot->erased = false;
  }
}

/// Runs `apply(settings, header, channel, fieldBytes)` for every channel first..last of a
/// channel-range command whose `width` bytes arrived and which the box has
/// (`channelCount`). Values beyond the payload end the loop; absent channels are skipped.
template <typename Apply>
Outcome ForEachChannel(BoxContext& box, ByteSpan p, std::size_t width, int channelCount,
                       Apply apply) {
  const auto header = ReadRangeHeader(p);
  if (!header) return Outcome::kMalformed;
  Settings* settings = box.State().SettingsOf(header->scene);
  if (settings == nullptr) return Outcome::kRefused;
  PrepareSlot(box.State(), header->scene);
  const int count = RangeCount(header->first, header->last);
  for (int k = 0; k < count; ++k) {
    const auto field = Field(p, kRangeHeaderBytes + static_cast<std::size_t>(k) * width, width);
    if (!field) break;
    const int channel = header->first + k;
    if (channel < channelCount) apply(*settings, *header, static_cast<std::size_t>(channel), *field);
  }
  return Outcome::kApplied;
}

/// One byte per output channel into the member `field` of OutputChannel.
Outcome SetOutputBytes(BoxContext& box, ByteSpan p, std::uint8_t OutputChannel::*field) {
  return ForEachChannel(box, p, 1, OutputCount(box),
                        [field](Settings& s, const RangeHeader&, std::size_t ch, ByteSpan v) {
                          s.outputs[ch].*field = v[0];
                        });
}

/// One byte per input channel of the header's source into the member `field`.
Outcome SetInputBytes(BoxContext& box, ByteSpan p, std::uint8_t InputChannel::*field) {
  const auto header = ReadRangeHeader(p);
  if (header && header->source >= kInputSourceCount) return Outcome::kRefused;
  return ForEachChannel(box, p, 1, InputCount(box),
                        [field](Settings& s, const RangeHeader& h, std::size_t ch, ByteSpan v) {
                          s.sources[h.source].inputs[ch].*field = v[0];
                        });
}

Outcome SetDelay(BoxContext& box, ByteSpan p) {
  return ForEachChannel(box, p, kDelayBytes, OutputCount(box),
                        [](Settings& s, const RangeHeader&, std::size_t ch, ByteSpan v) {
                          s.outputs[ch].delayMs = DecodeDelay(v).value_or(0.0);
                        });
}

/// The trim command carries the negated volume: a volume of -12 dB arrives as 12.
Outcome SetTrim(BoxContext& box, ByteSpan p) {
  const bool fine = box.Config().fineTrim;
  return ForEachChannel(box, p, TrimBytes(fine), OutputCount(box),
                        [fine](Settings& s, const RangeHeader&, std::size_t ch, ByteSpan v) {
                          const double sent =
                              fine ? DecodeTrimFineCommand(v).value_or(0.0) : DecodeTrimCoarse(v[0]);
                          s.outputs[ch].volumeDb = -sent;
                        });
}

Outcome SetMix(BoxContext& box, ByteSpan p) {
  const auto header = ReadRangeHeader(p);
  if (header && header->source >= kInputSourceCount) return Outcome::kRefused;
  const std::size_t width = MaskBytes(box);
  return ForEachChannel(box, p, width, OutputCount(box),
                        [width](Settings& s, const RangeHeader& h, std::size_t ch, ByteSpan v) {
                          s.sources[h.source].mixMask[ch] =
                              width == 1 ? v[0] : DecodeU16BE(v).value_or(0);
                        });
}

Outcome SetSpeakerDistance(BoxContext& box, ByteSpan p) {
  return ForEachChannel(box, p, kU16Bytes, OutputCount(box),
                        [](Settings& s, const RangeHeader&, std::size_t ch, ByteSpan v) {
                          s.outputs[ch].speakerDistance = DecodeU16BE(v).value_or(0);
                        });
}

/// Equaliser band fields as sent: frequency, Q in tenths, gain.
EqBand DecodeBand(ByteSpan six) {
  return EqBand{DecodeFrequency(six.subspan(0, 2)).value_or(0),
                DecodeEqQCommand(six.subspan(2, 2)).value_or(0.0),
                DecodeEqGain(six.subspan(4, 2)).value_or(0.0)};
}

Outcome SetFilter(BoxContext& box, ByteSpan p) {
  if (p.size() < 8) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  const std::uint8_t ch = p[2];
  const std::uint8_t selector = p[3];
  if (s == nullptr || ch >= OutputCount(box)) return Outcome::kRefused;
  if (selector != FILTER_SELECT_HIGH_PASS && selector != FILTER_SELECT_LOW_PASS) {
    return Outcome::kRefused;
  }
  PrepareSlot(box.State(), p[0]);
  Filter* filter = selector == FILTER_SELECT_HIGH_PASS ? &s->outputs[ch].highPass
                                                       : &s->outputs[ch].lowPass;
  *filter = Filter{p[4], DecodeFrequency(p.subspan(5, 2)).value_or(0), p[7]};
  return Outcome::kApplied;
}

Outcome SetEq(BoxContext& box, ByteSpan p) {
  if (p.size() < 10) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  const std::uint8_t ch = p[2];
  const std::uint8_t band = p[3];
  if (s == nullptr || ch >= OutputCount(box) || band >= kEqBands) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  s->outputs[ch].bands[band] = DecodeBand(p.subspan(4, 6));
  return Outcome::kApplied;
}

Outcome SetInputEq(BoxContext& box, ByteSpan p) {
  if (p.size() < 5) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  const std::uint8_t source = p[1];
  const std::uint8_t ch = p[2];
  if (s == nullptr || source >= kInputSourceCount || ch >= InputCount(box)) {
    return Outcome::kRefused;
  }
  PrepareSlot(box.State(), p[0]);
  auto& bands = s->sources[source].inputs[ch].eq;
  const int count = RangeCount(p[3], p[4]);
  for (int k = 0; k < count; ++k) {
    const auto six = Field(p, 5 + static_cast<std::size_t>(k) * 6, 6);
    if (!six) break;
    const int band = p[3] + k;
    if (band < static_cast<int>(kInputEqBands)) bands[static_cast<std::size_t>(band)] = DecodeBand(*six);
  }
  return Outcome::kApplied;
}

/// Input mix levels of one input over a range of outputs.
Outcome SetInputMixTrim(BoxContext& box, ByteSpan p) {
  if (p.size() < 5) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  const std::uint8_t source = p[1];
  const std::uint8_t in = p[2];
  if (s == nullptr || source >= kInputSourceCount || in >= InputCount(box)) {
    return Outcome::kRefused;
  }
  PrepareSlot(box.State(), p[0]);
  const int count = RangeCount(p[3], p[4]);
  for (int k = 0; k < count && 5 + static_cast<std::size_t>(k) < p.size(); ++k) {
    const int out = p[3] + k;
    if (out < OutputCount(box)) {
      s->sources[source].mixTrim[in][static_cast<std::size_t>(out)] = p[5 + static_cast<std::size_t>(k)];
    }
  }
  return Outcome::kApplied;
}

/// Input mix levels of a range of inputs on one output.
Outcome SetInputMixTrimByOutput(BoxContext& box, ByteSpan p) {
  if (p.size() < 5) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  const std::uint8_t source = p[1];
  const std::uint8_t out = p[4];
  if (s == nullptr || source >= kInputSourceCount || out >= OutputCount(box)) {
    return Outcome::kRefused;
  }
  PrepareSlot(box.State(), p[0]);
  const int count = RangeCount(p[2], p[3]);
  for (int k = 0; k < count && 5 + static_cast<std::size_t>(k) < p.size(); ++k) {
    const int in = p[2] + k;
    if (in < InputCount(box)) {
      s->sources[source].mixTrim[static_cast<std::size_t>(in)][out] = p[5 + static_cast<std::size_t>(k)];
    }
  }
  return Outcome::kApplied;
}

Outcome SetLink(BoxContext& box, ByteSpan p, ChannelLink Settings::*which) {
  if (p.size() < 3) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  ChannelLink link;
  link.on = p[1];
  const std::size_t maxPairs = static_cast<std::size_t>(OutputCount(box)) / 2;
  for (std::size_t k = 0; k < p[2] && link.pairs.size() < maxPairs; ++k) {
    const auto pair = Field(p, 3 + 2 * k, 2);
    if (!pair) break;
    link.pairs.push_back(LinkPair{(*pair)[0], (*pair)[1]});
  }
  s->*which = std::move(link);
  return Outcome::kApplied;
}

Outcome SetRemap(BoxContext& box, ByteSpan p) {
  if (p.size() < 3) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[2] >= OutputCount(box)) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  s->outputs[p[2]].remap.assign(p.begin() + 3, p.end());
  return Outcome::kApplied;
}

Outcome ResetEq(BoxContext& box, ByteSpan p) {
  if (p.size() < 3) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  for (std::size_t k = 0; k < p[2] && 3 + k < p.size(); ++k) {
    const std::uint8_t ch = p[3 + k];
    if (ch >= OutputCount(box)) continue;
    auto& bands = s->outputs[ch].bands;
    for (std::size_t b = 0; b < bands.size(); ++b) bands[b] = FlatBand(b);
  }
  return Outcome::kApplied;
}

/// The compressor threshold as sent: A + B / 10 - 100 dB, tenths kept.
double CompressorThresholdFromCommand(ByteSpan two) { return two[0] + two[1] / 10.0 - 100.0; }

Outcome SetCompressor(BoxContext& box, ByteSpan p) {
  if (p.size() < 14) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[2] >= OutputCount(box)) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  Compressor& c = s->outputs[p[2]].compressor;
  c.bypass = p[3];
  c.thresholdDb = CompressorThresholdFromCommand(p.subspan(4, 2));
  c.ratio = DecodeCompressorRatio(p.subspan(6, 2)).value_or(0.0);
  c.kneeDb = DecodeCompressorKnee(p.subspan(8, 2)).value_or(0.0);
  c.attack = DecodeU16BE(p.subspan(10, 2)).value_or(0);
  c.release = DecodeU16BE(p.subspan(12, 2)).value_or(0);
  return Outcome::kApplied;
}

/// A command whose payload is scene then one value.
Outcome SetSceneByte(BoxContext& box, ByteSpan p, std::uint8_t Settings::*field) {
  if (p.size() < 2) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  s->*field = p[1];
  return Outcome::kApplied;
}

/// A command whose payload is scene, source, then one value of that source.
Outcome SetSourceByte(BoxContext& box, ByteSpan p, std::uint8_t SourceSettings::*field) {
  if (p.size() < 3) return Outcome::kMalformed;
  Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[1] >= kInputSourceCount) return Outcome::kRefused;
  PrepareSlot(box.State(), p[0]);
  s->sources[p[1]].*field = p[2];
  return Outcome::kApplied;
}

/// A command with one value byte for the live settings.
Outcome SetLiveByte(BoxContext& box, ByteSpan p, std::uint8_t Settings::*field) {
  if (p.empty()) return Outcome::kMalformed;
  box.State().live.*field = p[0];
  return Outcome::kApplied;
}

Outcome SetSource(BoxContext& box, ByteSpan p) {
  if (p.empty()) return Outcome::kMalformed;
  const auto source = InputSourceFromSwitchCode(p[0]);
  if (!source) return Outcome::kRefused;
  box.State().live.source = *source;
  return Outcome::kApplied;
}

Outcome SetMemory(BoxContext& box, ByteSpan p) {
  const auto address = DecodeU32LE(p);
  const auto data = p.size() >= 8 ? DecodeU32LE(p.subspan(4)) : std::nullopt;
  if (!address || !data) return Outcome::kMalformed;
  auto& memory = box.State().memory;
  // The box keeps no more words than its state file holds: a box that took every write
  // could otherwise no longer be saved, and each later run would lose its changes.
  if (memory.size() >= kMaxStoredMemoryWords && !memory.contains(*address)) return Outcome::kRefused;
  memory[*address] = *data;
  return Outcome::kApplied;
}

Outcome Dispatch(const BoxCommand& command, BoxContext& box, bool& known) {
  const ByteSpan p = command.payload;
  Settings& live = box.State().live;
  known = true;
  switch (command.commandId) {
    case DSP_SOURCE_SWITCH: return SetSource(box, p);
    case DSP_VOLUME:
      if (p.empty()) return Outcome::kMalformed;
      live.mainVolumeDb = kMainVolumeOffsetDb - DecodeSignedByte(p[0]);
      return Outcome::kApplied;
    case DSP_SUBWOOFER_VOLUME:
      if (p.empty()) return Outcome::kMalformed;
      live.subwooferVolume = static_cast<std::int8_t>(DecodeSignedByte(p[0]));
      return Outcome::kApplied;
    case DSP_MUTE: return SetLiveByte(box, p, &Settings::mainMute);
    case DSP_FILTER_GET: return SetFilter(box, p);
    case DSP_EQ_CH: return SetEq(box, p);
    case DSP_DELAY_CH: return SetDelay(box, p);
    case DSP_TRIM_CH: return SetTrim(box, p);
    case DSP_MUTE_CH: return SetOutputBytes(box, p, &OutputChannel::mute);
    case DSP_PHASE_CH: return SetOutputBytes(box, p, &OutputChannel::phase);
    case DSP_MIX_CH: return SetMix(box, p);
    case DSP_CH_REMAP: return SetRemap(box, p);
    case DSP_CH_TYPE: return SetOutputBytes(box, p, &OutputChannel::role);
    case DSP_CH_LINK: return SetLink(box, p, &Settings::link);
    case DSP_CH_LOCK: return SetSceneByte(box, p, &Settings::lock);
    case DSP_BYPASS: return SetSourceByte(box, p, &SourceSettings::bypass);
    case DSP_EQ_RESET: return ResetEq(box, p);
    case DSP_EQ_BYPASS: return SetOutputBytes(box, p, &OutputChannel::eqBypass);
    case DSP_INPUT_TRIM_CH: return SetInputBytes(box, p, &InputChannel::trim);
    case DSP_INPUT_CH_MUTE: return SetInputBytes(box, p, &InputChannel::mute);
    case INPUT_CH_PHASE: return SetInputBytes(box, p, &InputChannel::phase);
    case DSP_INPUT_EQ_CH: return SetInputEq(box, p);
    case DSP_INPUT_MIX_CH_TRIM: return SetInputMixTrim(box, p);
    case DSP_INPUT_MIX_CH_TRIM2: return SetInputMixTrimByOutput(box, p);
    case DSP_INPUT_THRESHOLD:
      if (p.empty()) return Outcome::kMalformed;
      live.inputThreshold = static_cast<std::int8_t>(DecodeSignedByte(p[0]));
      return Outcome::kApplied;
    case DSP_CH_TRIM_LINK: return SetLink(box, p, &Settings::trimLink);
    case DSP_CH_DELAY_LINK: return SetLink(box, p, &Settings::delayLink);
    case DSP_REMOTE_CH:
      if (p.size() < kU16Bytes) return Outcome::kMalformed;
      live.remoteChannel = DecodeU16BE(p).value_or(0);
      return Outcome::kApplied;
    case DSP_ONE_BYTE_SETTING: return SetLiveByte(box, p, &Settings::oneByteSetting);
    case DSP_CH_SOLO: return SetOutputBytes(box, p, &OutputChannel::solo);
    case DSP_SPK_CH_CONFIG: return SetLiveByte(box, p, &Settings::speakerConfig);
    case MIX_TYPE: return SetSourceByte(box, p, &SourceSettings::mixType);
    case MIX_TYPE2: return SetSourceByte(box, p, &SourceSettings::mixType2);
    case DSP_HPF_Q_FACT_MODE: return SetOutputBytes(box, p, &OutputChannel::hpfQMode);
    case DSP_LPF_Q_FACT_MODE: return SetOutputBytes(box, p, &OutputChannel::lpfQMode);
    case DSP_FACTORY_PRESET: return SetLiveByte(box, p, &Settings::factoryPreset);
    case DSP_SETUP_MODE: return SetLiveByte(box, p, &Settings::setupMode);
    case DSP_AUTO_EFFECTION_ON_OFF_CONTROL: return SetSceneByte(box, p, &Settings::autoEffect);
    case DSP_TWO_BYTE_SETTING: return SetSceneByte(box, p, &Settings::twoByteSetting);
    case DSP_CS_AUTO: {
      if (p.empty()) return Outcome::kMalformed;
      const std::size_t n = std::min(p.size(), kCsAutoBytes);
      std::copy_n(p.begin(), n, live.surroundBlock.begin());
      return Outcome::kApplied;
    }
    case DSP_COMPRESSOR_GET: return SetCompressor(box, p);
    case DSP_AMP_MUTE: return SetLiveByte(box, p, &Settings::ampMute);
    case DSP_MEM_DATA: return SetMemory(box, p);
    case DSP_SPK_DIST: return SetSpeakerDistance(box, p);
    case DSP_MIX_SOURCE_SWITCH: return SetLiveByte(box, p, &Settings::mixSource);
    default:
      known = false;
      return Outcome::kMalformed;
  }
}

}  // namespace

std::optional<std::uint8_t> SetterScene(const BoxCommand& command) {
  if (command.packetType != DSP_PACKET || command.opType != OP_SET || command.payload.empty()) return std::nullopt;
  switch (command.commandId) {
    case DSP_FILTER_GET:
    case DSP_EQ_CH:
    case DSP_DELAY_CH:
    case DSP_TRIM_CH:
    case DSP_MUTE_CH:
    case DSP_PHASE_CH:
    case DSP_MIX_CH:
    case DSP_CH_REMAP:
    case DSP_CH_TYPE:
    case DSP_CH_LINK:
    case DSP_CH_LOCK:
    case DSP_BYPASS:
    case DSP_EQ_RESET:
    case DSP_EQ_BYPASS:
    case DSP_INPUT_TRIM_CH:
    case DSP_INPUT_CH_MUTE:
    case INPUT_CH_PHASE:
    case DSP_INPUT_EQ_CH:
    case DSP_INPUT_MIX_CH_TRIM:
    case DSP_INPUT_MIX_CH_TRIM2:
    case DSP_CH_TRIM_LINK:
    case DSP_CH_DELAY_LINK:
    case DSP_CH_SOLO:
    case MIX_TYPE:
    case MIX_TYPE2:
    case DSP_HPF_Q_FACT_MODE:
    case DSP_LPF_Q_FACT_MODE:
    case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
    case DSP_TWO_BYTE_SETTING:
    case DSP_COMPRESSOR_GET:
    case DSP_SPK_DIST: return command.payload[0];
    default: return std::nullopt;
  }
}

bool HandleDspSet(const BoxCommand& command, BoxContext& box) {
  if (command.packetType != DSP_PACKET || command.opType != OP_SET) return false;
  bool known = false;
  const Outcome outcome = Dispatch(command, box, known);
  if (!known) return false;
  if (outcome == Outcome::kApplied) box.Ack(DSP_PACKET, command.commandId, ACK_READY);
  if (outcome == Outcome::kRefused) box.Ack(DSP_PACKET, command.commandId, ACK_NOT_READY);
  return true;
}

}  // namespace qb::sim

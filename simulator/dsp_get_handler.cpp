#include "simulator/dsp_get_handler.h"

#include <algorithm>

#include "devicelink/value_encoding.h"
#include "simulator/payload_tools.h"

namespace qb::sim {
namespace {

/// Bytes of one band in equaliser replies: frequency, Q, gain.
constexpr std::size_t kBandBytes = 6;
constexpr std::size_t kFilterBytes = 8;

/// The source codes the box offers: optical, coaxial, Bluetooth, high level, digital.
constexpr std::uint8_t kOfferedSources[] = {SourceSwitchCode(SOURCE_OPT),
                                            SourceSwitchCode(SOURCE_COAX),
                                            SourceSwitchCode(SOURCE_BT),
                                            SourceSwitchCode(SOURCE_HI),
                                            SourceSwitchCode(SOURCE_DMP)};


void PutMask(PayloadWriter& w, std::uint16_t mask, bool wide) {
  if (wide) {
    w.Put(EncodeU16BE(mask));
  } else {
    w.Put(static_cast<std::uint8_t>(mask & 0xFF));
  }
}

/// Sends a settings reply; value bytes of a blank slot read 0xFF.
void SendSettingsReply(BoxContext& box, std::uint8_t id, PayloadWriter& w, std::uint8_t scene,
                       std::size_t headerBytes) {
  if (box.State().IsErased(scene)) w.FillFrom(headerBytes, kErasedByte);
  box.Update(DSP_PACKET, id, w.Data());
}

void SendValue(BoxContext& box, std::uint8_t id, std::uint8_t value) {
  const std::uint8_t payload[] = {value};
  box.Update(DSP_PACKET, id, payload);
}

/// Answers a channel-range query: the header with the reported last channel, then
/// `write(writer, settings, header, channel)` for each channel, `width` bytes each.
template <typename Write>
void ChannelReply(BoxContext& box, std::uint8_t id, ByteSpan p, std::size_t width,
                  int channelCount, Write write) {
  const auto h = ReadRangeHeader(p);
  if (!h) return;
  const Settings* s = box.State().SettingsOf(h->scene);
  if (s == nullptr) return;
  const int last =
      ClipLast(h->first, h->last, channelCount, kMaxReplyPayload - kRangeHeaderBytes, width);
  PayloadWriter w;
  w.Put(h->scene).Put(h->source).Put(h->first).Put(static_cast<std::uint8_t>(last));
  for (int ch = h->first; ch <= last; ++ch) write(w, *s, *h, static_cast<std::size_t>(ch));
  SendSettingsReply(box, id, w, h->scene, kRangeHeaderBytes);
}

void OutputBytesReply(BoxContext& box, std::uint8_t id, ByteSpan p,
                      std::uint8_t OutputChannel::*field) {
  ChannelReply(box, id, p, 1, ReportedOutputCount(box),
               [field](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                 w.Put(s.outputs[ch].*field);
               });
}

void InputBytesReply(BoxContext& box, std::uint8_t id, ByteSpan p,
                     std::uint8_t InputChannel::*field) {
  if (p.size() > 1 && p[1] >= kInputSourceCount) return;
  ChannelReply(box, id, p, 1, ReportedInputCount(box),
               [field](PayloadWriter& w, const Settings& s, const RangeHeader& h, std::size_t ch) {
                 w.Put(s.sources[h.source].inputs[ch].*field);
               });
}

void PutBand(PayloadWriter& w, const EqBand& band) {
  w.Put(EncodeFrequency(band.freqHz)).Put(EncodeEqQReply(band.q)).Put(EncodeEqGain(band.gainDb));
}

/// Answers an equaliser query (scene, source, channel, first band, last band) from the
/// band list `bandsOf` picks.
template <typename BandsOf>
void BandReply(BoxContext& box, std::uint8_t id, ByteSpan p, int channelCount, BandsOf bandsOf) {
  if (p.size() < kBandHeaderBytes) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[1] >= kInputSourceCount || p[2] >= channelCount) return;
  const auto& bands = bandsOf(*s, p[1], p[2]);
  const int count = static_cast<int>(bands.size());
  const int last = ClipLast(p[3], p[4], count, kMaxReplyPayload - kBandHeaderBytes, kBandBytes);
  PayloadWriter w;
  w.Put(p[0]).Put(p[1]).Put(p[2]).Put(p[3]).Put(static_cast<std::uint8_t>(last));
  for (int b = p[3]; b <= last; ++b) PutBand(w, bands[static_cast<std::size_t>(b)]);
  SendSettingsReply(box, id, w, p[0], kBandHeaderBytes);
}

void FilterReply(BoxContext& box, ByteSpan p) {
  ChannelReply(box, DSP_FILTER_GET, p, kFilterBytes, ReportedOutputCount(box),
               [](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                 const OutputChannel& out = s.outputs[ch];
                 w.Put(out.highPass.family).Put(EncodeFrequency(out.highPass.freqHz));
                 w.Put(out.highPass.slope);
                 w.Put(out.lowPass.family).Put(EncodeFrequency(out.lowPass.freqHz));
                 w.Put(out.lowPass.slope);
               });
}

/// Trims answer the volume itself: a signed byte without fine trim, the attenuation
/// magnitude with hundredths with it.
void TrimReply(BoxContext& box, ByteSpan p) {
  const bool fine = box.Config().fineTrim;
  ChannelReply(box, DSP_TRIM_CH, p, TrimBytes(fine), ReportedOutputCount(box),
               [fine](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                 const double volume = s.outputs[ch].volumeDb;
                 if (fine) {
                   w.Put(EncodeTrimFineReply(volume));
                 } else {
                   w.Put(EncodeTrimCoarse(volume));
                 }
               });
}

void MixReply(BoxContext& box, ByteSpan p) {
  if (p.size() > 1 && p[1] >= kInputSourceCount) return;
  const bool wide = WideMasks(box);
  ChannelReply(box, DSP_MIX_CH, p, wide ? kU16Bytes : 1, ReportedOutputCount(box),
               [wide](PayloadWriter& w, const Settings& s, const RangeHeader& h, std::size_t ch) {
                 PutMask(w, s.sources[h.source].mixMask[ch], wide);
               });
}

/// The inputs remapped onto each output, as a mask like the routing.
void RemapReply(BoxContext& box, ByteSpan p) {
  const bool wide = WideMasks(box);
  ChannelReply(box, DSP_CH_REMAP, p, wide ? kU16Bytes : 1, ReportedOutputCount(box),
               [wide](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                 std::uint16_t mask = 0;
                 for (std::uint8_t in : s.outputs[ch].remap) {
                   if (in < 16) mask = static_cast<std::uint16_t>(mask | (1u << in));
                 }
                 PutMask(w, mask, wide);
               });
}

/// Link replies: scene, on, then output count / 2 bytes, one per pair (from in the high
/// nibble, to in the low one), 0 for no pair.
void LinkReply(BoxContext& box, std::uint8_t id, ByteSpan p, ChannelLink Settings::*which) {
  if (p.empty()) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr) return;
  const ChannelLink& link = s->*which;
  PayloadWriter w;
  w.Put(p[0]).Put(link.on);
  const std::size_t slots = static_cast<std::size_t>(ReportedOutputCount(box)) / 2;
  for (std::size_t k = 0; k < slots; ++k) {
    if (k < link.pairs.size()) {
      w.Put(static_cast<std::uint8_t>((link.pairs[k].from << 4) | (link.pairs[k].to & 0x0F)));
    } else {
      w.Put(0);
    }
  }
  SendSettingsReply(box, id, w, p[0], 1);
}

/// Scene-addressed single values: scene then the value.
void SceneValueReply(BoxContext& box, std::uint8_t id, ByteSpan p, std::uint8_t Settings::*field) {
  if (p.empty()) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr) return;
  PayloadWriter w;
  w.Put(p[0]).Put(s->*field);
  SendSettingsReply(box, id, w, p[0], 1);
}

void InputMixTrimReply(BoxContext& box, ByteSpan p) {
  if (p.size() < kBandHeaderBytes) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[1] >= kInputSourceCount || p[2] >= ReportedInputCount(box)) return;
  const int last = ClipLast(p[3], p[4], ReportedOutputCount(box), kMaxReplyPayload - kBandHeaderBytes, 1);
  PayloadWriter w;
  w.Put(p[0]).Put(p[1]).Put(p[2]).Put(p[3]).Put(static_cast<std::uint8_t>(last));
  for (int out = p[3]; out <= last; ++out) {
    w.Put(s->sources[p[1]].mixTrim[p[2]][static_cast<std::size_t>(out)]);
  }
  SendSettingsReply(box, DSP_INPUT_MIX_CH_TRIM, w, p[0], kBandHeaderBytes);
}

void ThresholdReply(BoxContext& box, ByteSpan p) {
  const std::uint8_t scene = p.empty() ? kLiveScene : p[0];
  const Settings* s = box.State().SettingsOf(scene);
  if (s == nullptr) return;
  PayloadWriter w;
  w.Put(EncodeSignedByte(s->inputThreshold));
  SendSettingsReply(box, DSP_INPUT_THRESHOLD, w, scene, 0);
}

void NoiseReply(BoxContext& box, ByteSpan p) {
  if (p.size() < 2) return;
  const int last = ClipLast(p[0], p[1], ReportedInputCount(box), kMaxReplyPayload - 2, kNoiseLevelBytes);
  PayloadWriter w;
  w.Put(p[0]).Put(static_cast<std::uint8_t>(last));
  for (int ch = p[0]; ch <= last; ++ch) {
    w.Put(EncodeNoiseLevel(box.State().inputNoiseDb[static_cast<std::size_t>(ch)]));
  }
  box.Update(DSP_PACKET, INPUT_NOISE, w.Data());
}

void MixTypeReply(BoxContext& box, std::uint8_t id, ByteSpan p) {
  if (p.size() < 2) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[1] >= kInputSourceCount) return;
  PayloadWriter w;
  if (id == MIX_TYPE) {
    w.Put(p[0]).Put(p[1]).Put(s->sources[p[1]].mixType);
    SendSettingsReply(box, id, w, p[0], 2);
  } else {
    w.Put(s->sources[p[1]].mixType2);
    SendSettingsReply(box, id, w, p[0], 0);
  }
}

/// One set of compressor values for the range: those of its first channel.
void CompressorReply(BoxContext& box, ByteSpan p) {
  const auto h = ReadRangeHeader(p);
  if (!h) return;
  const Settings* s = box.State().SettingsOf(h->scene);
  if (s == nullptr) return;
  const int last = std::min<int>(h->last, ReportedOutputCount(box) - 1);
  const Compressor& c = s->outputs[std::min<std::size_t>(h->first, kMaxOutputs - 1)].compressor;
  PayloadWriter w;
  w.Put(h->scene).Put(h->source).Put(h->first).Put(static_cast<std::uint8_t>(last));
  w.Put(c.bypass).Put(EncodeCompressorThreshold(c.thresholdDb));
  w.Put(EncodeCompressorRatio(c.ratio)).Put(EncodeCompressorKnee(c.kneeDb));
  w.Put(EncodeU16BE(c.attack)).Put(EncodeU16BE(c.release));
  SendSettingsReply(box, DSP_COMPRESSOR_GET, w, h->scene, kRangeHeaderBytes);
}

/// Distortion replies carry no scene: source, first, last, one byte per channel.
void DistortReply(BoxContext& box, std::uint8_t id, ByteSpan p) {
  const auto h = ReadRangeHeader(p);
  if (!h || h->source >= kInputSourceCount) return;
  const Settings& live = box.State().live;
  const bool inputs = id == DSP_INPUT_CH_DISTORT;
  const int count = inputs ? ReportedInputCount(box) : ReportedOutputCount(box);
  const int last = ClipLast(h->first, h->last, count, kMaxReplyPayload - 3, 1);
  PayloadWriter w;
  w.Put(h->source).Put(h->first).Put(static_cast<std::uint8_t>(last));
  for (int ch = h->first; ch <= last; ++ch) {
    const auto c = static_cast<std::size_t>(ch);
    w.Put(inputs ? live.sources[h->source].inputs[c].distort : live.outputs[c].distort);
  }
  box.Update(DSP_PACKET, id, w.Data());
}

void SpeakerDistanceReply(BoxContext& box, ByteSpan p) {
  ChannelReply(box, DSP_SPK_DIST, p, kU16Bytes, ReportedOutputCount(box),
               [](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                 w.Put(EncodeU16BE(s.outputs[ch].speakerDistance));
               });
}

void MemoryReply(BoxContext& box, ByteSpan p) {
  const auto address = DecodeU32LE(p);
  if (!address) return;
  const auto& memory = box.State().memory;
  const auto it = memory.find(*address);
  PayloadWriter w;
  w.Put(EncodeU32LE(*address)).Put(EncodeU32LE(it == memory.end() ? 0 : it->second));
  box.Update(DSP_PACKET, DSP_MEM_DATA, w.Data());
}

void BypassReply(BoxContext& box, ByteSpan p) {
  if (p.size() < 2) return;
  const Settings* s = box.State().SettingsOf(p[0]);
  if (s == nullptr || p[1] >= kInputSourceCount) return;
  PayloadWriter w;
  w.Put(p[0]).Put(p[1]).Put(s->sources[p[1]].bypass);
  SendSettingsReply(box, DSP_BYPASS, w, p[0], 2);
}

bool Dispatch(const BoxCommand& command, BoxContext& box) {
  const ByteSpan p = command.payload;
  const Settings& live = box.State().live;
  const std::uint8_t id = command.commandId;
  switch (id) {
    case DSP_SOURCE_CONFIG: {
      PayloadWriter w;
      w.Put(static_cast<std::uint8_t>(std::size(kOfferedSources))).Put(kOfferedSources);
      box.Update(DSP_PACKET, id, w.Data());
      return true;
    }
    case DSP_SOURCE_SWITCH:
      SendValue(box, id, SourceSwitchCode(static_cast<InputSource>(live.source)));
      return true;
    case DSP_VOLUME: SendValue(box, id, EncodeSignedByte(live.mainVolumeDb)); return true;
    case DSP_SUBWOOFER_VOLUME: SendValue(box, id, EncodeSignedByte(live.subwooferVolume)); return true;
    case DSP_MUTE: SendValue(box, id, live.mainMute); return true;
    case DSP_FILTER_GET: FilterReply(box, p); return true;
    case DSP_EQ_CH:
      BandReply(box, id, p, ReportedOutputCount(box),
                [](const Settings& s, std::uint8_t, std::uint8_t ch) -> const auto& {
                  return s.outputs[ch].bands;
                });
      return true;
    case DSP_DELAY_CH:
      ChannelReply(box, id, p, kDelayBytes, ReportedOutputCount(box),
                   [](PayloadWriter& w, const Settings& s, const RangeHeader&, std::size_t ch) {
                     w.Put(EncodeDelay(s.outputs[ch].delayMs));
                   });
      return true;
    case DSP_TRIM_CH: TrimReply(box, p); return true;
    case DSP_MUTE_CH: OutputBytesReply(box, id, p, &OutputChannel::mute); return true;
    case DSP_PHASE_CH: OutputBytesReply(box, id, p, &OutputChannel::phase); return true;
    case DSP_MIX_CH: MixReply(box, p); return true;
    case DSP_CH_REMAP: RemapReply(box, p); return true;
    case DSP_CH_TYPE: OutputBytesReply(box, id, p, &OutputChannel::role); return true;
    case DSP_CH_LINK: LinkReply(box, id, p, &Settings::link); return true;
    case DSP_CH_LOCK: SceneValueReply(box, id, p, &Settings::lock); return true;
    case DSP_BYPASS: BypassReply(box, p); return true;
    case DSP_EQ_RESET:
      if (!p.empty()) SendValue(box, id, p[0]);
      return true;
    case DSP_EQ_BYPASS: OutputBytesReply(box, id, p, &OutputChannel::eqBypass); return true;
    case DSP_INPUT_TRIM_CH: InputBytesReply(box, id, p, &InputChannel::trim); return true;
    case DSP_INPUT_CH_MUTE: InputBytesReply(box, id, p, &InputChannel::mute); return true;
    case INPUT_CH_PHASE: InputBytesReply(box, id, p, &InputChannel::phase); return true;
    case DSP_INPUT_EQ_CH:
      BandReply(box, id, p, ReportedInputCount(box),
                [](const Settings& s, std::uint8_t source, std::uint8_t ch) -> const auto& {
                  return s.sources[source].inputs[ch].eq;
                });
      return true;
    case DSP_INPUT_MIX_CH_TRIM: InputMixTrimReply(box, p); return true;
    case DSP_INPUT_THRESHOLD: ThresholdReply(box, p); return true;
    case INPUT_NOISE: NoiseReply(box, p); return true;
    case DSP_CH_TRIM_LINK: LinkReply(box, id, p, &Settings::trimLink); return true;
    case DSP_CH_DELAY_LINK: LinkReply(box, id, p, &Settings::delayLink); return true;
    case DSP_REMOTE_CH: box.Update(DSP_PACKET, id, EncodeU16BE(live.remoteChannel)); return true;
    case DSP_CH_SOLO: OutputBytesReply(box, id, p, &OutputChannel::solo); return true;
    case DSP_SPK_CH_CONFIG: SendValue(box, id, live.speakerConfig); return true;
    case MIX_TYPE:
    case MIX_TYPE2: MixTypeReply(box, id, p); return true;
    case DSP_HPF_Q_FACT_MODE: OutputBytesReply(box, id, p, &OutputChannel::hpfQMode); return true;
    case DSP_LPF_Q_FACT_MODE: OutputBytesReply(box, id, p, &OutputChannel::lpfQMode); return true;
    case DSP_FACTORY_PRESET: SendValue(box, id, live.factoryPreset); return true;
    case DSP_SETUP_MODE: SendValue(box, id, live.setupMode); return true;
    case DSP_AUTO_EFFECTION_ON_OFF_CONTROL: SendValue(box, id, live.autoEffect); return true;
    case DSP_COMPRESSOR_GET: CompressorReply(box, p); return true;
    case DSP_AMP_MUTE: SendValue(box, id, live.ampMute); return true;
    case DSP_INPUT_CH_DISTORT:
    case DSP_OUTPUT_CH_DISTORT: DistortReply(box, id, p); return true;
    case DSP_MEM_DATA: MemoryReply(box, p); return true;
    case DSP_SPK_DIST: SpeakerDistanceReply(box, p); return true;
    case DSP_MIX_SOURCE_SWITCH: SendValue(box, id, live.mixSource); return true;
    default: return false;
  }
}

}  // namespace

bool HandleDspGet(const BoxCommand& command, BoxContext& box) {
  if (command.packetType != DSP_PACKET || command.opType != OP_GET) return false;
  return Dispatch(command, box);
}

}  // namespace qb::sim

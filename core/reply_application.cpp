#include "core/reply_application.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

#include "core/code_page.h"
#include "core/live_commands.h"
#include "core/output_editor.h"
#include "core/role_pairing.h"
#include "core/routing_editor.h"
#include "core/scene_access.h"
#include "devicelink/dsp_records.h"
#include "devicelink/mcu_records.h"
#include "shell/log.h"

namespace qb {
namespace {

/// Switch codes of the sources; any other source reply stands for "source_low".
constexpr int kFirstSourceCode = 81;
constexpr int kLastSourceCode = 89;
constexpr int kFallbackSource = SOURCE_LOW;

/// mainVolume = 10^((dB + 60) / 41.25): the box's dB scale onto the 0..40 slider steps.
constexpr double kMainVolumeOffsetDb = 60.0;

int SourceFromSwitchCode(std::intptr_t code) {
  if (code < kFirstSourceCode || code > kLastSourceCode) return kFallbackSource;
  return static_cast<int>(code) - kFirstSourceCode;
}

int MainVolumeSteps(std::intptr_t db) {
  return static_cast<int>(std::pow(10.0, (static_cast<double>(db) + kMainVolumeOffsetDb) / kMainVolumeDbPerDecade));
}

/// The profile and output a per-output record addresses; nothing for a scene beyond 10 or
/// an output beyond 7.
struct OutputTarget {
  Profile& profile;
  OutputChannel& channel;
  int output;
  bool live;
};

std::optional<OutputTarget> TargetOf(EqualizerMirror& mirror, int scene, int output) {
  Profile* profile = mirror.ProfileForScene(scene);
  if (!profile || !IsOutput(output)) return std::nullopt;
  return OutputTarget{*profile, profile->channels[At(output)], output, scene == kLiveScene};
}

/// Announces `aspect` of a live output; stored scenes have no view yet.
void Announce(const EditContext& ctx, const OutputTarget& t, std::uint32_t aspect) {
  if (t.live) ctx.Publish(Change{}.Add(aspect, t.output));
}

// --- DSP replies, one function per code --------------------------------------------------------

void ApplyFilter(const EditContext& ctx, const FilterRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  Crossover& crossover = t->channel.crossover;
  crossover.hp.SetFs(r.hpFrequency);
  crossover.hp.SetSlope(r.hpSlope);
  crossover.hp.SetType(r.hpType);
  crossover.lp.SetFs(r.lpFrequency);
  crossover.lp.SetSlope(r.lpSlope);
  crossover.lp.SetType(r.lpType);
  Announce(ctx, *t, kAspectCrossover);
}

void ApplyEqBand(const EditContext& ctx, const EqBandRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  // The live output's band count decides for the stored scenes too: they are read into the
  // same layout.
  if (!t || r.band < 0 || r.band >= ctx.mirror.EqSize(r.channel)) return;
  EqBand& band = t->channel.bands[At(r.band)];
  band.freq = r.frequency;
  band.eqFactor = r.q;
  band.eqGain = r.gainDb;
  if (!t->live) return;
  // The box applies every band it reports, so the live band is active again.
  band.enable = 1;
  Announce(ctx, *t, kAspectBands);
}

void ApplyDelay(const EditContext& ctx, const ChannelFloatRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  t->channel.delay = r.value;
  if (!t->live) return;
  LogPrintA("update UI ch_delay->ch = %d, Delay %.3f\n", t->output, static_cast<double>(r.value));
  Announce(ctx, *t, kAspectDelay);
}

void ApplyTrim(const EditContext& ctx, const ChannelFloatRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  t->channel.gain = r.value;
  if (!t->live) return;
  LogPrintA("set channel %d volume to %.1fdB\n", t->output, static_cast<double>(r.value));
  Announce(ctx, *t, kAspectVolume);
}

void ApplyMute(const EditContext& ctx, const ChannelValueRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  t->channel.mute = r.value;
  Announce(ctx, *t, kAspectMute);
}

void ApplyPhase(const EditContext& ctx, const ChannelValueRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  t->channel.phase = r.value;
  if (!t->live) return;
  LogPrintA("channel %d phase seleted %d\n", t->output, r.value);
  Announce(ctx, *t, kAspectPhase);
}

void ApplyMix(const EditContext& ctx, const MixRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t || !IsSource(r.source)) return;
  t->profile.inputs[At(r.source)][At(t->output)] = r.mask;
  if (!t->live) return;
  if (r.source == t->profile.inputSource)
    LogPrintA("set mix source = %d, ch = %d, mix_in = 0x%x\n", r.source, t->output, static_cast<unsigned>(r.mask));
  Announce(ctx, *t, kAspectRouting);
}

void ApplyRole(const EditContext& ctx, const ChannelValueRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  // A code outside the catalogue has no text, picture or crossover; keeping it would leave
  // every later lookup by role out of range.
  if (!t || r.value < 0 || r.value >= kRoleCount) return;
  t->profile.outputs[At(t->output)] = r.value;
  if (!t->live) return;
  LogPrintA("DSP_CH_TYPE ch(%d), type(%d)\n", t->output, r.value);
  Announce(ctx, *t, kAspectRoles);
}

void ApplyEqBypass(const EditContext& ctx, const ChannelValueRecord& r) {
  const auto t = TargetOf(ctx.mirror, r.scene, r.channel);
  if (!t) return;
  t->channel.bypass = static_cast<std::uint8_t>(r.value);
  Announce(ctx, *t, kAspectBypass | kAspectBands);
}

void ApplyMixTrim(const EditContext& ctx, const InputMixTrimRecord& r) {
  Profile* profile = ctx.mirror.ProfileForScene(r.scene);
  if (!profile || !IsSource(r.source) || r.inputChannel < 0 || r.inputChannel >= static_cast<int>(kMixInputSlots))
    return;
  LogPrintA("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n", r.source, r.inputChannel,
            r.firstOutput, r.lastOutput);
  const auto& routing = profile->inputs[At(r.source)];
  auto& levels = profile->inputMixVolume[At(r.source)][At(r.inputChannel)];
  for (int output = r.firstOutput; output <= r.lastOutput; ++output) {
    const int position = output - r.firstOutput;
    if (position >= static_cast<int>(kRecordChannelSlots)) break;
    if (!IsOutput(output)) continue;
    int level = r.trims[At(position)];
    // A routed input the box reports at level 0 is shown at full level.
    const bool routed = ((routing[At(output)] >> r.inputChannel) & 1) != 0;
    if (level < 1 && routed) level = kFullMixLevel;
    levels[At(output)] = level;
  }
  if (r.scene == kLiveScene) ctx.Publish(Change{}.Add(kAspectMixLevels, -2));
}

void LogNoise(const NoiseRecord& r) {
  const int last = std::min(r.last, static_cast<int>(kRecordChannelSlots) - 1);
  for (int input = std::max(r.first, 0); input <= last; ++input)
    LogPrintA("in_ch(%d): noise = %fdB\n", input, static_cast<double>(r.noiseDb[At(input)]));
}

void LogQFactorModes(std::uintptr_t code, const QFactorRecord& r) {
  const char* format = code == DSP_HPF_Q_FACT_MODE ? "ch(%d): hpf_q_fact->mode = %d\n"
                                                   : "ch(%d): lpf_q_fact->mode = %d\n";
  const int last = std::min(static_cast<int>(r.last), static_cast<int>(kRecordChannelSlots) - 1);
  for (int output = r.first; output <= last; ++output) LogPrintA(format, output, r.modes[At(output)]);
}

void ApplyCompressor(const EditContext& ctx, const CompressorRecord& r) {
  Profile* profile = ctx.mirror.ProfileForScene(r.scene);
  if (!profile || !IsOutput(r.channel)) return;
  CompressorSettings& c = profile->compressor[At(r.channel)];
  c.bypass = r.bypass;
  c.threshold = static_cast<float>(r.thresholdDb);
  c.ratio = r.ratio;
  c.attack = r.attack;
  c.release = r.release;
  c.softKnee = r.softKnee;
  ctx.Publish(Change{}.Add(kAspectBoxValues));
}

/// Applies `apply` to the message's record when it is of the expected type.
template <typename Record, typename Apply>
void WithRecord(const ReplyMessage& message, Apply&& apply) {
  if (const Record* record = message.RecordAs<Record>()) apply(*record);
}

}  // namespace

void ReplyApplication::ReadDspValueCallback(const ReplyMessage& message) {
  const std::uintptr_t code = message.wParam;
  const std::intptr_t value = message.lParam;
  LogPrintA("ReadDspValueCallback 0x%02x\n", static_cast<unsigned>(code));
  const ChangeHub::Batch batch(m_ctx.changes);
  const EditContext& ctx = m_ctx;
  Profile& live = m_ctx.Live();
  switch (code) {
    // The source handler runs as for a user's choice: connected, it switches the box and
    // reads the volume back.
    case DSP_SOURCE_SWITCH: m_routing.SetSource(SourceFromSwitchCode(value)); break;
    case DSP_VOLUME:
      live.mainVolume = MainVolumeSteps(value);
      m_ctx.session.StopMainVolumePoll();
      LogPrintA("DSP_VOLUME %d --------------------\n", live.mainVolume);
      m_ctx.Publish(Change{}.Add(kAspectMainVolume));
      break;
    case DSP_MUTE:
      live.mainVolumeMute = static_cast<int>(value);
      m_ctx.Publish(Change{}.Add(kAspectMainMute));
      break;
    case DSP_FILTER_GET: WithRecord<FilterRecord>(message, [&](const auto& r) { ApplyFilter(ctx, r); }); break;
    case DSP_EQ_CH: WithRecord<EqBandRecord>(message, [&](const auto& r) { ApplyEqBand(ctx, r); }); break;
    case DSP_DELAY_CH: WithRecord<ChannelFloatRecord>(message, [&](const auto& r) { ApplyDelay(ctx, r); }); break;
    case DSP_TRIM_CH: WithRecord<ChannelFloatRecord>(message, [&](const auto& r) { ApplyTrim(ctx, r); }); break;
    case DSP_MUTE_CH: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyMute(ctx, r); }); break;
    case DSP_PHASE_CH: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyPhase(ctx, r); }); break;
    case DSP_MIX_CH: WithRecord<MixRecord>(message, [&](const auto& r) { ApplyMix(ctx, r); }); break;
    case DSP_CH_TYPE: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyRole(ctx, r); }); break;
    case DSP_CH_LINK:
      WithRecord<LinkRecord>(message, [&](const LinkRecord& r) {
        Profile* profile = m_ctx.mirror.ProfileForScene(r.scene);
        if (!profile) return;
        if (r.scene == kLiveScene) ApplyLinkFlag(r.link);
        else profile->linkMode = r.link == 1 ? 1 : 0;
      });
      break;
    case DSP_CH_LOCK:
      WithRecord<LockRecord>(message, [&](const LockRecord& r) {
        Profile* profile = m_ctx.mirror.ProfileForScene(r.scene);
        if (!profile) return;
        if (r.scene == kLiveScene) ApplyLockFlag(r.lock);
        else profile->lockMode = r.lock == 1 ? 1 : 0;
      });
      break;
    case DSP_EQ_BYPASS: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyEqBypass(ctx, r); }); break;
    case DSP_INPUT_MIX_CH_TRIM:
      WithRecord<InputMixTrimRecord>(message, [&](const auto& r) { ApplyMixTrim(ctx, r); });
      break;
    case DSP_INPUT_THRESHOLD:
      live.noiseThreshold = static_cast<int>(value);
      m_ctx.Publish(Change{}.Add(kAspectBoxValues));
      break;
    case INPUT_NOISE: WithRecord<NoiseRecord>(message, [](const auto& r) { LogNoise(r); }); break;
    case DSP_HPF_Q_FACT_MODE:
    case DSP_LPF_Q_FACT_MODE:
      WithRecord<QFactorRecord>(message, [&](const auto& r) { LogQFactorModes(code, r); });
      break;
    case DSP_FACTORY_PRESET: LogPrintA("factory preset mode = %d\n", static_cast<int>(value)); break;
    case DSP_SETUP_MODE: LogPrintA("setup_mode mode = %d\n", static_cast<int>(value)); break;
    case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
      live.autoEffect = static_cast<int>(value);
      m_ctx.Publish(Change{}.Add(kAspectBoxValues));
      break;
    case DSP_COMPRESSOR_GET:
      WithRecord<CompressorRecord>(message, [&](const auto& r) { ApplyCompressor(ctx, r); });
      break;
    case DSP_AMP_MUTE:
      live.ampOn = value == 0 ? 1 : 0;
      m_ctx.Publish(Change{}.Add(kAspectAmp));
      break;
    default: break;  // input settings, trim and delay links, speaker config: not mirrored
  }
}

void ReplyApplication::ApplyLinkFlag(int flag) {
  Profile& live = m_ctx.Live();
  if (flag == 1) {
    // Linked outputs share their settings, so they are locked too and their roles (which
    // decide the pairs) may not change.
    live.linkMode = 1;
    live.lockMode = 1;
    live.linkOutputs = qb::PairOutputs(live.outputs);
  } else {
    live.linkMode = 0;
    live.linkOutputs.fill(-1);
  }
  m_ctx.Publish(Change{}.Add(kAspectLinkLock));
  m_outputs.SelectOutput(live.currChannel);
}

void ReplyApplication::ApplyLockFlag(int flag) {
  Profile& live = m_ctx.Live();
  const bool locked = flag == 1;
  live.lockMode = locked ? 1 : 0;
  m_ctx.Publish(Change{}.Add(kAspectLinkLock));
  if (locked) return;
  // Unlocked outputs cannot stay linked; the box is told so it does not keep copying.
  if (live.linkMode == 1) {
    live.linkMode = 0;
    live.linkOutputs.fill(-1);
    SendLink(m_ctx.Link(), 0, {});
  }
  m_outputs.SelectOutput(live.currChannel);
}

void ReplyApplication::ReadMcuValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadMcuValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  Profile& live = m_ctx.Live();
  switch (message.wParam) {
    case MCU_HANDSHAKE:
      WithRecord<HandshakeRecord>(message, [&](const HandshakeRecord& r) {
        live.model = r.model;
        live.mainVersion = r.masterVersion;
        live.slaveVersion = r.slaveVersion;
        const bool normal = m_ctx.Link().ApplicationMode();
        LogPrintA("UI MCU_HANDSHAKE model=%d, mainVersion=%d, slaveVersion=%d, mcu_is_normal_mode=%d\n", r.model,
                  r.masterVersion, r.slaveVersion, normal ? 1 : 0);
        m_ctx.Publish(Change{}.Add(kAspectDevice));
        if (r.model != kBoxModel && normal) m_ctx.session.Tell(SessionNotice::DeviceNotMatch, r.model);
      });
      break;
    case MCU_GET_DSPFLASH_VER:
      WithRecord<FlashVersionRecord>(message, [&](const FlashVersionRecord& r) {
        for (std::size_t i = 0; i < live.mcuStatus.size(); ++i) live.mcuStatus[i] = r.version[i];
        m_ctx.Publish(Change{}.Add(kAspectBoxValues));
      });
      break;
    case MCU_POWER_OFF_DELAY:
      live.powerOffDelay = static_cast<int>(message.lParam);
      m_ctx.Publish(Change{}.Add(kAspectBoxValues));
      break;
    default: break;
  }
}

void ReplyApplication::ReadSceneValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadSceneValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  switch (message.wParam) {
    case FLASH_SCENE_NAME:
      if (const auto reply = ReadSceneNameReply(message); reply && reply->index >= 0 && reply->index < kSceneCount) {
        m_ctx.mirror.sceneNames[At(reply->index)] = DecodeSceneName(reply->name, m_ctx.mirror.session.codePage);
        m_ctx.Publish(Change{}.Add(kAspectSceneNames));
      }
      break;
    case FLASH_SCENE_VALID:
      if (const auto mask = ReadSceneValidReply(message)) {
        m_ctx.mirror.sceneValid = *mask;
        LogPrintA("FLASH_SCENE_VALID 0x%02x\n", *mask);
        m_ctx.Publish(Change{}.Add(kAspectSceneNames));
      }
      break;
    default: break;
  }
}

void ReplyApplication::ReadKtvValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadDspValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  if (message.wParam < KTV_MIC_VOL || message.wParam > KTV_TREBLE_GAIN) return;
  const int slot = KtvSlot(static_cast<int>(message.wParam));
  if (slot < 0) return;
  m_ctx.Live().ktv[At(slot)] = static_cast<int>(message.lParam);
  m_ctx.Publish(Change{}.Add(kAspectBoxValues));
}

}  // namespace qb

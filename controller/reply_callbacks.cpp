// Applying the box's replies: every decoded reply reaches the controller here, on the UI
// thread, and is written into the mirror; replies about the live settings also refresh the
// main view. Records are owned by their message, so nothing is released by hand, and a
// record of a kind a code does not expect is simply not applied.
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

#include "controller/code_page.h"
#include "controller/controller_host.h"
#include "controller/equalizer_manager.h"
#include "controller/role_pairing.h"
#include "controller/scene_access.h"
#include "devicelink/dsp_records.h"
#include "devicelink/dsp_setters.h"
#include "devicelink/mcu_records.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/slider.h"

namespace qb {
namespace {

/// Switch codes of the sources; any other source reply stands for "source_low".
constexpr int kFirstSourceCode = 81;
constexpr int kLastSourceCode = 89;
constexpr int kFallbackSource = SOURCE_LOW;

/// mainVolume = 10^((dB + 60) / 41.25): the box's dB scale onto the 0..40 slider steps.
constexpr double kMainVolumeOffsetDb = 60.0;
constexpr double kMainVolumeDbPerDecade = 41.25;

/// A mix level the box reports as 0 for a routed input is shown at full level.
constexpr int kFullMixLevel = 100;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }
bool IsSource(int source) { return source >= 0 && source < static_cast<int>(kInputSourceCount); }

int SourceFromSwitchCode(std::intptr_t code) {
  if (code < kFirstSourceCode || code > kLastSourceCode) return kFallbackSource;
  return static_cast<int>(code) - kFirstSourceCode;
}

int MainVolumeSteps(std::intptr_t db) {
  return static_cast<int>(
      std::pow(10.0, (static_cast<double>(db) + kMainVolumeOffsetDb) / kMainVolumeDbPerDecade));
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

void SetChecked(ui::CheckBox* box, bool checked) {
  if (box) box->SetChecked(checked, false);
}

void SetSelected(ui::Option* option, bool selected) {
  if (option) option->SetSelected(selected, false);
}

void SetSlider(ui::Slider* slider, int value) {
  if (slider) slider->SetValue(value);
}

void SetText(QWidget* control, const QString& text) {
  if (control) ui::SetControlText(control, text);
}

void SetEnabled(QWidget* control, bool enabled) {
  if (control) control->setEnabled(enabled);
}

QString MainVolumeText(const ui::Slider& slider) {
  if (slider.value() <= slider.minimum()) return QStringLiteral("${off}");
  return QString::number(slider.value());
}

QString PhaseText(int phase) {
  return phase != 0 ? QStringLiteral("${reverse phase}") : QStringLiteral("${positive_phase}");
}

// --- DSP replies, one function per code --------------------------------------------------------

void ApplySource(EqualizerManager& manager, std::intptr_t code) {
  const int source = SourceFromSwitchCode(code);
  manager.CurrentProfile().inputSource = source;
  // With notification: the source handler sends the source back and starts the volume poll.
  if (ui::Combo* list = manager.View().source) list->SelectItem(source, true);
}

void ApplyMainMute(EqualizerManager& manager, std::intptr_t value) {
  manager.CurrentProfile().mainVolumeMute = static_cast<int>(value);
  SetChecked(manager.View().mainMute, value != 0);
}

void ApplyFilter(EqualizerManager& manager, const FilterRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  Crossover& crossover = t->channel.crossover;
  crossover.hp.SetFs(r.hpFrequency);
  crossover.hp.SetSlope(r.hpSlope);
  crossover.hp.SetType(r.hpType);
  crossover.lp.SetFs(r.lpFrequency);
  crossover.lp.SetSlope(r.lpSlope);
  crossover.lp.SetType(r.lpType);
  if (t->live && t->output == t->profile.currChannel) manager.SetFreqDivider(t->output);
}

void ApplyEqBand(EqualizerManager& manager, const EqBandRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  // The live output's band count decides for the stored scenes too: they are read into the
  // same layout.
  if (!t || r.band < 0 || r.band >= manager.Mirror().EqSize(r.channel)) return;
  EqBand& band = t->channel.bands[At(r.band)];
  band.freq = r.frequency;
  band.eqFactor = r.q;
  band.eqGain = r.gainDb;
  if (!t->live) return;
  // The box applies every band it reports, so the live band is active again.
  band.enable = 1;
  if (t->output == t->profile.currChannel) manager.UpdateEqBandView(t->output);
}

void ApplyDelay(EqualizerManager& manager, const ChannelFloatRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  t->channel.delay = r.value;
  if (!t->live) return;
  const OutputStripView& strip = manager.View().outputs[At(t->output)];
  SetText(strip.delayEdit, manager.DelayText(r.value, false));
  LogPrintA("update UI ch_delay->ch = %d, Delay %.3f\n", t->output, static_cast<double>(r.value));
  SetSlider(strip.delay, static_cast<int>(r.value * 1000.0f));
}

void ApplyTrim(EqualizerManager& manager, const ChannelFloatRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  t->channel.gain = r.value;
  if (!t->live) return;
  const OutputStripView& strip = manager.View().outputs[At(t->output)];
  SetSlider(strip.volume, static_cast<int>(r.value * 10.0f));
  LogPrintA("set channel %d volume to %.1fdB\n", t->output, static_cast<double>(r.value));
  SetText(strip.volumeEdit, manager.OutputVolumeText(t->output));
}

void ApplyMute(EqualizerManager& manager, const ChannelValueRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  t->channel.mute = r.value;
  if (t->live) SetChecked(manager.View().outputs[At(t->output)].mute, r.value != 0);
}

void ApplyPhase(EqualizerManager& manager, const ChannelValueRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  t->channel.phase = r.value;
  if (!t->live) return;
  ui::CheckBox* box = manager.View().outputs[At(t->output)].phase;
  SetChecked(box, r.value != 0);
  LogPrintA("channel %d phase seleted %d\n", t->output, r.value);
  SetText(box, PhaseText(r.value));
}

void ApplyMix(EqualizerManager& manager, const MixRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t || !IsSource(r.source)) return;
  t->profile.inputs[At(r.source)][At(t->output)] = r.mask;
  if (!t->live || r.source != t->profile.inputSource) return;
  LogPrintA("set mix source = %d, ch = %d, mix_in = 0x%x\n", r.source, t->output,
            static_cast<unsigned>(r.mask));
  const auto& boxes = manager.View().outputs[At(t->output)].inputs;
  for (std::size_t k = 0; k < boxes.size(); ++k) SetChecked(boxes[k], ((r.mask >> k) & 1) != 0);
}

void ApplyRole(EqualizerManager& manager, const ChannelValueRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  // A code outside the catalogue has no text, picture or crossover; keeping it would leave
  // every later lookup by role out of range.
  if (!t || r.value < 0 || r.value >= kRoleCount) return;
  t->profile.outputs[At(t->output)] = r.value;
  if (!t->live) return;
  LogPrintA("DSP_CH_TYPE ch(%d), type(%d)\n", t->output, r.value);
  manager.ShowRoleTexts();
}

void ApplyEqBypass(EqualizerManager& manager, const ChannelValueRecord& r) {
  const auto t = TargetOf(manager.Mirror(), r.scene, r.channel);
  if (!t) return;
  t->channel.bypass = static_cast<std::uint8_t>(r.value);
  if (t->live && t->output == t->profile.currChannel) manager.SetBypassButtonText(r.value == 0 ? 1 : 0);
}

void ApplyMixTrim(EqualizerManager& manager, const InputMixTrimRecord& r) {
  Profile* profile = manager.Mirror().ProfileForScene(r.scene);
  if (!profile || !IsSource(r.source) || r.inputChannel < 0 ||
      r.inputChannel >= static_cast<int>(kMixInputSlots))
    return;
  LogPrintA("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n", r.source,
            r.inputChannel, r.firstOutput, r.lastOutput);
  const auto& routing = profile->inputs[At(r.source)];
  auto& levels = profile->inputMixVolume[At(r.source)][At(r.inputChannel)];
  for (int output = r.firstOutput; output <= r.lastOutput; ++output) {
    const int position = output - r.firstOutput;
    if (position >= static_cast<int>(kRecordChannelSlots)) break;
    if (!IsOutput(output)) continue;
    int level = r.trims[At(position)];
    const bool routed = ((routing[At(output)] >> r.inputChannel) & 1) != 0;
    if (level < 1 && routed) level = kFullMixLevel;
    levels[At(output)] = level;
  }
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

void ApplyCompressor(EqualizerManager& manager, const CompressorRecord& r) {
  Profile* profile = manager.Mirror().ProfileForScene(r.scene);
  if (!profile || !IsOutput(r.channel)) return;
  CompressorSettings& c = profile->compressor[At(r.channel)];
  c.bypass = r.bypass;
  c.threshold = static_cast<float>(r.thresholdDb);
  c.ratio = r.ratio;
  c.attack = r.attack;
  c.release = r.release;
  c.softKnee = r.softKnee;
}

/// Applies `apply` to the message's record when it is of the expected type.
template <typename Record, typename Apply>
void WithRecord(const ReplyMessage& message, Apply&& apply) {
  if (const Record* record = message.RecordAs<Record>()) apply(*record);
}

}  // namespace

void EqualizerManager::ReadDspValueCallback(const ReplyMessage& message) {
  const std::uintptr_t code = message.wParam;
  const std::intptr_t value = message.lParam;
  LogPrintA("ReadDspValueCallback 0x%02x\n", static_cast<unsigned>(code));
  Profile& live = m_mirror.currentProfile;
  switch (code) {
    case DSP_SOURCE_SWITCH: ApplySource(*this, value); break;
    case DSP_VOLUME: {
      live.mainVolume = MainVolumeSteps(value);
      if (m_host) m_host->StopMainVolumeTimer();
      LogPrintA("DSP_VOLUME %d --------------------\n", live.mainVolume);
      SetSlider(m_view.mainVolume, live.mainVolume);
      LogPrintA("DSP_VOLUME UI:%d --------------------\n",
                m_view.mainVolume ? m_view.mainVolume->value() : live.mainVolume);
      if (m_view.mainVolume) SetText(m_view.mainVolumeEdit, MainVolumeText(*m_view.mainVolume));
      break;
    }
    case DSP_MUTE: ApplyMainMute(*this, value); break;
    case DSP_FILTER_GET: WithRecord<FilterRecord>(message, [&](const auto& r) { ApplyFilter(*this, r); }); break;
    case DSP_EQ_CH: WithRecord<EqBandRecord>(message, [&](const auto& r) { ApplyEqBand(*this, r); }); break;
    case DSP_DELAY_CH: WithRecord<ChannelFloatRecord>(message, [&](const auto& r) { ApplyDelay(*this, r); }); break;
    case DSP_TRIM_CH: WithRecord<ChannelFloatRecord>(message, [&](const auto& r) { ApplyTrim(*this, r); }); break;
    case DSP_MUTE_CH: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyMute(*this, r); }); break;
    case DSP_PHASE_CH: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyPhase(*this, r); }); break;
    case DSP_MIX_CH: WithRecord<MixRecord>(message, [&](const auto& r) { ApplyMix(*this, r); }); break;
    case DSP_CH_TYPE: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyRole(*this, r); }); break;
    case DSP_CH_LINK:
      WithRecord<LinkRecord>(message, [&](const LinkRecord& r) {
        Profile* profile = m_mirror.ProfileForScene(r.scene);
        if (!profile) return;
        if (r.scene == kLiveScene)
          ApplyLinkFlag(r.link);
        else
          profile->linkMode = r.link == 1 ? 1 : 0;
      });
      break;
    case DSP_CH_LOCK:
      WithRecord<LockRecord>(message, [&](const LockRecord& r) {
        Profile* profile = m_mirror.ProfileForScene(r.scene);
        if (!profile) return;
        if (r.scene == kLiveScene)
          ApplyLockFlag(r.lock);
        else
          profile->lockMode = r.lock == 1 ? 1 : 0;
      });
      break;
    case DSP_EQ_BYPASS: WithRecord<ChannelValueRecord>(message, [&](const auto& r) { ApplyEqBypass(*this, r); }); break;
    case DSP_INPUT_MIX_CH_TRIM:
      WithRecord<InputMixTrimRecord>(message, [&](const auto& r) { ApplyMixTrim(*this, r); });
      break;
    case DSP_INPUT_THRESHOLD: live.noiseThreshold = static_cast<int>(value); break;
    case INPUT_NOISE: WithRecord<NoiseRecord>(message, [](const auto& r) { LogNoise(r); }); break;
    case DSP_HPF_Q_FACT_MODE:
    case DSP_LPF_Q_FACT_MODE:
      WithRecord<QFactorRecord>(message, [&](const auto& r) { LogQFactorModes(code, r); });
      break;
    case DSP_FACTORY_PRESET: LogPrintA("factory preset mode = %d\n", static_cast<int>(value)); break;
    case DSP_SETUP_MODE: LogPrintA("setup_mode mode = %d\n", static_cast<int>(value)); break;
    case DSP_AUTO_EFFECTION_ON_OFF_CONTROL: live.autoEffect = static_cast<int>(value); break;
    case DSP_COMPRESSOR_GET:
      WithRecord<CompressorRecord>(message, [&](const auto& r) { ApplyCompressor(*this, r); });
      break;
    case DSP_AMP_MUTE: SetAmpState(value == 0); break;
    default: break;  // input settings, trim and delay links, speaker config: not mirrored
  }
}

void EqualizerManager::ApplyLinkFlag(int flag) {
  Profile& live = m_mirror.currentProfile;
  if (flag == 1) {
    // Linked outputs share their settings, so they are locked too and their roles (which
    // decide the pairs) may not change.
    live.linkMode = 1;
    SetSelected(m_view.link, true);
    live.lockMode = 1;
    SetSelected(m_view.lock, true);
    for (const OutputStripView& strip : m_view.outputs) {
      SetEnabled(strip.synchronize, false);
      SetEnabled(strip.roleButton, false);
    }
    live.linkOutputs = qb::PairOutputs(live.outputs);
  } else {
    live.linkMode = 0;
    SetSelected(m_view.link, false);
    live.linkOutputs.fill(-1);
  }
  ActivateOutputSelector(live.currChannel);
}

void EqualizerManager::ApplyLockFlag(int flag) {
  Profile& live = m_mirror.currentProfile;
  const bool locked = flag == 1;
  live.lockMode = locked ? 1 : 0;
  SetSelected(m_view.lock, locked);
  for (const OutputStripView& strip : m_view.outputs) SetEnabled(strip.roleButton, !locked);
  if (locked) return;
  // Unlocked outputs cannot stay linked; the box is told so it does not keep copying.
  if (live.linkMode == 1) {
    live.linkMode = 0;
    SetSelected(m_view.link, false);
    live.linkOutputs.fill(-1);
    CH_Link_Ctrl(m_link, kLiveScene, 0, 0, {}, false);
  }
  ActivateOutputSelector(live.currChannel);
}

void EqualizerManager::ReadMcuValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadMcuValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  Profile& live = m_mirror.currentProfile;
  switch (message.wParam) {
    case MCU_HANDSHAKE:
      WithRecord<HandshakeRecord>(message, [&](const HandshakeRecord& r) {
        live.model = r.model;
        live.mainVersion = r.masterVersion;
        live.slaveVersion = r.slaveVersion;
        const bool normal = m_link.ApplicationMode();
        LogPrintA("UI MCU_HANDSHAKE model=%d, mainVersion=%d, slaveVersion=%d, mcu_is_normal_mode=%d\n",
                  r.model, r.masterVersion, r.slaveVersion, normal ? 1 : 0);
        if (r.model != kBoxModel && normal && m_host) {
          m_host->ShowMessage(QStringLiteral("${tips}"),
                              ui::Tr(QStringLiteral("${device_not_match}")) + QStringLiteral(" %1").arg(r.model),
                              {QStringLiteral("${confirm}")});
        }
      });
      break;
    case MCU_GET_DSPFLASH_VER:
      WithRecord<FlashVersionRecord>(message, [&](const FlashVersionRecord& r) {
        for (std::size_t i = 0; i < live.mcuStatus.size(); ++i) live.mcuStatus[i] = r.version[i];
      });
      break;
    case MCU_POWER_OFF_DELAY: live.powerOffDelay = static_cast<int>(message.lParam); break;
    default: break;
  }
}

void EqualizerManager::ReadSenceValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadSenceValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  switch (message.wParam) {
    case FLASH_SCENE_NAME:
      if (const auto reply = ReadSceneNameReply(message);
          reply && reply->index >= 0 && reply->index < kSceneCount) {
        const std::string language = ui::Languages().CurrentName().toStdString();
        m_mirror.sceneNames[At(reply->index)] =
            DecodeSceneName(reply->name, CodePageForLanguage(language));
      }
      break;
    case FLASH_SCENE_VALID:
      if (const auto mask = ReadSceneValidReply(message)) {
        m_mirror.sceneValid = *mask;
        LogPrintA("FLASH_SCENE_VALID 0x%02x\n", *mask);
      }
      break;
    default: break;
  }
}

void EqualizerManager::ReadKtvValueCallback(const ReplyMessage& message) {
  LogPrintA("ReadDspValueCallback 0x%02x\n", static_cast<unsigned>(message.wParam));
  if (message.wParam < KTV_MIC_VOL || message.wParam > KTV_TREBLE_GAIN) return;
  const int slot = KtvSlot(static_cast<int>(message.wParam));
  if (slot >= 0) m_mirror.currentProfile.ktv[At(slot)] = static_cast<int>(message.lParam);
}

}  // namespace qb

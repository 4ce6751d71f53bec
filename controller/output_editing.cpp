// Editing one output strip: which output is current, its volume with the outputs that
// follow it (synchronize group, linked partner, subwoofer pair), mute, phase, delay, the
// synchronize group itself and the curves shown.
#include <QSignalBlocker>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "controller/equalizer_manager.h"
#include "controller/output_levels.h"
#include "controller/view_controls.h"
#include "controller/view_formats.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/language_tables.h"
#include "ui/slider.h"

namespace qb {
namespace {

using namespace view;

/// Volume sliders move in tenths of a dB; the up/down buttons by 1 dB.
constexpr int kTenthsPerDb = 10;
constexpr int kVolumeStep = 10;
/// The up/down buttons of a delay edit move the slider by this many microseconds.
constexpr int kDelayStepUs = 21;
constexpr float kUsPerMs = 1000.0f;
/// Synchronize saved values while an output keeps none.
constexpr int kNoSavedSlider = 1;
constexpr float kNoSavedVolume = 1.0f;
/// Group EQ edits involve only outputs 1..6.
constexpr int kGroupEqOutputs = 6;

const QString kOffText = QStringLiteral("${off}");

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

/// The subwoofer role that shares its volume with `role`, or 0.
int SubwooferPartnerRole(int role) {
  if (role == kRoleSubwooferLeft) return kRoleSubwooferRight;
  if (role == kRoleSubwooferRight) return kRoleSubwooferLeft;
  return 0;
}

/// Marks an output selector without the group rule of its option (which would leave only
/// one selected): the synchronize group and the linked partner show selected together.
void MarkSelector(ui::Option* selector, bool selected) {
  if (!selector) return;
  const QSignalBlocker block(selector);
  selector->setChecked(selected);
}

bool BoxChecked(const ui::CheckBox* box) { return box && box->IsChecked(); }

/// "%ddB" of a whole-dB volume, or "${off}" at the slider's minimum.
std::string VolumeText(int sliderValue, const ui::Slider& slider) {
  return OutputVolumeText(static_cast<float>(sliderValue / kTenthsPerDb), slider.minimum());
}

std::string Fixed(double value, int decimals, const char* suffix) {
  return QString::number(value, 'f', decimals).toStdString() + suffix;
}

/// Delay text of a slider position, from the whole microseconds themselves (a float delay in
/// ms does not always multiply back to the same microsecond).
std::string DelayTextOfMicros(int micros, DelayUnit unit) {
  constexpr double kCmPerMsTimes15 = 519.0;
  constexpr double kInPerMsTimes15 = 204.0;
  constexpr double kDenominator = 15.0;
  const double t = static_cast<double>(micros);
  switch (unit) {
    case DelayUnit::Cm: return Fixed(t * kCmPerMsTimes15 / kDenominator / 1000.0, 2, " cm");
    case DelayUnit::In: return Fixed(t * kInPerMsTimes15 / kDenominator / 1000.0, 2, " in");
    case DelayUnit::Ms: break;
  }
  return Fixed(t / 1000.0, 3, " ms");
}

}  // namespace

// --- current output -----------------------------------------------------------------------------

void EqualizerManager::SetCurChannelChange(int output) {
  LogPrintA("on SetCurChannelChange channel index %d\n", output);
  if (!IsOutput(output)) return;
  Profile& live = m_mirror.currentProfile;
  live.currChannel = output;
  const int partner = live.linkMode == 1 ? live.linkOutputs[At(output)] : -1;
  for (int i = 0; i < kOutputCount; ++i) {
    const bool selected = i == output || live.synchronize[At(i)] == 1 || i == partner;
    MarkSelector(m_view.outputs[At(i)].selector, selected);
    SetChecked(m_view.outputs[At(i)].show, live.showChEqualizer[At(i)] != 0);
  }
  const int role = live.outputs[At(output)];
  const int partnerRole = IsOutput(partner) ? live.outputs[At(partner)] : 0;
  for (int r = 1; r <= kSpeakerCount; ++r) {
    ui::Option* speaker = m_view.speakers[At(r)];
    if (speaker) speaker->SetSelected(r == role || r == partnerRole, false);
  }
  SetFreqDivider(output);
  UpdateEqBandView(output);
  const int eqSize = m_mirror.EqSize(output);
  bool anyChecked = false;
  for (int b = 0; b < eqSize; ++b) anyChecked = anyChecked || BoxChecked(m_view.bands[At(b)].enable);
  SetBypassButtonText(anyChecked ? 1 : 0);
  UpdateEqualizer(-1);
}

// --- volume -------------------------------------------------------------------------------------

void EqualizerManager::SendOutputTrim(int output) {
  if (!IsOutput(output)) return;
  // The box takes the attenuation: a volume of -12 dB is sent as 12.
  const std::array<float, 1> trim{-m_mirror.currentProfile.channels[At(output)].gain};
  Trim_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), trim, false);
}

int EqualizerManager::VolumeTextDb(int output) const {
  if (!IsOutput(output)) return 0;
  const QString text = ui::ControlText(m_view.outputs[At(output)].volumeEdit);
  if (text == kOffText || text == ui::Tr(kOffText)) return kOutputOffDb;
  return LeadingWholeNumber(text.toStdString());
}

void EqualizerManager::PutOutputVolume(int output, int sliderValue) {
  const OutputStripView& strip = m_view.outputs[At(output)];
  if (!strip.volume) return;
  const int value = std::clamp(sliderValue, strip.volume->minimum(), strip.volume->maximum());
  SetSliderValue(strip.volume, value);
  SetText(strip.volumeEdit, VolumeText(value, *strip.volume));
  m_mirror.currentProfile.channels[At(output)].gain = static_cast<float>(value) / kTenthsPerDb;
  SendOutputTrim(output);
}

void EqualizerManager::FollowVolumeChange(int output, float deltaDb, bool byText) {
  Profile& live = m_mirror.currentProfile;
  const auto deltaTenths = static_cast<int>(std::lround(deltaDb * kTenthsPerDb));
  if (live.synchronize[At(output)] == 1) {
    for (int i = 0; i < kOutputCount; ++i) {
      const ui::Slider* slider = m_view.outputs[At(i)].volume;
      if (i == output || !slider || live.synchronize[At(i)] != 1) continue;
      if (live.syncSavedVolume[At(i)] == kNoSavedVolume) continue;
      SaveSyncVolume(output, true);
      if (byText) {
        // Each member keeps its own distance from the edited output: its text plus the change.
        const float wanted = static_cast<float>(VolumeTextDb(i)) + deltaDb;
        const float held = std::clamp(wanted, static_cast<float>(slider->minimum() / kTenthsPerDb),
                                      static_cast<float>(slider->maximum() / kTenthsPerDb));
        PutOutputVolume(i, static_cast<int>(std::lround(held * kTenthsPerDb)));
      } else {
        PutOutputVolume(i, slider->value() + deltaTenths);
      }
    }
  }
  if (live.linkMode == 1) {
    const int partner = live.linkOutputs[At(output)];
    if (IsOutput(partner) && partner != output && m_view.outputs[At(partner)].volume)
      PutOutputVolume(partner, m_view.outputs[At(partner)].volume->value() + deltaTenths);
    return;
  }
  const int otherRole = SubwooferPartnerRole(live.outputs[At(output)]);
  const ui::Slider* own = m_view.outputs[At(output)].volume;
  if (otherRole == 0 || !own) return;
  const float volume = live.channels[At(output)].gain;
  for (int i = 0; i < kOutputCount; ++i) {
    if (i != output && live.outputs[At(i)] == otherRole && live.channels[At(i)].gain != volume)
      PutOutputVolume(i, own->value());
  }
}

void EqualizerManager::SetChVolume(int output) {
  if (!IsOutput(output)) return;
  Profile& live = m_mirror.currentProfile;
  if (live.currChannel != output) ActivateOutputSelector(output);
  const OutputStripView& strip = m_view.outputs[At(output)];
  if (!strip.volume) return;
  const int value = strip.volume->value();
  const float volume = static_cast<float>(value) / kTenthsPerDb;
  LogPrintA("set channel %d volume to %.1fdB\n", output, static_cast<double>(volume));
  SetText(strip.volumeEdit, VolumeText(value, *strip.volume));
  OutputChannel& channel = live.channels[At(output)];
  if (channel.gain == volume) return;
  const float delta = volume - channel.gain;
  channel.gain = volume;
  SendOutputTrim(output);
  FollowVolumeChange(output, delta, false);
}

void EqualizerManager::SetChVolumeEdit(int output) {
  if (!IsOutput(output)) return;
  const OutputStripView& strip = m_view.outputs[At(output)];
  if (!strip.volume) return;
  const int typed = VolumeTextDb(output);
  const int value = std::clamp(typed, strip.volume->minimum() / kTenthsPerDb, strip.volume->maximum() / kTenthsPerDb);
  if (value != typed) SetText(strip.volumeEdit, std::to_string(value) + "dB");
  LogPrintA("on ch %d volume edit change to %.1f dB\n", output, static_cast<double>(value));
  SetSliderValue(strip.volume, value * kTenthsPerDb);
  SetText(strip.volumeEdit, VolumeText(value * kTenthsPerDb, *strip.volume));
  OutputChannel& channel = m_mirror.currentProfile.channels[At(output)];
  const auto volume = static_cast<float>(value);
  if (channel.gain == volume) return;
  const float delta = volume - channel.gain;
  channel.gain = volume;
  LogPrintA("set channe %d volume to %.1fdB\n", output, static_cast<double>(volume));
  SendOutputTrim(output);
  FollowVolumeChange(output, delta, true);
}

void EqualizerManager::SetChVolumeUp(int output, bool up) {
  LogPrintA("SetChVolumeUp %d \n", output);
  if (!IsOutput(output)) return;
  ui::Slider* slider = m_view.outputs[At(output)].volume;
  if (!slider) return;
  if (up ? slider->value() >= slider->maximum() : slider->value() <= slider->minimum()) return;
  const int moved = slider->value() + (up ? kVolumeStep : -kVolumeStep);
  SetSliderValue(slider, std::clamp(moved, slider->minimum(), slider->maximum()));
  SetChVolume(output);
}

void EqualizerManager::SaveSyncVolume(int output, bool keep) {
  if (!IsOutput(output)) return;
  Profile& live = m_mirror.currentProfile;
  const OutputStripView& strip = m_view.outputs[At(output)];
  if (!keep || !strip.volume) {
    live.syncSavedSlider[At(output)] = kNoSavedSlider;
    live.syncSavedVolume[At(output)] = kNoSavedVolume;
    return;
  }
  live.syncSavedSlider[At(output)] = strip.volume->value();
  // Only a marker of membership; "${off}" and other texts without a number read 0.
  live.syncSavedVolume[At(output)] = static_cast<float>(LeadingWholeNumber(ui::ControlText(strip.volumeEdit).toStdString()));
}

// --- mute, phase, curves ------------------------------------------------------------------------

void EqualizerManager::SetChMute(int output) {
  if (!IsOutput(output)) return;
  const int mute = BoxChecked(m_view.outputs[At(output)].mute) ? 1 : 0;
  m_mirror.currentProfile.channels[At(output)].mute = mute;
  LogPrintA("channel %d mute seleted %d\n", output, mute);
  const std::array<std::uint8_t, 1> value{Byte(mute)};
  Mute_Ch_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), value, false);
}

void EqualizerManager::SetChPhase(int output) {
  if (!IsOutput(output)) return;
  ui::CheckBox* box = m_view.outputs[At(output)].phase;
  const int phase = BoxChecked(box) ? 1 : 0;
  m_mirror.currentProfile.channels[At(output)].phase = phase;
  LogPrintA("channel %d phase seleted %d\n", output, phase);
  SetText(box, PhaseText(phase));
  const std::array<std::uint8_t, 1> value{Byte(phase)};
  Phase_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), value, false);
}

void EqualizerManager::SetChShowEqualizer(int output) {
  if (!IsOutput(output)) return;
  Profile& live = m_mirror.currentProfile;
  live.showChEqualizer[At(output)] = BoxChecked(m_view.outputs[At(output)].show) ? 1 : 0;
  m_mirror.ComputeChannelResponse(output, live.channels[At(output)].bypass != 0);
  auto* display = dynamic_cast<ui::EqualizerDisplay*>(m_view.curve);
  if (!display) return;
  std::array<ui::ChannelCurveView, kOutputSlots> curves{};
  for (std::size_t o = 0; o < curves.size(); ++o) {
    const ChannelResponse* response = m_mirror.Response(static_cast<int>(o));
    curves[o] = {response->Frequencies(), response->Response(), live.showChEqualizer[o] != 0};
  }
  display->SetChannelCurves(curves, live.currChannel);
  display->Refresh();
}

// --- synchronize group --------------------------------------------------------------------------

void EqualizerManager::SetChSynchronize(int output) {
  if (!IsOutput(output)) return;
  Profile& live = m_mirror.currentProfile;
  const bool checked = BoxChecked(m_view.outputs[At(output)].synchronize);
  LogPrintA("channel %d synchronize seleted %d\n", output, checked ? 1 : 0);
  live.synchronize[At(output)] = 1;
  if (checked) {
    MarkSelector(m_view.outputs[At(output)].selector, true);
    SetEnabled(m_view.link, false);
    // The group shares its EQ edits, so its members take the current output's bypass.
    const int current = live.currChannel;
    if (IsOutput(current) && current < kGroupEqOutputs && live.synchronize[At(current)] == 1) {
      const std::uint8_t bypass = live.channels[At(current)].bypass;
      for (int j = 0; j < kGroupEqOutputs; ++j) {
        if (live.synchronize[At(j)] != 1) continue;
        live.channels[At(j)].bypass = bypass;
        const std::array<std::uint8_t, 1> value{bypass};
        PEQ_Bypass_Ctrl(m_link, kLiveScene, 0, Byte(j), Byte(j), value, false);
      }
    }
  } else {
    live.synchronize[At(output)] = 0;
    MarkSelector(m_view.outputs[At(output)].selector, false);
    SetEnabled(m_view.link, true);
  }
  if (std::any_of(live.synchronize.begin(), live.synchronize.end(), [](int flag) { return flag == 1; }))
    SetEnabled(m_view.link, false);
  SaveSyncVolume(output, checked);
  if (live.synchronize[At(output)] == 1) {
    // The members' volumes are taken as shown; an output shown "off" stays at the bottom
    // of the range rather than reading as 0 dB.
    for (int i = 0; i < kOutputCount; ++i) {
      if (live.syncSavedVolume[At(i)] == kNoSavedVolume) continue;
      live.channels[At(i)].gain = static_cast<float>(VolumeTextDb(i));
      SendOutputTrim(i);
    }
  }
  SetCurChannelChange(output);
}

// --- delay --------------------------------------------------------------------------------------

void EqualizerManager::SetChDelay(int output) {
  if (!IsOutput(output)) return;
  const OutputStripView& strip = m_view.outputs[At(output)];
  if (!strip.delay) return;
  const int micros = strip.delay->value();
  OutputChannel& channel = m_mirror.currentProfile.channels[At(output)];
  channel.delay = static_cast<float>(micros) / kUsPerMs;
  LogPrintA("channel %d delay value %.3f\n", output, static_cast<double>(channel.delay));
  const int unitIndex = m_view.delayUnit ? m_view.delayUnit->CurrentSelection() : 0;
  SetText(strip.delayEdit, DelayTextOfMicros(micros, DelayUnitOfIndex(unitIndex)));
  const std::array<float, 1> delay{channel.delay};
  Delay_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), delay, false);
}

void EqualizerManager::SetChDelayEdit(int output) {
  if (!IsOutput(output)) return;
  const OutputStripView& strip = m_view.outputs[At(output)];
  double typed = LeadingNumber(ui::ControlText(strip.delayEdit).toStdString());
  LogPrintA("channel %d delay edit value %.3f\n", output, typed);
  const DelayUnit unit = DelayUnitOfIndex(m_view.delayUnit ? m_view.delayUnit->CurrentSelection() : 0);
  switch (unit) {
    case DelayUnit::Cm:
      typed = HeldDistance(typed, unit);
      SetText(strip.delayEdit, Fixed(typed, 2, " cm"));
      break;
    case DelayUnit::In:
      typed = HeldDistance(typed, unit);
      SetText(strip.delayEdit, Fixed(typed, 2, " in"));
      break;
    case DelayUnit::Ms:
      typed = std::clamp(typed, 0.0, kMaxEditDelayMs);
      SetText(strip.delayEdit, Fixed(typed, 3, " ms"));
      break;
  }
  OutputChannel& channel = m_mirror.currentProfile.channels[At(output)];
  channel.delay = static_cast<float>(DelayMsOfDistance(typed, unit));
  SetSliderValue(strip.delay, static_cast<int>(channel.delay * kUsPerMs));
  const std::array<float, 1> delay{channel.delay};
  Delay_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), delay, false);
}

void EqualizerManager::SetChDelayUp(int output, bool up) {
  LogPrintA("SetChDelayUp %d \n", output);
  if (!IsOutput(output)) return;
  ui::Slider* slider = m_view.outputs[At(output)].delay;
  if (!slider) return;
  if (up ? slider->value() >= slider->maximum() : slider->value() <= slider->minimum()) return;
  const int moved = slider->value() + (up ? kDelayStepUs : -kDelayStepUs);
  SetSliderValue(slider, std::clamp(moved, slider->minimum(), slider->maximum()));
  SetChDelay(output);
}

}  // namespace qb

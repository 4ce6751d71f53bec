// The main volume block (slider, edit, up/down, mute) and the remote amplifier switch.
#include <QString>
#include <algorithm>

#include "controller/equalizer_manager.h"
#include "controller/output_levels.h"
#include "controller/view_controls.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/selectable.h"
#include "ui/slider.h"

namespace qb {
namespace {

const QString kOffText = QStringLiteral("${off}");

/// The main volume command for a slider position: the attenuation 6 - dB, queued.
void SendMainVolume(DeviceLink& link, const ui::Slider& slider) {
  const double attenuation = MainVolumeAttenuation(slider.value(), slider.minimum());
  Main_Volume_Ctrl(link, static_cast<float>(attenuation), false);
}

}  // namespace

void EqualizerManager::SetMainVolume() {
  ui::Slider* slider = m_view.mainVolume;
  if (!slider) return;
  view::ShowMainVolumeText(m_view);
  m_mirror.currentProfile.mainVolume = slider->value();
  SendMainVolume(m_link, *slider);
}

void EqualizerManager::SetMainVolumeEdit() {
  ui::Slider* slider = m_view.mainVolume;
  if (!slider) return;
  const QString text = ui::ControlText(m_view.mainVolumeEdit);
  const int typed = text == kOffText || text == ui::Tr(kOffText) ? kOutputOffDb : LeadingWholeNumber(text.toStdString());
  const int position = std::clamp(typed, 0, kMainVolumeTopStep);
  view::SetSliderValue(slider, position);
  view::ShowMainVolumeText(m_view);
  m_mirror.currentProfile.mainVolume = slider->value();
  SendMainVolume(m_link, *slider);
}

void EqualizerManager::SetMainVolumeUp(bool up) {
  LogPrintA("SetMainVolumeUp %d \n", up ? 1 : 0);
  ui::Slider* slider = m_view.mainVolume;
  if (!slider) return;
  if (up ? slider->value() >= slider->maximum() : slider->value() <= slider->minimum()) return;
  view::SetSliderValue(slider, std::clamp(slider->value() + (up ? 1 : -1), slider->minimum(), slider->maximum()));
  SetMainVolume();
}

void EqualizerManager::SetMainMute() {
  const int mute = m_view.mainMute && m_view.mainMute->IsChecked() ? 1 : 0;
  m_mirror.currentProfile.mainVolumeMute = mute;
  LogPrintA("set main mute to %d\n", mute);
  Mute_Ctrl(m_link, static_cast<std::uint8_t>(mute), false);
}

void EqualizerManager::ToggleAmp() {
  // The click does not change the button's selected state; the state before it decides.
  const auto* selectable = dynamic_cast<const ui::Selectable*>(m_view.amp);
  const bool on = !selectable || !selectable->IsSelected();
  SetAmpState(on);
  Amp_Mute_Ctrl(m_link, on ? 0 : 1, false);
}

}  // namespace qb

// Drawing the mirror into the main view: one output's crossover or band rows, the curve
// control, the volume and delay texts, and the whole view after a scene or file load.
#include <QString>
#include <array>
#include <chrono>
#include <cstddef>

#include "controller/equalizer_manager.h"
#include "controller/role_catalogue.h"
#include "controller/role_pairing.h"
#include "controller/view_controls.h"
#include "controller/view_formats.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/notification.h"
#include "ui/selectable.h"
#include "ui/slider.h"
#include "ui/widget_style.h"

namespace qb {
namespace {

using namespace view;

/// The output volume slider's minimum when a layout gives none to read.
constexpr int kDefaultVolumeMinimum = -600;

constexpr unsigned kAmpOnColour = 0xFFFFFFFFu;
constexpr unsigned kAmpOffColour = 0xFFFF0000u;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

bool IsSource(int source) { return source >= 0 && source < static_cast<int>(kInputSourceCount); }

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  const auto elapsed = std::chrono::steady_clock::now() - since;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

/// Whether the row's band changes the sound: enabled, and the output's EQ not bypassed.
bool BandApplied(const EqBand& band, const OutputChannel& channel) {
  return channel.bypass == 0 && band.enable == 1;
}

void ShowBandRow(const BandRowView& row, const EqBand& band, const OutputChannel& channel, bool parametric) {
  SetEnabled(row.freq, parametric);
  SetEnabled(row.q, parametric);
  SetEnabled(row.enable, true);
  SetEnabled(row.gain, true);
  SetEnabled(row.slider, true);
  SetText(row.freq, BandFreqText(band.freq));
  SetText(row.q, BandQText(band.eqFactor));
  const bool applied = BandApplied(band, channel);
  SetText(row.gain, BandGainText(applied ? band.eqGain : 0.0f));
  SetSliderValue(row.slider, applied ? static_cast<int>(band.eqGain * 10.0f) : 0);
  SetChecked(row.enable, applied && band.eqGain != 0.0f);
}

void ShowUnusedBandRow(const BandRowView& row) {
  for (QWidget* control : std::array<QWidget*, 5>{row.freq, row.q, row.gain, row.slider, row.enable})
    SetEnabled(control, false);
  SetChecked(row.enable, false);
  SetText(row.freq, "0");
  SetText(row.q, "0");
  SetText(row.gain, "0.0");
  SetSliderValue(row.slider, 0);
}

/// Boxes 3 and 4 stay usable only for the sources that carry four inputs (low and high
/// level); see FourInputSource.
void ShowInputBoxes(const OutputStripView& strip, int mask, int source) {
  for (std::size_t k = 0; k < strip.inputs.size(); ++k) SetChecked(strip.inputs[k], ((mask >> k) & 1) != 0);
  const bool four = FourInputSource(source);
  for (std::size_t k : {std::size_t{2}, std::size_t{3}}) {
    SetEnabled(strip.inputs[k], four);
    SetVisible(strip.inputs[k], four);
  }
}

}  // namespace

// --- helpers shared by the operations ---------------------------------------------------------

void EqualizerManager::ActivateOutputSelector(int output) {
  if (!IsOutput(output)) return;
  ui::Option* selector = m_view.outputs[At(output)].selector;
  if (!selector) return;
  // As a user click: the window routes the notification to SetCurChannelChange.
  selector->SetSelected(true, true);
  ui::RaiseNotification(selector, ui::notify::kClick);
}

QString EqualizerManager::DelayText(float delayMs, bool whole) const {
  const int index = m_view.delayUnit ? m_view.delayUnit->CurrentSelection() : 0;
  return QString::fromStdString(qb::DelayText(delayMs, DelayUnitOfIndex(index), whole));
}

QString EqualizerManager::OutputVolumeText(int output) const {
  if (!IsOutput(output)) return {};
  const ui::Slider* slider = m_view.outputs[At(output)].volume;
  const int minimum = slider ? slider->minimum() : kDefaultVolumeMinimum;
  return QString::fromStdString(qb::OutputVolumeText(m_mirror.currentProfile.channels[At(output)].gain, minimum));
}

void EqualizerManager::ShowRoleTexts() {
  for (std::size_t r = 1; r < m_view.speakers.size(); ++r) SetVisible(m_view.speakers[r], false);
  const Profile& live = m_mirror.currentProfile;
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o) {
    const int role = live.outputs[o];
    SetText(m_view.outputs[o].roleButton, std::string(RoleText(role)));
    if (role > 0 && role <= kSpeakerCount) SetVisible(m_view.speakers[At(role)], true);
  }
}

// --- refresh procedures -------------------------------------------------------------------------

void EqualizerManager::SetFreqDivider(int output) {
  if (!IsOutput(output)) return;
  const Crossover& crossover = m_mirror.currentProfile.channels[At(output)].crossover;
  SelectListItem(m_view.hpType, crossover.hp.type);
  SelectListItem(m_view.lpType, crossover.lp.type);
  SetText(m_view.hpFreq, CrossoverFreqText(crossover.hp.fs));
  SetText(m_view.lpFreq, CrossoverFreqText(crossover.lp.fs));
  SelectListItem(m_view.hpSlope, crossover.hp.slope);
  SelectListItem(m_view.lpSlope, crossover.lp.slope);
}

void EqualizerManager::UpdateEqBandView(int output) {
  if (!IsOutput(output)) return;
  const OutputChannel& channel = m_mirror.currentProfile.channels[At(output)];
  const int eqSize = m_mirror.EqSize(output);
  // Graphic mode keeps every band at its fixed frequency and Q.
  const bool parametric = m_view.eqMode && m_view.eqMode->IsSelected();
  for (std::size_t b = 0; b < m_view.bands.size(); ++b) {
    if (static_cast<int>(b) < eqSize)
      ShowBandRow(m_view.bands[b], channel.bands[b], channel, parametric);
    else
      ShowUnusedBandRow(m_view.bands[b]);
  }
}

void EqualizerManager::UpdateEqualizer(int selectedBand) {
  const auto start = std::chrono::steady_clock::now();
  const Profile& live = m_mirror.currentProfile;
  const int current = live.currChannel;
  if (!IsOutput(current)) return;
  const OutputChannel& channel = live.channels[At(current)];
  m_mirror.ComputeChannelResponse(current, channel.bypass != 0);
  const int partner = live.linkOutputs[At(current)];
  if (live.linkMode == 1 && IsOutput(partner))
    m_mirror.ComputeChannelResponse(partner, live.channels[At(partner)].bypass != 0);
  LogPrintA("UpdateEqualizer 0 cost time %d ms\n", ElapsedMs(start));

  std::array<ui::CurveBand, kBandSlots> bands{};
  for (std::size_t b = 0; b < bands.size(); ++b) {
    const EqBand& band = channel.bands[b];
    bands[b] = {band.freq, band.eqFactor, band.enable, BandApplied(band, channel) ? band.eqGain : 0.0f};
  }
  std::array<ui::ChannelCurveView, kOutputSlots> curves{};
  for (std::size_t o = 0; o < curves.size(); ++o) {
    const ChannelResponse* response = m_mirror.Response(static_cast<int>(o));
    curves[o] = {response->Frequencies(), response->Response(), live.showChEqualizer[o] != 0};
  }
  if (auto* display = dynamic_cast<ui::EqualizerDisplay*>(m_view.curve)) {
    display->SetBands(bands, m_mirror.EqSize(current), selectedBand);
    display->SetCrossoverMarkers(channel.crossover.hp.fs, channel.crossover.lp.fs);
    display->SetChannelCurves(curves, current);
    display->Refresh();
  }
  LogPrintA("UpdateEqualizer 1 cost time %d ms\n", ElapsedMs(start));
}

void EqualizerManager::RefreshAllChannels() {
  Profile& live = m_mirror.currentProfile;
  SetSliderValue(m_view.mainVolume, live.mainVolume);
  SetChecked(m_view.mainMute, live.mainVolumeMute != 0);
  ShowMainVolumeText(m_view);

  SetFreqDivider(live.currChannel);
  UpdateEqBandView(live.currChannel);

  ShowRoleTexts();
  const int source = live.inputSource;
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o) {
    const OutputStripView& strip = m_view.outputs[o];
    const OutputChannel& channel = live.channels[o];
    SetSliderValue(strip.volume, static_cast<int>(channel.gain * 10.0f));
    LogPrintA("set channel %d volume to %.1fdB\n", static_cast<int>(o), static_cast<double>(channel.gain));
    SetText(strip.volumeEdit, OutputVolumeText(static_cast<int>(o)).toStdString());
    SetChecked(strip.mute, channel.mute != 0);
    SetChecked(strip.phase, channel.phase != 0);
    SetText(strip.phase, PhaseText(channel.phase));
    SetSliderValue(strip.delay, static_cast<int>(channel.delay * 1000.0f));
    SetText(strip.delayEdit, DelayText(channel.delay, true).toStdString());
    if (IsSource(source)) ShowInputBoxes(strip, live.inputs[At(source)][o], source);
  }

  if (live.linkMode == 1) {
    // Linked outputs are locked too: their roles decide the pairs.
    SetSelected(m_view.link, true);
    live.lockMode = 1;
    SetSelected(m_view.lock, true);
    for (const OutputStripView& strip : m_view.outputs) SetEnabled(strip.roleButton, false);
    live.linkOutputs = qb::PairOutputs(live.outputs);
  } else {
    SetSelected(m_view.link, false);
    live.linkOutputs.fill(-1);
    SetSelected(m_view.lock, live.lockMode == 1);
    for (const OutputStripView& strip : m_view.outputs) SetEnabled(strip.roleButton, live.lockMode != 1);
  }

  ActivateOutputSelector(live.currChannel);
  m_mirror.ComputeAllChannelResponses();
  UpdateEqualizer(-1);
}

void EqualizerManager::UpdateAllVolumeEdit() {
  LogPrintA("EqualizerManager::UpdateAllVolumeEdit");
  SetSliderValue(m_view.mainVolume, m_mirror.currentProfile.mainVolume);
  ShowMainVolumeText(m_view);
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o)
    SetText(m_view.outputs[o].volumeEdit, OutputVolumeText(static_cast<int>(o)).toStdString());
}

void EqualizerManager::SetDelayUnit() {
  LogPrintA("on eq comb_ch_unit valuechanged\n");
  const Profile& live = m_mirror.currentProfile;
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o) {
    SetText(m_view.outputs[o].delayEdit, DelayText(live.channels[o].delay, false).toStdString());
    const int role = live.outputs[o];
    if (role > 0 && role <= kSpeakerCount) SetVisible(m_view.speakers[At(role)], true);
  }
}

void EqualizerManager::ShowDelaySlider(int output) {
  for (const OutputStripView& strip : m_view.outputs) {
    SetVisible(strip.delay, false);
    SetVisible(strip.delayPlaceholder, true);
  }
  if (!IsOutput(output)) return;
  SetVisible(m_view.outputs[At(output)].delayPlaceholder, false);
  SetVisible(m_view.outputs[At(output)].delay, true);
}

void EqualizerManager::SetBypassButtonText(int flag) { SetText(m_view.bypass, BypassButtonText(flag)); }

void EqualizerManager::SetAmpState(bool on) {
  Profile& live = m_mirror.currentProfile;
  if (!m_view.amp) {
    live.ampOn = 1;
    return;
  }
  live.ampOn = on ? 1 : 0;
  SetText(m_view.amp, on ? "${amp_on}" : "${amp_off}");
  ui::SetOwnColor(m_view.amp, ui::StyleColor::Text, on ? kAmpOnColour : kAmpOffColour);
  if (auto* selectable = dynamic_cast<ui::Selectable*>(m_view.amp)) selectable->SetSelected(on);
}

}  // namespace qb

// Drawing the mirror into the main view: what each change notice redraws, one output's
// crossover or band rows, the curve control, the strips, and the whole view at once.
#include <QSignalBlocker>
#include <QString>
#include <array>
#include <chrono>
#include <cstddef>

#include "core/eq_editor.h"
#include "core/eq_values.h"
#include "core/output_editor.h"
#include "core/role_catalogue.h"
#include "core/source_catalogue.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/selectable.h"
#include "ui/slider.h"
#include "ui/widget_style.h"
#include "windows/main_presenter.h"
#include "windows/view_controls.h"
#include "windows/view_formats.h"

namespace qb {
namespace {

using namespace view;

constexpr unsigned kWhite = 0xFFFFFFFFu;
constexpr unsigned kRed = 0xFFFF0000u;

/// Input boxes every source shows; boxes from this one on follow the source.
constexpr std::size_t kFirstExtraBox = 2;

/// Aspects that change what the curve control draws.
constexpr std::uint32_t kCurveAspects = kAspectBands | kAspectBypass | kAspectCrossover | kAspectCurrentOutput |
                                        kAspectShowCurve | kAspectRoles | kAspectLinkLock | kAspectEqMode |
                                        kAspectConnection | kAspectSynchronize;
/// Aspects that change which output is current and what belongs to it.
constexpr std::uint32_t kCurrentAspects = kAspectCurrentOutput | kAspectLinkLock | kAspectSynchronize |
                                          kAspectShowCurve | kAspectRoles;

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  const auto elapsed = std::chrono::steady_clock::now() - since;
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

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
  SetText(row.gain, BandGainText(ShownBandGain(band, channel)));
  SetSliderValue(row.slider, ShownBandTenths(band, channel));
  SetChecked(row.enable, BandApplied(band, channel) && band.eqGain != 0.0f);
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

/// Marks an output selector without the group rule of its option (which would leave only
/// one selected): the synchronize group and the linked partner show selected together.
void MarkSelector(ui::Option* selector, bool selected) {
  if (!selector) return;
  const QSignalBlocker block(selector);
  selector->setChecked(selected);
}

/// Linkwitz-Riley hides the odd slopes; the slope in use stays listed whatever the family,
/// so the list never shows a selection it does not contain.
void ShowSlopeItemsOf(ui::Combo* slopes, int type) {
  if (!slopes) return;
  const int current = slopes->CurrentSelection();
  for (int item = 0; item < slopes->count(); ++item)
    slopes->SetItemVisible(item, item == current || !SlopeHiddenForType(type, item));
}

void SetLook(QWidget* button, const char* textKey, unsigned colour, bool selected) {
  if (!button) return;
  SetText(button, textKey);
  ui::SetOwnColor(button, ui::StyleColor::Text, colour);
  if (auto* selectable = dynamic_cast<ui::Selectable*>(button)) selectable->SetSelected(selected);
}

}  // namespace

// --- what a change redraws -------------------------------------------------------------------------

void MainPresenter::MirrorChanged(const Change& change) {
  if (!m_bound) return;
  if (change.aspects == kAspectEverything) {
    RefreshAllChannels();
    return;
  }
  const Profile& live = Mirrored();
  if (change.Has(kAspectConnection)) DrawConnection();
  if (change.Has(kAspectMainVolume)) DrawMainVolume();
  if (change.Has(kAspectMainMute)) SetChecked(m_view.mainMute, live.mainVolumeMute != 0);
  if (change.Has(kAspectAmp)) DrawAmp();
  if (change.Has(kAspectSource)) {
    DrawSource();
  } else if (change.Has(kAspectRouting)) {
    for (int o = 0; o < kOutputCount; ++o)
      if (change.HasOutput(o)) DrawInputBoxes(o, false);
  }
  for (int o = 0; o < kOutputCount; ++o) {
    if (!change.HasOutput(o)) continue;
    if (change.Has(kAspectVolume)) DrawVolume(o);
    if (change.Has(kAspectMute)) DrawMute(o);
    if (change.Has(kAspectPhase)) DrawPhase(o);
    if (change.Has(kAspectDelay)) DrawDelay(o, false);
  }
  if (change.Has(kAspectDelayUnit)) {
    SelectListItem(m_view.delayUnit, static_cast<int>(m_core.Mirror().session.delayUnit));
    for (int o = 0; o < kOutputCount; ++o) DrawDelay(o, false);
  }
  if (change.Has(kAspectRoles)) ShowRoleTexts();
  if (change.Has(kAspectLinkLock | kAspectSynchronize)) DrawLinkLock();
  const int current = Current();
  if (change.Has(kCurrentAspects)) {
    DrawCurrentOutput();
  } else {
    if (change.Has(kAspectCrossover) && change.HasOutput(current)) SetFreqDivider(current);
    if (change.Has(kAspectBands | kAspectBypass) && change.HasOutput(current)) {
      UpdateEqBandView(current);
      DrawBypassButton();
    }
  }
  if (change.Has(kAspectEqMode)) DrawEqMode();
  if (change.Has(kCurveAspects)) UpdateEqualizer(change.band, change.outputs);
}

// --- pieces ------------------------------------------------------------------------------------------

void MainPresenter::DrawConnection() {
  // Disabling a panel keeps its controls' own enabled states for when it is enabled again.
  const bool connected = m_core.Mirror().session.connection == ConnectionState::Connected;
  for (QWidget* panel : m_view.editing) SetEnabled(panel, connected);
  switch (m_core.Mirror().session.connection) {
    case ConnectionState::Disconnected: SetLook(m_view.connect, "${btn_disconnected}", kRed, false); break;
    case ConnectionState::Connecting:
    case ConnectionState::Reading: SetText(m_view.connect, "${btn_connecting}"); break;
    case ConnectionState::Connected: SetLook(m_view.connect, "${btn_connected}", kWhite, true); break;
    case ConnectionState::Upgrading: break;
  }
}

void MainPresenter::DrawMainVolume() {
  SetSliderValue(m_view.mainVolume, Mirrored().mainVolume);
  ShowMainVolumeText(m_view);
}

void MainPresenter::DrawAmp() {
  const bool on = Mirrored().ampOn != 0;
  SetLook(m_view.amp, on ? "${amp_on}" : "${amp_off}", on ? kWhite : kRed, on);
}

void MainPresenter::DrawSource() {
  const int source = Mirrored().inputSource;
  if (!IsSource(source)) return;
  SelectListItem(m_view.source, source);
  for (int o = 0; o < kOutputCount; ++o) DrawInputBoxes(o, true);
}

void MainPresenter::DrawInputBoxes(int output, bool layout) {
  const int source = Mirrored().inputSource;
  if (!IsOutput(output) || !IsSource(source)) return;
  const OutputStripView& strip = m_view.outputs[At(output)];
  const int mask = Mirrored().inputs[At(source)][At(output)];
  for (std::size_t k = 0; k < strip.inputs.size(); ++k) SetChecked(strip.inputs[k], ((mask >> k) & 1) != 0);
  // The sources the selector never offers keep boxes 3..6 as they were: which of them they
  // carry is the box's affair.
  const int inputs = InputsOfSource(source);
  if (!layout || inputs == 0) return;
  const bool allInputs = inputs == kInputBoxes;
  for (std::size_t k = kFirstExtraBox; k < strip.inputs.size(); ++k) {
    SetEnabled(strip.inputs[k], allInputs);
    SetVisible(strip.inputs[k], allInputs);
  }
}

void MainPresenter::DrawVolume(int output) {
  const OutputStripView& strip = m_view.outputs[At(output)];
  const OutputChannel& channel = Mirrored().channels[At(output)];
  SetSliderValue(strip.volume, VolumeTenths(channel));
  SetText(strip.volumeEdit, OutputVolumeText(channel.gain, kOutputVolumeMinTenths));
}

void MainPresenter::DrawMute(int output) {
  SetChecked(m_view.outputs[At(output)].mute, Mirrored().channels[At(output)].mute != 0);
}

void MainPresenter::DrawPhase(int output) {
  ui::CheckBox* box = m_view.outputs[At(output)].phase;
  const int phase = Mirrored().channels[At(output)].phase;
  SetChecked(box, phase != 0);
  SetText(box, PhaseText(phase));
}

void MainPresenter::DrawDelay(int output, bool whole) {
  const OutputStripView& strip = m_view.outputs[At(output)];
  const OutputChannel& channel = Mirrored().channels[At(output)];
  SetSliderValue(strip.delay, DelayMicros(channel));
  SetText(strip.delayEdit, DelayText(channel.delay, m_core.Mirror().session.delayUnit, whole));
}

void MainPresenter::DrawLinkLock() {
  const Profile& live = Mirrored();
  SetSelected(m_view.link, live.linkMode == 1);
  SetSelected(m_view.lock, live.lockMode == 1);
  bool anySynchronized = false;
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o) {
    const OutputStripView& strip = m_view.outputs[o];
    // Locked roles cannot change; linked outputs already share their settings.
    SetEnabled(strip.roleButton, live.lockMode != 1);
    SetEnabled(strip.synchronize, live.linkMode != 1);
    SetChecked(strip.synchronize, live.synchronize[o] == 1);
    anySynchronized = anySynchronized || live.synchronize[o] == 1;
  }
  // A synchronize group and link mode exclude each other.
  SetEnabled(m_view.link, !anySynchronized);
}

void MainPresenter::DrawCurrentOutput() {
  const Profile& live = Mirrored();
  const int output = live.currChannel;
  if (!IsOutput(output)) return;
  const int partner = live.linkMode == 1 ? live.linkOutputs[At(output)] : -1;
  for (int i = 0; i < kOutputCount; ++i) {
    const bool selected = i == output || live.synchronize[At(i)] == 1 || i == partner;
    MarkSelector(m_view.outputs[At(i)].selector, selected);
    SetChecked(m_view.outputs[At(i)].show, live.showChEqualizer[At(i)] != 0);
  }
  const int role = live.outputs[At(output)];
  const int partnerRole = IsOutput(partner) ? live.outputs[At(partner)] : 0;
  for (int r = 1; r <= kSpeakerCount; ++r) SetSelected(m_view.speakers[At(r)], r == role || r == partnerRole);
  SetFreqDivider(output);
  UpdateEqBandView(output);
  DrawBypassButton();
}

void MainPresenter::DrawBypassButton() {
  // The button names what it does: bypass an equaliser that is heard, or restore one.
  SetText(m_view.bypass, BypassButtonText(EqAudible(Mirrored(), Current()) ? 1 : 0));
}

void MainPresenter::DrawEqMode() {
  const bool parametric = m_core.Mirror().session.parametricEq;
  SetSelected(m_view.eqMode, parametric);
  SetText(m_view.eqMode, parametric ? "${peq_mode}" : "${geq_mode}");
  if (auto* display = dynamic_cast<ui::EqualizerDisplay*>(m_view.curve)) display->SetDragAllDirection(parametric);
  UpdateEqBandView(Current());
}

void MainPresenter::ShowSlopeItems() {
  const int output = Current();
  if (!IsOutput(output)) return;
  const Crossover& crossover = Mirrored().channels[At(output)].crossover;
  ShowSlopeItemsOf(m_view.hpSlope, crossover.hp.type);
  ShowSlopeItemsOf(m_view.lpSlope, crossover.lp.type);
}

void MainPresenter::ShowRoleTexts() {
  for (std::size_t r = 1; r < m_view.speakers.size(); ++r) SetVisible(m_view.speakers[r], false);
  const Profile& live = Mirrored();
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o) {
    const int role = live.outputs[o];
    SetText(m_view.outputs[o].roleButton, std::string(RoleText(role)));
    if (role > 0 && role <= kSpeakerCount) SetVisible(m_view.speakers[At(role)], true);
  }
}

// --- the design's refresh procedures ----------------------------------------------------------------

void MainPresenter::SetFreqDivider(int output) {
  if (!IsOutput(output)) return;
  const Crossover& crossover = Mirrored().channels[At(output)].crossover;
  SelectListItem(m_view.hpType, crossover.hp.type);
  SelectListItem(m_view.lpType, crossover.lp.type);
  SetText(m_view.hpFreq, CrossoverFreqText(crossover.hp.fs));
  SetText(m_view.lpFreq, CrossoverFreqText(crossover.lp.fs));
  SelectListItem(m_view.hpSlope, crossover.hp.slope);
  SelectListItem(m_view.lpSlope, crossover.lp.slope);
  if (output == Current()) ShowSlopeItems();
}

void MainPresenter::UpdateEqBandView(int output) {
  if (!IsOutput(output)) return;
  const OutputChannel& channel = Mirrored().channels[At(output)];
  const int eqSize = EqSize(Mirrored(), output);
  // Graphic mode keeps every band at its fixed frequency and Q.
  const bool parametric = m_core.Mirror().session.parametricEq;
  for (std::size_t b = 0; b < m_view.bands.size(); ++b) {
    if (static_cast<int>(b) < eqSize)
      ShowBandRow(m_view.bands[b], channel.bands[b], channel, parametric);
    else
      ShowUnusedBandRow(m_view.bands[b]);
  }
}

void MainPresenter::UpdateEqualizer(int selectedBand, std::uint8_t changed) {
  const auto start = std::chrono::steady_clock::now();
  const Profile& live = Mirrored();
  const int current = live.currChannel;
  if (!IsOutput(current)) return;
  const EqualizerMirror& mirror = m_core.Mirror();
  const int partner = live.linkMode == 1 ? live.linkOutputs[At(current)] : -1;
  for (int o = 0; o < kOutputCount; ++o) {
    if (o == current || o == partner || ((changed >> o) & 1u) != 0)
      mirror.ComputeChannelResponse(o, live.channels[At(o)].bypass != 0);
  }
  LogPrintA("UpdateEqualizer 0 cost time %d ms\n", ElapsedMs(start));

  const OutputChannel& channel = live.channels[At(current)];
  std::array<ui::CurveBand, kBandSlots> bands{};
  for (std::size_t b = 0; b < bands.size(); ++b) {
    const EqBand& band = channel.bands[b];
    bands[b] = {band.freq, band.eqFactor, band.enable, ShownBandGain(band, channel)};
  }
  std::array<ui::ChannelCurveView, kOutputSlots> curves{};
  for (std::size_t o = 0; o < curves.size(); ++o) {
    const ChannelResponse* response = mirror.Response(static_cast<int>(o));
    curves[o] = {response->Frequencies(), response->Response(), live.showChEqualizer[o] != 0};
  }
  if (auto* display = dynamic_cast<ui::EqualizerDisplay*>(m_view.curve)) {
    display->SetBands(bands, EqSize(live, current), selectedBand);
    display->SetCrossoverMarkers(channel.crossover.hp.fs, channel.crossover.lp.fs);
    display->SetChannelCurves(curves, current);
    display->Refresh();
  }
  LogPrintA("UpdateEqualizer 1 cost time %d ms\n", ElapsedMs(start));
}

void MainPresenter::RefreshAllChannels() {
  const Profile& live = Mirrored();
  DrawConnection();
  DrawMainVolume();
  SetChecked(m_view.mainMute, live.mainVolumeMute != 0);
  DrawAmp();
  SelectListItem(m_view.delayUnit, static_cast<int>(m_core.Mirror().session.delayUnit));
  ShowRoleTexts();
  const int source = live.inputSource;
  if (IsSource(source)) SelectListItem(m_view.source, source);
  for (int o = 0; o < kOutputCount; ++o) {
    DrawVolume(o);
    LogPrintA("set channel %d volume to %.1fdB\n", o, static_cast<double>(live.channels[At(o)].gain));
    DrawMute(o);
    DrawPhase(o);
    DrawDelay(o, true);
    DrawInputBoxes(o, true);
  }
  DrawLinkLock();
  DrawEqMode();
  DrawCurrentOutput();
  m_core.Mirror().ComputeAllChannelResponses();
  UpdateEqualizer(-1);
}

void MainPresenter::UpdateAllVolumeEdit() {
  LogPrintA("EqualizerManager::UpdateAllVolumeEdit");
  DrawMainVolume();
  for (int o = 0; o < kOutputCount; ++o)
    SetText(m_view.outputs[At(o)].volumeEdit, OutputVolumeText(Mirrored().channels[At(o)].gain, kOutputVolumeMinTenths));
}

void MainPresenter::ShowDelaySlider(int output) {
  for (const OutputStripView& strip : m_view.outputs) {
    SetVisible(strip.delay, false);
    SetVisible(strip.delayPlaceholder, true);
  }
  if (!IsOutput(output)) return;
  SetVisible(m_view.outputs[At(output)].delayPlaceholder, false);
  SetVisible(m_view.outputs[At(output)].delay, true);
}

}  // namespace qb

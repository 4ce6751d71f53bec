// What the user does with the main window's controls, handed to the core's editing
// services: the control's value is read and turned into real units here; the rules, the
// mirror and the commands are the core's, and the controls follow its change notices.
#include <QString>
#include <optional>
#include <string>

#include "core/eq_values.h"
#include "core/output_levels.h"
#include "core/role_catalogue.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/language_tables.h"
#include "ui/slider.h"
#include "windows/main_presenter.h"
#include "windows/view_controls.h"
#include "windows/view_formats.h"

namespace qb {
namespace {

std::string TextOf(const QWidget* control) { return control ? ui::ControlText(control).toStdString() : std::string(); }

bool Checked(const ui::CheckBox* box) { return box && box->IsChecked(); }

/// A typed whole number of dB where "${off}" (as stored or as shown) reads `offValue`;
/// nothing for a text that is no number (a typo must never set a volume).
std::optional<int> TypedVolume(const QWidget* edit, int offValue) {
  const QString text = edit ? ui::ControlText(edit) : QString();
  const QString off = QStringLiteral("${off}");
  if (text == off || text == ui::Tr(off)) return offValue;
  const std::string typed = text.toStdString();
  if (!StartsWithNumber(typed)) return std::nullopt;
  return LeadingWholeNumber(typed);
}

/// A typed number; nothing for a text that is no number.
std::optional<double> TypedNumber(const QWidget* edit) {
  const std::string typed = TextOf(edit);
  if (!StartsWithNumber(typed)) return std::nullopt;
  return LeadingNumber(typed);
}

bool IsBandIndex(int band) { return band >= 0 && band < kMaxEqBands; }

}  // namespace

// --- output strips --------------------------------------------------------------------------------

void MainPresenter::SetCurChannelChange(int output) { m_core.Outputs().SelectOutput(output); }

void MainPresenter::SetChVolume(int output) {
  if (!IsOutput(output) || !m_view.outputs[At(output)].volume) return;
  m_core.Outputs().SetVolumeTenths(output, m_view.outputs[At(output)].volume->value());
}

void MainPresenter::SetChVolumeEdit(int output) {
  if (!IsOutput(output)) return;
  const std::optional<int> typed = TypedVolume(m_view.outputs[At(output)].volumeEdit, kOutputOffDb);
  if (!typed) {
    DrawVolume(output);  // a typo: the volume shown before, nothing sent
    return;
  }
  m_core.Outputs().SetVolumeDb(output, *typed);
}

void MainPresenter::SetChVolumeUp(int output, bool up) { m_core.Outputs().StepVolume(output, up); }

void MainPresenter::SetChMute(int output) {
  if (!IsOutput(output)) return;
  m_core.Outputs().SetMute(output, Checked(m_view.outputs[At(output)].mute));
}

void MainPresenter::SetChPhase(int output) {
  if (!IsOutput(output)) return;
  m_core.Outputs().SetPhase(output, Checked(m_view.outputs[At(output)].phase));
}

void MainPresenter::SetChSynchronize(int output) {
  if (!IsOutput(output)) return;
  m_core.Outputs().SetSynchronize(output, Checked(m_view.outputs[At(output)].synchronize));
}

void MainPresenter::SetChShowEqualizer(int output) {
  if (!IsOutput(output)) return;
  m_core.Outputs().SetShowCurve(output, Checked(m_view.outputs[At(output)].show));
}

void MainPresenter::SetChDelay(int output) {
  if (!IsOutput(output) || !m_view.outputs[At(output)].delay) return;
  m_core.Outputs().SetDelayMicros(output, m_view.outputs[At(output)].delay->value());
}

void MainPresenter::SetChDelayEdit(int output) {
  if (!IsOutput(output)) return;
  ui::Edit* edit = m_view.outputs[At(output)].delayEdit;
  const std::optional<double> typed = TypedNumber(edit);
  if (!typed) {
    DrawDelay(output, false);
    return;
  }
  const double kept = m_core.Outputs().SetDelayTyped(output, *typed);
  // The field keeps the distance as typed (held to its range), not as it reads back from
  // whole microseconds.
  view::SetText(edit, DelayValueText(kept, m_core.Mirror().session.delayUnit));
}

void MainPresenter::SetChDelayUp(int output, bool up) { m_core.Outputs().StepDelay(output, up); }

void MainPresenter::SetDelayUnit() {
  const int index = m_view.delayUnit ? m_view.delayUnit->CurrentSelection() : 0;
  m_core.Outputs().SetDelayUnit(DelayUnitOfIndex(index));
}

// --- main volume and amplifier ----------------------------------------------------------------------

void MainPresenter::SetMainVolume() {
  if (m_view.mainVolume) m_core.Main().SetMainVolume(m_view.mainVolume->value());
}

void MainPresenter::SetMainVolumeEdit() {
  const std::optional<int> typed = TypedVolume(m_view.mainVolumeEdit, kOutputOffDb);
  if (!typed) {
    DrawMainVolume();
    return;
  }
  m_core.Main().SetMainVolume(*typed);
}

void MainPresenter::SetMainVolumeUp(bool up) { m_core.Main().StepMainVolume(up); }

void MainPresenter::SetMainMute() { m_core.Main().SetMainMute(Checked(m_view.mainMute)); }

void MainPresenter::ToggleAmp() { m_core.Main().SetAmp(Live().ampOn == 0); }

// --- lock, link, reset ----------------------------------------------------------------------------

void MainPresenter::SetOutpuLock() { m_core.Links().ToggleLock(Confirmer()); }

void MainPresenter::SetOutputLink() {
  const QString tips = QStringLiteral("${tips}");
  const LinkOutcome outcome = m_core.Links().ToggleLink([this, &tips]() -> std::optional<CopyDirection> {
    switch (m_host.ShowChoice(tips, QStringLiteral("${link_tips}"), QStringLiteral("${copy_left_to_right}"),
                              QStringLiteral("${copy_right_to_left}"))) {
      case 1: return CopyDirection::LeftToRight;
      case 2: return CopyDirection::RightToLeft;
      default: return std::nullopt;
    }
  });
  if (outcome == LinkOutcome::NotLinkable)
    m_host.ShowMessage(tips, QStringLiteral("${not_linkable_tips}"), {QStringLiteral("${confirm}")});
}

void MainPresenter::SetOutputReset() {
  constexpr int kDefaultAnswer = 1;
  constexpr int kEmptiedAnswer = 2;
  const int answer = m_host.ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${empty_output_tips}"),
                                        {QStringLiteral("${default}"), QStringLiteral("${cancel}"),
                                         QStringLiteral("${emptied}")});
  if (answer == kDefaultAnswer) m_core.Links().ResetOutputs(OutputReset::Default);
  else if (answer == kEmptiedAnswer) m_core.Links().ResetOutputs(OutputReset::Emptied);
}

// --- roles and routing ------------------------------------------------------------------------------

void MainPresenter::SetOutputValue(int output, const QString& itemName) {
  const int code = RoleCode(itemName.toStdString());
  if (code < 0) {
    LogPrintA("SetOutputValue channel %d selected value %s\n", output, itemName.toUtf8().constData());
    return;
  }
  m_core.Routing().SetRole(output, code);
}

void MainPresenter::SetSpeakerFocus(int role) {
  if (role >= 1 && role <= kSpeakerCount) view::SetSelected(m_view.speakers[At(role)], true);
  m_core.Routing().FocusRole(role);
}

void MainPresenter::SetInputSource() {
  m_core.Routing().SetSource(m_view.source ? m_view.source->CurrentSelection() : -1);
}

void MainPresenter::SetChInput(int output, int input) {
  if (!IsOutput(output) || input < 1 || input > kInputBoxes) return;
  const ui::CheckBox* box = m_view.outputs[At(output)].inputs[At(input - 1)];
  if (!box) return;
  m_core.Routing().SetInput(output, input, box->IsChecked());
}

// --- equaliser ------------------------------------------------------------------------------------

void MainPresenter::SetChEqEdit(int band) {
  if (!IsBandIndex(band)) return;
  const BandRowView& row = m_view.bands[At(band)];
  const std::optional<double> q = TypedNumber(row.q);
  const std::optional<double> gain = TypedNumber(row.gain);
  if (!q || !gain) {
    UpdateEqBandView(Current());  // a typo: the row as before, nothing sent
    return;
  }
  // A frequency that is no number keeps the band's (the core's rule for any frequency it
  // cannot take).
  m_core.Eq().EditBand(Current(), band, ReadFrequencyText(TextOf(row.freq)), static_cast<float>(*q),
                       static_cast<float>(*gain));
}

void MainPresenter::SetChEqSlider(int band) {
  if (!IsBandIndex(band) || !m_view.bands[At(band)].slider) return;
  m_core.Eq().SetBandGainTenths(Current(), band, m_view.bands[At(band)].slider->value());
}

void MainPresenter::OnEqEnable(int band) { m_core.Eq().ToggleBandEnable(Current(), band); }

void MainPresenter::SetEqFreqUp(int band, bool up) { m_core.Eq().StepBandFrequency(Current(), band, up); }

void MainPresenter::SetEqGainUp(int band, bool up) { m_core.Eq().StepBandGain(Current(), band, up); }

void MainPresenter::SetEqQUp(int band, bool up) { m_core.Eq().StepBandQ(Current(), band, up); }

void MainPresenter::EqualizerCallback(int index, int kind) {
  LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", kind, index);
  const auto* display = dynamic_cast<const ui::EqualizerDisplay*>(m_view.curve);
  if (!display || index < 0) return;
  switch (kind) {
    case 0: {
      const ui::CurveBand band = display->DisplayBand(index);
      m_core.Eq().DragBand(Current(), index, band.freq, band.q, band.gain);
      return;
    }
    case 1: m_core.Crossovers().DragFrequency(Current(), true, display->HpFreq()); return;
    case 2: m_core.Crossovers().DragFrequency(Current(), false, display->LpFreq()); return;
    default: return;
  }
}

void MainPresenter::SetOutputBypass() { m_core.Eq().ToggleBypass(Current(), Confirmer()); }

void MainPresenter::SetEqMode() { m_core.Eq().ToggleEqMode(Confirmer()); }

void MainPresenter::SetOutputEqReset() { m_core.Eq().ResetEq(Current(), Confirmer()); }

// --- crossover --------------------------------------------------------------------------------------

void MainPresenter::CommitCrossoverFrequency(bool highPass) {
  const std::string typed = TextOf(highPass ? m_view.hpFreq : m_view.lpFreq);
  if (!StartsWithNumber(typed)) {
    SetFreqDivider(Current());  // a typo would have read as 0 Hz: the corner as before
    return;
  }
  m_core.Crossovers().SetFrequency(Current(), highPass, ReadFrequencyText(typed));
}

void MainPresenter::SetHpFreq() { CommitCrossoverFrequency(true); }
void MainPresenter::SetLpFreq() { CommitCrossoverFrequency(false); }
void MainPresenter::SetHpFreqUp(bool up) { m_core.Crossovers().StepFrequency(Current(), true, up); }
void MainPresenter::SetLpFreqUp(bool up) { m_core.Crossovers().StepFrequency(Current(), false, up); }

void MainPresenter::SetHpType() {
  if (m_view.hpType) m_core.Crossovers().SetType(Current(), true, m_view.hpType->CurrentSelection());
}

void MainPresenter::SetLpType() {
  if (m_view.lpType) m_core.Crossovers().SetType(Current(), false, m_view.lpType->CurrentSelection());
}

void MainPresenter::SetHpSlope() {
  if (m_view.hpSlope) m_core.Crossovers().SetSlope(Current(), true, m_view.hpSlope->CurrentSelection());
}

void MainPresenter::SetLpSlope() {
  if (m_view.lpSlope) m_core.Crossovers().SetSlope(Current(), false, m_view.lpSlope->CurrentSelection());
}

}  // namespace qb

// What the user does with the main window's controls, handed to the core's editing
// services: a control's text is read and turned into real units here; the rules, the mirror
// and the commands are the core's, and the controls follow its change notices.
#include <QString>
#include <optional>
#include <string>

#include "core/output_levels.h"
#include "core/typed_number.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/language_tables.h"
#include "windows/main_presenter.h"
#include "windows/view_controls.h"
#include "windows/view_formats.h"

namespace qb {
namespace {

std::string TextOf(const QWidget* control) { return control ? ui::ControlText(control).toStdString() : std::string(); }

/// A typed whole number of dB where "${off}" (as stored or as shown) reads `offValue`;
/// nothing for a text that is not wholly a number (a typo must never set a volume).
std::optional<int> TypedVolume(const QWidget* edit, int offValue, unsigned units) {
  const QString text = edit ? ui::ControlText(edit).trimmed() : QString();
  const QString off = QStringLiteral("${off}");
  if (text == off || text.compare(ui::Tr(off), Qt::CaseInsensitive) == 0) return offValue;
  const std::optional<double> typed = ReadTypedNumber(text.toStdString(), units);
  if (!typed) return std::nullopt;
  return WholeOfTyped(*typed);
}

/// The unit a delay field takes after its number: the one it shows.
unsigned DelayUnitWord(DelayUnit unit) {
  switch (unit) {
    case DelayUnit::Cm: return kUnitCm;
    case DelayUnit::In: return kUnitIn;
    case DelayUnit::Ms: break;
  }
  return kUnitMs;
}

}  // namespace

bool MainPresenter::Ask(const char* textKey) {
  return m_host.ShowConfirm(QStringLiteral("${tips}"), QString::fromLatin1(textKey)) == 1;
}

// --- typed fields -------------------------------------------------------------------------------

void MainPresenter::CommitOutputVolume(int output) {
  if (!IsOutput(output)) return;
  const std::optional<int> typed = TypedVolume(m_view.outputs[At(output)].volumeEdit, kOutputOffDb, kUnitDb);
  if (!typed) {
    DrawVolume(output);  // a typo: the volume shown before, nothing sent
    return;
  }
  m_core.Outputs().SetVolumeDb(output, *typed);
}

void MainPresenter::CommitDelay(int output) {
  if (!IsOutput(output)) return;
  ui::Edit* edit = m_view.outputs[At(output)].delayEdit;
  const DelayUnit unit = m_core.Mirror().session.delayUnit;
  const std::optional<double> typed = ReadTypedNumber(TextOf(edit), DelayUnitWord(unit));
  if (!typed) {
    DrawDelay(output, false);
    return;
  }
  const double kept = m_core.Outputs().SetDelayTyped(output, *typed);
  // The field keeps the distance as typed (held to its range), not as it reads back from
  // whole microseconds.
  view::SetText(edit, DelayValueText(kept, unit));
}

void MainPresenter::CommitMainVolume() {
  // The main volume is a slider position: a number without a unit.
  const std::optional<int> typed = TypedVolume(m_view.mainVolumeEdit, kOutputOffDb, kNoUnit);
  if (!typed) {
    DrawMainVolume();
    return;
  }
  m_core.Main().SetMainVolume(*typed);
}

void MainPresenter::CommitBand(int band) {
  if (band < 0 || band >= kMaxEqBands) return;
  const BandRowView& row = m_view.bands[At(band)];
  const std::optional<int> freq = ReadTypedFrequency(TextOf(row.freq));
  const std::optional<double> q = ReadTypedNumber(TextOf(row.q), kNoUnit);
  const std::optional<double> gain = ReadTypedNumber(TextOf(row.gain), kUnitDb);
  if (!freq || !q || !gain) {
    UpdateEqBandView(Current());  // a typo: the row as before, nothing sent
    return;
  }
  // A frequency outside the box's range keeps the band's (the core's rule).
  m_core.Eq().EditBand(Current(), band, *freq, static_cast<float>(*q), static_cast<float>(*gain));
}

void MainPresenter::ReturnInBand(const FocusField& field) {
  // Enter confirms a band's row, then the focus moves along it. Leaving a field commits it
  // too, but the next field may not take the focus (frequency and Q in graphic mode), and
  // the value typed must not wait for that.
  CommitBand(field.index);
  FocusField next = field;
  switch (field.kind) {
    case FocusField::Kind::BandFreq: next.kind = FocusField::Kind::BandQ; break;
    case FocusField::Kind::BandQ: next.kind = FocusField::Kind::BandGain; break;
    default: {
      const int bands = EqSize(Mirrored(), Current());
      next = {FocusField::Kind::BandFreq, field.index + 1 >= bands ? 0 : field.index + 1};
      break;
    }
  }
  if (QWidget* control = FieldControl(next); control && control->isEnabled()) control->setFocus(Qt::OtherFocusReason);
}

void MainPresenter::CommitCrossoverFrequency(bool highPass) {
  const std::optional<int> typed = ReadTypedFrequency(TextOf(highPass ? m_view.hpFreq : m_view.lpFreq));
  if (!typed) {
    SetFreqDivider(Current());  // a typo: the corner as before
    return;
  }
  m_core.Crossovers().SetFrequency(Current(), highPass, *typed);
}

// --- the curve --------------------------------------------------------------------------------------

void MainPresenter::DragBand(int band) {
  LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", 0, band);
  const auto* display = dynamic_cast<const ui::EqualizerDisplay*>(m_view.curve);
  if (!display || band < 0) return;
  const ui::CurveBand shown = display->DisplayBand(band);
  m_core.Eq().DragBand(Current(), band, shown.freq, shown.q, shown.gain);
}

void MainPresenter::DragCrossover(bool highPass) {
  LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", highPass ? 1 : 2, 0);
  const auto* display = dynamic_cast<const ui::EqualizerDisplay*>(m_view.curve);
  if (!display) return;
  const int hz = highPass ? display->HpFreq() : display->LpFreq();
  // A corner the core refuses (at or past the other one) snaps back to where it is.
  if (!m_core.Crossovers().DragFrequency(Current(), highPass, hz)) UpdateEqualizer(-1);
}

// --- lock, link, reset, roles -------------------------------------------------------------------

void MainPresenter::ToggleLink() {
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

void MainPresenter::ResetOutputs() {
  constexpr int kDefaultAnswer = 1;
  constexpr int kEmptiedAnswer = 2;
  const int answer = m_host.ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${empty_output_tips}"),
                                        {QStringLiteral("${default}"), QStringLiteral("${cancel}"),
                                         QStringLiteral("${emptied}")});
  if (answer == kDefaultAnswer) m_core.Links().ResetOutputs(OutputReset::Default);
  else if (answer == kEmptiedAnswer) m_core.Links().ResetOutputs(OutputReset::Emptied);
}

void MainPresenter::SelectSpeaker(int role) {
  if (role >= 1 && role <= kSpeakerCount) view::SetSelected(m_view.speakers[At(role)], true);
  m_core.Routing().FocusRole(role);
}

}  // namespace qb

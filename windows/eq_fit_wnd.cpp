#include "windows/eq_fit_wnd.h"

#include <QFileInfo>
#include <QScreen>
#include <algorithm>

#include "core/equalizer_manager.h"
#include "core/measurement_text.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "windows/measurement_view.h"
#include "windows/presenter_host.h"

namespace qb::windows {
namespace {

/// The items of "fit_target", in the layout's order.
constexpr int kFlatItem = 0;
constexpr int kVoicingAItem = 1;
constexpr int kVoicingBItem = 2;
constexpr int kHouseCurveItem = 3;

/// Room between the curve and the dialog placed beside it.
constexpr int kBesideGap = 12;

QString Fixed(double value, int decimals) { return QString::number(value, 'f', decimals); }

}  // namespace

bool CEqFitWnd::Choice::SameAs(const Choice& other) const {
  return targetItem == other.targetItem && request.mode == other.request.mode &&
         request.bands == other.request.bands && request.maxBoostDb == other.request.maxBoostDb;
}

CEqFitWnd::CEqFitWnd(QWidget* owner, EqualizerManager& core, MeasurementView& view,
                     const OutputMeasurement& measurement, HouseCurveChooser askHouseCurve, QWidget* beside)
    : DialogBase(owner),
      m_core(core),
      m_view(view),
      m_measurement(measurement),
      m_askHouseCurve(std::move(askHouseCurve)),
      m_beside(beside),
      m_bandSlots(EqSize(core.CurrentProfile(), measurement.output)) {}

CEqFitWnd::~CEqFitWnd() = default;

void CEqFitWnd::OnInit() {
  ApplyOwnerScale();
  m_target = Require<ui::Combo>(QStringLiteral("fit_target"));
  m_targetPath = Require<QWidget>(QStringLiteral("fit_target_path"));
  m_parametric = Require<ui::Option>(QStringLiteral("fit_mode_peq"));
  m_graphic = Require<ui::Option>(QStringLiteral("fit_mode_geq"));
  m_bands = Require<ui::Edit>(QStringLiteral("fit_bands"));
  m_bandsRange = Require<QWidget>(QStringLiteral("fit_bands_range"));
  m_maxBoost = Require<ui::Edit>(QStringLiteral("fit_max_boost"));
  m_result = Require<QWidget>(QStringLiteral("fit_result"));
  auto* fit = Require<ui::Button>(QStringLiteral("fit_btn"));
  Require<ui::Button>(QStringLiteral("confirm_btn"));
  if (!m_target || !m_targetPath || !m_parametric || !m_graphic || !m_bands || !m_bandsRange || !m_maxBoost ||
      !m_result || !fit)
    return;

  // Every band the output has, with the box's usual boost limit.
  m_target->SelectItem(kFlatItem, false);
  m_bands->setText(QString::number(m_bandSlots));
  m_maxBoost->setText(Fixed(kDefaultMaxBoostDb, 1));
  m_parametric->SetSelected(true, false);
  ModeChosen();

  Bind(m_target, ui::Event::ItemSelect, [this] { TargetChosen(); });
  Bind(m_parametric, ui::Event::Click, [this] { ModeChosen(); });
  Bind(m_graphic, ui::Event::Click, [this] { ModeChosen(); });
  Bind(m_bands, ui::Event::Return, [this] { RunFit(); });
  Bind(m_maxBoost, ui::Event::Return, [this] { RunFit(); });
  Bind(fit, ui::Event::Click, [this] { RunFit(); });
  BindCommonButtons([this](int code) {
    if (code == kCodeConfirm) Apply();
    else Close(code);
  });
}

void CEqFitWnd::showEvent(QShowEvent* event) {
  DialogBase::showEvent(event);
  if (!m_beside) return;
  // Beside the curve rather than over it: the curves are what the dialog is about.
  const QRect curve(m_beside->mapToGlobal(QPoint(0, 0)), m_beside->size());
  QPoint at(curve.right() + kBesideGap, curve.top());
  if (const QScreen* screen = m_beside->screen()) {
    const QRect area = screen->availableGeometry();
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
  }
  move(at);
}

std::optional<FitTarget> CEqFitWnd::TargetOf(int item) const {
  switch (item) {
    case kFlatItem: return FitTarget{FitTargetKind::Flat, {}};
    case kVoicingAItem: return FitTarget{FitTargetKind::VoicingA, {}};
    case kVoicingBItem: return FitTarget{FitTargetKind::VoicingB, {}};
    case kHouseCurveItem:
      if (m_houseCurve) return FitTarget{FitTargetKind::HouseCurve, *m_houseCurve};
      break;
    default: break;
  }
  return std::nullopt;
}

void CEqFitWnd::TargetChosen() {
  const int item = m_target->CurrentSelection();
  if (item != kHouseCurveItem) {
    m_lastTargetItem = item;
    return;
  }
  const QString path = m_askHouseCurve ? m_askHouseCurve() : QString();
  MeasurementRead read;
  if (!path.isEmpty()) read = ReadHouseCurveFile(path.toStdString());
  if (path.isEmpty() || read.error) {
    if (read.error)
      ShowResult(ui::Tr(QStringLiteral("${measurement_read_error}")) + QStringLiteral(" ") +
                 QString::fromStdString(MeasurementErrorText(*read.error)));
    m_target->SelectItem(m_lastTargetItem, false);
    return;
  }
  m_houseCurve = std::move(read.response);
  m_lastTargetItem = item;
  ui::SetControlText(m_targetPath, QFileInfo(path).fileName());
  // Another curve under the same item: the fit shown aimed at the one before.
  m_fit.reset();
  m_view.EndPreview();
}

void CEqFitWnd::ModeChosen() {
  const bool graphic = m_graphic->IsSelected();
  m_bands->setEnabled(!graphic);
  const QString range = graphic ? QStringLiteral("${fit_bands_graphic}") : QStringLiteral("${fit_bands_range}");
  ui::SetControlText(m_bandsRange, ui::Tr(range).arg(m_bandSlots));
}

std::optional<CEqFitWnd::Choice> CEqFitWnd::ReadChoice() {
  Choice choice;
  choice.targetItem = m_target->CurrentSelection();
  if (!TargetOf(choice.targetItem)) {
    ShowResult(ui::Tr(QStringLiteral("${fit_no_house_curve}")));
    return std::nullopt;
  }
  choice.request.mode = m_graphic->IsSelected() ? EqFitMode::Graphic : EqFitMode::Parametric;
  bool ok = false;
  if (choice.request.mode == EqFitMode::Parametric) {
    const int bands = m_bands->text().trimmed().toInt(&ok);
    if (!ok || bands < 1 || bands > m_bandSlots) {
      ShowResult(ui::Tr(QStringLiteral("${fit_bad_bands}")).arg(m_bandSlots));
      return std::nullopt;
    }
    choice.request.bands = bands;
  }
  QString boost = m_maxBoost->text().trimmed();
  boost.replace(QLatin1Char(','), QLatin1Char('.'));
  const double maxBoost = boost.toDouble(&ok);
  if (!ok || !(maxBoost >= 0.0 && maxBoost <= kBandGainLimits.maximum)) {
    ShowResult(ui::Tr(QStringLiteral("${fit_bad_boost}")));
    return std::nullopt;
  }
  choice.request.maxBoostDb = maxBoost;
  return choice;
}

void CEqFitWnd::RunFit() {
  const std::optional<Choice> choice = ReadChoice();
  const std::optional<FitTarget> target = choice ? TargetOf(choice->targetItem) : std::nullopt;
  if (!target) {
    m_fit.reset();
    m_view.EndPreview();
    return;
  }
  const Profile& live = m_core.CurrentProfile();
  EqFitOutcome outcome = FitMeasurement(live, m_measurement, *target, choice->request);
  if (!outcome.fit) {
    m_fit.reset();
    m_view.EndPreview();
    ShowResult(ui::Tr(QStringLiteral("${fit_failed}")) + QStringLiteral(" ") + QString::fromStdString(outcome.error));
    return;
  }
  m_fit = std::move(outcome.fit);
  m_fitChoice = *choice;
  LogPrintA("fit channel %d: %zu bands, residual %.2f dB, level %.1f dB\n", m_fit->output, m_fit->bands.size(),
            m_fit->residualDb, m_fit->levelDb);
  m_view.ShowPreview(FitPreviewOf(live, m_measurement, *target, m_fit->bands), m_fit->levelDb);
  ShowResult(ui::Tr(QStringLiteral("${fit_result}"))
                 .arg(Fixed(m_fit->residualDb, 2), Fixed(m_fit->residualBeforeDb, 2), Fixed(m_fit->range.lowHz, 0),
                      Fixed(m_fit->range.highHz, 0), Fixed(m_fit->levelDb, 1)));
}

void CEqFitWnd::Apply() {
  const std::optional<Choice> choice = ReadChoice();
  if (!choice) return;
  // Applied only as it was shown: changed choices are fitted and shown first.
  if (!m_fit || !choice->SameAs(m_fitChoice)) {
    RunFit();
    return;
  }
  m_accepted = m_fit;
  Close(kCodeConfirm);
}

void CEqFitWnd::ShowResult(const QString& text) { ui::SetControlText(m_result, text); }

void RunEqFit(QWidget* owner, EqualizerManager& core, PresenterHost& host, MeasurementView& view,
              const HouseCurveChooser& askHouseCurve, QWidget* beside) {
  const OutputMeasurement* measurement = view.Of(core.CurrentProfile().currChannel);
  if (!measurement) {
    host.ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${fit_no_measurement}"), {QStringLiteral("${confirm}")});
    return;
  }
  std::optional<EqFitResult> fit;
  {
    DialogHolder<CEqFitWnd> dialog(owner, core, view, *measurement, askHouseCurve, beside);
    dialog->Build(QStringLiteral("eqfitwnd"));
    const int code = dialog->Run();
    // A dialog its owner took away took the window with it: nothing is left to change.
    if (!dialog) return;
    if (code == kCodeConfirm) fit = dialog->Accepted();
  }
  if (fit && !fit->bands.empty()) {
    LogPrintA("apply fit to channel %d: %zu bands\n", fit->output, fit->bands.size());
    core.Eq().ImportBands(fit->output, fit->bands, std::nullopt,
                          fit->mode == EqFitMode::Graphic ? ImportEditing::KeepMode : ImportEditing::Parametric);
  }
  view.EndPreview();
}

}  // namespace qb::windows

#pragma once
/// The equaliser fit of the Options menu: the current output's equaliser fitted to a target
/// from the output's measurement, within the box's limits.
///
/// The user picks the target (flat, voicing A or B, a house curve file), the mode (bands
/// placed anywhere, or the graphic equaliser's fixed bands), how many bands and the boost
/// limit. Fit shows the predicted response (and the target) on the main window's curve, and
/// the residual and the level offset here; Apply ends the dialog with the fit shown, after
/// fitting first when the choices changed since; Cancel or the close button end it with
/// nothing. The dialog changes nothing itself: RunEqFit applies what it ends with.

#include <QString>
#include <functional>
#include <optional>

#include "core/eq_fit.h"
#include "core/fit_target.h"
#include "core/output_measurement.h"
#include "windows/dialog_base.h"

namespace qb {
class EqualizerManager;
class PresenterHost;
namespace ui {
class Combo;
class Edit;
class Option;
}  // namespace ui
}  // namespace qb

namespace qb::windows {

class MeasurementView;

/// Asks for a house curve file; empty when the user cancelled.
using HouseCurveChooser = std::function<QString()>;

class CEqFitWnd : public DialogBase {
  Q_OBJECT
 public:
  /// Fits `measurement`'s output of `core`'s mirror; shows fits through `view`. `beside`
  /// is the curve the dialog is placed next to, so the curves stay in sight.
  CEqFitWnd(QWidget* owner, EqualizerManager& core, MeasurementView& view, const OutputMeasurement& measurement,
            HouseCurveChooser askHouseCurve, QWidget* beside);
  ~CEqFitWnd() override;

  QString ClassName() const override { return QStringLiteral("EqFitWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_EQ_FIT"); }

  /// The fit Apply ended the dialog with; nothing before, or after Cancel.
  const std::optional<EqFitResult>& Accepted() const { return m_accepted; }

 protected:
  void OnInit() override;
  void showEvent(QShowEvent* event) override;

 private:
  /// What the user chose, as the fit takes it.
  struct Choice {
    int targetItem = 0;
    EqFitRequest request;
    bool SameAs(const Choice& other) const;
  };

  /// The choices as they stand; nothing (and the reason shown) when one cannot be used.
  std::optional<Choice> ReadChoice();
  std::optional<FitTarget> TargetOf(int item) const;
  void TargetChosen();
  void ModeChosen();
  void RunFit();
  void Apply();
  void ShowResult(const QString& text);

  EqualizerManager& m_core;
  MeasurementView& m_view;
  const OutputMeasurement& m_measurement;
  HouseCurveChooser m_askHouseCurve;
  QWidget* m_beside;
  int m_bandSlots = 0;

  ui::Combo* m_target = nullptr;
  QWidget* m_targetPath = nullptr;
  ui::Option* m_parametric = nullptr;
  ui::Option* m_graphic = nullptr;
  ui::Edit* m_bands = nullptr;
  QWidget* m_bandsRange = nullptr;
  ui::Edit* m_maxBoost = nullptr;
  QWidget* m_result = nullptr;

  /// The house curve chosen, and the item chosen before it (taken back when a file is
  /// not chosen or cannot be read).
  std::optional<MeasuredResponse> m_houseCurve;
  int m_lastTargetItem = 0;
  /// The fit shown, and the choices it was made with.
  std::optional<EqFitResult> m_fit;
  Choice m_fitChoice;
  std::optional<EqFitResult> m_accepted;
};

/// Runs the fit for the current output's measurement and applies the fit the user accepts:
/// the bands go into the output as an import puts them (the linked partner and the
/// synchronize group follow), one undo step within the caller's gesture; a graphic fit keeps
/// the editing mode, a parametric one turns editing parametric. Without a measurement of the
/// output the user is told to import one.
void RunEqFit(QWidget* owner, EqualizerManager& core, PresenterHost& host, MeasurementView& view,
              const HouseCurveChooser& askHouseCurve, QWidget* beside);

}  // namespace qb::windows

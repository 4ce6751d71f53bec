#pragma once
/// The measurements imported into the main window and their curves on the equaliser plot.
///
/// One measurement is kept per output (a later import for the output replaces it). While its
/// output is current the plot shows the measured curve and the curve predicted from the
/// output's settings now, each with a show box in the plot's legend; the prediction follows
/// every change of the output, as the mirror announces it. A fit shown before it is applied
/// takes the prediction's place, with its target, until it is applied or dropped.
///
/// The curves are drawn relative to the measurement's mean level in the output's pass band,
/// so an absolute measurement (an SPL of 85 dB) sits on the plot's 0 dB line; the target of a
/// fit is drawn where the fit's level offset puts it beside the prediction.
///
/// The measurements are the window's own, not the box's: nothing here changes the mirror,
/// and they stay across connections and loads, each with the settings it was taken through.

#include <QString>
#include <array>
#include <optional>
#include <string>

#include "core/eq_prediction.h"
#include "core/mirror_change.h"
#include "core/output_measurement.h"

class QWidget;

namespace qb {
class EqualizerManager;
namespace ui {
class CheckBox;
class WindowBase;
}  // namespace ui
namespace controls {
class CurveLegend;
class EqualizerCurve;
}  // namespace controls
}  // namespace qb

namespace qb::windows {

class MeasurementView final : public MirrorObserver {
 public:
  /// Which curve a show box shows.
  enum class Shown { Measured, Predicted, Target };

  /// Draws on `curve` (draws nothing when it is not the program's curve control) and binds
  /// the boxes of its legend in `window`.
  MeasurementView(EqualizerManager& core, ui::WindowBase& window, QWidget* curve);
  ~MeasurementView() override;
  MeasurementView(const MeasurementView&) = delete;
  MeasurementView& operator=(const MeasurementView&) = delete;

  /// Reads the measurement file at `path` as taken through the current output as it is now,
  /// and keeps it for that output. Empty when kept; else why not ("line 7: ..."), and nothing
  /// changed.
  std::string Import(const std::string& path);
  /// The measurement of `output`, or null.
  const OutputMeasurement* Of(int output) const;

  /// Shows a fit's curves (FitPreviewOf, and the level offset the fit reports) in place of
  /// the prediction, with the target.
  void ShowPreview(const EqFitCurves& curves, double levelDb);
  void EndPreview();

  void MirrorChanged(const Change& change) override;

 private:
  struct Preview {
    EqFitCurves curves;
    double levelDb = 0.0;
  };

  void BindBox(ui::WindowBase& window, Shown which);
  void Redraw();

  EqualizerManager& m_core;
  controls::EqualizerCurve* m_curve = nullptr;
  controls::CurveLegend* m_legend = nullptr;
  std::array<ui::CheckBox*, 3> m_boxes{};
  std::array<bool, 3> m_shown{true, true, true};
  std::array<std::optional<OutputMeasurement>, kOutputSlots> m_measurements;
  std::optional<Preview> m_preview;
};

}  // namespace qb::windows

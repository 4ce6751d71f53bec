#pragma once
/// The Options menu's measurement items: "Import Measurement..." reads a measurement of the
/// current output and shows it on the curve (a file that cannot be used is named with its
/// line), "Fit Equaliser..." fits the output's equaliser to it (eq_fit_wnd.h). It owns the
/// measurements the window keeps and draws (measurement_view.h).

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace qb {
class EqualizerManager;
class PresenterHost;
namespace ui {
class WindowBase;
}
}  // namespace qb

namespace qb::windows {

class MeasurementView;

class MeasurementMenu {
 public:
  /// `curve` is the main window's equaliser curve; `askPath` asks which measurement (or
  /// house curve) file to read, empty when cancelled.
  MeasurementMenu(ui::WindowBase& window, EqualizerManager& core, PresenterHost& host, QWidget* curve,
                  std::function<QString()> askPath);
  ~MeasurementMenu();
  MeasurementMenu(const MeasurementMenu&) = delete;
  MeasurementMenu& operator=(const MeasurementMenu&) = delete;

  void ImportMeasurement();
  void FitEqualizer();

 private:
  ui::WindowBase& m_window;
  EqualizerManager& m_core;
  PresenterHost& m_host;
  QWidget* m_curve;
  std::function<QString()> m_askPath;
  std::unique_ptr<MeasurementView> m_view;
};

}  // namespace qb::windows

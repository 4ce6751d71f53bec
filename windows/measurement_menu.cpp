#include "windows/measurement_menu.h"

#include "ui/language_tables.h"
#include "ui/window_base.h"
#include "windows/eq_fit_wnd.h"
#include "windows/measurement_view.h"
#include "windows/presenter_host.h"

namespace qb::windows {

MeasurementMenu::MeasurementMenu(ui::WindowBase& window, EqualizerManager& core, PresenterHost& host, QWidget* curve,
                                 std::function<QString()> askPath)
    : m_window(window),
      m_core(core),
      m_host(host),
      m_curve(curve),
      m_askPath(std::move(askPath)),
      m_view(std::make_unique<MeasurementView>(core, window, curve)) {}

MeasurementMenu::~MeasurementMenu() = default;

void MeasurementMenu::ImportMeasurement() {
  const QString path = m_askPath();
  if (path.isEmpty()) return;
  const std::string problem = m_view->Import(path.toStdString());
  if (problem.empty()) return;
  m_host.ShowMessage(QStringLiteral("${tips}"),
                     ui::Tr(QStringLiteral("${measurement_read_error}")) + QStringLiteral("\n") +
                         QString::fromStdString(problem),
                     {QStringLiteral("${confirm}")});
}

void MeasurementMenu::FitEqualizer() { RunEqFit(&m_window, m_core, m_host, *m_view, m_askPath, m_curve); }

}  // namespace qb::windows

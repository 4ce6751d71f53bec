#include "windows/eq_exchange.h"

#include <QFileInfo>
#include <array>

#include "core/eq_import.h"
#include "core/equalizer_manager.h"
#include "core/role_catalogue.h"
#include "core/text_file.h"
#include "shell/log.h"
#include "ui/language_tables.h"
#include "windows/presenter_host.h"
#include "windows/text_format.h"

namespace qb::windows {
namespace {

void Tell(PresenterHost& host, const QString& text) {
  host.ShowMessage(QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}")});
}

QString Listed(const EqImportPlan& plan) {
  QString text;
  for (const std::string& line : ProblemLines(plan.problems)) text += QStringLiteral("\n") + QString::fromStdString(line);
  return text;
}

}  // namespace

void ImportFilterText(EqualizerManager& core, PresenterHost& host, const QString& path) {
  const int output = core.CurrentProfile().currChannel;
  EqImportPlan plan;
  const FilterFileResult read = PlanEqImportFile(path.toStdString(), core.CurrentProfile(), output, plan);
  LogPrintA("import filter text %s into channel %d: %d\n", qPrintable(path), output, static_cast<int>(read));
  if (read != FilterFileResult::Ok) {
    Tell(host, ui::Tr(QStringLiteral("${eq_file_read_error}")));
    return;
  }
  if (plan.bands.empty()) {
    Tell(host, ui::Tr(QStringLiteral("${eq_import_none}")) + Listed(plan));
    return;
  }
  if (!plan.problems.empty()) {
    const QString text = ui::Tr(QStringLiteral("${eq_import_problems}")) + Listed(plan) + QStringLiteral("\n\n") +
                         ui::Tr(QStringLiteral("${eq_import_rest}"));
    if (host.ShowConfirm(QStringLiteral("${tips}"), text) != 1) return;
  }
  if (!core.Eq().ImportBands(output, plan.bands, plan.bypassed)) return;
  host.ShowStatus(FillPlaceholders(ui::Tr(QStringLiteral("${status_imported}")),
                                   {QString::number(plan.bands.size()), QFileInfo(path).fileName()}));
}

void ExportFilterText(EqualizerManager& core, PresenterHost& host, const QString& path) {
  const std::array<int, 1> outputs{core.CurrentProfile().currChannel};
  const std::string text = EqExportText(core.CurrentProfile(), outputs, [](int role) {
    return ui::Tr(QString::fromLatin1(RoleText(role).data(), static_cast<qsizetype>(RoleText(role).size()))).toStdString();
  });
  if (!SaveTextFile(path.toStdString(), text)) {
    Tell(host, ui::Tr(QStringLiteral("${eq_file_write_error}")));
    return;
  }
  host.ShowStatus(FillPlaceholders(ui::Tr(QStringLiteral("${status_exported}")), {QFileInfo(path).fileName()}));
}

}  // namespace qb::windows

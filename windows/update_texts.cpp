#include "windows/update_texts.h"

#include "ui/language_tables.h"
#include "windows/text_format.h"

namespace qb::windows {

QString ProgressText(const QString& format, int percent) {
  return FillPlaceholders(ui::Tr(format), {QString::number(percent)}).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

}  // namespace qb::windows

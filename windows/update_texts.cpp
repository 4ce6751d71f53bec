#include "windows/update_texts.h"

#include "shell/firmware_resources.h"
#include "ui/language_tables.h"
#include "windows/text_format.h"

namespace qb::windows {

QString ProgressText(const QString& format, int percent) {
  return FillPlaceholders(ui::Tr(format), {QString::number(percent)}).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString PrepareErrorText(int code, const QString& tempDir) {
  // The flash image's codes follow the MCU image's six.
  constexpr int kFlashOffset = 6;
  const int cause = code > kFlashOffset ? code - kFlashOffset : code;
  QString words;
  switch (cause) {
    case kResourceNotFound: words = ui::Tr(QStringLiteral("${fw_prepare_missing}")); break;
    case kResourceNoFile:
    case kResourceShortWrite: words = FillPlaceholders(ui::Tr(QStringLiteral("${fw_prepare_write}")), {tempDir}); break;
    default: words = ui::Tr(QStringLiteral("${fw_prepare_damaged}")); break;
  }
  return QStringLiteral("File prepare error. error code %1\n%2").arg(code).arg(words);
}

}  // namespace qb::windows

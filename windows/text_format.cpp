#include "windows/text_format.h"

#include <QRegularExpression>

namespace qb::windows {

QString FillPlaceholders(QString format, const QStringList& values) {
  static const QRegularExpression placeholder(QStringLiteral("%[ds]"));
  qsizetype from = 0;
  for (const QString& value : values) {
    const QRegularExpressionMatch match = placeholder.match(format, from);
    if (!match.hasMatch()) break;
    format.replace(match.capturedStart(), match.capturedLength(), value);
    // Past what was put in: a value holding "%d" is text, not a placeholder.
    from = match.capturedStart() + value.size();
  }
  return format;
}

}  // namespace qb::windows

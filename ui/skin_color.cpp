#include "ui/attribute_sink.h"

namespace qb::ui {

bool ParseSkinColor(const QString& text, unsigned& argb) {
  QString hex = text.trimmed();
  if (hex.startsWith('#')) hex.remove(0, 1);
  if (hex.size() != 6 && hex.size() != 8) return false;
  bool ok = false;
  const unsigned value = hex.toUInt(&ok, 16);
  if (!ok) return false;
  argb = hex.size() == 6 ? (0xFF000000u | value) : value;
  return true;
}

}  // namespace qb::ui

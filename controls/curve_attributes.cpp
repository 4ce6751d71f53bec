#include "controls/curve_attributes.h"

#include <QStringList>

#include "controls/equalizer_curve.h"

namespace qb::controls {

namespace {
constexpr unsigned kHorizontalBits = EqualizerCurve::kStyleCenter | EqualizerCurve::kStyleRight;
constexpr unsigned kVerticalBits = EqualizerCurve::kStyleVCenter | EqualizerCurve::kStyleBottom;
}  // namespace

bool ParseCurveColourList(const QString& value, int limit, std::vector<unsigned>& colours) {
  QString text = value.trimmed();
  if (text.startsWith(QLatin1Char('#'))) text.remove(0, 1);
  std::vector<unsigned> parsed;
  if (!text.isEmpty()) {
    for (const QString& piece : text.split(QStringLiteral(" #"))) {
      bool ok = false;
      const unsigned colour = piece.trimmed().toUInt(&ok, 16);
      if (!ok) return false;
      if (static_cast<int>(parsed.size()) < limit) parsed.push_back(colour);
    }
  }
  colours = std::move(parsed);
  return true;
}

unsigned ApplyAlign(unsigned style, const QString& value) {
  if (value.contains(QLatin1String("left"), Qt::CaseInsensitive)) style &= ~kHorizontalBits;
  if (value.contains(QLatin1String("center"), Qt::CaseInsensitive)) {
    style = (style & ~EqualizerCurve::kStyleRight) | EqualizerCurve::kStyleCenter;
  }
  if (value.contains(QLatin1String("right"), Qt::CaseInsensitive)) {
    style = (style & ~EqualizerCurve::kStyleCenter) | EqualizerCurve::kStyleRight;
  }
  return style;
}

unsigned ApplyVAlign(unsigned style, const QString& value) {
  if (value.contains(QLatin1String("top"), Qt::CaseInsensitive)) style &= ~kVerticalBits;
  if (value.contains(QLatin1String("vcenter"), Qt::CaseInsensitive)) {
    style = (style & ~EqualizerCurve::kStyleBottom) | EqualizerCurve::kStyleVCenter;
  }
  if (value.contains(QLatin1String("bottom"), Qt::CaseInsensitive)) {
    style = (style & ~EqualizerCurve::kStyleVCenter) | EqualizerCurve::kStyleBottom;
  }
  return style | EqualizerCurve::kStyleSingleLine;
}

unsigned ApplyWordBreak(unsigned style, const QString& value) {
  if (value == QLatin1String("true")) {
    return (style | EqualizerCurve::kStyleWordBreak) & ~EqualizerCurve::kStyleSingleLine;
  }
  return style | EqualizerCurve::kStyleSingleLine;
}

unsigned ApplyFlag(unsigned style, unsigned bit, const QString& value) {
  return value == QLatin1String("true") ? (style | bit) : (style & ~bit);
}

bool ParsePadding(const QString& value, std::array<int, 4>& padding) {
  const QStringList parts = value.split(QLatin1Char(','));
  if (parts.size() != 4) return false;
  std::array<int, 4> parsed{};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    parsed[static_cast<std::size_t>(i)] = parts[i].trimmed().toInt(&ok);
    if (!ok) return false;
  }
  padding = parsed;
  return true;
}

}  // namespace qb::controls

#include "ui/widget_style.h"

#include <QColor>
#include <QVariant>
#include <QWidget>
#include <cmath>

#include "ui/window_base.h"

namespace qb::ui {
namespace {

constexpr char kBaseGeometry[] = "qbBaseGeometry";
constexpr char kFontPoints[] = "qbFontPoints";
constexpr char kFontBold[] = "qbFontBold";
constexpr char kTextColor[] = "qbTextColor";
constexpr char kBackColor[] = "qbBackColor";

int Scaled(int value, int dpi) { return int(std::lround(double(value) * dpi / 96.0)); }

QString Rgba(unsigned argb) {
  const QColor c = QColor::fromRgba(argb);
  return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

/// The control's own style sheet from its font and colours; it outranks the skin's sheet.
void RefreshOwnStyle(QWidget* control, int dpi) {
  QString style;
  if (const QVariant points = control->property(kFontPoints); points.isValid()) {
    // Pixel sizes keep the layout's proportions independent of the screen's reported DPI.
    const int pixels = Scaled(int(std::lround(points.toInt() * 96.0 / 72.0)), dpi);
    style += QStringLiteral("font-size:%1px;").arg(pixels);
    if (control->property(kFontBold).toBool()) style += QStringLiteral("font-weight:bold;");
  }
  if (const QVariant c = control->property(kTextColor); c.isValid())
    style += QStringLiteral("color:%1;").arg(Rgba(c.toUInt()));
  if (const QVariant c = control->property(kBackColor); c.isValid())
    style += QStringLiteral("background-color:%1;").arg(Rgba(c.toUInt()));
  control->setStyleSheet(style);
}

void ApplyScaleTo(QWidget* control, int dpi) {
  if (const QVariant base = control->property(kBaseGeometry); base.isValid()) {
    const QRect r = base.toRect();
    control->setGeometry(Scaled(r.x(), dpi), Scaled(r.y(), dpi), Scaled(r.width(), dpi),
                         Scaled(r.height(), dpi));
  }
  if (control->property(kFontPoints).isValid()) RefreshOwnStyle(control, dpi);
}

}  // namespace

int ScaleOf(const QWidget* control) {
  for (const QWidget* w = control; w; w = w->parentWidget())
    if (auto* window = qobject_cast<const WindowBase*>(w)) return window->DisplayScale();
  return 96;
}

void SetBaseGeometry(QWidget* control, const QRect& base) {
  control->setProperty(kBaseGeometry, base);
  ApplyScaleTo(control, ScaleOf(control));
}

void SetOwnFont(QWidget* control, int points, bool bold) {
  control->setProperty(kFontPoints, points);
  control->setProperty(kFontBold, bold);
  RefreshOwnStyle(control, ScaleOf(control));
}

void SetOwnColor(QWidget* control, StyleColor which, unsigned argb) {
  control->setProperty(which == StyleColor::Text ? kTextColor : kBackColor, argb);
  if (which == StyleColor::Background) control->setAttribute(Qt::WA_StyledBackground);
  RefreshOwnStyle(control, ScaleOf(control));
}

void ApplyScale(QWidget* root, int dpi) {
  for (QWidget* w : root->findChildren<QWidget*>()) ApplyScaleTo(w, dpi);
}

}  // namespace qb::ui

#pragma once
/// Geometry, font and colours a layout gives one control, kept at 100 % scale so the window
/// can apply any display scale to them again.

#include <QRect>

class QWidget;

namespace qb::ui {

enum class StyleColor { Text, Background };

/// Places the control at `base` (100 % scale), scaled by its window's current scale.
void SetBaseGeometry(QWidget* control, const QRect& base);
/// The control's own font size (points at 100 %) and weight.
void SetOwnFont(QWidget* control, int points, bool bold);
/// The control's own text or background colour (ARGB).
void SetOwnColor(QWidget* control, StyleColor which, unsigned argb);

/// Applies a scale (DPI number, 96 = 100 %) to every control under `root` that has a base
/// geometry or an own font.
void ApplyScale(QWidget* root, int dpi);

/// The scale of the program window holding `control` (96 when none).
int ScaleOf(const QWidget* control);

}  // namespace qb::ui

#pragma once
/// Painting shared by the curve displays: the grid of the frequency / gain plot with its
/// axis texts, and the ways a response curve's polyline is drawn (joined Bezier segments,
/// cardinal spline).

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <span>
#include <vector>

#include "controls/curve_geometry.h"

class QPainter;

namespace qb::controls {

QColor Argb(unsigned argb);

/// Border, solid 0 dB line, dotted lines at `dottedLevels` (dB) and solid lines at the grid
/// frequencies 20 Hz .. 10 kHz, all `penWidth` wide in `argb`; without antialiasing, so
/// they stay crisp.
void PaintCurveGrid(QPainter& painter, const CurveAxes& axes, std::span<const int> dottedLevels, int penWidth,
                    unsigned argb);

/// One axis text: what it says, where its baseline starts, and the box it covers.
struct AxisLabel {
  QString text;
  QPoint baseline;
  PixelRect box;
};

/// The axis texts PaintCurveAxisLabels draws in a font derived from `base`: the layout
/// keeps the band numbers off them.
std::vector<AxisLabel> CurveAxisLabels(const QFont& base, const CurveAxes& axes, std::span<const int> levels,
                                       int scalePercent);

/// Frequencies along the bottom edge and the gains `levels` (dB) along the left edge, in
/// a small dim font scaled by `scalePercent`.
void PaintCurveAxisLabels(QPainter& painter, const CurveAxes& axes, std::span<const int> levels, int scalePercent);

/// Joined cubic Bezier segments through the polyline, as many as whole segments fit
/// (BezierSegmentCount).
void DrawBezier(QPainter& painter, const std::vector<PixelPoint>& points);

/// A smooth curve through every point of the polyline (a cardinal spline of tension 0.5).
void DrawCardinalSpline(QPainter& painter, const std::vector<PixelPoint>& points);

}  // namespace qb::controls

#include "controls/curve_overlay.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "controls/curve_painting.h"
#include "dspmath/curve_grid.h"

namespace qb::controls {

std::vector<PixelPoint> OverlayPolyline(const CurveAxes& axes, const OverlayCurve& curve) {
  std::vector<PixelPoint> points;
  const std::size_t first = std::min(curve.first, kCurveSize);
  const std::size_t count = std::min(curve.count, kCurveSize - first);
  if (count == 0) return points;
  const Curve& grid = StandardCurveGrid().Frequencies();
  BuildCurvePolyline(axes, std::span<const double>(grid).subspan(first, count),
                     std::span<const double>(curve.db).subspan(first, count), false, points);
  return points;
}

QPen OverlayPen(unsigned argb, OverlayLine line, int scalePercent) {
  const Qt::PenStyle style = line == OverlayLine::Dashed  ? Qt::DashLine
                             : line == OverlayLine::Dotted ? Qt::DotLine
                                                           : Qt::SolidLine;
  return QPen(Argb(argb), std::max(1.0, 1.5 * scalePercent / 100.0), style, Qt::FlatCap, Qt::RoundJoin);
}

void PaintOverlayCurves(QPainter& painter, const CurveAxes& axes, std::span<const OverlayCurve> curves,
                        int scalePercent) {
  const PixelRect& plot = axes.Plot();
  painter.save();
  // A measurement runs far beyond the plot's gain range where a crossover rolls it off.
  painter.setClipRect(QRect(plot.left, plot.top, plot.Width(), plot.Height()));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(Qt::NoBrush);
  for (const OverlayCurve& curve : curves) {
    const std::vector<PixelPoint> points = OverlayPolyline(axes, curve);
    if (points.size() < 2) continue;
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PixelPoint& p : points) polygon << QPoint(p.x, p.y);
    painter.setPen(OverlayPen(curve.argb, curve.line, scalePercent));
    painter.drawPolyline(polygon);
  }
  painter.restore();
}

}  // namespace qb::controls

#include "controls/curve_painting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace qb::controls {
namespace {

constexpr std::array<int, 27> kGridFrequencies = {
    20,   30,   40,   50,   60,   70,   80,   90,   100,  200,  300,  400,  500, 600,
    700,  800,  900,  1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};
/// The frequencies written on the grid.
constexpr std::array<int, 10> kAxisFrequencies = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr unsigned kAxisLabelColour = 0xFF8A8F96u;
/// Tension of the spline through measured points: smooth without overshooting much.
constexpr double kSplineTension = 0.5;

}  // namespace

QColor Argb(unsigned argb) { return QColor::fromRgba(argb); }

void PaintCurveGrid(QPainter& painter, const CurveAxes& axes, std::span<const int> dottedLevels, int penWidth,
                    unsigned argb) {
  const PixelRect& plot = axes.Plot();
  QPen pen(Argb(argb), penWidth);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(plot.left, plot.top, plot.Width(), plot.Height()).adjusted(0, 0, -1, -1));
  const int y0 = static_cast<int>(axes.ZeroDbY());
  painter.drawLine(plot.left, y0, plot.right, y0);
  pen.setStyle(Qt::DotLine);
  painter.setPen(pen);
  for (int level : dottedLevels) {
    const int y = axes.YOfGain(level);
    painter.drawLine(plot.left, y, plot.right, y);
  }
  pen.setStyle(Qt::SolidLine);
  painter.setPen(pen);
  for (int hz : kGridFrequencies) {
    const int x = axes.XOfFrequency(hz);
    painter.drawLine(x, plot.top, x, plot.bottom);
  }
}

namespace {

QFont AxisFont(const QFont& base, int scalePercent) {
  QFont font = base;
  font.setPixelSize(std::max(1, ScaledSize(9, scalePercent)));
  return font;
}

}  // namespace

std::vector<AxisLabel> CurveAxisLabels(const QFont& base, const CurveAxes& axes, std::span<const int> levels,
                                       int scalePercent) {
  const PixelRect& plot = axes.Plot();
  const QFontMetrics metrics(AxisFont(base, scalePercent));
  const int margin = ScaledSize(2, scalePercent);
  std::vector<AxisLabel> labels;
  const auto add = [&](const QString& text, int x, int baseline) {
    const int width = metrics.horizontalAdvance(text);
    labels.push_back({text, QPoint(x, baseline),
                      PixelRect{x, baseline - metrics.ascent(), x + width, baseline + metrics.descent()}});
  };
  // Frequencies along the bottom edge, the unit with the first.
  for (const int hz : kAxisFrequencies) {
    QString text = hz >= 1000 ? QStringLiteral("%1k").arg(hz / 1000) : QString::number(hz);
    if (hz == kAxisFrequencies.front()) text += QStringLiteral(" Hz");
    const int width = metrics.horizontalAdvance(text);
    add(text, PushedStart(axes.XOfFrequency(hz), width, plot.left + margin, plot.right - margin),
        plot.bottom - margin - metrics.descent());
  }
  // Gains along the left edge, the unit with 0 dB.
  for (const int db : levels) {
    const QString text = db == 0 ? QStringLiteral("0 dB") : QStringLiteral("%1%2").arg(db > 0 ? "+" : "").arg(db);
    add(text, plot.left + margin, std::max(plot.top + metrics.ascent(), axes.YOfGain(db) - margin));
  }
  return labels;
}

void PaintCurveAxisLabels(QPainter& painter, const CurveAxes& axes, std::span<const int> levels, int scalePercent) {
  const std::vector<AxisLabel> labels = CurveAxisLabels(painter.font(), axes, levels, scalePercent);
  painter.setFont(AxisFont(painter.font(), scalePercent));
  painter.setPen(Argb(kAxisLabelColour));
  for (const AxisLabel& label : labels) painter.drawText(label.baseline, label.text);
}

void DrawBezier(QPainter& painter, const std::vector<PixelPoint>& points) {
  const int segments = BezierSegmentCount(static_cast<int>(points.size()));
  if (segments == 0) return;
  QPainterPath path;
  path.moveTo(points[0].x, points[0].y);
  for (int s = 0; s < segments; ++s) {
    const std::size_t k = static_cast<std::size_t>(3 * s);
    path.cubicTo(points[k + 1].x, points[k + 1].y, points[k + 2].x, points[k + 2].y,
                 points[k + 3].x, points[k + 3].y);
  }
  painter.drawPath(path);
}

void DrawCardinalSpline(QPainter& painter, const std::vector<PixelPoint>& points) {
  const std::size_t n = points.size();
  if (n < 2) return;
  const auto at = [&](std::size_t i) { return QPointF(points[i].x, points[i].y); };
  QPainterPath path;
  path.moveTo(at(0));
  const double t = kSplineTension / 3.0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const QPointF p0 = at(i == 0 ? 0 : i - 1);
    const QPointF p1 = at(i);
    const QPointF p2 = at(i + 1);
    const QPointF p3 = at(i + 2 < n ? i + 2 : n - 1);
    path.cubicTo(p1 + (p2 - p0) * t, p2 - (p3 - p1) * t, p2);
  }
  painter.drawPath(path);
}

}  // namespace qb::controls

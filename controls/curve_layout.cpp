#include "controls/curve_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace qb::controls {

namespace {

/// How far a band label may move from its point: half-label steps up or down, and aside.
constexpr int kLabelReachRows = 8;
constexpr int kLabelReachColumns = 3;

struct LabelStep {
  int rows;
  int columns;
};

/// The places a label may take around its own, in half-label steps, nearest first: rows up
/// and down before columns aside (a column is wider than a row is high), and up before
/// down, as below a point its curve's slope runs as often as not.
const std::vector<LabelStep>& LabelSteps() {
  static const std::vector<LabelStep> steps = [] {
    std::vector<std::pair<int, LabelStep>> ranked;
    for (int row = -kLabelReachRows; row <= kLabelReachRows; ++row)
      for (int column = -kLabelReachColumns; column <= kLabelReachColumns; ++column)
        ranked.push_back({4 * row * row + 9 * column * column + (row > 0 ? 1 : 0), LabelStep{row, column}});
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LabelStep> sorted;
    for (const auto& entry : ranked) sorted.push_back(entry.second);
    return sorted;
  }();
  return steps;
}

/// Rows of the value label and of the Q handles for a band point at row b: below the point,
/// above it near the bottom edge, and at fixed rows when the point hugs the top or bottom edge.
void RowsNearPoint(const PixelRect& plot, int b, int scale, int fixedFrom, int fixedTo,
                   int offsetFrom, int offsetTo, int& top, int& bottom) {
  const auto s = [scale](int px) { return ScaledSize(px, scale); };
  if (b < plot.top + s(14)) {
    top = plot.top + s(fixedFrom);
    bottom = plot.top + s(fixedTo);
  } else if (b >= plot.bottom - s(10)) {
    top = plot.bottom - s(fixedTo);
    bottom = plot.bottom - s(fixedFrom);
  } else if (b > plot.bottom - s(29)) {
    top = b - s(offsetTo);
    bottom = b - s(offsetFrom);
  } else {
    top = b + s(offsetFrom);
    bottom = b + s(offsetTo);
  }
}

PixelRect CrossoverRect(const CurveAxes& axes, int hz, double rowDb, int height,
                        int scalePercent) {
  const PixelRect& plot = axes.Plot();
  const int width = ScaledSize(14, scalePercent);
  PixelRect r;
  r.left = PushedStart(axes.XOfFrequency(hz), width, plot.left, plot.right);
  r.right = r.left + width;
  r.top = axes.YOfGain(rowDb);
  r.bottom = r.top + height;
  return r;
}

}  // namespace

PixelRect BandLabelRect(const CurveAxes& axes, PixelPoint point, int scalePercent) {
  const PixelRect& plot = axes.Plot();
  const int size = ScaledSize(16, scalePercent);
  PixelRect r;
  r.left = PushedStart(point.x, size, plot.left, plot.right);
  r.right = r.left + size;
  r.top = PushedStart(point.y, size, plot.top, plot.bottom);
  r.bottom = r.top + size;
  return r;
}

void PlaceBandLabels(std::span<PixelRect> labels, std::span<const PixelRect> obstacles, const PixelRect& plot) {
  const auto overlap = [](const PixelRect& a, const PixelRect& b) {
    if (!a.Intersects(b)) return 0;
    return (std::min(a.right, b.right) - std::max(a.left, b.left)) * (std::min(a.bottom, b.bottom) - std::max(a.top, b.top));
  };
  const std::vector<LabelStep>& steps = LabelSteps();
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const PixelRect home = labels[i];
    const int stepX = std::max(1, home.Width() / 2);
    const int stepY = std::max(1, home.Height() / 2);
    PixelRect best = home;
    int bestOverlap = -1;
    for (const LabelStep& step : steps) {
      const int dx = step.columns * stepX;
      const int dy = step.rows * stepY;
      const PixelRect r{home.left + dx, home.top + dy, home.right + dx, home.bottom + dy};
      if (r.left < plot.left || r.right > plot.right || r.top < plot.top || r.bottom > plot.bottom) continue;
      int covered = 0;
      for (std::size_t j = 0; j < i; ++j) covered += overlap(r, labels[j]);
      for (const PixelRect& o : obstacles) covered += overlap(r, o);
      if (bestOverlap < 0 || covered < bestOverlap) {
        best = r;
        bestOverlap = covered;
      }
      if (covered == 0) break;
    }
    labels[i] = best;
  }
}

std::string BandInfoText(const CurveBand& band, bool parametric) {
  char text[96];
  if (parametric) {
    std::snprintf(text, sizeof text, "%d Hz %0.2f Q %.1f dB", band.frequency,
                  static_cast<double>(band.q), static_cast<double>(band.gain));
  } else {
    std::snprintf(text, sizeof text, "%.1f dB", static_cast<double>(band.gain));
  }
  return text;
}

PixelRect BandInfoRect(const CurveAxes& axes, PixelPoint point, bool parametric,
                       int scalePercent) {
  const PixelRect& plot = axes.Plot();
  const int width = ScaledSize(parametric ? 150 : 50, scalePercent);
  PixelRect r;
  r.left = PushedStart(point.x, width, plot.left, plot.right);
  r.right = r.left + width;
  RowsNearPoint(plot, point.y, scalePercent, 22, 37, 14, 29, r.top, r.bottom);
  return r;
}

void QHandleRects(const CurveAxes& axes, PixelPoint point, float q, int scalePercent,
                  PixelRect& left, PixelRect& right) {
  const double distance = std::round(81.0 / static_cast<double>(ClampHandleQ(q)));
  const int l = static_cast<int>(distance * scalePercent / 100.0);
  const int h = ScaledSize(4, scalePercent);
  left.left = point.x - l - h;
  left.right = point.x - l + h;
  right.left = point.x + l - h;
  right.right = point.x + l + h;
  RowsNearPoint(axes.Plot(), point.y, scalePercent, 12, 20, 4, 12, left.top, left.bottom);
  right.top = left.top;
  right.bottom = left.bottom;
}

PixelRect HighPassRect(const CurveAxes& axes, int hz, int scalePercent) {
  return CrossoverRect(axes, hz, -8.0, ScaledSize(10, scalePercent), scalePercent);
}

PixelRect LowPassRect(const CurveAxes& axes, int hz, int scalePercent) {
  return CrossoverRect(axes, hz, -11.0, ScaledSize(10, scalePercent) + 2, scalePercent);
}

bool IsHandleFrequency(int hz) { return hz >= kPlotMinHz && hz <= kPlotMaxHz; }

}  // namespace qb::controls

#include "controls/curve_layout.h"

#include <cmath>
#include <cstdio>

namespace qb::controls {

namespace {

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

void StaggerBandLabels(std::span<PixelRect> labels, const PixelRect& plot) {
  for (std::size_t i = 1; i < labels.size(); ++i) {
    const PixelRect& previous = labels[i - 1];
    if (!labels[i].Intersects(previous)) continue;
    const int h = labels[i].Height();
    for (const PixelRect candidate : {labels[i].Moved(-h), labels[i].Moved(h)}) {
      if (candidate.top < plot.top || candidate.bottom > plot.bottom) continue;
      if (candidate.Intersects(previous)) continue;
      labels[i] = candidate;
      break;
    }
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

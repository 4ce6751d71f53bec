#include "controls/curve_geometry.h"

#include <algorithm>
#include <cmath>

namespace qb::controls {

namespace {

const double kLogMin = std::log10(static_cast<double>(kPlotMinHz));
const double kLogSpan = std::log10(static_cast<double>(kPlotMaxHz)) - kLogMin;

/// Truncates toward zero like a plain cast, but keeps values a widget can never show (a log
/// of zero, a huge gain) inside a range that cannot overflow int.
int TruncatePixel(double v) {
  constexpr double kLimit = 1.0e6;
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

int ScaledSize(int pixels, int scalePercent) { return pixels * scalePercent / 100; }

CurveAxes::CurveAxes(const PixelRect& plot, int topDb, int bottomDb)
    : m_plot(plot), m_topDb(topDb), m_bottomDb(bottomDb) {
  const int height = plot.Height();
  m_y0 = static_cast<float>(plot.top + (height * topDb) / (topDb - bottomDb));
}

bool CurveAxes::IsUsable() const {
  return m_plot.Width() != 0 && m_plot.Height() != 0 && m_y0 != 0.0f;
}

int CurveAxes::XOfFrequency(double hz) const {
  if (!(hz > 0.0)) return TruncatePixel(-1.0e9);
  const double fraction = (std::log10(hz) - kLogMin) / kLogSpan;
  return TruncatePixel(m_plot.left + m_plot.Width() * fraction);
}

int CurveAxes::FrequencyOfX(int x) const {
  const int width = m_plot.Width();
  if (width == 0) return kPlotMinHz;
  const double exponent =
      kLogMin + static_cast<double>(x - m_plot.left) * kLogSpan / static_cast<double>(width);
  return TruncatePixel(std::round(std::pow(10.0, exponent)));
}

int CurveAxes::YOfGain(double db) const {
  const double y0 = m_y0;
  double y = y0;
  if (db > 0.0) {
    y = y0 - std::round((y0 - m_plot.top) * db) / m_topDb;
  } else if (db < 0.0) {
    y = y0 - std::round((m_plot.bottom - y0) * db) / -m_bottomDb;
  }
  return TruncatePixel(y);
}

float CurveAxes::GainOfY(int y) const {
  const float fy = static_cast<float>(y);
  const float above = m_y0 - static_cast<float>(m_plot.top);
  const float below = static_cast<float>(m_plot.bottom) - m_y0;
  if (fy < m_y0 && above > 0.0f) return static_cast<float>(m_topDb) * (m_y0 - fy) / above;
  if (fy > m_y0 && below > 0.0f) return static_cast<float>(m_bottomDb) * (fy - m_y0) / below;
  return 0.0f;
}

PixelPoint CurveAxes::Clamp(PixelPoint p) const {
  return {std::clamp(p.x, m_plot.left, std::max(m_plot.left, m_plot.right)),
          std::clamp(p.y, m_plot.top, std::max(m_plot.top, m_plot.bottom))};
}

float ClampHandleQ(float q) { return std::min(kMaxBandQ, std::max(kMinBandQ, q)); }

float QOfHandleX(int x, int pointX, int scalePercent) {
  int len = std::abs(x - pointX);
  len = std::max(len, ScaledSize(3, scalePercent));
  len = std::min(len, ScaledSize(162, scalePercent));
  // At a scale so small that both limits are 0 the handle sits on the point: use the
  // steepest Q rather than dividing by zero.
  if (len <= 0) return kMaxBandQ;
  const float q = static_cast<float>(ScaledSize(81, scalePercent)) / static_cast<float>(len);
  return ClampHandleQ(q);
}

int PushedStart(int centre, int size, int lo, int hi) {
  int start = centre - size / 2;
  if (start < lo) start = lo;
  if (start + size > hi) start = hi - size;
  return start;
}

void BuildCurvePolyline(const CurveAxes& axes, std::span<const double> frequencies,
                        std::span<const double> decibels, bool smooth,
                        std::vector<PixelPoint>& out) {
  BuildCurvePolyline(axes, frequencies, decibels, smooth, kDrawnMinHz, kDrawnMaxHz, out);
}

void BuildCurvePolyline(const CurveAxes& axes, std::span<const double> frequencies,
                        std::span<const double> decibels, bool smooth, double minHz, double maxHz,
                        std::vector<PixelPoint>& out) {
  out.clear();
  const std::size_t count = std::min(frequencies.size(), decibels.size());
  const int left = axes.Plot().left;
  bool haveRunning = false;
  double runX = 0.0;
  double runY = 0.0;
  for (std::size_t k = count; k-- > 0;) {
    const double hz = frequencies[k];
    if (!(hz >= minHz && hz <= maxHz)) continue;
    const int x = axes.XOfFrequency(hz);
    const int y = axes.YOfGain(decibels[k]);
    if (!smooth) {
      out.push_back({x, y});
      continue;
    }
    if (x >= left) {
      if (haveRunning) {
        runX = (x + runX) * 0.5;
        runY = (y + runY) * 0.5;
      } else {
        runX = x;
        runY = y;
        haveRunning = true;
      }
    }
    if (haveRunning) {
      out.push_back({static_cast<int>(std::lround(runX)), static_cast<int>(std::lround(runY))});
    }
  }
}

int BezierSegmentCount(int points) { return points >= 2 ? (points - 2) / 3 : 0; }

}  // namespace qb::controls

#pragma once
/// Pixel geometry of the equaliser plot: the logarithmic 20 Hz..20 kHz frequency axis, the
/// +12..-18 dB gain axis, Q from the distance of a Q handle, boxes kept inside the plot, and
/// the point list a response curve is drawn from. Everything here is plain integer and
/// floating-point arithmetic on a rectangle, so the mapping can be tested without a widget.
///
/// Rectangles follow the skin toolkit's convention: right and bottom are one past the last
/// pixel (width = right - left), and a rectangle contains a point when
/// left <= x < right and top <= y < bottom.

#include <span>
#include <vector>

#include "dspmath/band_limits.h"

namespace qb::controls {

struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(PixelPoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  bool Intersects(const PixelRect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  PixelRect Moved(int dy) const { return {left, top + dy, right, bottom + dy}; }
  bool operator==(const PixelRect&) const = default;
};

/// The plot spans what the box can hold: its frequency axis the band and crossover
/// frequencies, its gain axis the band gains.
inline constexpr int kPlotMinHz = kMinFrequencyHz;
inline constexpr int kPlotMaxHz = kMaxFrequencyHz;
inline constexpr int kPlotTopDb = static_cast<int>(kMaxBandGainDb);
inline constexpr int kPlotBottomDb = static_cast<int>(kMinBandGainDb);
/// Curve points outside this range are not drawn. It reaches a little past the axis so the
/// curve runs into both edges instead of stopping short of them.
inline constexpr double kDrawnMinHz = 10.0;
inline constexpr double kDrawnMaxHz = 20100.0;

/// A size of `pixels` at 100 % display scale turned into pixels at `scalePercent`
/// (integer division, as every scaled size of the control).
int ScaledSize(int pixels, int scalePercent);

/// The mapping between plot pixels and frequency / gain for one plot rectangle.
class CurveAxes {
 public:
  CurveAxes() = default;
  /// The equaliser's axis: +12 dB at the top edge, -18 dB at the bottom edge.
  explicit CurveAxes(const PixelRect& plot) : CurveAxes(plot, kPlotTopDb, kPlotBottomDb) {}
  /// Any gain axis from `topDb` (top edge) down to `bottomDb` (bottom edge).
  CurveAxes(const PixelRect& plot, int topDb, int bottomDb);

  const PixelRect& Plot() const { return m_plot; }
  /// True when the rectangle has a width, a height and a 0 dB line off row 0: only then do
  /// the positions computed from it mean anything.
  bool IsUsable() const;

  /// x of a frequency: trunc(left + width * (lg f - lg 20) / (lg 20000 - lg 20)). Values
  /// outside the axis map outside the plot; a frequency <= 0 (an unset band, an empty curve)
  /// maps far left of it instead of overflowing.
  int XOfFrequency(double hz) const;
  /// Frequency of x rounded to whole Hz (20 for a plot without width).
  int FrequencyOfX(int x) const;
  /// y of 0 dB: top + (height * top dB) / (top dB - bottom dB) in integer arithmetic (for
  /// the equaliser 40 % down from the top).
  float ZeroDbY() const { return m_y0; }
  /// y of a gain in dB (the top gain at the top edge, the bottom gain at the bottom edge),
  /// truncated.
  int YOfGain(double db) const;
  /// Gain in dB of a row, unrounded; 0 on the 0 dB line.
  float GainOfY(int y) const;
  /// `p` moved onto the nearest point of the plot, edges included.
  PixelPoint Clamp(PixelPoint p) const;

 private:
  PixelRect m_plot{};
  float m_y0 = 0.0f;
  int m_topDb = kPlotTopDb;
  int m_bottomDb = kPlotBottomDb;
};

/// Q set by a Q handle at column `x` for a band drawn at column `pointX`: the distance is
/// held to scaled 3..162 pixels, and at 100 % scale 81 pixels mean Q 1 (Q = scaled 81 /
/// distance); the result is held to 0.5..9.0.
float QOfHandleX(int x, int pointX, int scalePercent);
/// `q` held to 0.5..9.0.
float ClampHandleQ(float q);

/// Start of a span of `size` centred on `centre` and pushed inside lo..hi: a centre closer
/// than half the size to an edge puts the span against that edge.
int PushedStart(int centre, int size, int lo, int hi);

/// Fills `out` with the polyline of one response curve: the points walked from the last
/// index to the first (high to low frequency), points outside 10..20100 Hz skipped, each
/// mapped to (x of frequency, y of dB). With `smooth`, each emitted point is the running
/// average (new + running) / 2 of the mapped points at or right of the plot's left edge;
/// points left of the edge repeat the running point, and none is emitted before the running
/// point exists. Points are rounded to whole pixels. Only the first min(size) entries of the
/// two spans are used.
void BuildCurvePolyline(const CurveAxes& axes, std::span<const double> frequencies,
                        std::span<const double> decibels, bool smooth,
                        std::vector<PixelPoint>& out);
/// The same with points outside minHz..maxHz skipped instead.
void BuildCurvePolyline(const CurveAxes& axes, std::span<const double> frequencies,
                        std::span<const double> decibels, bool smooth, double minHz, double maxHz,
                        std::vector<PixelPoint>& out);

/// Cubic Bezier segments drawn from a polyline of `points` points: starting at the first
/// point, each segment takes the next three (two controls and an end point) of the first
/// points - 1 points; a remainder too short for a segment is not drawn.
int BezierSegmentCount(int points);

}  // namespace qb::controls

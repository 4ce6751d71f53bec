#pragma once
/// Curves drawn over the equaliser plot beside the outputs' own: a measurement of the current
/// output, the response predicted from its settings, the target of a fit. Each is defined on
/// part of the standard curve grid (the frequencies the measurement covers) and drawn in a
/// colour and a line style of its own, clipped to the plot.

#include <QPen>
#include <cstddef>
#include <span>
#include <vector>

#include "controls/curve_geometry.h"
#include "dspmath/curve_constants.h"

class QPainter;

namespace qb::controls {

enum class OverlayLine { Solid, Dashed, Dotted };

struct OverlayCurve {
  Curve db{};             ///< dB at the standard grid's points
  std::size_t first = 0;  ///< the points first .. first + count - 1 are defined
  std::size_t count = 0;
  unsigned argb = 0xFFFFFFFFu;
  OverlayLine line = OverlayLine::Solid;

  bool operator==(const OverlayCurve&) const = default;
};

/// The polyline of `curve` on `axes`: its defined points within the standard grid, from the
/// highest frequency down, as BuildCurvePolyline walks them. Empty for a curve without
/// points.
std::vector<PixelPoint> OverlayPolyline(const CurveAxes& axes, const OverlayCurve& curve);

/// The pen an overlay curve, or its sample in a legend, is drawn with: one and a half pixels
/// wide at 100 % scale.
QPen OverlayPen(unsigned argb, OverlayLine line, int scalePercent);

/// Draws `curves` in order (the last on top).
void PaintOverlayCurves(QPainter& painter, const CurveAxes& axes, std::span<const OverlayCurve> curves,
                        int scalePercent);

}  // namespace qb::controls

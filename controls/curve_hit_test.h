#pragma once
/// Which handle of the equaliser plot a pointer position hits. Handles overlap (a label can
/// sit on a Q handle, labels of close bands on each other), so the order in which they are
/// tried decides what the user grabs; pressing and hovering try them in different orders.

#include <span>

#include "controls/curve_geometry.h"

namespace qb::controls {

enum class CurveTarget { kNone, kQHandle, kBand, kHighPass, kLowPass };

struct CurveHit {
  CurveTarget target = CurveTarget::kNone;
  int band = -1;  ///< for kBand: the band whose label was hit
  bool operator==(const CurveHit&) const = default;
};

/// The hit areas in effect. `labels` holds the labels of the valid bands only, so a slot
/// beyond the band count is never hit; empty crossover rects hit nothing.
struct CurveHitAreas {
  std::span<const PixelRect> labels;
  bool qHandles = false;  ///< parametric mode with a current band
  PixelRect qLeft{};
  PixelRect qRight{};
  PixelRect highPass{};
  PixelRect lowPass{};
};

/// Button down: a Q handle first (so the handles stay usable where a label covers them),
/// then the band labels from the lowest index, then "H", then "L".
CurveHit HitOnPress(const CurveHitAreas& areas, PixelPoint p);

/// Hovering: the band labels from the lowest index first, then a Q handle, then "H", "L".
CurveHit HitOnHover(const CurveHitAreas& areas, PixelPoint p);

}  // namespace qb::controls

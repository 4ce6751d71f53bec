#include "controls/curve_hit_test.h"

namespace qb::controls {

namespace {

CurveHit HitLabel(const CurveHitAreas& areas, PixelPoint p) {
  for (std::size_t i = 0; i < areas.labels.size(); ++i) {
    if (areas.labels[i].Contains(p)) return {CurveTarget::kBand, static_cast<int>(i)};
  }
  return {};
}

bool HitsQHandle(const CurveHitAreas& areas, PixelPoint p) {
  return areas.qHandles && (areas.qLeft.Contains(p) || areas.qRight.Contains(p));
}

CurveHit HitCrossover(const CurveHitAreas& areas, PixelPoint p) {
  if (areas.highPass.Contains(p)) return {CurveTarget::kHighPass, -1};
  if (areas.lowPass.Contains(p)) return {CurveTarget::kLowPass, -1};
  return {};
}

}  // namespace

CurveHit HitOnPress(const CurveHitAreas& areas, PixelPoint p) {
  if (HitsQHandle(areas, p)) return {CurveTarget::kQHandle, -1};
  if (CurveHit hit = HitLabel(areas, p); hit.target != CurveTarget::kNone) return hit;
  return HitCrossover(areas, p);
}

CurveHit HitOnHover(const CurveHitAreas& areas, PixelPoint p) {
  if (CurveHit hit = HitLabel(areas, p); hit.target != CurveTarget::kNone) return hit;
  if (HitsQHandle(areas, p)) return {CurveTarget::kQHandle, -1};
  return HitCrossover(areas, p);
}

}  // namespace qb::controls

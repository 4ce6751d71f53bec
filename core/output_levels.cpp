#include "core/output_levels.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace qb {
namespace {

/// Main volume curve: 41.25 dB per decade of slider steps, 0 dB at step 10^(60/41.25).
/// Sound travels 519/15 cm and 204/15 in per ms (346 m/s).
constexpr double kCmPerMsTimes15 = 519.0;
constexpr double kInPerMsTimes15 = 204.0;
constexpr double kDistanceDenominator = 15.0;

double PerMsTimes15(DelayUnit unit) { return unit == DelayUnit::Cm ? kCmPerMsTimes15 : kInPerMsTimes15; }

}  // namespace

double MainVolumeDb(int position, int sliderMinimum) {
  if (position <= sliderMinimum || position <= 0) return kMainVolumeOffDb;
  if (position >= kMainVolumeTopStep) return kMainVolumeTopDb;
  return kMainVolumeDbPerDecade * std::log10(static_cast<double>(position)) + kMainVolumeOffDb;
}

double MainVolumeAttenuation(int position, int sliderMinimum) {
  return kMainVolumeTopDb - MainVolumeDb(position, sliderMinimum);
}

double HeldDistance(double distance, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return distance;
  const double longest = kMaxSentDelayMs * PerMsTimes15(unit) / kDistanceDenominator;
  return std::clamp(distance, 0.0, longest);
}

int WholeMicros(float delayMs) {
  constexpr double kRelativeGuard = 4e-7;
  constexpr double kAbsoluteGuard = 1e-9;
  const double scaled = static_cast<double>(delayMs) * 1000.0;
  if (!(scaled > 0.0)) return 0;
  const double guarded = scaled + kRelativeGuard * scaled + kAbsoluteGuard;
  return guarded >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(guarded);
}

float BoxDelayMs(double delayMs) {
  if (!(delayMs > 0.0)) return 0.0f;
  return static_cast<float>(std::round(delayMs * 1000.0) / 1000.0);
}

double DistanceOfDelay(float delayMs, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return static_cast<double>(delayMs);
  return static_cast<double>(WholeMicros(delayMs)) * PerMsTimes15(unit) / kDistanceDenominator / 1000.0;
}

double DelayMsOfDistance(double distance, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return distance;
  return distance * kDistanceDenominator / PerMsTimes15(unit);
}

}  // namespace qb

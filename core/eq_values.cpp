#include "core/eq_values.h"

#include <algorithm>
#include <cmath>

namespace qb {
namespace {

constexpr double kGridLow = 20.0;
constexpr double kGridHigh = 20000.0;
/// Q and gain count as "at" a limit within this distance (what "%.2f" / "%.1f" still shows
/// as that limit after float rounding).
constexpr float kAtLimit = 0.01f;

double GridExponentSpan() { return std::log10(kGridHigh) - std::log10(kGridLow); }

}  // namespace

int FrequencyGridPoint(int k) {
  k = std::clamp(k, 0, kFrequencyGridLast);
  const double exponent = std::log10(kGridLow) + GridExponentSpan() * k / kFrequencyGridLast;
  return static_cast<int>(std::lround(std::pow(10.0, exponent)));
}

int NextGridFrequency(int hz, bool up) {
  // The logarithm needs a positive frequency; anything below 1 Hz steps like 1 Hz does.
  const double f = std::max(hz, 1);
  const double position = (std::log10(f) - std::log10(kGridLow)) * kFrequencyGridLast / GridExponentSpan();
  const int k0 = static_cast<int>(std::trunc(std::clamp(position, -1000.0, 1000.0)));
  const int direction = up ? 1 : -1;
  const int next = FrequencyGridPoint(k0 + direction);
  if (next != hz) return next;
  return FrequencyGridPoint(k0 + 2 * direction);
}

float ClampQ(float q) { return std::clamp(q, kMinBandQ, kMaxBandQ); }

float BoxTenths(float value) {
  if (!std::isfinite(value)) return 0.0f;
  return static_cast<float>(std::round(static_cast<double>(value) * 10.0) / 10.0);
}

EqBand BoxBand(EqBand band) {
  band.freq = std::clamp(band.freq, kMinFrequencyHz, kMaxFrequencyHz);
  band.eqFactor = BoxTenths(ClampQ(band.eqFactor));
  band.eqGain = BoxTenths(std::clamp(band.eqGain, kMinBandGainDb, kMaxBandGainDb));
  return band;
}

std::optional<float> StepQ(float q, bool up) {
  if (up) {
    if (std::fabs(q - kMaxBandQ) < kAtLimit) return std::nullopt;
    return ClampQ(q + 0.01f > kMaxBandQ ? kMaxBandQ : q + kQStep);
  }
  if (std::fabs(q - kMinBandQ) < kAtLimit) return std::nullopt;
  return ClampQ(q - 0.01f < kMinBandQ ? kMinBandQ : q - kQStep);
}

float ClampGain(float gainDb, GainLimits limits) { return std::clamp(gainDb, limits.minimum, limits.maximum); }

std::optional<float> StepGain(float gainDb, bool up, GainLimits limits) {
  if (up) {
    if (std::fabs(gainDb - limits.maximum) < kAtLimit) return std::nullopt;
    return std::min(gainDb + kGainStep, limits.maximum);
  }
  if (std::fabs(gainDb - limits.minimum) < kAtLimit) return std::nullopt;
  return std::max(gainDb - kGainStep, limits.minimum);
}

bool FlatByWholeDecibels(std::span<const EqBand> bands) {
  int total = 0;
  for (const EqBand& band : bands) {
    // Gains read from a file are stored as read: a wild one must not overflow the cast.
    const float sum = static_cast<float>(total) + std::fabs(band.eqGain);
    total = (sum < 1.0e6f) ? static_cast<int>(sum) : 1000000;
  }
  return total == 0;
}

bool FlatBySum(std::span<const EqBand> bands) {
  float sum = 0.0f;
  for (const EqBand& band : bands) sum += std::fabs(band.eqGain);
  return sum < 0.01f;
}

int HighPassFromValue(int hz, int lowPassHz) {
  if (hz > lowPassHz) return lowPassHz;
  return std::clamp(hz, kMinFrequencyHz, kMaxFrequencyHz);
}

int LowPassFromValue(int hz, int highPassHz) {
  if (hz < highPassHz) return highPassHz;
  return std::clamp(hz, kMinFrequencyHz, kMaxFrequencyHz);
}

bool SlopeHiddenForType(int type, int slope) {
  return type == FILTER_TYPE_LINKWITZ_RILEY && slope >= FILTER_SLOPE_MIN && slope < FILTER_SLOPE_MAX && slope % 2 == 1;
}

}  // namespace qb

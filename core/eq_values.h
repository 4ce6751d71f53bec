#pragma once
/// The rules by which band and crossover values are stepped and held: the 201-point
/// logarithmic frequency grid of the up/down buttons, the Q and gain steps, and the two ways
/// of deciding that an output's bands are flat. Pure functions. (Typed values, the "K"
/// notation of frequencies among them, are read by core/typed_number.h.)

#include <optional>
#include <span>

#include "core/profile.h"

namespace qb {

/// Points of the frequency grid: k = 0 .. kFrequencyGridLast.
inline constexpr int kFrequencyGridLast = 200;
/// Up/down steps of Q and gain: the box's own step, a tenth (a finer step would be sent as
/// the same value).
inline constexpr float kQStep = kBandValueStep;
inline constexpr float kGainStep = 0.1f;

/// Grid point k (held to 0..kFrequencyGridLast): round(10^(log10 20 + 3 x k / 200)) Hz.
int FrequencyGridPoint(int k);
/// The grid frequency one step up or down from `hz`: from the grid index just below hz, one
/// point on (two when that point is hz itself), held to the ends of the grid.
int NextGridFrequency(int hz, bool up);

/// Q held to kMinBandQ..kMaxBandQ.
float ClampQ(float q);
/// A Q or gain as the box holds it: rounded to the nearest tenth (kBandValueStep), halves
/// away from zero. The wire encoding truncates, so a value is rounded here before it is
/// stored or sent, and the mirror shows exactly what the box holds.
float BoxTenths(float value);
/// The band as the box holds it: whole Hz within range, Q and gain held to their ranges and
/// rounded to tenths.
EqBand BoxBand(EqBand band);
/// Q one step up or down (a tenth, held to the range), or nothing when it already sits
/// within 0.01 of the end it moves towards.
std::optional<float> StepQ(float q, bool up);

/// Band gain limits in dB.
struct GainLimits {
  float minimum = kMinBandGainDb;
  float maximum = kMaxBandGainDb;
};
float ClampGain(float gainDb, GainLimits limits);
/// Gain one step (0.1 dB) up or down held to the limits, or nothing when it already sits
/// within 0.01 dB of the limit it moves towards.
std::optional<float> StepGain(float gainDb, bool up, GainLimits limits);

/// The whole-decibel flat test: |gain| of each band added into a whole number, truncating
/// after every addition, so a band below 1 dB never counts. True when the total is 0.
bool FlatByWholeDecibels(std::span<const EqBand> bands);
/// The exact flat test: the |gain| of the bands summed as floats is below 0.01 dB.
bool FlatBySum(std::span<const EqBand> bands);

/// Crossover corners as the frequency edits hold them: the high-pass never above the
/// low-pass (a higher value becomes the low-pass corner), the low-pass never below the
/// high-pass; otherwise the value held to kMinFrequencyHz..kMaxFrequencyHz.
int HighPassFromValue(int hz, int lowPassHz);
int LowPassFromValue(int hz, int highPassHz);

/// Slope items of a crossover list that the family hides: the odd orders (1, 3, 5, 7) for
/// Linkwitz-Riley, whose sections come in pairs; none for the other families.
bool SlopeHiddenForType(int type, int slope);

}  // namespace qb

#pragma once
/// The ranges of what the box holds, in one place: every editing service holds values to
/// them, the profile files refuse values outside them and the front ends (window, mixer,
/// command line) take their limits from here rather than from a control's own range.
/// Frequencies, Q and band gains are those of the curve math (dspmath/band_limits.h).

#include "devicelink/wire_codes.h"
#include "dspmath/band_limits.h"

namespace qb {

/// The box holds gains and volumes in tenths of a dB.
inline constexpr float kTenthsPerDb = 10.0f;

/// Output volumes in dB: kOutputOffDb shows as "${off}" and is the lowest.
inline constexpr int kOutputOffDb = -60;
inline constexpr int kMaxOutputVolumeDb = 0;
/// The same range in tenths of a dB, as the volume faders move.
inline constexpr int kOutputVolumeMinTenths = kOutputOffDb * 10;
inline constexpr int kOutputVolumeMaxTenths = kMaxOutputVolumeDb * 10;

/// Steps of the main volume slider: 0 is off, kMainVolumeTopStep is the loudest.
inline constexpr int kMainVolumeTopStep = 40;

/// The ms delay edit and the delay slider take 0..kMaxEditDelayMs; distances typed in cm or
/// in are not held to it (a far speaker may need more than the slider shows).
inline constexpr double kMaxEditDelayMs = 15.0;
inline constexpr int kDelayMaxMicros = 15000;
/// The longest delay a delay command can carry (whole ms in one byte, thousandths below).
inline constexpr double kMaxSentDelayMs = 255.999;

/// A mix level (trim) of an input on an output: 0..kFullMixLevel, the level an input gets
/// when it first feeds an output.
inline constexpr int kFullMixLevel = 100;

/// Crossover slopes: 0 is off, orders 1..kMaxSlope.
inline constexpr int kMaxSlope = FILTER_SLOPE_MAX;

}  // namespace qb

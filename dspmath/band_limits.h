#pragma once
/// The box's limits of what shapes an output's curve: the frequency of a band or a crossover
/// corner, a band's Q and gain. The editing rules hold values to them, the curve's plot and
/// its handles span them, and files and the command line refuse values outside them.

namespace qb {

inline constexpr int kMinFrequencyHz = 20;
inline constexpr int kMaxFrequencyHz = 20000;
inline constexpr float kMinBandQ = 0.5f;
inline constexpr float kMaxBandQ = 9.0f;
inline constexpr float kMinBandGainDb = -18.0f;
inline constexpr float kMaxBandGainDb = 12.0f;
/// The box holds a band's Q and gain in tenths: nothing finer reaches it.
inline constexpr float kBandValueStep = 0.1f;

/// A crossover corner dragged on the curve: the high-pass may take `hz` only below the
/// low-pass corner (-1: none shown, no bound), the low-pass only above the high-pass corner;
/// equality is refused both ways, so the two handles never meet.
constexpr bool HighPassMayTake(int hz, int lowPassHz) { return lowPassHz < 0 || hz < lowPassHz; }
constexpr bool LowPassMayTake(int hz, int highPassHz) { return hz > highPassHz; }

}  // namespace qb

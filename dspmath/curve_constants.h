#pragma once
/// The sampling that every response curve of the program shares: one logarithmic grid of
/// 512 points at 48 kHz. The box runs at other rates internally, but the curves are drawn
/// for this one rate only, so a single grid serves every output and every window.

#include <array>
#include <cstddef>

namespace qb {

/// Sample rate in Hz assumed by every filter design and every evaluation.
inline constexpr double CurveSampleRate = 48000.0;
/// Number of points of every frequency grid and every curve.
inline constexpr int CurvePoints = 512;
inline constexpr std::size_t kCurveSize = static_cast<std::size_t>(CurvePoints);

/// One curve on the standard grid: a value per grid point (Hz for a grid, dB for a response).
using Curve = std::array<double, kCurveSize>;

}  // namespace qb

#pragma once
/// The logarithmic frequency grid on which every response curve is sampled.

#include <span>

namespace qb {

/// Fills `grid` (count = grid.size() points) with frequencies in Hz: point k-1 is
/// 10^(k * log10(sampleRate / 2) / (count - 1)) for k = 1 .. count-1, and the last point is
/// sampleRate itself. Point count-2 is pinned to sampleRate / 2 exactly: evaluation divides
/// by it, and the rounding of the power would otherwise leave it a few ulp off the Nyquist
/// frequency. With (48000, 512) the grid runs from about 1.0199 Hz to 24000 Hz, then 48000 Hz.
/// A grid of fewer than 2 points is left untouched: it has no Nyquist point to scale by.
void MakeLogFreqGrid(double sampleRate, std::span<double> grid);

}  // namespace qb

#pragma once
/// Joint refinement of some parameters of a BandSet: bounded Levenberg-Marquardt on the
/// cost the set keeps (the variance of its residual), with the Jacobian from the sections'
/// own formulas: d(dB)/dp = 10/ln10 (N'/N - D'/D) for the squared magnitudes N and D, whose
/// coefficients' derivatives are taken by central differences of the design. One logarithm
/// per point and band per iteration, no more.

#include <array>
#include <cstddef>
#include <span>

#include "dspmath/band_set.h"

namespace qb {

/// One parameter of one band that the refinement may move.
struct Unknown {
  std::size_t band = 0;
  int param = kGain;
};

/// Where each parameter must stay, the same for every band.
struct ParamBounds {
  BandParams lo{};
  BandParams hi{};
};

/// Moves the `unknowns` (distinct, bands in ascending order) to lower the set's cost, each
/// held to its bounds, for at most `maxIterations` accepted steps; stops earlier when a step
/// no longer lowers the cost noticeably. Never raises the cost.
void RefineBands(BandSet& set, std::span<const Unknown> unknowns, const ParamBounds& bounds, int maxIterations);

}  // namespace qb

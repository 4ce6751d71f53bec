#pragma once
/// Magnitude response of cascaded IIR sections, in dB, on a frequency grid.
///
/// Transfer function of one section: H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
/// The leading denominator term is taken as 1 whatever a0 holds. A first-order section is a
/// second-order one with b2 = a2 = 0.

#include <array>
#include <span>

namespace qb {

/// Coefficients of one second-order section; a[0] is 1 for every section designed here.
struct SectionCoeffs {
  std::array<double, 3> b{1.0, 0.0, 0.0};
  std::array<double, 3> a{1.0, 0.0, 0.0};
};

/// Squared magnitude at or below which a point is not worth drawing: there the value is
/// kFloorDb instead of its logarithm, so a response drops off the display rather than
/// following its slope into numerical noise.
inline constexpr double kFloorPower = 1e-8;
/// Value of a point whose squared magnitude is at or below kFloorPower (or not a number).
inline constexpr double kFloorDb = -400.0;

/// 10*log10(p) when p > kFloorPower, else kFloorDb. NaN gives kFloorDb.
double PowerToDb(double p);

/// Response in dB of a cascade of `sections` sections of order `order` on `grid`
/// (count = grid.size() frequencies in Hz). Section j uses b[j*(order+1) .. j*(order+1)+order]
/// and likewise a. Point k is evaluated at theta = pi * grid[k] / grid[count-2], so a grid
/// from MakeLogFreqGrid maps its Nyquist point to theta = pi. The floor rule of PowerToDb
/// applies to the product of all sections.
/// Returns false and leaves `db` untouched when the arguments do not fit: fewer than 2 grid
/// points, grid[count-2] not positive, `db` shorter than the grid, order < 1, sections < 0,
/// or coefficient spans shorter than sections*(order+1).
bool EvalSectionsDb(std::span<const double> b, std::span<const double> a, int order, int sections,
                    std::span<const double> grid, std::span<double> db);

}  // namespace qb

#pragma once
/// The standard frequency grid with the trigonometry of every point computed once, so a
/// section's response over the whole grid costs only multiplications, additions and one
/// division per point. This is the evaluator behind the live curves; EvalSectionsDb is the
/// plain general-order one. The loops over the grid are those of ActiveCurveKernels().
///
/// A section's squared magnitude is written as a quadratic in phi = sin^2(theta/2):
///   |N|^2 = (b0+b1+b2)^2 - 4 (b0 b1 + 4 b0 b2 + b1 b2) phi + 16 b0 b2 phi^2,
/// likewise the denominator with a0 = 1. Unlike sums of cosines this keeps its precision near
/// DC, where a high-pass numerator vanishes: there the first two terms are exactly zero.

#include "dspmath/curve_constants.h"
#include "dspmath/section_response.h"

namespace qb {

class CurveGrid {
 public:
  /// The grid of MakeLogFreqGrid(CurveSampleRate, CurvePoints) and, per point, phi for
  /// theta = pi * f / f[CurvePoints-2], the mapping EvalSectionsDb uses.
  CurveGrid();

  /// The grid frequencies in Hz.
  const Curve& Frequencies() const { return m_freq; }

  /// Writes the response in dB of one second-order section to `db`, with the floor rule of
  /// PowerToDb. Equal to EvalSectionsDb of that one section to within rounding above the floor
  /// (within about 1e-7 dB close to a zero of the section, where the plain evaluator loses
  /// digits); within rounding of -80 dB the two may fall on different sides of the floor.
  void SectionDb(const SectionCoeffs& section, Curve& db) const;

  /// Adds the response in dB of one second-order section (as SectionDb) to `sum`.
  void AddSectionDb(const SectionCoeffs& section, Curve& sum) const;

 private:
  Curve m_freq{};
  Curve m_phi{};
};

/// The one grid every curve of the program is drawn on, built on first use (thread-safe).
const CurveGrid& StandardCurveGrid();

}  // namespace qb

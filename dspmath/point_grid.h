#pragma once
/// Responses of second-order sections at arbitrary frequencies: a measured spectrum's own
/// points rather than the standard grid. Each point's trigonometry is computed once, so a
/// section over all points costs a few multiplications, one division and one logarithm per
/// point; the equaliser fit evaluates thousands of sections on the same points.
///
/// The mapping and the squared magnitude are those of CurveGrid (theta = 2 pi f / 48000,
/// |H|^2 as a quadratic in phi = sin^2(theta/2)), so a section here agrees with
/// PeakingDbAt / EvalSectionsDb at the same frequency to within rounding, floor rule included.

#include <cstddef>
#include <span>
#include <vector>

#include "dspmath/section_response.h"

namespace qb {

/// |N|^2 = n0 + n1 phi + n2 phi^2 over |D|^2 = d0 + d1 phi + d2 phi^2: one section's
/// squared magnitude as two quadratics in phi.
struct SectionQuadratics {
  double n0 = 1.0;
  double n1 = 0.0;
  double n2 = 0.0;
  double d0 = 1.0;
  double d1 = 0.0;
  double d2 = 0.0;
};

/// The quadratics of `section` (its a0 counts as 1, as everywhere in the curve math).
SectionQuadratics QuadraticsOf(const SectionCoeffs& section);

class PointGrid {
 public:
  /// Points at `freqHz` (any order, any count), evaluated at CurveSampleRate.
  explicit PointGrid(std::span<const double> freqHz);

  std::size_t Size() const { return m_freq.size(); }
  std::span<const double> Frequencies() const { return m_freq; }
  /// sin^2(theta/2) of each point.
  std::span<const double> Phi() const { return m_phi; }

  /// db[k] = the section's response in dB at point k, with the floor rule of PowerToDb.
  /// `db` must hold Size() values.
  void SectionDb(const SectionQuadratics& section, std::span<double> db) const;
  void SectionDb(const SectionCoeffs& section, std::span<double> db) const { SectionDb(QuadraticsOf(section), db); }
  /// sum[k] += the section's response in dB at point k, as SectionDb gives it.
  void AddSectionDb(const SectionCoeffs& section, std::span<double> sum) const;

 private:
  std::vector<double> m_freq;
  std::vector<double> m_phi;
};

}  // namespace qb

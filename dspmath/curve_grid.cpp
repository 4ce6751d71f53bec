#include "dspmath/curve_grid.h"

#include <cmath>
#include <cstddef>
#include <numbers>

#include "dspmath/curve_kernels.h"
#include "dspmath/freq_grid.h"

namespace qb {
namespace {

/// |P(z)|^2 = c0 + c1 phi + c2 phi^2 for P = p0 + p1 z^-1 + p2 z^-2.
void PowerQuadratic(double p0, double p1, double p2, double& c0, double& c1, double& c2) {
  const double sum = p0 + p1 + p2;
  c0 = sum * sum;
  c1 = -4.0 * (p0 * p1 + 4.0 * p0 * p2 + p1 * p2);
  c2 = 16.0 * p0 * p2;
}

SectionPowerQuadratics PowerQuadraticsOf(const SectionCoeffs& section) {
  SectionPowerQuadratics q{};
  PowerQuadratic(section.b[0], section.b[1], section.b[2], q.n0, q.n1, q.n2);
  // The leading denominator term counts as 1 whatever a0 holds.
  PowerQuadratic(1.0, section.a[1], section.a[2], q.d0, q.d1, q.d2);
  return q;
}

}  // namespace

CurveGrid::CurveGrid() {
  MakeLogFreqGrid(CurveSampleRate, m_freq);
  const double nyquist = m_freq[kCurveSize - 2];
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    const double halfSine = std::sin(std::numbers::pi * m_freq[k] / nyquist / 2.0);
    m_phi[k] = halfSine * halfSine;
  }
}

void CurveGrid::SectionDb(const SectionCoeffs& section, Curve& db) const {
  ActiveCurveKernels().sectionDb(m_phi.data(), PowerQuadraticsOf(section), db.data());
}

void CurveGrid::AddSectionDb(const SectionCoeffs& section, Curve& sum) const {
  ActiveCurveKernels().addSectionDb(m_phi.data(), PowerQuadraticsOf(section), sum.data());
}

const CurveGrid& StandardCurveGrid() {
  static const CurveGrid grid;
  return grid;
}

}  // namespace qb

#include "dspmath/curve_grid.h"

#include <cmath>
#include <cstddef>
#include <numbers>

#include "dspmath/fast_log.h"
#include "dspmath/freq_grid.h"

namespace qb {
namespace {

constexpr double kDbPerNeper = 10.0 / std::numbers::ln10;  // 10*log10(p) = kDbPerNeper * ln(p)
// Power that stands in for a point under the floor: its logarithm is exactly kFloorDb in
// real arithmetic, and SnapFloor makes it exactly so in floating point.
constexpr double kFloorStandIn = 1e-40;
// Any value below this came from kFloorStandIn: a point above the floor is above -80 dB.
constexpr double kFloorDetect = -200.0;

/// Coefficients of |P(z)|^2 = c0 + c1 phi + c2 phi^2 for P = p0 + p1 z^-1 + p2 z^-2.
struct PowerQuadratic {
  double c0;
  double c1;
  double c2;
};

PowerQuadratic QuadraticOf(double p0, double p1, double p2) {
  const double sum = p0 + p1 + p2;
  return {sum * sum, -4.0 * (p0 * p1 + 4.0 * p0 * p2 + p1 * p2), 16.0 * p0 * p2};
}

// The loops below are kept free of calls and branches and work on restrict-qualified
// pointers, so the compiler vectorises each of them at the project's optimisation level.

void SectionPower(const double* __restrict phi, const SectionCoeffs& section,
                  double* __restrict out) {
  const PowerQuadratic n = QuadraticOf(section.b[0], section.b[1], section.b[2]);
  const PowerQuadratic d = QuadraticOf(1.0, section.a[1], section.a[2]);
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    const double x = phi[k];
    const double p = (n.c0 + x * (n.c1 + x * n.c2)) / (d.c0 + x * (d.c1 + x * d.c2));
    out[k] = p > kFloorPower ? p : kFloorStandIn;
  }
}

void PowerToDbInPlace(double* __restrict values) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    values[k] = kDbPerNeper * FastLn(values[k]);
  }
}

void SnapFloor(double* __restrict values) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    values[k] = values[k] < kFloorDetect ? kFloorDb : values[k];
  }
}

void AddInto(const double* __restrict values, double* __restrict sum) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    sum[k] += values[k];
  }
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
  SectionPower(m_phi.data(), section, db.data());
  PowerToDbInPlace(db.data());
  SnapFloor(db.data());
}

void CurveGrid::AddSectionDb(const SectionCoeffs& section, Curve& sum) const {
  Curve scratch;
  SectionDb(section, scratch);
  AddInto(scratch.data(), sum.data());
}

const CurveGrid& StandardCurveGrid() {
  static const CurveGrid grid;
  return grid;
}

}  // namespace qb

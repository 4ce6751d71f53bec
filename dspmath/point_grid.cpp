#include "dspmath/point_grid.h"

#include <cmath>
#include <numbers>

#include "dspmath/curve_constants.h"
#include "dspmath/fast_log.h"

namespace qb {
namespace {

constexpr double kDbPerNeper = 10.0 / std::numbers::ln10;
/// Power that stands in for a point under the floor, and the level below which a value in dB
/// came from it (a point above the floor is above -80 dB): the logarithm's loop stays free of
/// branches.
constexpr double kFloorStandIn = 1e-40;
constexpr double kFloorDetect = -200.0;

/// |P(z)|^2 as c0 + c1 phi + c2 phi^2 for P = p0 + p1 z^-1 + p2 z^-2.
void PowerQuadratic(double p0, double p1, double p2, double& c0, double& c1, double& c2) {
  const double sum = p0 + p1 + p2;
  c0 = sum * sum;
  c1 = -4.0 * (p0 * p1 + 4.0 * p0 * p2 + p1 * p2);
  c2 = 16.0 * p0 * p2;
}

}  // namespace

SectionQuadratics QuadraticsOf(const SectionCoeffs& section) {
  SectionQuadratics q;
  PowerQuadratic(section.b[0], section.b[1], section.b[2], q.n0, q.n1, q.n2);
  PowerQuadratic(1.0, section.a[1], section.a[2], q.d0, q.d1, q.d2);
  return q;
}

PointGrid::PointGrid(std::span<const double> freqHz) : m_freq(freqHz.begin(), freqHz.end()), m_phi(freqHz.size()) {
  const double nyquist = CurveSampleRate / 2.0;
  for (std::size_t k = 0; k < m_freq.size(); ++k) {
    const double halfSine = std::sin(std::numbers::pi * m_freq[k] / nyquist / 2.0);
    m_phi[k] = halfSine * halfSine;
  }
}

void PointGrid::SectionDb(const SectionQuadratics& q, std::span<double> db) const {
  const std::size_t n = m_phi.size();
  const double* phi = m_phi.data();
  double* out = db.data();
  // The power first, then the logarithm: two plain loops the compiler vectorises.
  for (std::size_t k = 0; k < n; ++k) {
    const double x = phi[k];
    const double p = (q.n0 + x * (q.n1 + x * q.n2)) / (q.d0 + x * (q.d1 + x * q.d2));
    out[k] = p > kFloorPower ? p : kFloorStandIn;
  }
  for (std::size_t k = 0; k < n; ++k) out[k] = kDbPerNeper * FastLn(out[k]);
  for (std::size_t k = 0; k < n; ++k) out[k] = out[k] < kFloorDetect ? kFloorDb : out[k];
}

void PointGrid::AddSectionDb(const SectionCoeffs& section, std::span<double> sum) const {
  std::vector<double> db(m_phi.size());
  SectionDb(QuadraticsOf(section), db);
  for (std::size_t k = 0; k < db.size(); ++k) sum[k] += db[k];
}

}  // namespace qb

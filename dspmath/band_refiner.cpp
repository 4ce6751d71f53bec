#include "dspmath/band_refiner.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace qb {
namespace {

constexpr double kDbPerNeper = 10.0 / std::numbers::ln10;
/// Steps of the central differences of the design, per parameter: small against the
/// parameters' scales (a millionth of the frequency or Q, 0.01 mdB), large against the
/// rounding of the coefficients.
constexpr BandParams kDifferenceStep{1e-6, 1e-6, 1e-5};
constexpr double kFirstDamping = 1e-3;
constexpr double kMaxDamping = 1e10;
/// The damping falls after an accepted step and rises after a rejected one.
constexpr double kDampingDown = 0.3;
constexpr double kDampingUp = 5.0;
/// A step that lowers the cost by less than this share ends the refinement.
constexpr double kConverged = 1e-9;

SectionQuadratics Difference(const SectionQuadratics& plus, const SectionQuadratics& minus, double step) {
  const double s = 1.0 / (2.0 * step);
  return {(plus.n0 - minus.n0) * s, (plus.n1 - minus.n1) * s, (plus.n2 - minus.n2) * s,
          (plus.d0 - minus.d0) * s, (plus.d1 - minus.d1) * s, (plus.d2 - minus.d2) * s};
}

/// d(dB)/d(param) of one band at every point, for each of `params` (at most three), into
/// column `columns[j]` of the point-major matrix `jacobian` (n columns).
void BandDerivatives(const PointGrid& points, const BandParams& band, std::span<const int> params,
                     std::span<const std::size_t> columns, std::size_t n, std::vector<double>& jacobian) {
  const SectionQuadratics q = QuadraticsOf(DesignBand(band));
  const auto phi = points.Phi();
  for (std::size_t j = 0; j < params.size(); ++j) {
    const auto p = static_cast<std::size_t>(params[j]);
    BandParams plus = band;
    BandParams minus = band;
    plus[p] += kDifferenceStep[p];
    minus[p] -= kDifferenceStep[p];
    const SectionQuadratics dq =
        Difference(QuadraticsOf(DesignBand(plus)), QuadraticsOf(DesignBand(minus)), kDifferenceStep[p]);
    double* out = jacobian.data() + columns[j];
    for (std::size_t k = 0; k < phi.size(); ++k) {
      const double x = phi[k];
      const double num = q.n0 + x * (q.n1 + x * q.n2);
      const double den = q.d0 + x * (q.d1 + x * q.d2);
      const double dNum = dq.n0 + x * (dq.n1 + x * dq.n2);
      const double dDen = dq.d0 + x * (dq.d1 + x * dq.d2);
      out[k * n] = kDbPerNeper * (dNum / num - dDen / den);
    }
  }
}

/// Solves (A + damping * diag) x = rhs for the symmetric positive semi-definite A (n x n,
/// row-major) by Cholesky. `diag` is A's diagonal with a floor, so parameters without effect
/// (the frequency of a flat band) stay put. False when the matrix is not positive definite.
bool SolveDamped(const std::vector<double>& a, const std::vector<double>& diag, double damping,
                 const std::vector<double>& rhs, std::vector<double>& x, std::vector<double>& l) {
  const std::size_t n = rhs.size();
  l.resize(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double sum = a[i * n + j] + (i == j ? damping * diag[i] : 0.0);
      for (std::size_t m = 0; m < j; ++m) sum -= l[i * n + m] * l[j * n + m];
      if (i == j) {
        if (!(sum > 0.0)) return false;
        l[i * n + i] = std::sqrt(sum);
      } else {
        l[i * n + j] = sum / l[j * n + j];
      }
    }
  }
  x.assign(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    double sum = rhs[i];
    for (std::size_t m = 0; m < i; ++m) sum -= l[i * n + m] * x[m];
    x[i] = sum / l[i * n + i];
  }
  for (std::size_t i = n; i-- > 0;) {
    double sum = x[i];
    for (std::size_t m = i + 1; m < n; ++m) sum -= l[m * n + i] * x[m];
    x[i] = sum / l[i * n + i];
  }
  return true;
}

bool AtLower(double value, double lo) { return value <= lo + 1e-12 * (1.0 + std::fabs(lo)); }
bool AtUpper(double value, double hi) { return value >= hi - 1e-12 * (1.0 + std::fabs(hi)); }

/// The Jacobian of the equaliser curve, point by point (row p holds the derivatives of point
/// p, one per unknown), each column less its mean (the level offset the fit ignores); the
/// means apart. Row-major, so the normal equations below run along contiguous rows.
struct Jacobian {
  std::vector<double> centred;
  std::vector<double> means;
};

void JacobianOf(const BandSet& set, std::span<const Unknown> unknowns, Jacobian& j) {
  const std::size_t m = set.Points().Size();
  const std::size_t n = unknowns.size();
  j.centred.resize(m * n);
  j.means.assign(n, 0.0);
  for (std::size_t i = 0; i < n;) {
    // The unknowns of one band come together; their derivatives share its squared magnitudes.
    std::array<int, kParamsPerBand> params{};
    std::array<std::size_t, kParamsPerBand> columns{};
    std::size_t count = 0;
    const std::size_t band = unknowns[i].band;
    for (; i < n && unknowns[i].band == band && count < params.size(); ++i, ++count) {
      params[count] = unknowns[i].param;
      columns[count] = i;
    }
    BandDerivatives(set.Points(), set.Params(band), std::span(params).first(count), std::span(columns).first(count), n,
                    j.centred);
  }
  for (std::size_t p = 0; p < m; ++p)
    for (std::size_t i = 0; i < n; ++i) j.means[i] += j.centred[p * n + i];
  for (double& mean : j.means) mean /= static_cast<double>(m);
  for (std::size_t p = 0; p < m; ++p)
    for (std::size_t i = 0; i < n; ++i) j.centred[p * n + i] -= j.means[i];
}

/// The Gauss-Newton matrix (n x n, row-major) and half the gradient of the set's cost, part
/// by part as BandSet describes it.
void NormalEquations(const BandSet& set, const Jacobian& j, std::vector<double>& a, std::vector<double>& gradient) {
  const std::size_t m = set.Points().Size();
  const std::size_t n = j.means.size();
  const std::vector<double> residual = set.CentredResidual();
  const std::span<const double> sum = set.Sum();
  double meanSum = 0.0;
  for (double v : sum) meanSum += v;
  meanSum /= static_cast<double>(m);
  const double level = kLevelWeight * static_cast<double>(m);
  std::fill(a.begin(), a.end(), 0.0);
  std::fill(gradient.begin(), gradient.end(), 0.0);
  // The fit: J'J and J'r of the centred Jacobian (the lower triangle), two rows of J'J at a
  // time along the contiguous rows of J.
  for (std::size_t i = 0; i < n; i += 2) {
    double* row0 = a.data() + i * n;
    double* row1 = i + 1 < n ? row0 + n : nullptr;
    for (std::size_t p = 0; p < m; ++p) {
      const double* jp = j.centred.data() + p * n;
      const double c0 = jp[i];
      if (row1 == nullptr) {
        for (std::size_t k = 0; k <= i; ++k) row0[k] += c0 * jp[k];
        continue;
      }
      const double c1 = jp[i + 1];
      for (std::size_t k = 0; k <= i; ++k) {
        row0[k] += c0 * jp[k];
        row1[k] += c1 * jp[k];
      }
      row1[i + 1] += c1 * jp[i + 1];
    }
  }
  for (std::size_t p = 0; p < m; ++p) {
    const double* jp = j.centred.data() + p * n;
    const double r = residual[p];
    for (std::size_t i = 0; i < n; ++i) gradient[i] += r * jp[i];
  }
  // The level: one row, the mean of each column.
  for (std::size_t i = 0; i < n; ++i) {
    gradient[i] += level * meanSum * j.means[i];
    for (std::size_t k = 0; k <= i; ++k) a[i * n + k] += level * j.means[i] * j.means[k];
  }
  // Points lifted above the boost limit: few, if any, each a row of the whole Jacobian.
  std::vector<double> whole(n);
  for (std::size_t p = 0; p < m; ++p) {
    const double lift = sum[p] - set.MaxBoostDb();
    if (!(lift > 0.0)) continue;
    for (std::size_t i = 0; i < n; ++i) whole[i] = j.centred[p * n + i] + j.means[i];
    for (std::size_t i = 0; i < n; ++i) {
      gradient[i] += kBoostWeight * lift * whole[i];
      for (std::size_t k = 0; k <= i; ++k) a[i * n + k] += kBoostWeight * whole[i] * whole[k];
    }
  }
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t k = 0; k < i; ++k) a[k * n + i] = a[i * n + k];
}

}  // namespace

void RefineBands(BandSet& set, std::span<const Unknown> unknowns, const ParamBounds& bounds, int maxIterations) {
  const std::size_t m = set.Points().Size();
  const std::size_t n = unknowns.size();
  if (n == 0 || m < 2) return;
  std::vector<std::size_t> bands;
  for (const Unknown& u : unknowns)
    if (bands.empty() || bands.back() != u.band) bands.push_back(u.band);

  double damping = kFirstDamping;
  std::vector<double> a(n * n);
  std::vector<double> gradient(n);
  std::vector<std::vector<double>> curves(bands.size(), std::vector<double>(m));
  std::vector<BandParams> trial(bands.size());
  Jacobian jacobian;
  std::vector<double> step;
  std::vector<double> factor;
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    JacobianOf(set, unknowns, jacobian);
    NormalEquations(set, jacobian, a, gradient);
    double largestDiagonal = 0.0;
    for (std::size_t i = 0; i < n; ++i) largestDiagonal = std::max(largestDiagonal, a[i * n + i]);
    if (!(largestDiagonal > 0.0)) return;

    // A parameter at a bound that the gradient pushes further out is held there this step.
    std::vector<std::size_t> free;
    for (std::size_t i = 0; i < n; ++i) {
      const Unknown& u = unknowns[i];
      const double value = set.Params(u.band)[static_cast<std::size_t>(u.param)];
      const auto p = static_cast<std::size_t>(u.param);
      const bool held = (AtLower(value, bounds.lo[p]) && gradient[i] > 0.0) ||
                        (AtUpper(value, bounds.hi[p]) && gradient[i] < 0.0);
      if (!held) free.push_back(i);
    }
    if (free.empty()) return;
    const std::size_t f = free.size();
    std::vector<double> af(f * f);
    std::vector<double> diag(f);
    std::vector<double> rhs(f);
    for (std::size_t i = 0; i < f; ++i) {
      for (std::size_t j = 0; j < f; ++j) af[i * f + j] = a[free[i] * n + free[j]];
      diag[i] = std::max(a[free[i] * n + free[i]], 1e-9 * largestDiagonal);
      rhs[i] = -gradient[free[i]];
    }

    const double cost = set.Cost();
    double trialCost = cost;
    bool accepted = false;
    while (!accepted && damping < kMaxDamping) {
      if (!SolveDamped(af, diag, damping, rhs, step, factor)) {
        damping *= kDampingUp;
        continue;
      }
      for (std::size_t b = 0; b < bands.size(); ++b) trial[b] = set.Params(bands[b]);
      for (std::size_t i = 0; i < f; ++i) {
        const Unknown& u = unknowns[free[i]];
        const auto b = static_cast<std::size_t>(std::lower_bound(bands.begin(), bands.end(), u.band) - bands.begin());
        const auto p = static_cast<std::size_t>(u.param);
        trial[b][p] = std::clamp(trial[b][p] + step[i], bounds.lo[p], bounds.hi[p]);
      }
      for (std::size_t b = 0; b < bands.size(); ++b) set.CurveOf(trial[b], curves[b]);
      trialCost = set.CostWith(bands, curves);
      if (trialCost < cost) {
        accepted = true;
        damping = std::max(damping * kDampingDown, 1e-12);
      } else {
        damping *= kDampingUp;
      }
    }
    if (!accepted) return;
    set.Set(bands, trial, curves);
    if (cost - trialCost <= kConverged * cost) return;
  }
}

}  // namespace qb

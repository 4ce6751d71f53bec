#include "dspmath/band_set.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"

namespace qb {

SectionCoeffs DesignBand(const BandParams& params) {
  return DesignPeakingEq(CurveSampleRate, std::exp(params[kLogFreq]), params[kGain], std::exp(params[kLogQ]));
}

BandSet::BandSet(const PointGrid& points, std::span<const double> wantedDb, double maxBoostDb)
    : m_points(points),
      m_wanted(wantedDb.begin(), wantedDb.end()),
      m_maxBoostDb(maxBoostDb),
      m_sum(points.Size(), 0.0),
      m_trial(points.Size(), 0.0) {
  m_wanted.resize(points.Size(), 0.0);
  Update();
}

void BandSet::Add(const BandParams& params) {
  m_params.push_back(params);
  m_curves.emplace_back(m_points.Size());
  CurveOf(params, m_curves.back());
  Update();
}

void BandSet::RemoveLast() {
  if (m_params.empty()) return;
  m_params.pop_back();
  m_curves.pop_back();
  Update();
}

void BandSet::Set(std::size_t band, const BandParams& params) {
  m_params[band] = params;
  CurveOf(params, m_curves[band]);
  Update();
}

void BandSet::CurveOf(const BandParams& params, std::span<double> curve) const {
  m_points.SectionDb(DesignBand(params), curve);
}

double BandSet::CostOf(std::span<const double> sum) const {
  const std::size_t n = sum.size();
  if (n == 0) return 0.0;
  double meanResidual = 0.0;
  double meanSum = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    meanResidual += sum[k] - m_wanted[k];
    meanSum += sum[k];
  }
  meanResidual /= static_cast<double>(n);
  meanSum /= static_cast<double>(n);
  double fit = 0.0;
  double over = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double r = sum[k] - m_wanted[k] - meanResidual;
    fit += r * r;
    const double lift = std::max(sum[k] - m_maxBoostDb, 0.0);
    over += lift * lift;
  }
  return fit + kLevelWeight * static_cast<double>(n) * meanSum * meanSum + kBoostWeight * over;
}

double BandSet::CostWith(std::size_t band, std::span<const double> curve, double* highest) const {
  const std::vector<double>& old = m_curves[band];
  double top = -1e300;
  for (std::size_t k = 0; k < m_sum.size(); ++k) {
    m_trial[k] = m_sum[k] - old[k] + curve[k];
    top = std::max(top, m_trial[k]);
  }
  if (highest != nullptr) *highest = top;
  return CostOf(m_trial);
}

double BandSet::CostWith(std::span<const std::size_t> bands, const std::vector<std::vector<double>>& curves) const {
  std::fill(m_trial.begin(), m_trial.end(), 0.0);
  std::size_t next = 0;
  for (std::size_t b = 0; b < m_curves.size(); ++b) {
    const bool replaced = next < bands.size() && bands[next] == b;
    const std::vector<double>& curve = replaced ? curves[next] : m_curves[b];
    if (replaced) ++next;
    for (std::size_t k = 0; k < m_trial.size(); ++k) m_trial[k] += curve[k];
  }
  return CostOf(m_trial);
}

void BandSet::Set(std::span<const std::size_t> bands, std::span<const BandParams> params,
                  std::vector<std::vector<double>>& curves) {
  for (std::size_t i = 0; i < bands.size(); ++i) {
    m_params[bands[i]] = params[i];
    std::swap(m_curves[bands[i]], curves[i]);
  }
  Update();
}

std::vector<double> BandSet::CentredResidual() const {
  std::vector<double> residual(m_sum.size());
  double mean = 0.0;
  for (std::size_t k = 0; k < residual.size(); ++k) {
    residual[k] = m_sum[k] - m_wanted[k];
    mean += residual[k];
  }
  if (!residual.empty()) mean /= static_cast<double>(residual.size());
  for (double& r : residual) r -= mean;
  return residual;
}

void BandSet::Update() {
  std::fill(m_sum.begin(), m_sum.end(), 0.0);
  for (const std::vector<double>& curve : m_curves)
    for (std::size_t k = 0; k < m_sum.size(); ++k) m_sum[k] += curve[k];
  m_cost = CostOf(m_sum);
}

}  // namespace qb

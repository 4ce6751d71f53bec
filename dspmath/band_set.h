#pragma once
/// The peaking bands of an equaliser fit while it runs: each band's parameters and curve at
/// the fit's points, their sum (the equaliser curve), and the cost the fit minimises, kept
/// current as bands are added, moved or tried.
///
/// A band is held as (ln frequency, ln Q, gain in dB): steps in the logarithms move a band
/// by the same share at 30 Hz as at 10 kHz.
///
/// The cost has three parts:
///  - the sum over the points of the squared deviation of (equaliser - wanted) from its
///    mean: the fit itself, where a level offset is free;
///  - kLevelWeight x points x (mean of the equaliser)^2: of all equalisers that fit equally
///    well, the one without a needless level (bands adding up to a broad lift cost
///    headroom and fit no better);
///  - kBoostWeight x the sum of the squares of whatever the equaliser lifts above the boost
///    limit: the limit holds for the bands together, not only for each band.

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "dspmath/point_grid.h"
#include "dspmath/section_response.h"

namespace qb {

enum BandParam : int { kLogFreq = 0, kLogQ = 1, kGain = 2 };
inline constexpr int kParamsPerBand = 3;
using BandParams = std::array<double, kParamsPerBand>;

inline constexpr double kLevelWeight = 1e-3;
inline constexpr double kBoostWeight = 100.0;

/// The peaking section of a band held as BandParams, at CurveSampleRate.
SectionCoeffs DesignBand(const BandParams& params);

class BandSet {
 public:
  /// `wantedDb` holds one value per point; it is copied. `maxBoostDb` limits the sum.
  BandSet(const PointGrid& points, std::span<const double> wantedDb, double maxBoostDb);

  const PointGrid& Points() const { return m_points; }
  std::span<const double> Wanted() const { return m_wanted; }
  double MaxBoostDb() const { return m_maxBoostDb; }
  std::size_t Count() const { return m_params.size(); }
  const BandParams& Params(std::size_t band) const { return m_params[band]; }
  /// The equaliser curve: the sum of the band curves at each point.
  std::span<const double> Sum() const { return m_sum; }

  void Add(const BandParams& params);
  void RemoveLast();
  void Set(std::size_t band, const BandParams& params);

  /// The curve a band with `params` would have at the points.
  void CurveOf(const BandParams& params, std::span<double> curve) const;

  double Cost() const { return m_cost; }
  /// The cost, and the equaliser's highest point, with the curve of `band` replaced by
  /// `curve`.
  double CostWith(std::size_t band, std::span<const double> curve, double* highest = nullptr) const;
  /// The cost with the curves of `bands` (ascending, distinct) replaced by `curves`.
  double CostWith(std::span<const std::size_t> bands, const std::vector<std::vector<double>>& curves) const;
  /// Replaces the parameters and curves of `bands` together, as CostWith tried them;
  /// `curves` receives the old curves.
  void Set(std::span<const std::size_t> bands, std::span<const BandParams> params,
           std::vector<std::vector<double>>& curves);

  /// (equaliser - wanted) at each point, less its mean.
  std::vector<double> CentredResidual() const;

 private:
  double CostOf(std::span<const double> sum) const;
  /// Recomputes the sum in band order (so it never depends on the history of edits) and
  /// the cost.
  void Update();

  const PointGrid& m_points;
  std::vector<double> m_wanted;
  double m_maxBoostDb;
  std::vector<BandParams> m_params;
  std::vector<std::vector<double>> m_curves;
  std::vector<double> m_sum;
  double m_cost = 0.0;
  mutable std::vector<double> m_trial;  ///< room for a tried sum
};

}  // namespace qb

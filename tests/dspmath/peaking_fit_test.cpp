// The fit's own math, apart from the box: sections at a measurement's points agree with the
// curve math, bands stay on the steps and inside limits however narrow, fixed bands keep
// their frequency and Q, and bands that would lift together are held to the limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"
#include "dspmath/peaking_fit.h"
#include "dspmath/point_grid.h"

namespace qb {
namespace {

constexpr PeakingFitLimits kLimits{20.0, 20000.0, 0.5, 9.0, 0.1, -18.0, 6.0, 0.1};

std::vector<double> LogPoints(double low, double high, double perOctave) {
  std::vector<double> f;
  for (double x = low; x <= high * 1.0001; x *= std::exp2(1.0 / perOctave)) f.push_back(x);
  return f;
}

double SumAt(const std::vector<PeakingBand>& bands, double hz) {
  double db = 0.0;
  for (const PeakingBand& b : bands) db += PeakingDbAt(CurveSampleRate, b.freqHz, b.gainDb, b.q, hz);
  return db;
}

TEST(PointGridTest, ASectionAtArbitraryPointsIsTheCurveMathsOwnResponse) {
  const std::vector<double> f{1.0, 19.7, 333.3, 1000.0, 12345.6, 23999.0};
  const PointGrid points(f);
  for (const auto& [centre, gain, q] : {std::tuple{40.0, 12.0, 9.0}, std::tuple{1000.0, -18.0, 0.5},
                                        std::tuple{18000.0, 6.5, 2.3}}) {
    std::vector<double> db(f.size());
    points.SectionDb(DesignPeakingEq(CurveSampleRate, centre, gain, q), db);
    for (std::size_t k = 0; k < f.size(); ++k)
      EXPECT_NEAR(db[k], PeakingDbAt(CurveSampleRate, centre, gain, q, f[k]), 1e-9) << centre << " Hz at " << f[k];
  }
}

TEST(PeakingFitTest, BandsEndOnTheStepsInsideLimitsHoweverNarrow) {
  const std::vector<double> f = LogPoints(100.0, 200.0, 48.0);
  const PointGrid points(f);
  std::vector<double> wanted;
  for (double x : f) wanted.push_back(5.0 * std::sin(x / 7.0));
  // A range without a whole hertz in it collapses to the nearest one; Q and gain likewise.
  const PeakingFitLimits narrow{150.2, 150.7, 2.01, 2.07, 0.1, -0.05, 0.04, 0.1};
  for (const PeakingBand& b : FitPeakingBands(points, wanted, 3, narrow)) {
    EXPECT_EQ(b.freqHz, 150.0);
    EXPECT_DOUBLE_EQ(b.q, 2.0);
    EXPECT_EQ(b.gainDb, 0.0);
  }
  const std::vector<PeakingBand> bands = FitPeakingBands(points, wanted, 4, kLimits);
  ASSERT_EQ(bands.size(), 4u);
  for (const PeakingBand& b : bands) {
    EXPECT_EQ(b.freqHz, std::round(b.freqHz));
    EXPECT_EQ(b.q, std::round(b.q * 10.0) / 10.0);
    EXPECT_EQ(b.gainDb, std::round(b.gainDb * 10.0) / 10.0);
  }
  EXPECT_LT(FitDeviationDb(points, wanted, bands), FitDeviationDb(points, wanted, {}) / 3.0);
  // Without two points there is nothing to fit: the bands come back flat.
  const PointGrid one(std::vector<double>{1000.0});
  const std::vector<PeakingBand> flat = FitPeakingBands(one, std::vector<double>{3.0}, 0, kLimits);
  ASSERT_EQ(flat.size(), 1u);
  EXPECT_EQ(flat[0].gainDb, 0.0);
}

TEST(PeakingFitTest, BandsThatWouldLiftTogetherAreHeldToTheLimitAsASum) {
  // A wide +10 dB plateau: two +6 dB bands side by side would overshoot where they overlap.
  const std::vector<double> f = LogPoints(20.0, 20000.0, 24.0);
  std::vector<double> wanted;
  for (double x : f) wanted.push_back(x > 400.0 && x < 1600.0 ? 10.0 : 0.0);
  const PointGrid points(f);
  const std::vector<PeakingBand> bands = FitPeakingBands(points, wanted, 6, kLimits);
  double highest = -100.0;
  for (double x : LogPoints(20.0, 20000.0, 96.0)) highest = std::max(highest, SumAt(bands, x));
  EXPECT_LE(highest, 6.0 + 1e-6);
  EXPECT_GT(highest, 5.0) << "the limit is used, not avoided";
}

TEST(PeakingFitTest, FixedBandsKeepTheirFrequencyAndQAndOnlyTheAdjustableOnesMove) {
  const std::vector<double> f = LogPoints(20.0, 20000.0, 24.0);
  std::vector<double> wanted;
  for (double x : f) wanted.push_back(x < 500.0 ? -4.0 : 2.0);
  const std::vector<PeakingBand> fixed{{100.0, 5.8, 0.0}, {1000.0, 5.8, 0.0}, {8000.0, 1.414, 0.0}};
  const std::vector<PeakingBand> fitted = FitBandGains(PointGrid(f), wanted, fixed, {true, false, true}, kLimits);
  ASSERT_EQ(fitted.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fitted[i].freqHz, fixed[i].freqHz);
    EXPECT_EQ(fitted[i].q, fixed[i].q) << "an off-step Q is the caller's, not the fit's";
  }
  EXPECT_LT(fitted[0].gainDb, 0.0);
  EXPECT_EQ(fitted[1].gainDb, 0.0);
  EXPECT_GT(fitted[2].gainDb, 0.0);
}

}  // namespace
}  // namespace qb

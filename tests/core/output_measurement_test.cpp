// A measurement kept for an output beside the settings it was taken through: the predicted
// curve is the measurement until the output changes and then follows the change, and a fit
// made after later edits still takes out the equaliser the measurement heard.
#include "core/output_measurement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dspmath/curve_grid.h"

namespace qb {
namespace {

/// A speaker at 80 dB with a 6 dB hump an octave wide at 1 kHz, every 1/24 octave.
MeasuredResponse Hump() {
  MeasuredResponse m;
  for (double f = 20.0; f <= 20000.0; f *= std::exp2(1.0 / 24.0)) {
    m.freqHz.push_back(f);
    m.db.push_back(80.0 + 6.0 / (1.0 + std::pow(2.0 * std::log2(f / 1000.0), 2.0)));
  }
  return m;
}

/// The grid point nearest `hz`.
std::size_t GridPointAt(double hz) {
  const Curve& grid = StandardCurveGrid().Frequencies();
  std::size_t best = 0;
  for (std::size_t k = 0; k < grid.size(); ++k)
    if (std::abs(std::log(grid[k] / hz)) < std::abs(std::log(grid[best] / hz))) best = k;
  return best;
}

Profile WithBands() {
  Profile live;
  OutputChannel& ch = live.channels[1];
  ch.bypass = 0;
  ch.bands[0] = {-2.0f, 1.0f, 200, 1};
  return live;
}

TEST(OutputMeasurementTest, ThePredictionIsTheMeasurementUntilTheOutputChangesAndThenFollowsIt) {
  Profile live = WithBands();
  const OutputMeasurement m = MeasurementOf(live, 1, Hump());
  EXPECT_NEAR(m.referenceDb, 81.0, 1.5) << "the curves are drawn about the measured level";
  const GridCurve unchanged = LiveCurveOf(live, m);
  ASSERT_GT(unchanged.count, 0u);
  for (std::size_t k = unchanged.first; k < unchanged.first + unchanged.count; ++k)
    ASSERT_NEAR(unchanged.db[k], m.measured.db[k], 1e-9) << k;

  const std::size_t at5k = GridPointAt(5000.0);
  const std::size_t at200 = GridPointAt(200.0);
  const std::size_t at20k = GridPointAt(19000.0);
  live.channels[1].bands[1] = {4.0f, 2.0f, 5000, 1};
  GridCurve edited = LiveCurveOf(live, m);
  EXPECT_NEAR(edited.db[at5k] - m.measured.db[at5k], 4.0, 0.1);
  EXPECT_NEAR(edited.db[at200] - m.measured.db[at200], 0.0, 0.1);

  live.channels[1].bypass = 1;  // the equaliser bypassed: the -2 dB band the measurement heard is gone too
  edited = LiveCurveOf(live, m);
  EXPECT_NEAR(edited.db[at200] - m.measured.db[at200], 2.0, 0.1);
  EXPECT_NEAR(edited.db[at5k] - m.measured.db[at5k], 0.0, 0.1);

  live.channels[1].bypass = 0;
  live.channels[1].crossover.lp.SetFs(2000);
  live.channels[1].crossover.lp.SetSlope(4);
  edited = LiveCurveOf(live, m);
  EXPECT_LT(edited.db[at20k] - m.measured.db[at20k], -40.0) << "a new low-pass rolls the prediction off";
}

TEST(OutputMeasurementTest, AFitAfterLaterEditsTakesOutTheEqualiserTheMeasurementHeardAndKeepsToTheCrossoverNow) {
  const Profile asTaken = WithBands();
  const OutputMeasurement m = MeasurementOf(asTaken, 1, Hump());
  const EqFitRequest request{.bands = 4};
  const EqFitOutcome direct = FitEqualizer(asTaken, 1, m.response, FitTarget{}, request);
  ASSERT_TRUE(direct.fit) << direct.error;

  Profile edited = asTaken;
  edited.channels[1].bands[0] = {6.0f, 3.0f, 800, 1};
  edited.channels[1].eqSize = 10;
  const EqFitOutcome later = FitMeasurement(edited, m, FitTarget{}, request);
  ASSERT_TRUE(later.fit) << later.error;
  EXPECT_EQ(later.fit->bands, direct.fit->bands);
  EXPECT_DOUBLE_EQ(later.fit->residualDb, direct.fit->residualDb);

  edited.channels[1].crossover.hp.SetFs(300);
  edited.channels[1].crossover.hp.SetSlope(2);
  const EqFitOutcome crossed = FitMeasurement(edited, m, FitTarget{}, request);
  ASSERT_TRUE(crossed.fit) << crossed.error;
  EXPECT_GE(crossed.fit->range.lowHz, 300.0);
  for (const EqBand& band : crossed.fit->bands) EXPECT_GE(band.freq, 300);
}

}  // namespace
}  // namespace qb

// The equaliser fit against measurements made up from known bands: the fit finds them, every
// band it gives lies within the box's ranges and on what the box stores, no band leaves the
// output's pass band, the graphic mode keeps its frequencies, the same input gives the same
// bands, the prediction swaps only the equaliser, and a fit applied is one undo step.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/eq_editor.h"
#include "core/eq_fit.h"
#include "core/eq_prediction.h"
#include "core/measurement_text.h"
#include "devicelink/value_encoding.h"
#include "dspmath/calibration_targets.h"
#include "dspmath/curve_grid.h"
#include "dspmath/peaking_eq.h"
#include "tests/core/core_session.h"

namespace qb {
namespace {

/// Points every 1/48 octave from `low` to `high` Hz.
std::vector<double> LogPoints(double low, double high) {
  std::vector<double> f;
  for (double x = low; x <= high * 1.0001; x *= std::exp2(1.0 / 48.0)) f.push_back(x);
  return f;
}

double BandsDbAt(const std::vector<EqBand>& bands, double hz) {
  double db = 0.0;
  for (const EqBand& b : bands) db += PeakingDbAt(CurveSampleRate, b.freq, b.eqGain, b.eqFactor, hz);
  return db;
}

/// A measurement `levelDb` above the curve of `bands`, plus a ripple of `rippleDb`.
MeasuredResponse Measured(const std::vector<EqBand>& bands, double levelDb, double rippleDb = 0.0) {
  MeasuredResponse m;
  m.freqHz = LogPoints(20.0, 20000.0);
  for (double f : m.freqHz) m.db.push_back(levelDb + BandsDbAt(bands, f) + rippleDb * std::sin(17.0 * std::log(f)));
  return m;
}

/// A rough speaker: a bass hump, a presence dip, a treble peak and a ripple.
MeasuredResponse RoughSpeaker() {
  return Measured({{5.0f, 1.2f, 60, 1}, {-7.0f, 2.0f, 2500, 1}, {9.0f, 4.0f, 9000, 1}, {-4.0f, 0.7f, 300, 1}}, 80.0,
                  0.8);
}

const FitTarget kFlat{};

EqFitResult Fit(const Profile& live, int output, const MeasuredResponse& m, const EqFitRequest& request,
                const FitTarget& target = kFlat) {
  const EqFitOutcome outcome = FitEqualizer(live, output, m, target, request);
  EXPECT_TRUE(outcome.fit) << outcome.error;
  return outcome.fit.value_or(EqFitResult{});
}

/// Whether `value` is a whole number of tenths as a float holds one, and the wire carries
/// it unchanged.
bool OnTenths(float value) {
  return static_cast<float>(std::round(value * 10.0) / 10.0) == value;
}

TEST(EqFitTest, BandsThatMadeAMeasurementAreFoundAndTheLevelIsReportedApart) {
  const std::vector<EqBand> made{{4.0f, 2.0f, 120, 1}, {-6.0f, 3.5f, 1800, 1}, {3.0f, 1.0f, 7000, 1}};
  const EqFitResult fit = Fit(Profile{}, 0, Measured(made, 2.5), {.bands = 3});
  ASSERT_EQ(fit.bands.size(), 3u);
  EXPECT_LT(fit.residualDb, 0.05);
  EXPECT_GT(fit.residualBeforeDb, 1.5);
  EXPECT_NEAR(fit.levelDb, -2.5, 0.2) << "the measurement's level is not the equaliser's business";
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(fit.bands[i].freq, made[i].freq, made[i].freq * 0.05) << i;
    EXPECT_NEAR(fit.bands[i].eqGain, -made[i].eqGain, 0.4) << i;
  }
  // A full-resolution export, 4 Hz apart: the fit works on averages, the figures on every point.
  MeasuredResponse linear;
  for (double f = 4.0; f <= 24000.0; f += 4.0) {
    linear.freqHz.push_back(f);
    linear.db.push_back(2.5 + BandsDbAt(made, f));
  }
  const EqFitResult dense = Fit(Profile{}, 0, linear, {.bands = 3});
  EXPECT_EQ(dense.points, 4996u);
  EXPECT_LT(dense.residualDb, 0.05);
}

TEST(EqFitTest, EveryBandLiesWithinTheBoxsRangesOnItsStepsAndTheSumWithinTheBoostLimit) {
  Profile live;
  // Each limit and each count at least once; the 31-band fits are the slow ones.
  for (const auto& [boost, count] : {std::pair{0.0, 31}, std::pair{3.0, 10}, std::pair{6.0, 31}, std::pair{12.0, 1},
                                     std::pair{12.0, 10}}) {
    const EqFitResult fit = Fit(live, 0, RoughSpeaker(), {.bands = count, .maxBoostDb = boost});
    ASSERT_EQ(fit.bands.size(), static_cast<std::size_t>(count));
    for (const EqBand& b : fit.bands) {
      const std::string at = "boost " + std::to_string(boost) + ", " + std::to_string(count) + " bands, band at " +
                             std::to_string(b.freq) + " Hz";
      EXPECT_GE(b.freq, kMinFrequencyHz) << at;
      EXPECT_LE(b.freq, kMaxFrequencyHz) << at;
      EXPECT_GE(b.eqFactor, kMinBandQ) << at;
      EXPECT_LE(b.eqFactor, kMaxBandQ) << at;
      EXPECT_GE(b.eqGain, -18.0f) << at;
      EXPECT_LE(b.eqGain, boost) << at;
      EXPECT_TRUE(OnTenths(b.eqFactor) && OnTenths(b.eqGain)) << at << ": Q " << b.eqFactor << " gain " << b.eqGain;
      EXPECT_EQ(b.enable, 1) << at;
      // What the wire carries reads back as the band's own values.
      EXPECT_FLOAT_EQ(static_cast<float>(*DecodeEqGain(EncodeEqGain(b.eqGain))), b.eqGain) << at;
      EXPECT_FLOAT_EQ(static_cast<float>(*DecodeEqQCommand(EncodeEqQ(b.eqFactor))), b.eqFactor) << at;
    }
    double highest = -100.0;
    for (double f : LogPoints(20.0, 20000.0)) highest = std::max(highest, BandsDbAt(fit.bands, f));
    EXPECT_LE(highest, boost + 0.01) << "boost " << boost << ", " << count << " bands";
  }
}

TEST(EqFitTest, NoBandLeavesThePassBandAndTheRangeFollowsIt) {
  Profile live;
  Crossover& x = live.channels[2].crossover;
  x.hp.SetFs(200);
  x.hp.SetSlope(4);
  x.lp.SetFs(5000);
  x.lp.SetSlope(4);
  // Far below the high-pass the measurement falls away: nothing may be lifted there.
  MeasuredResponse m = RoughSpeaker();
  for (std::size_t k = 0; k < m.Size(); ++k)
    if (m.freqHz[k] < 200.0 || m.freqHz[k] > 5000.0) m.db[k] -= 30.0;
  const EqFitResult fit = Fit(live, 2, m, {.bands = 31});
  // The range runs between the measured points nearest inside the corners.
  EXPECT_GE(fit.range.lowHz, 200.0);
  EXPECT_LT(fit.range.lowHz, 200.0 * std::exp2(1.0 / 48.0));
  EXPECT_LE(fit.range.highHz, 5000.0);
  EXPECT_GT(fit.range.highHz, 5000.0 / std::exp2(1.0 / 48.0));
  for (const EqBand& b : fit.bands) {
    EXPECT_GE(b.freq, 200) << b.freq;
    EXPECT_LE(b.freq, 5000) << b.freq;
  }
  // A filter switched off opens the range again; a range asked for narrows it.
  x.lp.SetSlope(0);
  EXPECT_DOUBLE_EQ(Fit(live, 2, m, {.bands = 5}).range.highHz, m.freqHz.back());
  const EqFitResult asked = Fit(live, 2, m, {.bands = 5, .lowHz = 400, .highHz = 3000});
  EXPECT_GE(asked.range.lowHz, 400.0);
  EXPECT_LT(asked.range.lowHz, 410.0);
  EXPECT_LE(asked.range.highHz, 3000.0);
}

TEST(EqFitTest, GraphicModeFitsTheGainsOfTheFixedBandsInsideTheRange) {
  Profile live;
  const MeasuredResponse m = RoughSpeaker();
  const EqFitResult fit = Fit(live, 0, m, {.mode = EqFitMode::Graphic, .highHz = 10000});
  const std::vector<EqBand> fixed = GraphicBands(kMaxEqBands);
  ASSERT_EQ(fit.bands.size(), fixed.size());
  bool anyGain = false;
  for (std::size_t i = 0; i < fixed.size(); ++i) {
    EXPECT_EQ(fit.bands[i].freq, fixed[i].freq);
    EXPECT_EQ(fit.bands[i].eqFactor, kResetBandQ);
    EXPECT_TRUE(OnTenths(fit.bands[i].eqGain));
    if (fixed[i].freq > 10000) {
      EXPECT_EQ(fit.bands[i].eqGain, 0.0f) << fixed[i].freq << " Hz is above the range";
    }
    anyGain = anyGain || fit.bands[i].eqGain != 0.0f;
  }
  EXPECT_TRUE(anyGain);
  EXPECT_LT(fit.residualDb, fit.residualBeforeDb / 2.0);
  // Fewer bands in use take the table a reset gives them: octaves for eleven.
  live.channels[0].eqSize = 11;
  const EqFitResult octaves = Fit(live, 0, m, {.mode = EqFitMode::Graphic});
  ASSERT_EQ(octaves.bands.size(), 11u);
  EXPECT_EQ(octaves.bands[6].freq, 1250);
}

TEST(EqFitTest, AHeadphoneIsFittedToItsTargetAsCloselyAsTheBandsAllow) {
  // The bench's figures on the synthetic file, with room: a fit that gets clearly worse fails.
  const MeasurementRead raw = ReadMeasurementFile(QB_SYNTHETIC_HEADPHONE);
  const MeasurementRead target = ReadMeasurementFile(QB_SYNTHETIC_HEADPHONE, "target");
  ASSERT_FALSE(raw.error || target.error);
  const FitTarget house{FitTargetKind::HouseCurve, target.response};
  const auto residual = [&](const EqFitRequest& request) {
    EqFitRequest r = request;
    r.highHz = 10000;
    return Fit(Profile{}, 0, raw.response, r, house).residualDb;
  };
  EXPECT_LT(residual({.bands = 31}), 0.05);
  EXPECT_LT(residual({.bands = 10}), 0.35);
  EXPECT_LT(residual({.mode = EqFitMode::Graphic}), 1.4);
}

TEST(EqFitTest, TheSameInputGivesTheSameBands) {
  const MeasuredResponse m = RoughSpeaker();
  const EqFitResult first = Fit(Profile{}, 0, m, {.bands = 12});
  const EqFitResult second = Fit(Profile{}, 0, m, {.bands = 12});
  EXPECT_EQ(first.bands, second.bands);
  EXPECT_EQ(first.residualDb, second.residualDb);
  EXPECT_EQ(first.levelDb, second.levelDb);
}

TEST(EqFitTest, ThePredictionSwapsTheEqualiserAsItPlaysNowForTheNewBands) {
  Profile live;
  OutputChannel& ch = live.channels[0];
  ch.bypass = 0;
  ch.bands[0] = EqBand{6.0f, 2.0f, 1000, 1};
  ch.bands[1] = EqBand{-3.0f, 1.0f, 100, 0};  // disabled: not in what was measured
  ch.bands[30] = EqBand{4.0f, 1.0f, 5000, 1};
  ch.eqSize = 30;                              // band 31 is not in use
  const std::vector<EqBand> next{{-2.0f, 3.0f, 3000, 1}};
  const MeasuredResponse m = Measured({}, 70.0, 1.0);
  const std::vector<double> predicted = PredictedResponse(m, ch, next);
  for (std::size_t k = 0; k < m.Size(); k += 37) {
    const double f = m.freqHz[k];
    const double expected = m.db[k] - PeakingDbAt(CurveSampleRate, 1000, 6.0, 2.0, f) + BandsDbAt(next, f);
    EXPECT_NEAR(predicted[k], expected, 1e-9) << f;
  }
  ch.bypass = 1;
  EXPECT_EQ(CurrentEqCurveAt(ch, m.freqHz), std::vector<double>(m.Size(), 0.0)) << "bypassed: nothing was measured";

  // The residual before a fit is that of the measurement itself.
  const EqFitResult fit = Fit(live, 0, m, {.bands = 2});
  EXPECT_NEAR(fit.residualBeforeDb, 1.0 / std::sqrt(2.0), 0.02);
}

TEST(EqFitTest, TargetsAreTheVoicingsOrAHouseCurveAndTheCurvesLieOnTheOutputsGrid) {
  const std::vector<double> f{31.5, 440.0, 3150.0, 12000.0};
  for (const auto& [name, table] : {std::pair{"a", TargetTable::A}, std::pair{"B", TargetTable::B}}) {
    const std::vector<double> levels = TargetLevels(*BuiltInFitTarget(name), f);
    for (std::size_t k = 0; k < f.size(); ++k) EXPECT_NEAR(levels[k], TargetDbAt(table, f[k]), 1e-9) << name;
  }
  EXPECT_EQ(TargetLevels(*BuiltInFitTarget("Flat"), f), std::vector<double>(f.size(), 0.0));
  EXPECT_FALSE(BuiltInFitTarget("house.txt"));
  const FitTarget house{FitTargetKind::HouseCurve, {{20.0, 200.0, 20000.0}, {6.0, 0.0, -4.0}}};
  EXPECT_EQ(TargetLevels(house, std::vector<double>{10.0, 2000.0}), (std::vector<double>{6.0, -2.0}));

  // Fitted to a voicing, the predicted response follows it.
  Profile live;
  const MeasuredResponse m = Measured({}, 75.0);
  const FitTarget b = *BuiltInFitTarget("b");
  const EqFitResult fit = Fit(live, 0, m, {.bands = 31}, b);
  EXPECT_LT(fit.residualDb, 0.3);
  const EqFitCurves curves = FitCurvesOf(live, 0, m, b, fit.bands);
  const Curve& grid = StandardCurveGrid().Frequencies();
  ASSERT_GT(curves.measured.count, 300u);
  EXPECT_GE(grid[curves.measured.first], 20.0);
  EXPECT_LT(grid[curves.measured.first - 1], 20.0);
  EXPECT_EQ(curves.predicted.first, curves.measured.first);
  const std::size_t k = curves.measured.first + curves.measured.count / 2;
  EXPECT_NEAR(curves.measured.db[k], 75.0, 1e-9);
  EXPECT_NEAR(curves.target.db[k], TargetDbAt(TargetTable::B, grid[k]), 1e-9);
  EXPECT_NEAR(curves.predicted.db[k] - curves.target.db[k], -fit.levelDb, 0.5);
}

TEST(EqFitTest, RequestsTheOutputCannotTakeAreRefusedWithTheReason) {
  Profile live;
  const MeasuredResponse m = RoughSpeaker();
  const auto error = [&](int output, const EqFitRequest& request, const MeasuredResponse& measured) {
    const EqFitOutcome outcome = FitEqualizer(live, output, measured, kFlat, request);
    EXPECT_FALSE(outcome.fit);
    return outcome.error;
  };
  EXPECT_EQ(error(8, {}, m), "there is no output 9");
  EXPECT_EQ(error(0, {.bands = 32}, m), "output 1 has 31 bands, so 1..31 can be fitted, not 32");
  EXPECT_EQ(error(0, {.maxBoostDb = -1.0}, m), "the boost limit must lie within 0..12 dB");
  EXPECT_EQ(error(0, {.maxBoostDb = std::nan("")}, m), "the boost limit must lie within 0..12 dB");
  EXPECT_EQ(error(0, {.lowHz = 500, .highHz = 400}, m), "the fit range is empty");
  EXPECT_EQ(error(0, {}, MeasuredResponse{{20.0, 30.0, 30.0}, {0.0, 1.0, 2.0}}),
            "the measurement's frequencies must rise and its levels be numbers (point 3)");
  const MeasuredResponse narrow{{1000.0, 1001.0, 1002.0}, {0.0, 1.0, 0.0}};
  EXPECT_EQ(error(0, {}, narrow),
            "the measurement has 3 points between 20 Hz and 20000 Hz (the output's pass band), too few to fit");
}

class EqFitApplyTest : public test::EditingTest {};

TEST_F(EqFitApplyTest, AFitAppliedThroughTheImportIsOneUndoStep) {
  const OutputChannel before = Ch(3);
  const EqFitResult fit = Fit(s.Live(), 3, RoughSpeaker(), {.bands = 8});
  {
    const EditHistory::Gesture gesture(s.core.History());
    ASSERT_TRUE(s.core.Eq().ImportBands(3, fit.bands, std::nullopt));
  }
  for (std::size_t b = 0; b < fit.bands.size(); ++b) EXPECT_EQ(Ch(3).bands[b], fit.bands[b]) << b;
  EXPECT_EQ(Ch(3).bypass, 0);
  ASSERT_TRUE(s.Drain());
  EXPECT_EQ(test::CompareBoxWithMirror(s.Box(), s.Live()), "") << "the box holds exactly the fitted values";

  ASSERT_TRUE(s.core.History().Undo());
  EXPECT_EQ(Ch(3), before);
  EXPECT_FALSE(s.core.History().CanUndo());
}

TEST_F(EqFitApplyTest, AGraphicFitKeepsGraphicEditingWhereAParametricOneTurnsItParametric) {
  ASSERT_FALSE(s.core.Mirror().session.parametricEq);
  const EqFitResult graphic = Fit(s.Live(), 2, RoughSpeaker(), {.mode = EqFitMode::Graphic});
  ASSERT_TRUE(s.core.Eq().ImportBands(2, graphic.bands, std::nullopt, ImportEditing::KeepMode));
  EXPECT_FALSE(s.core.Mirror().session.parametricEq);
  for (std::size_t b = 0; b < graphic.bands.size(); ++b) EXPECT_EQ(Ch(2).bands[b], graphic.bands[b]) << b;

  const EqFitResult parametric = Fit(s.Live(), 2, RoughSpeaker(), {.bands = 5});
  ASSERT_TRUE(s.core.Eq().ImportBands(2, parametric.bands, std::nullopt));
  EXPECT_TRUE(s.core.Mirror().session.parametricEq);
}

}  // namespace
}  // namespace qb

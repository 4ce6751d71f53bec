// Filter design and frequency response: the grid, the peaking band, the crossover tables
// and the section evaluator, checked through responses at known frequencies.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <ostream>
#include <vector>

#include "dspmath/crossover_design.h"
#include "dspmath/curve_constants.h"
#include "dspmath/freq_grid.h"
#include "dspmath/peaking_eq.h"
#include "dspmath/section_response.h"

namespace qb {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<double> StandardGrid() {
  std::vector<double> grid(kCurveSize);
  MakeLogFreqGrid(CurveSampleRate, grid);
  return grid;
}

/// A grid whose evaluation point 0 is `hz`: the evaluator scales by the second-last point,
/// so 24000 Hz there keeps the usual 48 kHz mapping.
std::vector<double> GridAt(double hz) {
  return {hz, CurveSampleRate / 2.0, CurveSampleRate};
}

double PeakingAt(double hz, double centre, double gainDb, double q) {
  const std::vector<double> grid = GridAt(hz);
  std::vector<double> db(grid.size());
  EXPECT_TRUE(PeakingCurve(CurveSampleRate, centre, gainDb, q, grid, db));
  return db[0];
}

double CrossoverAt(double hz, int which, double corner, int order, int family) {
  const std::vector<double> grid = GridAt(hz);
  std::vector<double> db(grid.size());
  EXPECT_TRUE(CrossoverCurve(which, CurveSampleRate, corner, order, family, grid, db));
  return db[0];
}

std::vector<double> CrossoverOnGrid(int which, double corner, int order, int family) {
  const std::vector<double> grid = StandardGrid();
  std::vector<double> db(grid.size());
  EXPECT_TRUE(CrossoverCurve(which, CurveSampleRate, corner, order, family, grid, db));
  return db;
}

/// The damping d = 1/Q a second-order slot was built with, recovered from v and c.
double SlotDamping(const CrossoverSlot& slot) {
  const double sinW = std::sqrt(1.0 - slot.c * slot.c);
  return 2.0 * (1.0 - slot.v) / ((1.0 + slot.v) * sinW);
}

// ---- Frequency grid ----

TEST(FreqGrid, StandardGridEndsAtNyquistThenSampleRate) {
  const std::vector<double> grid = StandardGrid();
  EXPECT_EQ(grid[510], 24000.0);
  EXPECT_EQ(grid[511], 48000.0);
  EXPECT_NEAR(grid[0], 1.0199, 1e-4);
  EXPECT_NEAR(grid[1], 1.0403, 1e-4);
  for (std::size_t k = 1; k < grid.size(); ++k) {
    EXPECT_LT(grid[k - 1], grid[k]) << "k = " << k;
  }
}

TEST(FreqGrid, PointsAreEvenlySpacedInLogFrequency) {
  const std::vector<double> grid = StandardGrid();
  const double step = std::log10(24000.0) / 511.0;
  for (std::size_t k = 1; k < 510; ++k) {
    EXPECT_NEAR(std::log10(grid[k]) - std::log10(grid[k - 1]), step, 1e-12) << "k = " << k;
  }
}

TEST(FreqGrid, TooShortGridIsLeftAlone) {
  std::vector<double> one{-1.0};
  MakeLogFreqGrid(CurveSampleRate, one);
  EXPECT_EQ(one[0], -1.0);
  std::vector<double> two(2);
  MakeLogFreqGrid(CurveSampleRate, two);
  EXPECT_EQ(two[0], 24000.0);
  EXPECT_EQ(two[1], 48000.0);
}

// ---- Section evaluator ----

TEST(PowerToDb, FloorAppliesAtAndBelowMinusEightyDb) {
  EXPECT_EQ(PowerToDb(1e-8), kFloorDb);
  EXPECT_EQ(PowerToDb(0.0), kFloorDb);
  EXPECT_EQ(PowerToDb(kNaN), kFloorDb);
  EXPECT_NEAR(PowerToDb(1.0000001e-8), -80.0, 1e-5);
  EXPECT_DOUBLE_EQ(PowerToDb(0.5), 10.0 * std::log10(0.5));
}

TEST(EvalSectionsDb, CascadeEqualsSumOfItsSections) {
  const SectionCoeffs s1 = DesignPeakingEq(CurveSampleRate, 100.0, 9.0, 2.0);
  const SectionCoeffs s2 = DesignPeakingEq(CurveSampleRate, 3000.0, -5.0, 0.7);
  const std::vector<double> b{s1.b[0], s1.b[1], s1.b[2], s2.b[0], s2.b[1], s2.b[2]};
  const std::vector<double> a{s1.a[0], s1.a[1], s1.a[2], s2.a[0], s2.a[1], s2.a[2]};
  const std::vector<double> grid = StandardGrid();
  std::vector<double> both(grid.size());
  std::vector<double> one(grid.size());
  std::vector<double> two(grid.size());
  ASSERT_TRUE(EvalSectionsDb(b, a, 2, 2, grid, both));
  ASSERT_TRUE(EvalSectionsDb(s1.b, s1.a, 2, 1, grid, one));
  ASSERT_TRUE(EvalSectionsDb(s2.b, s2.a, 2, 1, grid, two));
  for (std::size_t k = 0; k < grid.size(); ++k) {
    EXPECT_NEAR(both[k], one[k] + two[k], 1e-9) << "k = " << k;
  }
}

TEST(EvalSectionsDb, FirstOrderCascadeMatchesOrderTwoWithZeroTerms) {
  // Two first-order sections written as order 1, and as order 2 with b2 = a2 = 0.
  const std::vector<double> b1{0.2, 0.2, 0.7, -0.7};
  const std::vector<double> a1{1.0, -0.6, 1.0, 0.4};
  const std::vector<double> b2{0.2, 0.2, 0.0, 0.7, -0.7, 0.0};
  const std::vector<double> a2{1.0, -0.6, 0.0, 1.0, 0.4, 0.0};
  const std::vector<double> grid = StandardGrid();
  std::vector<double> order1(grid.size());
  std::vector<double> order2(grid.size());
  std::vector<double> lowPassOnly(grid.size());
  ASSERT_TRUE(EvalSectionsDb(b1, a1, 1, 2, grid, order1));
  ASSERT_TRUE(EvalSectionsDb(b2, a2, 2, 2, grid, order2));
  ASSERT_TRUE(EvalSectionsDb(b1, a1, 1, 1, grid, lowPassOnly));
  for (std::size_t k = 0; k < grid.size(); ++k) {
    EXPECT_NEAR(order1[k], order2[k], 1e-12) << "k = " << k;
  }
  EXPECT_NEAR(lowPassOnly[0], 0.0, 1e-6);  // unity at DC
  EXPECT_NE(order1, lowPassOnly);
}

TEST(EvalSectionsDb, LeadingDenominatorTermIsTakenAsOne) {
  const SectionCoeffs s = DesignPeakingEq(CurveSampleRate, 1000.0, 6.0, 1.0);
  std::vector<double> a(s.a.begin(), s.a.end());
  a[0] = 7.5;
  const std::vector<double> grid = StandardGrid();
  std::vector<double> withOne(grid.size());
  std::vector<double> withOther(grid.size());
  ASSERT_TRUE(EvalSectionsDb(s.b, s.a, 2, 1, grid, withOne));
  ASSERT_TRUE(EvalSectionsDb(s.b, a, 2, 1, grid, withOther));
  EXPECT_EQ(withOne, withOther);
}

TEST(EvalSectionsDb, RejectsArgumentsThatDoNotFitAndLeavesOutputAlone) {
  const std::vector<double> b{1.0, 0.0, 0.0};
  const std::vector<double> a{1.0, 0.0, 0.0};
  const std::vector<double> grid = StandardGrid();
  std::vector<double> db(grid.size(), 123.0);
  std::vector<double> shortDb(grid.size() - 1, 123.0);
  const std::vector<double> zeroNyquist{10.0, 0.0, 48000.0};
  EXPECT_FALSE(EvalSectionsDb(b, a, 2, 2, grid, db));  // coefficients for one section only
  EXPECT_FALSE(EvalSectionsDb(b, a, 0, 1, grid, db));
  EXPECT_FALSE(EvalSectionsDb(b, a, 2, -1, grid, db));
  EXPECT_FALSE(EvalSectionsDb(b, a, 2, 1, grid, shortDb));
  EXPECT_FALSE(EvalSectionsDb(b, a, 2, 1, std::vector<double>{1.0}, db));
  EXPECT_FALSE(EvalSectionsDb(b, a, 2, 1, zeroNyquist, db));
  for (double v : db) {
    ASSERT_EQ(v, 123.0);
  }
  EXPECT_TRUE(EvalSectionsDb(b, a, 2, 0, grid, db));  // an empty cascade is 0 dB
  for (double v : db) {
    ASSERT_EQ(v, 0.0);
  }
}

// ---- Peaking band ----

struct PeakingCase {
  const char* name;
  double centre;
  double gainDb;
  double q;
};

void PrintTo(const PeakingCase& c, std::ostream* os) { *os << c.name; }

class PeakingFilter : public ::testing::TestWithParam<PeakingCase> {};

TEST_P(PeakingFilter, GainAtCentreIsTheSetGain) {
  const PeakingCase c = GetParam();
  EXPECT_NEAR(PeakingAt(c.centre, c.centre, c.gainDb, c.q), c.gainDb, 1e-9);
}

TEST_P(PeakingFilter, CutIsTheBoostMirroredAboutZero) {
  const PeakingCase c = GetParam();
  const std::vector<double> grid = StandardGrid();
  std::vector<double> boost(grid.size());
  std::vector<double> cut(grid.size());
  ASSERT_TRUE(PeakingCurve(CurveSampleRate, c.centre, std::fabs(c.gainDb), c.q, grid, boost));
  ASSERT_TRUE(PeakingCurve(CurveSampleRate, c.centre, -std::fabs(c.gainDb), c.q, grid, cut));
  for (std::size_t k = 0; k < grid.size(); ++k) {
    EXPECT_NEAR(boost[k], -cut[k], 1e-9) << "k = " << k;
  }
}

TEST_P(PeakingFilter, IsFlatAtDcAndAtTheSampleRatePoint) {
  const PeakingCase c = GetParam();
  const std::vector<double> grid = StandardGrid();
  std::vector<double> db(grid.size());
  ASSERT_TRUE(PeakingCurve(CurveSampleRate, c.centre, c.gainDb, c.q, grid, db));
  EXPECT_NEAR(db[511], 0.0, 1e-9);  // theta = 2 pi is z = 1, the same as DC
}

INSTANTIATE_TEST_SUITE_P(
    Bands, PeakingFilter,
    ::testing::Values(PeakingCase{"Boost1k", 1000.0, 6.0, 1.0},
                      PeakingCase{"Cut1k", 1000.0, -6.0, 1.0},
                      PeakingCase{"WideBoostAtLowestFrequency", 20.0, 12.0, 0.5},
                      PeakingCase{"NarrowDeepCut", 63.0, -15.0, 9.0},
                      PeakingCase{"ResetQ", 5000.0, 3.5, 5.8},
                      PeakingCase{"CutAtHighestFrequency", 20000.0, -9.0, 2.5},
                      PeakingCase{"WideBoostNearNyquist", 16000.0, 15.0, 0.5}),
    [](const ::testing::TestParamInfo<PeakingCase>& p) { return p.param.name; });

TEST(PeakingBandFlat, ZeroGainIsExactlyZeroEverywhere) {
  const std::vector<double> grid = StandardGrid();
  std::vector<double> db(grid.size(), 1.0);
  for (double centre : {20.0, 1000.0, 20000.0}) {
    ASSERT_TRUE(PeakingCurve(CurveSampleRate, centre, 0.0, 5.8, grid, db));
    for (std::size_t k = 0; k < grid.size(); ++k) {
      ASSERT_EQ(db[k], 0.0) << "centre " << centre << " k = " << k;
    }
  }
}

struct UnusableBand {
  const char* name;
  double centre;
  double gainDb;
  double q;
};

void PrintTo(const UnusableBand& c, std::ostream* os) { *os << c.name; }

class PeakingBandUnusable : public ::testing::TestWithParam<UnusableBand> {};

TEST_P(PeakingBandUnusable, GivesAFlatCurveWithoutNaN) {
  const UnusableBand c = GetParam();
  const SectionCoeffs s = DesignPeakingEq(CurveSampleRate, c.centre, c.gainDb, c.q);
  EXPECT_EQ(s.b, (std::array<double, 3>{1.0, 0.0, 0.0}));
  EXPECT_EQ(s.a, (std::array<double, 3>{1.0, 0.0, 0.0}));
  const std::vector<double> grid = StandardGrid();
  std::vector<double> db(grid.size(), 1.0);
  ASSERT_TRUE(PeakingCurve(CurveSampleRate, c.centre, c.gainDb, c.q, grid, db));
  for (std::size_t k = 0; k < grid.size(); ++k) {
    ASSERT_EQ(db[k], 0.0) << "k = " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, PeakingBandUnusable,
    ::testing::Values(UnusableBand{"ZeroQ", 1000.0, 6.0, 0.0},
                      UnusableBand{"NegativeQ", 1000.0, 6.0, -2.0},
                      UnusableBand{"ZeroCentre", 0.0, 6.0, 1.0},
                      UnusableBand{"NegativeCentre", -100.0, 6.0, 1.0},
                      UnusableBand{"CentreAtNyquist", 24000.0, 6.0, 1.0},
                      UnusableBand{"CentreAboveNyquist", 30000.0, 6.0, 1.0},
                      UnusableBand{"NaNGain", 1000.0, kNaN, 1.0},
                      UnusableBand{"NaNQ", 1000.0, 6.0, kNaN},
                      UnusableBand{"NaNCentre", kNaN, 6.0, 1.0},
                      UnusableBand{"InfiniteQ", 1000.0, 6.0, kInf},
                      UnusableBand{"OverflowingGain", 1000.0, 1e6, 1.0}),
    [](const ::testing::TestParamInfo<UnusableBand>& p) { return p.param.name; });

// ---- Crossover design ----

TEST(Crossover, ButterworthOrderFourHasRisingQAndMinus3dBAtCorner) {
  const CrossoverTable t = DesignCrossover(true, 1000.0, 4, kFamilyButterworth);
  ASSERT_EQ(t[0].kind, SlotKind::SecondOrder);
  ASSERT_EQ(t[1].kind, SlotKind::SecondOrder);
  EXPECT_EQ(t[2].kind, SlotKind::Empty);
  EXPECT_EQ(t[3].kind, SlotKind::Empty);
  EXPECT_NEAR(SlotDamping(t[0]), 1.847759, 1e-6);
  EXPECT_NEAR(SlotDamping(t[1]), 0.765367, 1e-6);
  EXPECT_NEAR(CrossoverAt(1000.0, 1, 1000.0, 4, kFamilyButterworth), -3.0103, 1e-4);
  EXPECT_NEAR(CrossoverOnGrid(1, 1000.0, 4, kFamilyButterworth)[0], 0.0, 1e-9);
  EXPECT_NEAR(CrossoverAt(1000.0, 2, 1000.0, 4, kFamilyButterworth), -3.0103, 1e-4);
}

TEST(Crossover, OddOrderAddsOneFirstOrderSlotAfterTheSecondOrderOnes) {
  const CrossoverTable t = DesignCrossover(false, 500.0, 5, kFamilyButterworth);
  EXPECT_EQ(t[0].kind, SlotKind::SecondOrder);
  EXPECT_EQ(t[1].kind, SlotKind::SecondOrder);
  EXPECT_EQ(t[2].kind, SlotKind::FirstOrder);
  EXPECT_EQ(t[3].kind, SlotKind::Empty);
  // Every Butterworth order is -3.01 dB at its corner.
  for (int order = 1; order <= 8; ++order) {
    EXPECT_NEAR(CrossoverAt(500.0, 2, 500.0, order, kFamilyButterworth), -3.0103, 1e-4)
        << "order " << order;
    EXPECT_NEAR(CrossoverAt(500.0, 1, 500.0, order, kFamilyButterworth), -3.0103, 1e-4)
        << "order " << order;
  }
}

TEST(Crossover, LinkwitzRileySlopeThreeIsOrderFourAndMinus6dBAtCorner) {
  const CrossoverTable t = DesignCrossover(true, 2000.0, 3, kFamilyLinkwitzRiley);
  ASSERT_EQ(t[0].kind, SlotKind::SecondOrder);
  ASSERT_EQ(t[1].kind, SlotKind::SecondOrder);
  EXPECT_EQ(t[2].kind, SlotKind::Empty);
  EXPECT_NEAR(SlotDamping(t[0]), 1.4142135624, 1e-9);
  EXPECT_NEAR(SlotDamping(t[1]), 1.4142135624, 1e-9);
  EXPECT_NEAR(CrossoverAt(2000.0, 1, 2000.0, 3, kFamilyLinkwitzRiley), -6.0206, 1e-4);
  EXPECT_NEAR(CrossoverAt(2000.0, 2, 2000.0, 3, kFamilyLinkwitzRiley), -6.0206, 1e-4);
  EXPECT_EQ(CrossoverOnGrid(1, 2000.0, 3, kFamilyLinkwitzRiley),
            CrossoverOnGrid(1, 2000.0, 4, kFamilyLinkwitzRiley));
}

TEST(Crossover, LinkwitzRileyEveryOrderIsMinus6dBAtCorner) {
  for (int order : {2, 4, 6, 8}) {
    EXPECT_NEAR(CrossoverAt(300.0, 1, 300.0, order, kFamilyLinkwitzRiley), -6.0206, 1e-4)
        << "order " << order;
    EXPECT_NEAR(CrossoverAt(300.0, 2, 300.0, order, kFamilyLinkwitzRiley), -6.0206, 1e-4)
        << "order " << order;
  }
}

TEST(Crossover, BesselOrderTwoIsOneSectionAtTheCorner) {
  const double w = 2.0 * std::numbers::pi * 1000.0 / CurveSampleRate;
  const CrossoverTable t = DesignCrossover(true, 1000.0, 2, kFamilyBessel);
  ASSERT_EQ(t[0].kind, SlotKind::SecondOrder);
  EXPECT_EQ(t[1].kind, SlotKind::Empty);
  EXPECT_NEAR(t[0].c, std::cos(w), 1e-9);
  EXPECT_NEAR(SlotDamping(t[0]), 1.7320508076, 1e-8);
  // One section with d = sqrt(3) at its own frequency: |H| = 1/d there.
  EXPECT_NEAR(CrossoverAt(1000.0, 1, 1000.0, 2, kFamilyBessel), -4.771212547, 1e-6);
  EXPECT_NEAR(CrossoverAt(1000.0, 2, 1000.0, 2, kFamilyBessel), -4.771212547, 1e-6);
}

TEST(Crossover, BesselHighPassMovesSlotFrequenciesDown) {
  const double w = 2.0 * std::numbers::pi * 1000.0 / CurveSampleRate;
  const CrossoverTable lp = DesignCrossover(true, 1000.0, 3, kFamilyBessel);
  const CrossoverTable hp = DesignCrossover(false, 1000.0, 3, kFamilyBessel);
  // Order 3: second-order slot at w * B[3] * W[3][0], first-order at w * B[3] * R[1].
  EXPECT_NEAR(lp[0].c, std::cos(w * 0.4030076571 * 2.5415414011), 1e-12);
  EXPECT_NEAR(lp[1].c, std::cos(w * 0.4030076571 * 2.3221853546), 1e-12);
  EXPECT_NEAR(hp[0].c, std::cos(w / 0.4030076571 / 2.5415414011), 1e-12);
  EXPECT_NEAR(hp[1].c, std::cos(w / 0.4030076571 / 2.3221853546), 1e-12);
  EXPECT_EQ(lp[1].kind, SlotKind::FirstOrder);
  EXPECT_EQ(hp[2].kind, SlotKind::Empty);
}

TEST(Crossover, BesselSlotFrequenciesAreClampedTo22kHz) {
  // A high-pass moves slot frequencies up: order 7 puts its first-order slot at the corner
  // divided by 0.896, past 22000 Hz for a 20000 Hz corner.
  const CrossoverTable t = DesignCrossover(false, 20000.0, 7, kFamilyBessel);
  ASSERT_EQ(t[3].kind, SlotKind::FirstOrder);
  EXPECT_EQ(t[3].c, std::cos(2.0 * std::numbers::pi * 0.4583333333333333));
  for (const CrossoverSlot& slot : t) {
    EXPECT_LE(std::acos(slot.c), 2.0 * std::numbers::pi * 22000.0 / CurveSampleRate + 1e-12);
  }
}

TEST(Crossover, EveryFamilyAndOrderHasUnityPassBand) {
  for (int family : {kFamilyButterworth, kFamilyLinkwitzRiley, kFamilyBessel}) {
    for (int order = 1; order <= 8; ++order) {
      // Low-pass at DC (the sample-rate point is z = 1), high-pass at Nyquist.
      EXPECT_NEAR(CrossoverOnGrid(1, 1000.0, order, family)[511], 0.0, 1e-9)
          << "family " << family << " order " << order;
      EXPECT_NEAR(CrossoverOnGrid(2, 1000.0, order, family)[510], 0.0, 1e-9)
          << "family " << family << " order " << order;
    }
  }
}

struct SameDesign {
  const char* name;
  int family;
  int order;
  double corner;
  int sameFamily;
  int sameOrder;
  double sameCorner;
};

void PrintTo(const SameDesign& c, std::ostream* os) { *os << c.name; }

class CrossoverClamp : public ::testing::TestWithParam<SameDesign> {};

TEST_P(CrossoverClamp, IsDesignedAsItsLimit) {
  const SameDesign c = GetParam();
  for (int which : {1, 2}) {
    EXPECT_EQ(CrossoverOnGrid(which, c.corner, c.order, c.family),
              CrossoverOnGrid(which, c.sameCorner, c.sameOrder, c.sameFamily))
        << "which " << which;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CrossoverClamp,
    ::testing::Values(
        SameDesign{"Slope9IsOrder8Butterworth", 1, 9, 1000.0, 1, 8, 1000.0},
        SameDesign{"Slope9IsOrder8LinkwitzRiley", 2, 9, 1000.0, 2, 8, 1000.0},
        SameDesign{"Slope9IsOrder8Bessel", 3, 9, 1000.0, 3, 8, 1000.0},
        SameDesign{"Slope1LinkwitzRileyIsOrder2", 2, 1, 1000.0, 2, 2, 1000.0},
        SameDesign{"Slope7LinkwitzRileyIsOrder8", 2, 7, 1000.0, 2, 8, 1000.0},
        SameDesign{"Slope0IsOrder1", 1, 0, 1000.0, 1, 1, 1000.0},
        SameDesign{"Corner30000Is22000", 1, 4, 30000.0, 1, 4, 22000.0},
        SameDesign{"BesselCorner30000Is22000", 3, 5, 30000.0, 3, 5, 22000.0},
        SameDesign{"NegativeCornerIsLowLimit", 1, 2, -50.0, 1, 2, 0.0025},
        SameDesign{"NaNCornerIsLowLimit", 1, 2, kNaN, 1, 2, 0.0025},
        SameDesign{"UnknownFamilyIsButterworth", 7, 3, 1000.0, 1, 3, 1000.0},
        SameDesign{"FamilyZeroIsButterworth", 0, 6, 250.0, 1, 6, 250.0}),
    [](const ::testing::TestParamInfo<SameDesign>& p) { return p.param.name; });

TEST(Crossover, EighthOrderHighPassDropsOffInsteadOfFollowingTheSlope) {
  const std::vector<double> db = CrossoverOnGrid(2, 1000.0, 8, kFamilyButterworth);
  const std::vector<double> grid = StandardGrid();
  EXPECT_EQ(db[0], 4 * kFloorDb);  // all four sections under -80 dB
  bool sawFloor = false;
  for (std::size_t k = 0; grid[k] < 1000.0; ++k) {
    // Either some section sits on the floor, or every section is above -80 dB.
    const bool floored = db[k] <= kFloorDb;
    EXPECT_TRUE(floored || db[k] > 4 * -80.0) << "k = " << k << " dB = " << db[k];
    sawFloor = sawFloor || (floored && grid[k] > 5.0);
    if (k > 0) {
      EXPECT_GE(db[k], db[k - 1]) << "k = " << k;
    }
  }
  EXPECT_TRUE(sawFloor);
}

TEST(Crossover, AtTheSampleRatePointEveryHighPassSectionIsOnTheFloor) {
  EXPECT_EQ(CrossoverOnGrid(2, 1000.0, 4, kFamilyButterworth)[511], 2 * kFloorDb);
  EXPECT_EQ(CrossoverOnGrid(2, 1000.0, 3, kFamilyButterworth)[511], 2 * kFloorDb);
  EXPECT_EQ(CrossoverOnGrid(2, 1000.0, 8, kFamilyBessel)[511], 4 * kFloorDb);
  EXPECT_EQ(CrossoverOnGrid(2, 1000.0, 1, kFamilyButterworth)[511], kFloorDb);
  EXPECT_NEAR(CrossoverOnGrid(1, 1000.0, 4, kFamilyButterworth)[511], 0.0, 1e-9);
}

TEST(Crossover, WhichOneIsLowPassAnythingElseHighPass) {
  const std::vector<double> lp = CrossoverOnGrid(1, 1000.0, 2, kFamilyButterworth);
  const std::vector<double> hp = CrossoverOnGrid(2, 1000.0, 2, kFamilyButterworth);
  EXPECT_EQ(CrossoverOnGrid(0, 1000.0, 2, kFamilyButterworth), hp);
  EXPECT_EQ(CrossoverOnGrid(5, 1000.0, 2, kFamilyButterworth), hp);
  EXPECT_NE(lp, hp);
  EXPECT_NEAR(lp[100], 0.0, 1e-6);  // grid[100] is about 7 Hz
  EXPECT_LT(hp[100], -40.0);
}

TEST(Crossover, SampleRateArgumentIsIgnored) {
  const std::vector<double> grid = StandardGrid();
  std::vector<double> at48(grid.size());
  std::vector<double> at96(grid.size());
  ASSERT_TRUE(CrossoverCurve(1, 48000.0, 800.0, 4, 1, grid, at48));
  ASSERT_TRUE(CrossoverCurve(1, 96000.0, 800.0, 4, 1, grid, at96));
  EXPECT_EQ(at48, at96);
}

}  // namespace
}  // namespace qb

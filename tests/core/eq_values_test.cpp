// Stepping and holding band and crossover values, and the two flat tests.
#include "core/eq_values.h"

#include <gtest/gtest.h>

#include <cmath>

#include <array>
#include <climits>
#include <optional>
#include <string>

namespace qb {
namespace {

TEST(FrequencyGrid, EndsAndPoints) {
  EXPECT_EQ(FrequencyGridPoint(0), 20);
  EXPECT_EQ(FrequencyGridPoint(200), 20000);
  EXPECT_EQ(FrequencyGridPoint(-5), 20);
  EXPECT_EQ(FrequencyGridPoint(500), 20000);
  for (int k = 1; k <= kFrequencyGridLast; ++k) EXPECT_GE(FrequencyGridPoint(k), FrequencyGridPoint(k - 1)) << k;
}

TEST(FrequencyGrid, Steps) {
  struct Case {
    int hz;
    bool up;
    int next;
  };
  const Case cases[] = {
      {1000, true, 1026}, {1000, false, 957}, {20, true, 21},      {20, false, 20},
      {20000, true, 20000}, {21, true, 22},   {19999, true, 20000}, {5, true, 20},
      {0, true, 20},      {-7, false, 20},
  };
  for (const Case& c : cases) EXPECT_EQ(NextGridFrequency(c.hz, c.up), c.next) << c.hz << (c.up ? " up" : " down");
}

TEST(FrequencyGrid, EveryStepMovesUntilTheEnd) {
  // From any grid point, up never stays put below 20000 and down never above 20.
  for (int k = 0; k <= kFrequencyGridLast; ++k) {
    const int f = FrequencyGridPoint(k);
    if (f < 20000) {
      EXPECT_GT(NextGridFrequency(f, true), f) << f;
    }
    if (f > 20) {
      EXPECT_LT(NextGridFrequency(f, false), f) << f;
    }
  }
}

TEST(QStep, StepsByTheBoxsTenthAndStopsAtTheEnds) {
  struct Case {
    float q;
    bool up;
    std::optional<float> next;
  };
  const Case cases[] = {
      {0.52f, false, 0.5f}, {8.97f, true, 9.0f},  {1.0f, true, 1.1f}, {1.0f, false, 0.9f},
      {9.0f, true, std::nullopt}, {0.5f, false, std::nullopt}, {8.995f, true, std::nullopt},
      {0.505f, false, std::nullopt}, {12.0f, true, 9.0f}, {0.1f, false, 0.5f},
  };
  for (const Case& c : cases) {
    const auto next = StepQ(c.q, c.up);
    ASSERT_EQ(next.has_value(), c.next.has_value()) << c.q;
    if (next) {
      EXPECT_NEAR(*next, *c.next, 1e-4) << c.q;
    }
  }
  EXPECT_FLOAT_EQ(ClampQ(0.1f), 0.5f);
  EXPECT_FLOAT_EQ(ClampQ(20.0f), 9.0f);
}

TEST(BoxValues, QAndGainLandOnTheNearestTenthTheBoxHolds) {
  // The wire truncates: without rounding, 0.69 would reach the box as 0.6.
  EXPECT_FLOAT_EQ(BoxTenths(0.69f), 0.7f);
  EXPECT_FLOAT_EQ(BoxTenths(1.554f), 1.6f);
  EXPECT_FLOAT_EQ(BoxTenths(-3.14f), -3.1f);
  EXPECT_FLOAT_EQ(BoxTenths(-3.15f), -3.2f);  // halves away from zero
  EXPECT_FLOAT_EQ(BoxTenths(std::nanf("")), 0.0f);
  const EqBand band = BoxBand(EqBand{.eqGain = 14.0f, .eqFactor = 0.43f, .freq = 25000, .enable = 1});
  EXPECT_EQ(band, (EqBand{.eqGain = 12.0f, .eqFactor = 0.5f, .freq = 20000, .enable = 1}));
}

TEST(GainStep, StepsWithinTheBandGainLimits) {
  const GainLimits limits;
  struct Case {
    float gain;
    bool up;
    std::optional<float> next;
  };
  const Case cases[] = {
      {0.0f, true, 0.1f}, {0.0f, false, -0.1f}, {11.95f, true, 12.0f}, {12.0f, true, std::nullopt},
      {-17.95f, false, -18.0f}, {-18.0f, false, std::nullopt}, {11.995f, true, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto next = StepGain(c.gain, c.up, limits);
    ASSERT_EQ(next.has_value(), c.next.has_value()) << c.gain;
    if (next) {
      EXPECT_NEAR(*next, *c.next, 1e-4) << c.gain;
    }
  }
  EXPECT_FLOAT_EQ(ClampGain(15.0f, limits), 12.0f);
  EXPECT_FLOAT_EQ(ClampGain(-40.0f, limits), -18.0f);
}

std::array<EqBand, 4> BandsWithGains(float a, float b, float c, float d) {
  std::array<EqBand, 4> bands{};
  const float gains[] = {a, b, c, d};
  for (std::size_t i = 0; i < bands.size(); ++i) bands[i].eqGain = gains[i];
  return bands;
}

TEST(FlatTests, WholeDecibelsIgnoreSmallBandsWhileTheSumDoesNot) {
  struct Case {
    std::array<EqBand, 4> bands;
    bool wholeFlat;
    bool sumFlat;
  };
  const Case cases[] = {
      {BandsWithGains(0, 0, 0, 0), true, true},
      {BandsWithGains(0.5f, 0, 0, 0), true, false},        // below 1 dB never counts whole
      {BandsWithGains(0.5f, 0.5f, 0.9f, 0), true, false},  // truncated after every addition
      {BandsWithGains(-1.0f, 0, 0, 0), false, false},
      {BandsWithGains(0.6f, 0.6f, 0, 0), true, false},
      {BandsWithGains(1.5f, -0.4f, 0, 0), false, false},
      {BandsWithGains(0.004f, 0.004f, 0, 0), true, true},
      {BandsWithGains(1.0e30f, 0, 0, 0), false, false},    // a wild value from a file is not flat
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FlatByWholeDecibels(c.bands), c.wholeFlat) << c.bands[0].eqGain;
    EXPECT_EQ(FlatBySum(c.bands), c.sumFlat) << c.bands[0].eqGain;
  }
}

TEST(CrossoverValues, HighPassNeverAboveLowPass) {
  EXPECT_EQ(HighPassFromValue(5000, 4000), 4000);
  EXPECT_EQ(HighPassFromValue(4000, 4000), 4000);
  EXPECT_EQ(HighPassFromValue(10, 4000), 20);
  EXPECT_EQ(HighPassFromValue(0, 4000), 20);
  EXPECT_EQ(LowPassFromValue(100, 250), 250);
  EXPECT_EQ(LowPassFromValue(30000, 250), 20000);
  EXPECT_EQ(LowPassFromValue(3000, 250), 3000);
}

TEST(CrossoverValues, LinkwitzRileyHidesOddSlopes) {
  for (int slope = 0; slope <= 8; ++slope) {
    EXPECT_EQ(SlopeHiddenForType(FILTER_TYPE_LINKWITZ_RILEY, slope), slope % 2 == 1) << slope;
    EXPECT_FALSE(SlopeHiddenForType(FILTER_TYPE_BUTTERWORTH, slope)) << slope;
    EXPECT_FALSE(SlopeHiddenForType(FILTER_TYPE_BESSEL, slope)) << slope;
  }
}

}  // namespace
}  // namespace qb

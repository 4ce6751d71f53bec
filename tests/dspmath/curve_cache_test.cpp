// The fast evaluator and the per-output curve cache: the fast paths agree with the plain
// evaluator, the incremental cache agrees bit for bit with a from-scratch computation after
// any sequence of edits, and an edit evaluates only what it changed. Every test that runs the
// curve loops runs once per instruction set they are built for.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "dspmath/channel_curve.h"
#include "dspmath/channel_curve_cache.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_grid.h"
#include "dspmath/fast_log.h"
#include "dspmath/freq_grid.h"
#include "dspmath/peaking_eq.h"
#include "dspmath/section_response.h"
#include "tests/dspmath/curve_kernel_sets.h"

namespace qb {
namespace {

using SectionCurve = EachCurveKernelSet;
using ChannelCurve = EachCurveKernelSet;
using CurveCache = EachCurveKernelSet;

/// Random but reproducible channel edits.
class EditSource {
 public:
  explicit EditSource(unsigned seed) : m_rng(seed) {}

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
  bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

  EqBandSetting Band() {
    EqBandSetting band;
    band.freqHz = std::round(std::pow(10.0, Uniform(std::log10(20.0), std::log10(20000.0))));
    band.q = Uniform(0.5, 9.0);
    band.gainDb = Chance(0.15) ? 0.0 : std::round(Uniform(-15.0, 15.0) * 10.0) / 10.0;
    band.enabled = !Chance(0.2);
    return band;
  }

  CrossoverSetting Filter() {
    CrossoverSetting filter;
    filter.family = Int(0, 4);  // includes codes the design maps to Butterworth
    filter.slope = Int(-1, 9);
    filter.cornerHz = Chance(0.1) ? 30000.0 : std::round(std::pow(10.0, Uniform(1.3, 4.3)));
    return filter;
  }

  ChannelCurveSettings Channel() {
    ChannelCurveSettings s;
    for (EqBandSetting& band : s.bands) {
      band = Band();
    }
    s.bandCount = Chance(0.7) ? kMaxEqBands : Int(0, kMaxEqBands);
    s.eqBypassed = Chance(0.1);
    s.highPass = Filter();
    s.lowPass = Filter();
    return s;
  }

 private:
  std::mt19937 m_rng;
};

/// The channel curve composed from the plain operations, the way the channel model describes
/// it: crossover curves of the filters that are on, band curves with gain 0 when a band is
/// disabled or the equaliser bypassed.
Curve ComposedWithPlainOperations(const ChannelCurveSettings& s) {
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  Curve total{};
  Curve part{};
  if (s.highPass.slope > 0) {
    CrossoverCurve(2, CurveSampleRate, s.highPass.cornerHz, s.highPass.slope, s.highPass.family,
                   grid, part);
    for (std::size_t k = 0; k < kCurveSize; ++k) total[k] += part[k];
  }
  if (s.lowPass.slope > 0) {
    CrossoverCurve(1, CurveSampleRate, s.lowPass.cornerHz, s.lowPass.slope, s.lowPass.family,
                   grid, part);
    for (std::size_t k = 0; k < kCurveSize; ++k) total[k] += part[k];
  }
  for (int i = 0; i < s.bandCount; ++i) {
    const EqBandSetting& band = s.bands[static_cast<std::size_t>(i)];
    const double gain = band.enabled && !s.eqBypassed ? band.gainDb : 0.0;
    PeakingCurve(CurveSampleRate, band.freqHz, gain, band.q, grid, part);
    for (std::size_t k = 0; k < kCurveSize; ++k) total[k] += part[k];
  }
  return total;
}

void ApplyRandomEdit(EditSource& src, ChannelCurveCache& cache) {
  const int what = src.Int(0, 99);
  if (what < 40) {
    const EqBandSetting b = src.Band();
    ASSERT_TRUE(cache.SetBand(src.Int(0, kMaxEqBands - 1), b.freqHz, b.q, b.gainDb, b.enabled));
  } else if (what < 70) {
    // A drag moves one value of one band: its gain, its frequency or its Q.
    const int i = src.Int(0, kMaxEqBands - 1);
    EqBandSetting b = cache.Settings().bands[static_cast<std::size_t>(i)];
    const EqBandSetting other = src.Band();
    switch (src.Int(0, 2)) {
      case 0:
        b.gainDb = other.gainDb;
        break;
      case 1:
        b.freqHz = other.freqHz;
        break;
      default:
        b.q = other.q;
        break;
    }
    cache.SetBand(i, b.freqHz, b.q, b.gainDb, b.enabled);
  } else if (what < 75) {
    // Toggle only the enabled flag of a band, the cheapest edit.
    const int i = src.Int(0, kMaxEqBands - 1);
    const EqBandSetting b = cache.Settings().bands[static_cast<std::size_t>(i)];
    cache.SetBand(i, b.freqHz, b.q, b.gainDb, !b.enabled);
  } else if (what < 80) {
    cache.SetEqBypassed(!cache.Settings().eqBypassed);
  } else if (what < 84) {
    cache.SetBandCount(src.Int(-2, kMaxEqBands + 2));
  } else if (what < 91) {
    const CrossoverSetting f = src.Filter();
    cache.SetHighPass(f.family, f.slope, f.cornerHz);
  } else if (what < 98) {
    const CrossoverSetting f = src.Filter();
    cache.SetLowPass(f.family, f.slope, f.cornerHz);
  } else {
    cache.SetAll(src.Channel());
  }
}

// ---- Fast evaluator ----

TEST(FastLn, MatchesTheLibraryLogarithm) {
  // Error relative to max(1, |ln x|): a few units in the last place.
  const auto error = [](double x) {
    return std::fabs(FastLn(x) - std::log(x)) / std::fmax(1.0, std::fabs(std::log(x)));
  };
  double worst = 0.0;
  for (double x = 1e-40; x < 1e40; x *= 1.0137) {
    worst = std::fmax(worst, error(x));
  }
  // Around the split points of the reduction and around 1, where ln changes sign.
  for (double x : {std::sqrt(0.5), std::sqrt(2.0), std::nextafter(std::sqrt(2.0), 0.0), 1.0,
                   std::nextafter(1.0, 0.0), std::nextafter(1.0, 2.0), 2.0, 0.5, 1e-8}) {
    worst = std::fmax(worst, error(x));
  }
  EXPECT_LT(worst, 1e-15);
  EXPECT_EQ(FastLn(1.0), 0.0);
}

TEST(StandardCurveGrid, UsesTheStandardFrequencyGrid) {
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  EXPECT_EQ(StandardCurveGrid().Frequencies(), grid);
}

TEST_P(SectionCurve, MatchesThePlainEvaluator) {
  std::vector<SectionCoeffs> sections;
  for (double centre : {20.0, 160.0, 1000.0, 8000.0, 20000.0}) {
    for (double q : {0.5, 2.0, 9.0}) {
      for (double gain : {-15.0, -0.1, 3.0, 15.0}) {
        sections.push_back(DesignPeakingEq(CurveSampleRate, centre, gain, q));
      }
    }
  }
  for (int family = 1; family <= 3; ++family) {
    for (int order = 1; order <= 8; ++order) {
      for (double corner : {20.0, 700.0, 15000.0}) {
        for (bool lowPass : {true, false}) {
          for (const CrossoverSlot& slot : DesignCrossover(lowPass, corner, order, family)) {
            if (slot.kind != SlotKind::Empty) {
              sections.push_back(CrossoverSectionCoeffs(slot, lowPass));
            }
          }
        }
      }
    }
  }
  const Curve& grid = StandardCurveGrid().Frequencies();
  for (std::size_t n = 0; n < sections.size(); ++n) {
    const SectionCoeffs& s = sections[n];
    Curve plain;
    Curve fast;
    ASSERT_TRUE(EvalSectionsDb(s.b, s.a, 2, 1, grid, plain));
    StandardCurveGrid().SectionDb(s, fast);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      if (plain[k] == kFloorDb || fast[k] == kFloorDb) {
        // Within rounding of the -80 dB threshold the two may fall on either side.
        EXPECT_TRUE(plain[k] == fast[k] || std::fabs(plain[k] + fast[k] + 480.0) < 1e-6)
            << "section " << n << " k = " << k << " dB = " << fast[k] << " / " << plain[k];
      } else {
        EXPECT_NEAR(fast[k], plain[k], 1e-7) << "section " << n << " k = " << k;
      }
    }
  }
}

// ---- Channel curve ----

TEST_P(ChannelCurve, MatchesTheChannelComposedFromPlainOperations) {
  EditSource src(20240611);
  for (int round = 0; round < 40; ++round) {
    const ChannelCurveSettings s = src.Channel();
    Curve fast;
    ComputeChannelCurve(StandardCurveGrid(), s, fast);
    const Curve plain = ComposedWithPlainOperations(s);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      // A crossover section on the floor moves the total by 320 dB or more; elsewhere the
      // two evaluators differ only by rounding.
      if (plain[k] > -300.0 || fast[k] > -300.0) {
        EXPECT_NEAR(fast[k], plain[k], 1e-6) << "round " << round << " k = " << k;
      }
    }
  }
}

TEST_P(ChannelCurve, DisabledBypassedAndZeroGainBandsAreExactlyFlat) {
  ChannelCurveSettings s;
  s.bands[3] = {1000.0, 2.0, 6.0, false};
  s.bands[4] = {250.0, 1.0, 0.0, true};
  Curve total;
  ComputeChannelCurve(StandardCurveGrid(), s, total);
  EXPECT_EQ(total, Curve{});
  s.bands[3].enabled = true;
  s.eqBypassed = true;
  ComputeChannelCurve(StandardCurveGrid(), s, total);
  EXPECT_EQ(total, Curve{});
}

TEST_P(ChannelCurve, BandsFromTheBandCountOnAreLeftOut) {
  ChannelCurveSettings s;
  s.bands[10] = {1000.0, 2.0, 6.0, true};
  s.bandCount = 10;
  Curve total;
  ComputeChannelCurve(StandardCurveGrid(), s, total);
  EXPECT_EQ(total, Curve{});
  s.bandCount = 11;
  ComputeChannelCurve(StandardCurveGrid(), s, total);
  EXPECT_NE(total, Curve{});
}

// ---- Cache ----

TEST_P(CurveCache, IncrementalAndFullPathsAgreeAfterRandomEdits) {
  EditSource src(7);
  ChannelCurveCache cache(src.Channel());
  for (int step = 0; step < 3000; ++step) {
    // Sometimes several edits land before the curve is asked for.
    const int edits = src.Int(1, 3);
    for (int e = 0; e < edits; ++e) {
      ApplyRandomEdit(src, cache);
    }
    Curve full;
    ComputeChannelCurve(StandardCurveGrid(), cache.Settings(), full);
    ASSERT_EQ(cache.Total(), full) << "after step " << step;
  }
  const Curve incremental = cache.Total();
  cache.RecomputeAll();
  EXPECT_EQ(cache.Total(), incremental);
}

TEST_P(CurveCache, OneBandEditEvaluatesOneSection) {
  EditSource src(99);
  ChannelCurveSettings s = src.Channel();
  s.bandCount = kMaxEqBands;
  s.eqBypassed = false;
  for (EqBandSetting& band : s.bands) {
    band.gainDb = 4.0;
    band.enabled = true;
  }
  s.highPass = {2, 4, 80.0};
  s.lowPass = {1, 3, 5000.0};
  ChannelCurveCache cache(s);
  cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), 33u);  // 31 bands and two filters

  const std::uint64_t before = cache.CurvesEvaluated();
  ASSERT_TRUE(cache.SetBand(12, 1234.0, 3.0, -7.5, true));
  cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), before + 1);

  cache.SetLowPass(3, 5, 4000.0);
  cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), before + 2);

  // Re-sending the same values, toggling a band's enabled flag or the bypass: no evaluation.
  cache.SetBand(12, 1234.0, 3.0, -7.5, true);
  cache.SetBand(5, s.bands[5].freqHz, s.bands[5].q, s.bands[5].gainDb, false);
  cache.Total();
  cache.SetBand(5, s.bands[5].freqHz, s.bands[5].q, s.bands[5].gainDb, true);
  cache.SetEqBypassed(true);
  cache.Total();
  cache.SetEqBypassed(false);
  cache.SetBandCount(3);
  cache.Total();
  cache.SetBandCount(kMaxEqBands);
  cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), before + 2);

  cache.RecomputeAll();
  EXPECT_EQ(cache.CurvesEvaluated(), before + 2 + 33);
}

TEST_P(CurveCache, EditsToBandsOutOfUseAreEvaluatedWhenTheyComeBack) {
  ChannelCurveCache cache;
  cache.SetEqBypassed(true);
  cache.SetBand(0, 1000.0, 1.0, 6.0, true);
  EXPECT_EQ(cache.Total(), Curve{});
  EXPECT_EQ(cache.CurvesEvaluated(), 0u);
  cache.SetEqBypassed(false);
  cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), 1u);
  Curve grid;
  MakeLogFreqGrid(CurveSampleRate, grid);
  Curve expected;
  PeakingCurve(CurveSampleRate, 1000.0, 6.0, 1.0, grid, expected);
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    EXPECT_NEAR(cache.Total()[k], expected[k], 1e-9) << "k = " << k;
  }
}

TEST_P(CurveCache, DefaultIsFlatAndOutOfRangeBandsAreRefused) {
  ChannelCurveCache cache;
  EXPECT_EQ(cache.Total(), Curve{});
  EXPECT_FALSE(cache.SetBand(-1, 1000.0, 1.0, 6.0, true));
  EXPECT_FALSE(cache.SetBand(kMaxEqBands, 1000.0, 1.0, 6.0, true));
  EXPECT_EQ(cache.Total(), Curve{});
  EXPECT_EQ(cache.Frequencies(), StandardCurveGrid().Frequencies());
  cache.SetBandCount(99);
  EXPECT_EQ(cache.Settings().bandCount, kMaxEqBands);
  cache.SetBandCount(-3);
  EXPECT_EQ(cache.Settings().bandCount, 0);
  EXPECT_EQ(ChannelCurveCache(ChannelCurveSettings{.bandCount = 40}).Settings().bandCount,
            kMaxEqBands);
}

TEST_P(CurveCache, FilterOrBandBackToItsEarlierValuesReusesItsCurve) {
  ChannelCurveCache cache;
  cache.SetHighPass(1, 4, 100.0);
  cache.SetBand(2, 500.0, 1.0, 3.0, true);
  const Curve on = cache.Total();
  EXPECT_EQ(cache.CurvesEvaluated(), 2u);
  cache.SetHighPass(1, 0, 100.0);
  cache.SetBand(2, 500.0, 1.0, 0.0, true);
  EXPECT_EQ(cache.Total(), Curve{});
  cache.SetHighPass(1, 4, 100.0);
  cache.SetBand(2, 500.0, 1.0, 3.0, true);
  EXPECT_EQ(cache.Total(), on);
  EXPECT_EQ(cache.CurvesEvaluated(), 2u);
  // A real change is evaluated.
  cache.SetHighPass(1, 4, 101.0);
  EXPECT_NE(cache.Total(), on);
  EXPECT_EQ(cache.CurvesEvaluated(), 3u);
}

QB_ON_EVERY_CURVE_KERNEL_SET(SectionCurve);
QB_ON_EVERY_CURVE_KERNEL_SET(ChannelCurve);
QB_ON_EVERY_CURVE_KERNEL_SET(CurveCache);

}  // namespace
}  // namespace qb

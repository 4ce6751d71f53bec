// The curve loops built per instruction set: the choice made at start-up, each wider set
// agreeing with the portable loops (same floor points, 1e-9 dB elsewhere), and the summing
// loop keeping the order of the additions that makes the incremental path exact.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "dspmath/channel_curve.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_constants.h"
#include "dspmath/curve_grid.h"
#include "dspmath/curve_kernels.h"
#include "dspmath/peaking_eq.h"
#include "tests/dspmath/curve_kernel_sets.h"

namespace qb {
namespace {

constexpr CurveKernelSet kEverySet[] = {CurveKernelSet::Portable, CurveKernelSet::Avx2Fma,
                                        CurveKernelSet::Avx512};

TEST(CurveKernelChoice, StartsWithTheWidestSetTheProcessorRuns) {
  ASSERT_NE(CurveKernelsFor(CurveKernelSet::Portable), nullptr);
  const CurveKernelSet best = BestCurveKernelSet();
  EXPECT_EQ(&ActiveCurveKernels(), CurveKernelsFor(best));
  for (CurveKernelSet set : kEverySet) {
    if (set > best) {
      EXPECT_EQ(CurveKernelsFor(set), nullptr) << EachCurveKernelSet::Name(set);
    }
  }
}

TEST(CurveKernelChoice, ASetTheProcessorLacksIsRefusedAndTheChoiceKept) {
  for (CurveKernelSet set : kEverySet) {
    const CurveKernels* before = &ActiveCurveKernels();
    const CurveKernels* wanted = CurveKernelsFor(set);
    EXPECT_EQ(UseCurveKernels(set), wanted != nullptr) << EachCurveKernelSet::Name(set);
    EXPECT_EQ(&ActiveCurveKernels(), wanted != nullptr ? wanted : before);
  }
  ASSERT_TRUE(UseCurveKernels(BestCurveKernelSet()));
}

/// Peaking bands over the whole range and crossover sections at many corners: their slopes
/// cross -80 dB all over the grid, so the floor rule is tried near its threshold.
std::vector<SectionCoeffs> ManySections() {
  std::vector<SectionCoeffs> sections;
  std::mt19937 rng(4711);
  std::uniform_real_distribution<double> logHz(std::log10(10.0), std::log10(23000.0));
  std::uniform_real_distribution<double> gain(-15.0, 15.0);
  std::uniform_real_distribution<double> q(0.3, 12.0);
  for (int i = 0; i < 300; ++i) {
    sections.push_back(
        DesignPeakingEq(CurveSampleRate, std::pow(10.0, logHz(rng)), gain(rng), q(rng)));
  }
  for (int i = 0; i < 300; ++i) {
    const double corner = std::pow(10.0, logHz(rng));
    const int order = 1 + i % 8;
    const int family = 1 + i % 3;
    for (bool lowPass : {true, false}) {
      for (const CrossoverSlot& slot : DesignCrossover(lowPass, corner, order, family)) {
        if (slot.kind != SlotKind::Empty) {
          sections.push_back(CrossoverSectionCoeffs(slot, lowPass));
        }
      }
    }
  }
  return sections;
}

using WiderCurveKernelSet = EachCurveKernelSet;

TEST_P(WiderCurveKernelSet, PutsTheSamePointsOnTheFloorAndAgreesWithin1e9DbElsewhere) {
  const std::vector<SectionCoeffs> sections = ManySections();
  std::vector<Curve> portable(sections.size());
  std::vector<Curve> portableAdded(sections.size());
  ASSERT_TRUE(UseCurveKernels(CurveKernelSet::Portable));
  for (std::size_t n = 0; n < sections.size(); ++n) {
    StandardCurveGrid().SectionDb(sections[n], portable[n]);
    portableAdded[n].fill(3.25);
    StandardCurveGrid().AddSectionDb(sections[n], portableAdded[n]);
  }
  ASSERT_TRUE(UseCurveKernels(GetParam()));

  int nearThreshold = 0;
  for (std::size_t n = 0; n < sections.size(); ++n) {
    Curve wide;
    StandardCurveGrid().SectionDb(sections[n], wide);
    Curve added;
    added.fill(3.25);
    StandardCurveGrid().AddSectionDb(sections[n], added);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      const double want = portable[n][k];
      ASSERT_EQ(wide[k] == kFloorDb, want == kFloorDb)
          << "section " << n << " k = " << k << ": " << wide[k] << " / " << want;
      ASSERT_NEAR(wide[k], want, 1e-9) << "section " << n << " k = " << k;
      ASSERT_NEAR(added[k], portableAdded[n][k], 1e-9) << "section " << n << " k = " << k;
      if (want > -80.5 && want < -79.5) {
        ++nearThreshold;
      }
    }
  }
  // The sections must really reach the threshold, or the floor comparison proves nothing.
  EXPECT_GT(nearThreshold, 100);
}

TEST_P(WiderCurveKernelSet, ChannelTotalsAgreeWithThePortableOnesWithin1e9Db) {
  std::mt19937 rng(20251209);
  std::uniform_real_distribution<double> logHz(std::log10(20.0), std::log10(20000.0));
  std::uniform_real_distribution<double> gain(-15.0, 15.0);
  for (int round = 0; round < 30; ++round) {
    ChannelCurveSettings s;
    for (EqBandSetting& band : s.bands) {
      band = {std::pow(10.0, logHz(rng)), 0.5 + gain(rng) * gain(rng) / 25.0, gain(rng), true};
    }
    s.highPass = {1 + round % 3, 1 + round % 8, std::pow(10.0, logHz(rng))};
    s.lowPass = {1 + (round + 1) % 3, 8 - round % 8, std::pow(10.0, logHz(rng))};
    Curve portable;
    ASSERT_TRUE(UseCurveKernels(CurveKernelSet::Portable));
    ComputeChannelCurve(StandardCurveGrid(), s, portable);
    Curve wide;
    ASSERT_TRUE(UseCurveKernels(GetParam()));
    ComputeChannelCurve(StandardCurveGrid(), s, wide);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      ASSERT_NEAR(wide[k], portable[k], 1e-9) << "round " << round << " k = " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Set, WiderCurveKernelSet,
                         ::testing::Values(CurveKernelSet::Avx2Fma, CurveKernelSet::Avx512),
                         EachCurveKernelSet::ParamName);

using CurveSum = EachCurveKernelSet;

TEST_P(CurveSum, AddsInTheOrderOfTheCurvesLikeOneCurveAfterTheOther) {
  // Magnitudes far apart make every change of order show in the last bits.
  std::mt19937 rng(33);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-12, 3);
  std::vector<Curve> curves(kMaxEqBands + 4);
  for (Curve& curve : curves) {
    for (double& v : curve) {
      v = mantissa(rng) * std::pow(10.0, exponent(rng));
    }
  }
  curves[1].fill(kFloorDb);
  std::vector<const double*> parts;
  for (const Curve& curve : curves) {
    parts.push_back(curve.data());
  }
  const CurveKernels& kernels = ActiveCurveKernels();
  for (std::size_t count = 0; count <= parts.size(); ++count) {
    Curve oneByOne{};
    for (std::size_t c = 0; c < count; ++c) {
      kernels.addCurve(parts[c], oneByOne.data());
    }
    Curve summed;
    summed.fill(99.0);
    kernels.sumCurves(parts.data(), count, summed.data());
    ASSERT_EQ(summed, oneByOne) << count << " curves";
  }
}

QB_ON_EVERY_CURVE_KERNEL_SET(CurveSum);

}  // namespace
}  // namespace qb

#pragma once
// Runs a curve test once per instruction set of the curve loops, so every rule of the curves
// holds whichever set a processor gets. A set the processor lacks is skipped with a message.

#include <gtest/gtest.h>

#include <string>

#include "dspmath/curve_kernels.h"

namespace qb {

class EachCurveKernelSet : public ::testing::TestWithParam<CurveKernelSet> {
 protected:
  void SetUp() override {
    if (!UseCurveKernels(GetParam())) {
      GTEST_SKIP() << "this processor lacks the " << Name(GetParam())
                   << " instruction set, its curve loops cannot run here";
    }
  }
  void TearDown() override { UseCurveKernels(BestCurveKernelSet()); }

 public:
  static std::string Name(CurveKernelSet set) {
    switch (set) {
      case CurveKernelSet::Portable:
        return "portable";
      case CurveKernelSet::Avx2Fma:
        return "avx2_fma";
      case CurveKernelSet::Avx512:
        return "avx512";
    }
    return "unknown";
  }
  static std::string ParamName(const ::testing::TestParamInfo<CurveKernelSet>& info) {
    return Name(info.param);
  }
};

/// Every set the curve loops are built for, narrowest first.
inline auto EveryCurveKernelSet() {
  return ::testing::Values(CurveKernelSet::Portable, CurveKernelSet::Avx2Fma,
                           CurveKernelSet::Avx512);
}

}  // namespace qb

/// Instantiates the TEST_P tests of `suite` (an alias of EachCurveKernelSet) for every set.
#define QB_ON_EVERY_CURVE_KERNEL_SET(suite)                                     \
  INSTANTIATE_TEST_SUITE_P(Set, suite, ::qb::EveryCurveKernelSet(),             \
                           ::qb::EachCurveKernelSet::ParamName)

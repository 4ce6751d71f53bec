// Left and Right move the focus around the ring of editable fields, with the two exceptions
// at the main volume and at band 0's gain.
#include <gtest/gtest.h>

#include "windows/focus_ring.h"

namespace qb {
namespace {

using Kind = FocusField::Kind;

struct FocusCase {
  FocusField from;
  bool forward;
  int bands;
  std::optional<FocusField> expected;
};

class FocusRingTest : public ::testing::TestWithParam<FocusCase> {};

TEST_P(FocusRingTest, MovesToTheNextField) {
  const FocusCase& c = GetParam();
  EXPECT_EQ(NextFocusField(c.from, c.forward, FocusRingContext{c.bands, nullptr}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ring, FocusRingTest,
    ::testing::Values(FocusCase{{Kind::OutputVolume, 0}, true, 10, FocusField{Kind::OutputVolume, 1}},
                      FocusCase{{Kind::OutputVolume, 7}, true, 10, FocusField{Kind::OutputDelay, 0}},
                      FocusCase{{Kind::OutputDelay, 0}, false, 10, FocusField{Kind::OutputVolume, 7}},
                      FocusCase{{Kind::OutputDelay, 7}, true, 10, FocusField{Kind::HighPass, 0}},
                      FocusCase{{Kind::LowPass, 0}, true, 10, FocusField{Kind::MainVolume, 0}},
                      FocusCase{{Kind::MainVolume, 0}, true, 10, FocusField{Kind::BandFreq, 0}},
                      FocusCase{{Kind::BandFreq, 9}, true, 10, FocusField{Kind::BandQ, 0}},
                      FocusCase{{Kind::BandQ, 9}, true, 10, FocusField{Kind::BandGain, 0}},
                      // The last gain wraps to output 0's volume, and back.
                      FocusCase{{Kind::BandGain, 9}, true, 10, FocusField{Kind::OutputVolume, 0}},
                      FocusCase{{Kind::OutputVolume, 0}, false, 10, FocusField{Kind::BandGain, 9}},
                      FocusCase{{Kind::BandGain, 0}, false, 10, FocusField{Kind::BandQ, 9}},
                      FocusCase{{Kind::BandFreq, 0}, false, 10, FocusField{Kind::MainVolume, 0}},
                      // Band rows beyond the output's count take no part.
                      FocusCase{{Kind::BandFreq, 30}, true, 10, std::nullopt},
                      FocusCase{{Kind::MainVolume, 0}, true, 0, FocusField{Kind::OutputVolume, 0}}));

TEST(FocusRingExceptions, LockedFrequencyAndQFieldsAreSkippedAtTheMainVolume) {
  // Graphic mode disables the frequency and Q edits.
  const FocusRingContext context{10, [](const FocusField& field) {
                                   return field.kind != Kind::BandFreq && field.kind != Kind::BandQ;
                                 }};
  EXPECT_EQ(NextFocusField({Kind::MainVolume, 0}, true, context), (FocusField{Kind::BandGain, 0}));
  EXPECT_EQ(NextFocusField({Kind::BandGain, 0}, false, context), (FocusField{Kind::MainVolume, 0}));
}

}  // namespace
}  // namespace qb

// Left and Right move the focus around the ring of editable fields, with the two exceptions
// at the main volume and at band 0's gain.
#include <gtest/gtest.h>

#include <QSet>

#include "windows/focus_ring.h"

namespace qb {
namespace {

struct Case {
  const char* from;
  bool forward;
  int bands;
  const char* expected;
};

class FocusRingTest : public ::testing::TestWithParam<Case> {};

TEST_P(FocusRingTest, MovesToTheNextField) {
  const Case& c = GetParam();
  FocusRingContext context{c.bands, nullptr};
  EXPECT_EQ(NextFocusField(QString::fromLatin1(c.from), c.forward, context), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Ring, FocusRingTest,
    ::testing::Values(Case{"edit_ch_volume_0", true, 10, "edit_ch_volume_1"},
                      Case{"edit_ch_volume_7", true, 10, "edit_ch_delay_0"},
                      Case{"edit_ch_delay_0", false, 10, "edit_ch_volume_7"},
                      Case{"edit_ch_delay_7", true, 10, "hp_freq"},
                      Case{"lp_freq", true, 10, "edit_main_volume"},
                      Case{"edit_main_volume", true, 10, "eq_freq_0"},
                      Case{"eq_freq_9", true, 10, "eq_q_0"},
                      Case{"eq_q_9", true, 10, "eq_gain_0"},
                      // The last gain wraps to output 0's volume, and back.
                      Case{"eq_gain_9", true, 10, "edit_ch_volume_0"},
                      Case{"edit_ch_volume_0", false, 10, "eq_gain_9"},
                      Case{"eq_gain_0", false, 10, "eq_q_9"},
                      Case{"eq_freq_0", false, 10, "edit_main_volume"},
                      // Band rows beyond the output's count take no part.
                      Case{"eq_freq_30", true, 10, ""},
                      Case{"spk_delay_0", true, 10, ""},
                      Case{"edit_main_volume", true, 0, "edit_ch_volume_0"}));

TEST(FocusRingExceptions, LockedFrequencyAndQFieldsAreSkippedAtTheMainVolume) {
  // Graphic mode disables the frequency and Q edits.
  FocusRingContext context{10, [](const QString& name) {
                             return !name.startsWith(QStringLiteral("eq_freq_")) && !name.startsWith(QStringLiteral("eq_q_"));
                           }};
  EXPECT_EQ(NextFocusField(QStringLiteral("edit_main_volume"), true, context), QStringLiteral("eq_gain_0"));
  EXPECT_EQ(NextFocusField(QStringLiteral("eq_gain_0"), false, context), QStringLiteral("edit_main_volume"));
}

}  // namespace
}  // namespace qb

// Filter texts of room-measurement tools into an output's bands and back: what is read,
// what is reported line by line, and an import that reaches the box as one undo step.
#include <gtest/gtest.h>

#include <string>

#include "core/eq_import.h"
#include "core/filter_text.h"
#include "tests/core/core_session.h"

namespace qb::test {
namespace {

EqImportPlan Plan(const std::string& text, int output = 0) { return PlanEqImport(ReadFilterText(text), Profile{}, output); }

std::string Lines(const EqImportPlan& plan) {
  std::string all;
  for (const std::string& line : ProblemLines(plan.problems)) all += line + "\n";
  return all;
}

TEST(FilterTextTest, ASettingsFileWithHeaderNoneAndOffLinesGivesItsPeakingFiltersInOrder) {
  const EqImportPlan plan = Plan(
      "Filter Settings file\r\n\r\nRoom EQ V5.20\r\nDated: 9 Dec 2026\r\n\r\nNotes:\r\nEqualiser: Generic\r\n"
      "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  4.00\r\n"
      "Filter  2: ON  None\r\n"
      "Filter  3: OFF PK       Fc   500 Hz   Gain   2.0 dB  Q  2.00\r\n"
      "Filter 4:ON PK Fc 1250,5 Hz Gain +3,5 dB Q 0,71\r\n"
      "Preamp: -6 dB\r\n");
  EXPECT_EQ(Lines(plan), "");
  ASSERT_EQ(plan.bands.size(), 2u);
  EXPECT_EQ(plan.bands[0], (EqBand{-5.0f, 4.0f, 63, 1}));
  EXPECT_EQ(plan.bands[1], (EqBand{3.5f, 0.71f, 1251, 1}));
}

TEST(FilterTextTest, WhatCannotBeABandIsReportedByLineAndTheRestKept) {
  std::string text = "Filter Settings file\n";
  for (int i = 1; i <= 40; ++i) text += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(100 + i) + " Hz Gain 1.0 dB Q 2\n";
  text += "Filter 41: ON LS Fc 80 Hz Gain 4.0 dB\n";
  text += "Filter 42: ON PK Fc 90 Hz Gain -20 dB Q 2\n";
  text += "Filter 43: ON PK Fc 90 Hz Gain x dB Q 2\n";
  const EqImportPlan plan = Plan(text);
  ASSERT_EQ(plan.bands.size(), 31u);
  EXPECT_EQ(plan.bands[30].freq, 131);
  ASSERT_EQ(plan.problems.size(), 12u) << Lines(plan);
  EXPECT_EQ(ProblemLines(plan.problems)[0], "line 33: more filters than the output's 31 bands");
  const std::string lines = Lines(plan);
  EXPECT_NE(lines.find("line 42: filter type LS is not a peaking filter"), std::string::npos) << lines;
  EXPECT_NE(lines.find("line 43: gain -20 dB is outside the box's range -18..12 dB"), std::string::npos) << lines;
  EXPECT_NE(lines.find("line 44: Gain \"x\" is not a number"), std::string::npos) << lines;
}

TEST(FilterTextTest, ExportedBandsReadBackAsTheSameBandsIntoTheirOwnOutput) {
  Profile live;
  live.channels[1].bands[0] = EqBand{-4.3f, 1.414f, 47, 1};
  live.channels[1].bands[1] = EqBand{11.95f, 8.8f, 19999, 1};
  live.channels[1].bands[2] = EqBand{1e-7f, 0.5f, 20, 1};
  const auto row = Bands(live, 1).first(3);
  const FilterTextOutput outputs[] = {{0, "front-left-tweeter", Bands(live, 0).first(2), false},
                                      {1, "front-right-tweeter", row, false}};
  const std::string text = WriteFilterText(outputs);
  EXPECT_NE(text.find("Output: CH2\nRole: front-right-tweeter\nFilter  1: ON  PK  Fc 47 Hz  Gain -4.3 dB  Q 1.414\n"),
            std::string::npos)
      << text;
  const EqImportPlan plan = PlanEqImport(ReadFilterText(text), live, 1);
  EXPECT_EQ(Lines(plan), "");
  EXPECT_EQ(plan.bands, std::vector<EqBand>(row.begin(), row.end()));
  EXPECT_EQ(Plan(text, 5).bands.size(), 0u) << "two sections, neither of CH6";
}

class EqImportTest : public EditingTest {};

TEST_F(EqImportTest, AnImportReachesTheBoxAndTheLinkedPartnerAndIsOneUndoStep) {
  s.core.Links().ToggleLink([] { return CopyDirection::LeftToRight; });
  ASSERT_TRUE(s.Drain());
  const OutputChannel before = Ch(1);
  const EqImportPlan plan = Plan("Filter 1: ON PK Fc 63 Hz Gain -5 dB Q 4\nFilter 2: ON PK Fc 125 Hz Gain 2 dB Q 1\n");
  {
    const EditHistory::Gesture gesture(s.core.History());
    ASSERT_TRUE(s.core.Eq().ImportBands(0, plan.bands));
  }
  EXPECT_TRUE(s.core.Mirror().session.parametricEq);
  EXPECT_EQ(Ch(0).bands[1], (EqBand{2.0f, 1.0f, 125, 1}));
  EXPECT_EQ(Ch(0).bands[2].eqGain, 0.0f);
  EXPECT_EQ(Ch(0).bypass, 0);
  EXPECT_EQ(Ch(1).bands[0], Ch(0).bands[0]) << "the linked partner follows";
  ASSERT_TRUE(s.Drain());
  EXPECT_EQ(CompareBoxWithMirror(s.Box(), s.Live()), "");

  ASSERT_TRUE(s.core.History().Undo());
  EXPECT_EQ(Ch(1), before);
  EXPECT_FALSE(s.core.History().CanUndo());
}

}  // namespace
}  // namespace qb::test

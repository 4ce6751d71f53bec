// Filter texts of room-measurement tools into an output's bands and back: what is read,
// what is reported line by line, and an import that reaches the box as one undo step.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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
  EXPECT_EQ(plan.bands[1], (EqBand{3.5f, 0.7f, 1251, 1}));
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

TEST(FilterTextTest, ValuesLandOnTheBoxsStepsRoundedToTheNearestAndOutOfRangeOnesAreReported) {
  const EqImportPlan plan = Plan(
      "Filter 1: ON PK Fc 99.5 Hz Gain -2.96 dB Q 0.69\n"
      "Filter 2: ON PK Fc 19999.6 Hz Gain 11.96 dB Q 8.96\n"
      "Filter 3: ON PK Fc 1000 Hz Gain 1 dB Q 9.04\n");
  EXPECT_EQ(Lines(plan), "line 3: Q 9.04 is outside the box's range 0.5..9\n");
  ASSERT_EQ(plan.bands.size(), 2u);
  EXPECT_EQ(plan.bands[0], (EqBand{-3.0f, 0.7f, 100, 1})) << "truncated it would be 99 Hz, -2.9 dB, Q 0.6";
  EXPECT_EQ(plan.bands[1], (EqBand{12.0f, 9.0f, 20000, 1}));
}

TEST(FilterTextTest, TheReaderSkipsAByteOrderMarkAndEndsALineAtLfCrLfOrALoneCr) {
  const FilterText read = ReadFilterText(
      "\xEF\xBB\xBF" "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\r"
      "Filter 2: ON PK Fc 200 Hz Gain 2 dB Q 2\r\n\r\n"
      "Filter 3: ON PK Fc 300 Hz Gain 3 dB Q 3\n"
      "Filter 4: ON PK Fc 400 Hz Gain 4 dB Q 4");
  EXPECT_TRUE(read.problems.empty());
  ASSERT_EQ(read.filters.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(read.filters[i].freq, 100.0 * static_cast<double>(i + 1));
  EXPECT_EQ(read.filters[1].line, 2);
  EXPECT_EQ(read.filters[2].line, 4) << "CR LF ends one line, the empty one after it is line 3";
  EXPECT_EQ(read.filters[3].line, 5);
}

TEST(FilterTextTest, ALineThatNamesAValueTwiceIsReportedAndNotUsed) {
  const EqImportPlan plan = Plan(
      "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1 Fc 200 Hz\n"
      "Filter 2: ON PK Fc 300 Hz Gain 2 dB gain 3 dB Q 1\n"
      "Filter 3: ON PK Fc 400 Hz Gain 1 dB Q 1 Q\n"
      "Filter 4: ON PK Fc 500 Hz Gain 1 dB Q 1\n");
  EXPECT_EQ(Lines(plan),
            "line 1: the line names Fc twice\nline 2: the line names Gain twice\nline 3: the line names Q twice\n");
  ASSERT_EQ(plan.bands.size(), 1u);
  EXPECT_EQ(plan.bands[0].freq, 500);
}

TEST(FilterTextTest, InAnOutputSectionFilterNIsBandNAndABandLeftOutGoesFlat) {
  Profile live;
  live.channels[0].bands[3] = EqBand{4.0f, 2.0f, 1234, 0};
  const EqImportPlan plan = PlanEqImport(ReadFilterText("Output: CH1\n"
                                                        "Bypass: ON\n"
                                                        "Filter 3: OFF PK Fc 300 Hz Gain 3 dB Q 3\n"
                                                        "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n"
                                                        "Filter: ON PK Fc 200 Hz Gain 2 dB Q 2\n"
                                                        "Filter 3: ON PK Fc 301 Hz Gain 3 dB Q 3\n"
                                                        "Filter 5: ON PK Fc 500 Hz Gain 5 dB Q 5\n"
                                                        "Filter 32: ON PK Fc 600 Hz Gain 6 dB Q 6\n"),
                                         live, 0);
  EXPECT_EQ(Lines(plan),
            "line 6: filter 3 is given twice; the first is kept\nline 8: filter 32 has no band: the output has 31 bands\n");
  EXPECT_EQ(plan.bypassed, std::optional<bool>(true));
  const std::vector<EqBand> expected{{1.0f, 1.0f, 100, 1}, {2.0f, 2.0f, 200, 1}, {3.0f, 3.0f, 300, 0},
                                     {0.0f, 2.0f, 1234, 1}, {5.0f, 5.0f, 500, 1}};
  EXPECT_EQ(plan.bands, expected);
  EXPECT_EQ(Plan("Filter 1: OFF PK Fc 300 Hz Gain 3 dB Q 3\nBypass: ON\n").bypassed, std::nullopt)
      << "another tool's text: OFF filters skipped, no bypass read";
}

TEST(FilterTextTest, TheHeaderOfAnOutputNamesItItsRoleAndItsBypass) {
  const EqBand bands[] = {{-4.3f, 1.4f, 47, 0}};
  const FilterTextOutput outputs[] = {{1, "front-right-tweeter", bands, true}};
  EXPECT_EQ(WriteFilterText(outputs),
            "Filter Settings file\n\nOutput: CH2\nRole: front-right-tweeter\nBypass: ON\n"
            "Filter  1: OFF PK  Fc 47 Hz  Gain -4.3 dB  Q 1.4\n\n");
}

class EqImportTest : public EditingTest {};

TEST_F(EqImportTest, AnImportReachesTheBoxAndTheLinkedPartnerAndIsOneUndoStep) {
  s.core.Links().ToggleLink([] { return CopyDirection::LeftToRight; });
  ASSERT_TRUE(s.Drain());
  const OutputChannel before = Ch(1);
  const EqImportPlan plan = Plan("Filter 1: ON PK Fc 63 Hz Gain -5 dB Q 4\nFilter 2: ON PK Fc 125 Hz Gain 2 dB Q 1\n");
  {
    const EditHistory::Gesture gesture(s.core.History());
    ASSERT_TRUE(s.core.Eq().ImportBands(0, plan.bands, plan.bypassed));
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

TEST_F(EqImportTest, AnExportReadsBackIntoTheSameBandsEnablesAndBypassOfEachOutput) {
  ScriptedConfirm yes;
  Ch(1).eqSize = 12;
  for (std::size_t b = 12; b < kBandSlots; ++b) Ch(1).bands[b] = EqBand{1.0f, 2.0f, 3000, 0};
  EqEditor& eq = s.core.Eq();
  eq.EditBand(1, 0, 47, 1.4f, -4.3f);
  eq.EditBand(1, 1, 1000, 2.0f, 3.0f);
  eq.EditBand(1, 2, 5000, 8.8f, 6.0f);
  eq.EditBand(1, 5, 12000, 0.5f, -18.0f);
  eq.ToggleBandEnable(1, 1);
  eq.ToggleBandEnable(1, 2);
  ASSERT_EQ(eq.ToggleBypass(1, yes.Get()), BypassOutcome::Bypassed);
  eq.EditBand(2, 3, 80, 1.0f, 2.5f);
  eq.ToggleBandEnable(2, 3);
  ASSERT_TRUE(s.Drain());
  const OutputChannel bypassed = Ch(1);
  const OutputChannel audible = Ch(2);
  ASSERT_EQ(audible.bypass, 0);
  const int outputs[] = {1, 2};
  const std::string text = EqExportText(s.Live(), outputs, [](int) { return std::string("role"); });

  for (int o : outputs) ASSERT_TRUE(eq.ResetEq(o, yes.Get()));
  for (int o : outputs) {
    const EqImportPlan plan = PlanEqImport(ReadFilterText(text), s.Live(), o);
    EXPECT_EQ(Lines(plan), "");
    ASSERT_TRUE(eq.ImportBands(o, plan.bands, plan.bypassed));
  }
  EXPECT_EQ(Ch(1).bands, bypassed.bands);
  EXPECT_EQ(Ch(1).bypass, 1);
  EXPECT_EQ(Ch(2).bands, audible.bands);
  EXPECT_EQ(Ch(2).bypass, 0);
}

}  // namespace
}  // namespace qb::test

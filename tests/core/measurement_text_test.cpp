// Measured responses and house curves read from the text files tuners have: the formats and
// separators, the column a header names, comments, and every bad line named with its number.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/measurement_text.h"

namespace qb {
namespace {

MeasuredResponse Read(const std::string& text, const std::string& column = {}) {
  const MeasurementRead read = ReadMeasurementText(text, column);
  EXPECT_FALSE(read.error) << MeasurementErrorText(*read.error);
  return read.response;
}

std::string ErrorOf(const std::string& text, const std::string& column = {}) {
  const MeasurementRead read = ReadMeasurementText(text, column);
  EXPECT_TRUE(read.response.freqHz.empty());
  return read.error ? MeasurementErrorText(*read.error) : "no error";
}

TEST(MeasurementTextTest, AMeasurementExportWithStarredHeaderAndPhaseGivesFrequencyAndLevel) {
  const MeasuredResponse r = Read(
      "\xEF\xBB\xBF* Measurement data measured by the measurement program\r\n"
      "* Source: Line In, Speakers\r\n"
      "*\r\n"
      "* Freq(Hz) SPL(dB) Phase(degrees)\r\n"
      "20.000  81.234 -12.5\r\n"
      "20.5\t81.5\t-13.0\r\n"
      "  21.0    82      -13.5\r\n");
  EXPECT_EQ(r.freqHz, (std::vector<double>{20.0, 20.5, 21.0}));
  EXPECT_EQ(r.db, (std::vector<double>{81.234, 81.5, 82.0}));
}

TEST(MeasurementTextTest, FrdFilesWithHashCommentsCommasAndSemicolonsReadAlike) {
  const std::vector<double> freq{100.0, 1000.0, 10000.0};
  const std::vector<double> db{-1.5, 0.0, 2.25};
  for (const std::string& text : {
           std::string("# driver.frd\n100 -1.5 10\n# mid comment\n1000 0 0\n10000 2.25 -30\n"),
           std::string("100,-1.5\n1000, 0\n10000 ,2.25,\n"),
           std::string("100;-1.5;3\n\n1000;0;4\n10000;+2.25;5\n"),
           std::string("100\t-1.5\n1e3\t0\n1.0E4\t2.25"),
       }) {
    const MeasuredResponse r = Read(text);
    EXPECT_EQ(r.freqHz, freq) << text;
    EXPECT_EQ(r.db, db) << text;
  }
}

TEST(MeasurementTextTest, AHeaderChoosesTheLevelColumn) {
  const std::string result = "frequency,smoothed,raw,target\n20,1,2,3\n30,4,5,6\n";
  EXPECT_EQ(Read(result).db, (std::vector<double>{2, 5})) << "raw before the other columns";
  EXPECT_EQ(Read(result, "TARGET").db, (std::vector<double>{3, 6})) << "a named column, any case";
  EXPECT_EQ(Read("Frequency;Response;Phase\n20;-1;0\n30;-2;0\n").db, (std::vector<double>{-1, -2}));
  EXPECT_EQ(Read("Hz,dB\n20,7\n30,8\n").db, (std::vector<double>{7, 8})) << "otherwise the second column";
  EXPECT_EQ(ErrorOf(result, "phase"), "line 1: no column named \"phase\"");
  EXPECT_EQ(ErrorOf("20 1\n30 2\n", "target"), "line 1: the file names no columns, so it has no column \"target\"");
}

TEST(MeasurementTextTest, TheFirstLineThatCannotBeReadIsNamedAndNothingIsKept) {
  const std::string head = "* exported\nfreq,spl\n20,1\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {head + "30,loud\n", "line 4: level \"loud\" is not a number"},
      {head + "30\n", "line 4: a frequency without a level (column 2)"},
      {head + "30,,1\n", "line 4: level \"\" is not a number"},
      {head + "20,2\n", "line 4: frequency 20 Hz does not rise above the line before (20 Hz)"},
      {head + "10,2\n", "line 4: frequency 10 Hz does not rise above the line before (20 Hz)"},
      {"0 1\n10 2\n", "line 1: frequency 0 Hz is not above 0"},
      {"-5 1\n10 2\n", "line 1: frequency -5 Hz is not above 0"},
      {head + "30,nan\n", "line 4: level \"nan\" is not a number"},
      {head + "inf,1\n", "line 4: \"inf\" is not a frequency"},
      {head + "30,1e300\n", "line 4: level 1e+300 dB is out of range"},
      {head + "30,1\nthe end\n", "line 5: \"the\" is not a frequency"},
      {head + "30 Hz,1\n", "line 4: level \"Hz\" is not a number"},
      {"freq spl\nphase\n20 1\n", "line 2: \"phase\" is not a frequency"},
      {"", "no measurement points"},
      {"* nothing but comments\n\n# and more\n", "no measurement points"},
      {head, "only one measurement point"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.error) << c.text;
}

TEST(MeasurementTextTest, AResultFileOnDiskGivesItsRawAndTargetColumns) {
  const MeasurementRead raw = ReadMeasurementFile(QB_SYNTHETIC_HEADPHONE);
  const MeasurementRead target = ReadMeasurementFile(QB_SYNTHETIC_HEADPHONE, "target");
  ASSERT_FALSE(raw.error || target.error);
  EXPECT_EQ(raw.response.Size(), 479u);
  EXPECT_EQ(raw.response.freqHz, target.response.freqHz);
  EXPECT_DOUBLE_EQ(raw.response.freqHz.front(), 20.0);
  EXPECT_NE(raw.response.db, target.response.db);
}

TEST(MeasurementTextTest, AHouseCurveIsItsLevelColumnOrTheTargetOfAResultFile) {
  const MeasurementRead result = ReadHouseCurveFile(QB_SYNTHETIC_HEADPHONE);
  ASSERT_FALSE(result.error);
  EXPECT_EQ(result.response.db, ReadMeasurementFile(QB_SYNTHETIC_HEADPHONE, "target").response.db);

  const std::string path = ::testing::TempDir() + "house_curve.txt";
  std::ofstream(path) << "* house curve\n20 4\n200 2\n20000 -3\n";
  const MeasurementRead house = ReadHouseCurveFile(path);
  ASSERT_FALSE(house.error) << MeasurementErrorText(*house.error);
  EXPECT_EQ(house.response.db, (std::vector<double>{4.0, 2.0, -3.0}));
  std::remove(path.c_str());

  EXPECT_FALSE(NamesColumn("20 4\n30 5\n", "target")) << "a file without a header names nothing";
  EXPECT_TRUE(NamesColumn("# comment\nFrequency,Raw,TARGET\n20,1,2\n", "target"));
}

TEST(MeasurementTextTest, AFileThatCannotBeOpenedIsAnErrorOfTheWholeFile) {
  const MeasurementRead read = ReadMeasurementFile("/nonexistent/measurement.txt");
  ASSERT_TRUE(read.error);
  EXPECT_EQ(read.error->line, 0);
  EXPECT_EQ(MeasurementErrorText(*read.error), "cannot open /nonexistent/measurement.txt");
}

TEST(MeasuredResponseTest, LevelsLieOnStraightLinesOverLogFrequencyAndHoldBeyondTheEnds) {
  const MeasuredResponse r{{100.0, 1000.0, 4000.0}, {0.0, 10.0, -2.0}};
  EXPECT_DOUBLE_EQ(LevelAt(r, 50.0), 0.0);
  EXPECT_DOUBLE_EQ(LevelAt(r, 100.0), 0.0);
  EXPECT_NEAR(LevelAt(r, 316.227766), 5.0, 1e-6) << "half way in octaves, not in hertz";
  EXPECT_DOUBLE_EQ(LevelAt(r, 1000.0), 10.0);
  EXPECT_NEAR(LevelAt(r, 2000.0), 4.0, 1e-12);
  EXPECT_DOUBLE_EQ(LevelAt(r, 20000.0), -2.0);
  EXPECT_DOUBLE_EQ(LevelAt(MeasuredResponse{}, 1000.0), 0.0);
}

}  // namespace
}  // namespace qb

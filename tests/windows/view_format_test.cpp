// The texts the main view shows for volumes, delays and filter values.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "windows/view_formats.h"
#include "devicelink/wire_codes.h"

namespace qb {
namespace {

struct DelayCase {
  float ms;
  DelayUnit unit;
  bool whole;
  std::string text;
};

TEST(ViewFormatTest, DelayInEveryUnit) {
  for (const DelayCase& c : {
           DelayCase{2.0f, DelayUnit::Ms, false, "2.000 ms"},
           DelayCase{2.0f, DelayUnit::Cm, false, "69.20 cm"},
           DelayCase{2.0f, DelayUnit::In, false, "27.20 in"},
           // After a profile load the distances read whole; ms is unchanged.
           DelayCase{2.0f, DelayUnit::Ms, true, "2.000 ms"},
           DelayCase{2.0f, DelayUnit::Cm, true, "69 cm"},
           DelayCase{2.0f, DelayUnit::In, true, "27 in"},
           DelayCase{0.0f, DelayUnit::Cm, false, "0.00 cm"},
           DelayCase{0.0f, DelayUnit::In, true, "0 in"},
           // Rounded to nearest when whole: 15 ms is 519.0 cm and 204.0 in; 1.5 ms 51.90 cm.
           DelayCase{15.0f, DelayUnit::Cm, true, "519 cm"},
           DelayCase{1.5f, DelayUnit::Cm, true, "52 cm"},
           DelayCase{1.5f, DelayUnit::In, false, "20.40 in"},
           DelayCase{1.5f, DelayUnit::In, true, "20 in"},
           DelayCase{0.0214f, DelayUnit::Ms, false, "0.021 ms"},
       }) {
    EXPECT_EQ(DelayText(c.ms, c.unit, c.whole), c.text) << c.ms << " unit " << static_cast<int>(c.unit);
  }
}

TEST(ViewFormatTest, DistancesUseWholeMicroseconds) {
  // 1.0009 ms is 1000 us after truncation: exactly 34.60 cm, not 34.63.
  EXPECT_EQ(DelayText(1.0009f, DelayUnit::Cm, false), "34.60 cm");
  EXPECT_EQ(DelayText(1.0009f, DelayUnit::In, false), "13.60 in");
  EXPECT_EQ(DelayText(1.0009f, DelayUnit::Ms, false), "1.001 ms");
}

TEST(ViewFormatTest, UnitListIndexFallsBackToMs) {
  EXPECT_EQ(DelayUnitOfIndex(0), DelayUnit::Ms);
  EXPECT_EQ(DelayUnitOfIndex(1), DelayUnit::Cm);
  EXPECT_EQ(DelayUnitOfIndex(2), DelayUnit::In);
  EXPECT_EQ(DelayUnitOfIndex(-1), DelayUnit::Ms);
  EXPECT_EQ(DelayUnitOfIndex(3), DelayUnit::Ms);
}

TEST(ViewFormatTest, OutputVolume) {
  struct Case {
    float db;
    int minimum;
    std::string text;
  };
  for (const Case& c : {Case{-60.0f, -600, "${off}"}, Case{-59.5f, -600, "-59dB"}, Case{-59.0f, -600, "-59dB"},
                        Case{0.0f, -600, "0dB"}, Case{-0.5f, -600, "0dB"}, Case{-12.9f, -600, "-12dB"},
                        // Below the slider's range (a file may hold it) the slider stands at
                        // its minimum too.
                        Case{-70.0f, -600, "${off}"},
                        // The minimum is the slider's, whatever the layout made it.
                        Case{-40.0f, -400, "${off}"}, Case{-60.0f, -800, "-60dB"}}) {
    EXPECT_EQ(OutputVolumeText(c.db, c.minimum), c.text) << c.db << " / " << c.minimum;
  }
}

TEST(ViewFormatTest, MainVolume) {
  EXPECT_EQ(MainVolumeText(0, 0), "${off}");
  EXPECT_EQ(MainVolumeText(1, 0), "1");
  EXPECT_EQ(MainVolumeText(30, 0), "30");
  EXPECT_EQ(MainVolumeText(40, 0), "40");
  // The profile's -5 "not yet reported" clamps to the slider's minimum.
  EXPECT_EQ(MainVolumeText(-5, 0), "${off}");
}

TEST(ViewFormatTest, CrossoverAndBandValues) {
  EXPECT_EQ(CrossoverFreqText(20), "20Hz");
  EXPECT_EQ(CrossoverFreqText(20000), "20000Hz");
  EXPECT_EQ(BandFreqText(1250), "1250");
  EXPECT_EQ(BandQText(5.8f), "5.80");
  EXPECT_EQ(BandQText(1.414f), "1.41");
  EXPECT_EQ(BandQText(0.5f), "0.50");
  EXPECT_EQ(BandGainText(0.0f), "0.0");
  EXPECT_EQ(BandGainText(-12.25f), "-12.2");  // as printf rounds the float's binary value
  EXPECT_EQ(BandGainText(3.05f), "3.0");
  EXPECT_EQ(BandGainText(12.0f), "12.0");
}

TEST(ViewFormatTest, ButtonTexts) {
  EXPECT_EQ(PhaseText(1), "${reverse phase}");
  EXPECT_EQ(PhaseText(0), "${positive_phase}");
  EXPECT_EQ(BypassButtonText(1), "${bypass_eq}");
  EXPECT_EQ(BypassButtonText(0), "${restore_eq}");
}

TEST(ViewFormatTest, DecimalPointWhateverTheLocale) {
  // The toolkit installs the user's locale; a decimal comma would break every number text.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(DelayText(2.0f, DelayUnit::Ms, false), "2.000 ms");
  EXPECT_EQ(BandQText(5.8f), "5.80");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace qb

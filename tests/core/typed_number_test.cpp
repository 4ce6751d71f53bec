// Typed values are read from the whole text or not at all: a number, a decimal point or
// comma, one unit the field takes; frequencies with "k" and the "1K5" notation.
#include "core/typed_number.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace qb {
namespace {

TEST(TypedNumber, TakesTheWholeTextWithAUnitTheFieldAllows) {
  struct Case {
    const char* text;
    unsigned units;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"-7", kUnitDb, -7.0},       {" -7 dB ", kUnitDb, -7.0},  {"-7DB", kUnitDb, -7.0},
      {"+2", kNoUnit, 2.0},        {"-1,5", kUnitDb, -1.5},     {"1.41", kNoUnit, 1.41},
      {".5", kNoUnit, 0.5},        {",5", kNoUnit, 0.5},        {"5.", kNoUnit, 5.0},
      {"600 cm", kUnitCm, 600.0},  {"102in", kUnitIn, 102.0},   {"0.230 ms", kUnitMs, 0.230},
      {"007", kNoUnit, 7.0},
      // Typos and what a field does not take: nothing, never the digits before them.
      {"-7x2", kUnitDb, std::nullopt},   {"12abc", kNoUnit, std::nullopt}, {"", kUnitDb, std::nullopt},
      {"   ", kNoUnit, std::nullopt},    {"-", kNoUnit, std::nullopt},     {"dB", kUnitDb, std::nullopt},
      {"- 3", kNoUnit, std::nullopt},    {"1.2.3", kNoUnit, std::nullopt}, {"1,5,0", kNoUnit, std::nullopt},
      {"3 dB", kNoUnit, std::nullopt},   {"30 cm", kUnitMs, std::nullopt}, {"5 dBx", kUnitDb, std::nullopt},
      {"1e3", kNoUnit, std::nullopt},    {"nan", kNoUnit, std::nullopt},   {"-inf", kNoUnit, std::nullopt},
      {"1inf", kUnitIn, std::nullopt},   {"0x10", kNoUnit, std::nullopt},  {"+-1", kNoUnit, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadTypedNumber(c.text, c.units), c.value) << '"' << c.text << '"';
}

TEST(TypedNumber, FrequenciesTakeKThousandsWithTheirFractionAndTheKNotation) {
  struct Case {
    const char* text;
    std::optional<int> hz;
  };
  const Case cases[] = {
      {"2.5k", 2500},     {"2,5 kHz", 2500},  {"2k", 2000},      {"20K", 20000},     {"1K5", 1500},
      {"1k5Hz", 1500},    {" 1500 Hz ", 1500}, {"1500hz", 1500}, {"+250", 250},      {"-40", -40},
      {"12.7", 13},       {"0.0215k", 22},
      {"K5", std::nullopt},  {"k", std::nullopt},   {"2.5x", std::nullopt}, {"1K55", std::nullopt},
      {"1.5K5", std::nullopt}, {"2kk", std::nullopt}, {"2 dB", std::nullopt}, {"Hz", std::nullopt},
      {"abc", std::nullopt},  {"", std::nullopt},
      // Beyond every range, but not wrapped round: the box's limits hold it.
      {"99999999999999999999", INT_MAX}, {"-99999999999999999999k", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadTypedFrequency(c.text), c.hz) << '"' << c.text << '"';
}

TEST(TypedNumber, WholeValuesRoundToTheNearestAndStayInTheIntRange) {
  EXPECT_EQ(WholeOfTyped(-7.4), -7);
  EXPECT_EQ(WholeOfTyped(-7.5), -8);
  EXPECT_EQ(WholeOfTyped(28.0), 28);
  EXPECT_EQ(WholeOfTyped(-1e30), INT_MIN);
  EXPECT_EQ(WholeOfTyped(1e30), INT_MAX);
}

}  // namespace
}  // namespace qb

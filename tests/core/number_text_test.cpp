// Numbers typed for the memory tools: the bases, the longest run of valid digits, and the
// refusal of anything that does not fit in 32 bits.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "core/number_text.h"

namespace qb {
namespace {

struct NumberCase {
  std::string_view text;
  std::optional<std::uint32_t> value;  ///< nothing: refused
  std::size_t length;                  ///< characters read as the number
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class NumberTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, ReadsTheLongestRunOfItsBase) {
  EXPECT_EQ(ParseNumberText(GetParam().text), GetParam().value);
  EXPECT_EQ(NumberTextLength(GetParam().text), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, NumberTextTest,
    ::testing::Values(NumberCase{"0x1F", 31u, 4}, NumberCase{"0X1f", 31u, 4}, NumberCase{"017", 15u, 3}, NumberCase{"99", 99u, 2},
                      NumberCase{"0", 0u, 1}, NumberCase{"", 0u, 0}, NumberCase{"0x", 0u, 1}, NumberCase{"12ab", 12u, 2},
                      NumberCase{"08", 0u, 1}, NumberCase{"0778", 63u, 3}, NumberCase{"0x1g", 1u, 3},
                      // Not starting with a digit: 0, and nothing of it is a number.
                      NumberCase{"x10", 0u, 0}, NumberCase{" 10", 0u, 0}, NumberCase{"-1", 0u, 0}));

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, NumberTextTest,
    ::testing::Values(NumberCase{"0xffffffff", 0xFFFFFFFFu, 10}, NumberCase{"4294967295", 0xFFFFFFFFu, 10},
                      NumberCase{"037777777777", 0xFFFFFFFFu, 12}, NumberCase{"0x80000000", 0x80000000u, 10},
                      NumberCase{"0x0000000000000010", 0x10u, 18},
                      // One more is refused, never wrapped into another address.
                      NumberCase{"0x123456789", std::nullopt, 11}, NumberCase{"0x100000000", std::nullopt, 11},
                      NumberCase{"4294967296", std::nullopt, 10}, NumberCase{"040000000000", std::nullopt, 12},
                      NumberCase{"99999999999999999999999999zz", std::nullopt, 26}));

}  // namespace
}  // namespace qb

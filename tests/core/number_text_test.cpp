// Numbers typed for the memory tools: the bases, the longest run of valid digits, and the
// refusal of anything that does not fit in 32 bits.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "core/number_text.h"

namespace qb {
namespace {

struct Case {
  std::string_view text;
  std::optional<std::uint32_t> value;  ///< nothing: refused
  std::size_t length;                  ///< characters read as the number
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class NumberTextTest : public ::testing::TestWithParam<Case> {};

TEST_P(NumberTextTest, ReadsTheLongestRunOfItsBase) {
  EXPECT_EQ(ParseNumberText(GetParam().text), GetParam().value);
  EXPECT_EQ(NumberTextLength(GetParam().text), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, NumberTextTest,
    ::testing::Values(Case{"0x1F", 31u, 4}, Case{"0X1f", 31u, 4}, Case{"017", 15u, 3}, Case{"99", 99u, 2},
                      Case{"0", 0u, 1}, Case{"", 0u, 0}, Case{"0x", 0u, 1}, Case{"12ab", 12u, 2},
                      Case{"08", 0u, 1}, Case{"0778", 63u, 3}, Case{"0x1g", 1u, 3},
                      // Not starting with a digit: 0, and nothing of it is a number.
                      Case{"x10", 0u, 0}, Case{" 10", 0u, 0}, Case{"-1", 0u, 0}));

INSTANTIATE_TEST_SUITE_P(
    ThirtyTwoBits, NumberTextTest,
    ::testing::Values(Case{"0xffffffff", 0xFFFFFFFFu, 10}, Case{"4294967295", 0xFFFFFFFFu, 10},
                      Case{"037777777777", 0xFFFFFFFFu, 12}, Case{"0x80000000", 0x80000000u, 10},
                      Case{"0x0000000000000010", 0x10u, 18},
                      // One more is refused, never wrapped into another address.
                      Case{"0x123456789", std::nullopt, 11}, Case{"0x100000000", std::nullopt, 11},
                      Case{"4294967296", std::nullopt, 10}, Case{"040000000000", std::nullopt, 12},
                      Case{"99999999999999999999999999zz", std::nullopt, 26}));

}  // namespace
}  // namespace qb

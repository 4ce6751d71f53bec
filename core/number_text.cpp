#include "core/number_text.h"

#include <limits>

namespace qb {
namespace {

/// The value of `c` as a digit of `base`, or -1 when it is none.
int DigitValue(char c, unsigned base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

struct Reading {
  std::optional<std::uint32_t> value;  ///< nothing: too large for 32 bits
  std::size_t length = 0;              ///< characters of the text that are the number
};

Reading Read(std::string_view text) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return {0, 0};
  unsigned base = 10;
  std::size_t start = 0;
  if (text[0] == '0') {
    const bool hex = text.size() > 1 && (text[1] == 'x' || text[1] == 'X');
    base = hex ? 16 : 8;
    start = hex ? 2 : 1;
  }
  // Accumulated in 64 bits and checked after every digit: one digit more than 32 bits can
  // hold never reaches past 36 bits.
  std::uint64_t value = 0;
  std::size_t end = start;
  bool tooLarge = false;
  for (; end < text.size(); ++end) {
    const int digit = DigitValue(text[end], base);
    if (digit < 0) break;
    if (!tooLarge) {
      value = value * base + static_cast<unsigned>(digit);
      tooLarge = value > std::numeric_limits<std::uint32_t>::max();
    }
  }
  // "0x" without a digit is the number 0 followed by an "x".
  const std::size_t length = (base == 16 && end == start) ? 1 : end;
  if (tooLarge) return {std::nullopt, length};
  return {static_cast<std::uint32_t>(value), length};
}

}  // namespace

std::optional<std::uint32_t> ParseNumberText(std::string_view text) { return Read(text).value; }

std::size_t NumberTextLength(std::string_view text) { return Read(text).length; }

}  // namespace qb

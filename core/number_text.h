#pragma once
/// Numbers typed for the service tools (DSP memory addresses and words), written the way a
/// C programmer writes them: "0x1F" is hexadecimal, "017" octal, "99" decimal.
///
/// ParseNumberText reads the longest run of digits valid in its base from the start of the
/// text and ignores what follows ("12ab" is 12, "08" is 0, "0x" is 0, an empty text 0, a
/// text that does not start with a digit 0). The memory window and the command-line tool
/// must not guess: they take a text only when NumberTextLength covers all of it. It is
/// strict about size: a number that does not fit in 32 bits is refused, never cut to its
/// low bits, so a memory write cannot land on an address nobody typed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qb {

/// The 32-bit value `text` stands for, or nothing when that value needs more than 32 bits.
/// Leading zeros never count against the size ("0x000000001" is 1).
std::optional<std::uint32_t> ParseNumberText(std::string_view text);

/// How many characters at the start of `text` belong to the number ParseNumberText reads:
/// the base prefix and the digits. The "x" of a hexadecimal prefix counts only when a digit
/// follows it ("0x" reads as the number 0 and a stray "x"). 0 when the text does not start
/// with a digit. A caller that must not guess (a typed field, a script's argument) refuses a
/// text whose length differs from this.
std::size_t NumberTextLength(std::string_view text);

}  // namespace qb

// Feeds arbitrary text to the reader of typed numbers (memory addresses and words). A
// refused text stays refused whatever follows its number; an accepted one is exactly its
// number part, and its value printed again in the text's base reads back equal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/number_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

/// `value` written in the base `text` is read in: "0x" hexadecimal, a leading 0 octal,
/// decimal otherwise.
std::string InBaseOf(std::string_view text, std::uint32_t value) {
  char printed[24];
  const bool hex = text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) std::snprintf(printed, sizeof printed, "0x%x", value);
  else if (!text.empty() && text[0] == '0') std::snprintf(printed, sizeof printed, "0%o", value);
  else std::snprintf(printed, sizeof printed, "%u", value);
  return printed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto value = qb::ParseNumberText(text);
  const std::size_t length = qb::NumberTextLength(text);
  Require(length <= text.size());
  const std::string_view number = text.substr(0, length);

  if (!value) {
    // Only the number decides, and more digits never make it fit.
    Require(length > 0);
    Require(!qb::ParseNumberText(number));
    Require(!qb::ParseNumberText(std::string(number) + "0"));
    return 0;
  }
  Require(qb::ParseNumberText(number) == value);
  Require(qb::NumberTextLength(number) == length);
  const std::string again = InBaseOf(text, *value);
  Require(qb::ParseNumberText(again) == value);
  Require(qb::NumberTextLength(again) == again.size());
  return 0;
}

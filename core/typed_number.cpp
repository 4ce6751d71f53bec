#include "core/typed_number.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <utility>

#include "core/ascii_text.h"

namespace qb {
namespace {

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
  return text;
}

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
}

/// True when `text` is `word` in any case.
bool IsWord(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (AsciiLower(text[i]) != word[i]) return false;
  return true;
}

/// Takes one sign off the front; -1 for a minus, 1 otherwise.
double TakeSign(std::string_view& text) {
  if (text.empty() || (text.front() != '-' && text.front() != '+')) return 1.0;
  const double sign = text.front() == '-' ? -1.0 : 1.0;
  text.remove_prefix(1);
  return sign;
}

struct TypedDecimal {
  double value = 0.0;
  bool fraction = false;  ///< a decimal point or comma was written
};

/// Takes "digits", "digits." / "digits,", "digits.digits" or ".digits" off the front (a comma
/// reads as the point); nothing when no digit is there, or the number is too large.
std::optional<TypedDecimal> TakeDecimal(std::string_view& text) {
  std::string digits;
  bool any = false;
  bool point = false;
  std::size_t used = 0;
  for (; used < text.size(); ++used) {
    const char c = text[used];
    if (IsAsciiDigit(c)) {
      digits += c;
      any = true;
    } else if ((c == '.' || c == ',') && !point) {
      digits += '.';
      point = true;
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  double value = 0.0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                            std::chars_format::fixed);
  if (error != std::errc{} || end != digits.data() + digits.size() || !std::isfinite(value)) return std::nullopt;
  text.remove_prefix(used);
  return TypedDecimal{value, point};
}

constexpr std::array<std::pair<TypedUnit, std::string_view>, 5> kUnitWords{{
    {kUnitDb, "db"}, {kUnitHz, "hz"}, {kUnitMs, "ms"}, {kUnitCm, "cm"}, {kUnitIn, "in"}}};

/// True when `rest` (already without blanks around it) is nothing or one allowed unit.
bool IsAllowedUnit(std::string_view rest, unsigned units) {
  if (rest.empty()) return true;
  for (const auto& [unit, word] : kUnitWords)
    if ((units & unit) != 0 && IsWord(rest, word)) return true;
  return false;
}

int HeldToInt(double value) {
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(std::lround(value));
}

}  // namespace

std::optional<double> ReadTypedNumber(std::string_view text, unsigned units) {
  text = Trimmed(text);
  const double sign = TakeSign(text);
  const std::optional<TypedDecimal> number = TakeDecimal(text);
  if (!number) return std::nullopt;
  SkipBlanks(text);
  if (!IsAllowedUnit(text, units)) return std::nullopt;
  return sign * number->value;
}

std::optional<int> ReadTypedFrequency(std::string_view text) {
  text = Trimmed(text);
  const double sign = TakeSign(text);
  const std::optional<TypedDecimal> number = TakeDecimal(text);
  if (!number) return std::nullopt;
  double hz = number->value;
  SkipBlanks(text);
  if (!text.empty() && AsciiLower(text.front()) == 'k') {
    text.remove_prefix(1);
    hz *= 1000.0;
    // "1K5": one digit right after the K counts hundreds; a fraction already said them.
    if (!text.empty() && IsAsciiDigit(text.front())) {
      if (number->fraction) return std::nullopt;
      hz += (text.front() - '0') * 100.0;
      text.remove_prefix(1);
    }
    SkipBlanks(text);
  }
  if (!IsAllowedUnit(text, kUnitHz)) return std::nullopt;
  return HeldToInt(sign * hz);
}

int WholeOfTyped(double value) { return HeldToInt(value); }

}  // namespace qb

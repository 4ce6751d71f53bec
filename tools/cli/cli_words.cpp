#include "tools/cli/cli_words.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/profile.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_text.h"

namespace qb::cli {
namespace {

/// from_chars takes no leading '+', which people type for gains.
std::string_view WithoutPlus(std::string_view word) {
  if (word.size() > 1 && word.front() == '+' && word[1] != '-') word.remove_prefix(1);
  return word;
}

}  // namespace

std::optional<int> WholeNumber(std::string_view word) {
  word = WithoutPlus(word);
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
  return value;
}

std::optional<double> Decimal(std::string_view word) {
  word = WithoutPlus(word);
  double value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  // from_chars reads "inf" and "nan"; neither is a setting.
  if (word.empty() || error != std::errc{} || end != word.data() + word.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<std::string_view> Words::Peek() const {
  if (Failed() || AtEnd()) return std::nullopt;
  return m_words[m_next];
}

std::optional<std::string_view> Words::Next(std::string_view what) {
  if (Failed()) return std::nullopt;
  if (AtEnd()) return Fail("missing " + std::string(what));
  return m_words[m_next++];
}

std::optional<int> Words::Int(std::string_view what, int low, int high) {
  const auto word = Next(what);
  if (!word) return std::nullopt;
  const auto value = WholeNumber(*word);
  if (value && *value >= low && *value <= high) return value;
  return Fail(std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
              std::to_string(high) + ", not " + Quoted(*word));
}

std::optional<double> Words::Real(std::string_view what, double low, double high) {
  const auto word = Next(what);
  if (!word) return std::nullopt;
  const auto value = Decimal(*word);
  if (value && *value >= low && *value <= high) return value;
  char range[64];
  std::snprintf(range, sizeof range, " must be a number from %g to %g, not ", low, high);
  return Fail(std::string(what) + range + Quoted(*word));
}

std::optional<bool> Words::Choice(std::string_view what, std::string_view yes, std::string_view no) {
  const auto word = Next(what);
  if (!word) return std::nullopt;
  if (*word == yes) return true;
  if (*word == no) return false;
  return Fail(std::string(what) + " must be " + std::string(yes) + " or " + std::string(no) + ", not " +
              Quoted(*word));
}

std::optional<int> Words::Output() {
  const auto n = Int("output", 1, kOutputCount);
  return n ? std::optional<int>(*n - 1) : std::nullopt;
}

std::optional<int> Words::Role() {
  constexpr int kLastRole = kRoleCount - 1;
  const auto word = Next("role");
  if (!word) return std::nullopt;
  if (const auto code = WholeNumber(*word)) {
    if (*code >= 0 && *code <= kLastRole) return code;
    return Fail("role code must be from 0 to " + std::to_string(kLastRole) + ", not " + Quoted(*word));
  }
  if (const auto role = RoleFromName(*word)) return role;
  return Fail("unknown role " + Quoted(*word) + " (see 'set --help' for the names)");
}

std::optional<int> Words::Family() {
  const auto word = Next("filter type");
  if (!word) return std::nullopt;
  if (const auto code = WholeNumber(*word)) {
    if (*code >= 1 && *code <= 3) return code;
    return Fail("filter type code must be from 1 to 3, not " + Quoted(*word));
  }
  if (const auto family = FamilyFromName(*word)) return family;
  return Fail("unknown filter type " + Quoted(*word) + " (" + AllFamilyNames() + ")");
}

std::optional<int> Words::Source() {
  const auto word = Next("source");
  if (!word) return std::nullopt;
  if (const auto source = SourceFromName(*word)) return source;
  return Fail("unknown source " + Quoted(*word) + " (" + AllSourceNames() + ")");
}

void Words::ExpectEnd(std::string_view after) {
  if (Failed() || AtEnd()) return;
  Fail("unexpected " + Quoted(m_words[m_next]) + " after " + std::string(after));
}

std::nullopt_t Words::Fail(std::string message) {
  if (m_error.empty()) m_error = std::move(message);
  return std::nullopt;
}

}  // namespace qb::cli

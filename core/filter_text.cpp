#include "core/filter_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace qb {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool StartsWithWord(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameWord(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> Tokens(std::string_view s) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    const std::size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > start) tokens.push_back(s.substr(start, i - start));
  }
  return tokens;
}

/// A number as the tools write it: a decimal point or comma, a unit glued on or not
/// ("63Hz", "-5,0dB"). Nothing for anything else, infinities and NaN included.
std::optional<double> Number(std::string_view token) {
  for (std::string_view unit : {"khz", "hz", "db"}) {
    if (token.size() > unit.size() && SameWord(token.substr(token.size() - unit.size()), unit)) {
      token.remove_suffix(unit.size());
      break;
    }
  }
  if (token.empty() || token.size() > 32) return std::nullopt;
  std::array<char, 33> text{};
  std::size_t n = 0;
  bool point = false;
  for (char c : token) {
    if (c == ',' || c == '.') {
      if (point) return std::nullopt;
      point = true;
      c = '.';
    }
    text[n++] = c;
  }
  std::size_t start = text[0] == '+' ? 1 : 0;
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + n, value);
  if (error != std::errc{} || end != text.data() + n || !std::isfinite(value)) return std::nullopt;
  // Bands hold floats: the text read straight as a float, so a value this program wrote
  // reads back as the very same float (through a double it could round twice).
  float single = 0.0f;
  const auto [singleEnd, singleError] = std::from_chars(text.data() + start, text.data() + n, single);
  if (singleError == std::errc{} && singleEnd == end && std::isfinite(single)) return single;
  return value;
}

/// "Output: CH3" names output 2; -1 for any other line.
int SectionOf(std::string_view line) {
  if (!StartsWithWord(line, "output")) return -1;
  std::string_view rest = Trim(line.substr(6));
  if (rest.empty() || rest.front() != ':') return -1;
  rest = Trim(rest.substr(1));
  if (!StartsWithWord(rest, "ch")) return -1;
  rest = Trim(rest.substr(2));
  int number = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc{} || number < 1 || number > kOutputCount) return -1;
  return number - 1;
}

/// What follows "Filter N:" on a filter line; nothing for another line (a header such as
/// "Filter Settings file").
std::optional<std::string_view> FilterBody(std::string_view line) {
  if (!StartsWithWord(line, "filter")) return std::nullopt;
  std::string_view rest = line.substr(6);
  const std::size_t colon = rest.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  for (char c : rest.substr(0, colon))
    if (!IsBlank(c) && (c < '0' || c > '9')) return std::nullopt;
  return rest.substr(colon + 1);
}

std::string Quoted(std::string_view word) {
  std::string text = "\"";
  for (char c : word.substr(0, 20)) text += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
  return text + "\"";
}

void ReadFilterLine(std::string_view body, int line, int section, FilterText& out) {
  const std::vector<std::string_view> tokens = Tokens(body);
  if (tokens.empty() || (!SameWord(tokens[0], "on") && !SameWord(tokens[0], "off"))) {
    out.problems.push_back({line, "a filter line must say ON or OFF"});
    return;
  }
  if (SameWord(tokens[0], "off")) return;
  if (tokens.size() < 2) {
    out.problems.push_back({line, "the filter has no type"});
    return;
  }
  if (SameWord(tokens[1], "none")) return;
  TextFilter filter;
  filter.line = line;
  filter.section = section;
  filter.type = std::string(tokens[1].substr(0, 20));
  filter.peaking = SameWord(tokens[1], "pk") || SameWord(tokens[1], "peq");
  bool hasFreq = false;
  bool hasGain = false;
  bool hasQ = false;
  for (std::size_t i = 2; i + 1 < tokens.size(); ++i) {
    double* target = nullptr;
    bool* seen = nullptr;
    if (SameWord(tokens[i], "fc")) target = &filter.freq, seen = &hasFreq;
    else if (SameWord(tokens[i], "gain")) target = &filter.gain, seen = &hasGain;
    else if (SameWord(tokens[i], "q")) target = &filter.q, seen = &hasQ;
    if (!target) continue;
    const auto value = Number(tokens[i + 1]);
    if (!value) {
      out.problems.push_back({line, std::string(tokens[i]) + " " + Quoted(tokens[i + 1]) + " is not a number"});
      return;
    }
    *target = *value;
    *seen = true;
    const bool kilo = tokens[i + 1].size() > 3 && SameWord(tokens[i + 1].substr(tokens[i + 1].size() - 3), "khz");
    if (target == &filter.freq && (kilo || (i + 2 < tokens.size() && SameWord(tokens[i + 2], "khz"))))
      filter.freq *= 1000.0;
    ++i;
  }
  if (filter.peaking && !(hasFreq && hasGain && hasQ)) {
    out.problems.push_back({line, "a peaking filter needs Fc, Gain and Q"});
    return;
  }
  out.filters.push_back(std::move(filter));
}

/// The shortest text that reads back as the same float, with a decimal point where the
/// value needs no exponent (the tools expect "63.0", not "63").
std::string Decimal(float value) {
  std::array<char, 32> text{};
  const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  std::string result(text.data(), error == std::errc{} ? end : text.data());
  if (result.find_first_of(".e") == std::string::npos) result += ".0";
  return result;
}

}  // namespace

FilterText ReadFilterText(std::string_view text) {
  FilterText out;
  int section = -1;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    if (const int named = SectionOf(line); named >= 0) {
      section = named;
      out.sections.push_back(named);
    } else if (const auto body = FilterBody(line)) {
      ReadFilterLine(*body, number, section, out);
    }
  }
  return out;
}

std::string WriteFilterText(std::span<const FilterTextOutput> outputs) {
  std::string text = "Filter Settings file\n\n";
  for (const FilterTextOutput& o : outputs) {
    text += "Output: CH" + std::to_string(o.output + 1) + "\n";
    text += "Role: " + o.role + "\n";
    int number = 0;
    for (const EqBand& band : o.bands) {
      const bool on = band.enable == 1 && !o.bypassed;
      std::array<char, 24> label{};
      std::snprintf(label.data(), label.size(), "Filter %2d: %-3s PK", ++number, on ? "ON" : "OFF");
      text += std::string(label.data()) + "  Fc " + std::to_string(band.freq) + " Hz  Gain " + Decimal(band.eqGain) +
              " dB  Q " + Decimal(band.eqFactor) + "\n";
    }
    text += "\n";
  }
  return text;
}

}  // namespace qb

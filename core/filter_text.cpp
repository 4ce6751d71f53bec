#include "core/filter_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/ascii_text.h"

namespace qb {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsLineBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsLineBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWithWord(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameWord(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string_view> Tokens(std::string_view s) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsLineBlank(s[i])) ++i;
    const std::size_t start = i;
    while (i < s.size() && !IsLineBlank(s[i])) ++i;
    if (i > start) tokens.push_back(s.substr(start, i - start));
  }
  return tokens;
}

/// A number as the tools write it: a decimal point or comma, a unit glued on or not
/// ("63Hz", "-5,0dB"). Nothing for anything else, infinities and NaN included.
std::optional<double> FilterNumber(std::string_view token) {
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

/// A filter line: the number of "Filter N:" (-1 without one) and what follows the colon.
struct FilterLine {
  int number = -1;
  std::string_view body;
};

/// The filter line `line` is; nothing for another line (a header such as "Filter Settings
/// file").
std::optional<FilterLine> FilterLineOf(std::string_view line) {
  if (!StartsWithWord(line, "filter")) return std::nullopt;
  std::string_view rest = Trim(line.substr(6));
  std::size_t digits = 0;
  while (digits < rest.size() && IsAsciiDigit(rest[digits])) ++digits;
  FilterLine filter;
  if (digits > 0) {
    // No output has a million bands: a longer number names none, like any too large one.
    filter.number = 999999;
    if (digits <= 6) std::from_chars(rest.data(), rest.data() + digits, filter.number);
  }
  rest = Trim(rest.substr(digits));
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  filter.body = rest.substr(1);
  return filter;
}

std::string Quoted(std::string_view word) {
  std::string text = "\"";
  for (char c : word.substr(0, 20)) text += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
  return text + "\"";
}

/// One value a filter line names, and where it goes.
struct Field {
  std::string_view name;
  double* value;
  bool seen = false;
};

void ReadFilterLine(const FilterLine& read, int line, int section, FilterText& out) {
  const std::vector<std::string_view> tokens = Tokens(read.body);
  if (tokens.empty() || (!SameWord(tokens[0], "on") && !SameWord(tokens[0], "off"))) {
    out.problems.push_back({line, "a filter line must say ON or OFF"});
    return;
  }
  TextFilter filter;
  filter.on = SameWord(tokens[0], "on");
  if (tokens.size() < 2) {
    // "OFF" alone is an unused slot, as "None" is.
    if (filter.on) out.problems.push_back({line, "the filter has no type"});
    return;
  }
  if (SameWord(tokens[1], "none")) return;
  filter.line = line;
  filter.section = section;
  filter.number = read.number;
  filter.type = std::string(tokens[1].substr(0, 20));
  filter.peaking = SameWord(tokens[1], "pk") || SameWord(tokens[1], "peq");
  std::array<Field, 3> fields{{{"Fc", &filter.freq}, {"Gain", &filter.gain}, {"Q", &filter.q}}};
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [&](const Field& f) { return SameWord(tokens[i], f.name); });
    if (field == fields.end()) continue;
    // A value named twice would leave the line meaning one of two filters.
    if (field->seen) {
      out.problems.push_back({line, "the line names " + std::string(field->name) + " twice"});
      return;
    }
    if (i + 1 == tokens.size()) break;
    const std::string_view text = tokens[i + 1];
    const auto value = FilterNumber(text);
    if (!value) {
      out.problems.push_back({line, std::string(tokens[i]) + " " + Quoted(text) + " is not a number"});
      return;
    }
    *field->value = *value;
    field->seen = true;
    const bool kilo = text.size() > 3 && SameWord(text.substr(text.size() - 3), "khz");
    if (field->value == &filter.freq && (kilo || (i + 2 < tokens.size() && SameWord(tokens[i + 2], "khz"))))
      filter.freq *= 1000.0;
    ++i;
  }
  if (filter.peaking && !std::all_of(fields.begin(), fields.end(), [](const Field& f) { return f.seen; })) {
    out.problems.push_back({line, "a peaking filter needs Fc, Gain and Q"});
    return;
  }
  out.filters.push_back(std::move(filter));
}

/// "Bypass: ON" or "Bypass: OFF" in an output's section.
void ReadBypassLine(std::string_view line, int number, TextSection& section, FilterText& out) {
  std::string_view rest = Trim(line.substr(6));
  if (rest.empty() || rest.front() != ':') return;
  rest = Trim(rest.substr(1));
  if (!SameWord(rest, "on") && !SameWord(rest, "off")) {
    out.problems.push_back({number, "a bypass line must say ON or OFF"});
    return;
  }
  if (section.bypassed) {
    out.problems.push_back({number, "the output's bypass is stated twice"});
    return;
  }
  section.bypassed = SameWord(rest, "on");
}

/// The first line of `text`, which then holds what follows the line's end: "\n", "\r\n" or a
/// lone "\r" (files written on three kinds of systems).
std::string_view TakeLine(std::string_view& text) {
  const std::size_t end = text.find_first_of("\r\n");
  const std::string_view line = text.substr(0, end);
  if (end == std::string_view::npos) {
    text = {};
  } else {
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (crlf ? 2 : 1));
  }
  return line;
}

/// A role name as one line of the header, whatever it holds.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return line;
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
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  FilterText out;
  int section = -1;
  int number = 0;
  while (!text.empty()) {
    const std::string_view line = Trim(TakeLine(text));
    ++number;
    if (const int named = SectionOf(line); named >= 0) {
      section = named;
      out.sections.push_back({named, std::nullopt});
    } else if (const auto filter = FilterLineOf(line)) {
      ReadFilterLine(*filter, number, section, out);
    } else if (!out.sections.empty() && StartsWithWord(line, "bypass")) {
      ReadBypassLine(line, number, out.sections.back(), out);
    }
  }
  return out;
}

std::string WriteFilterText(std::span<const FilterTextOutput> outputs) {
  std::string text = "Filter Settings file\n\n";
  for (const FilterTextOutput& o : outputs) {
    text += "Output: CH" + std::to_string(o.output + 1) + "\n";
    text += "Role: " + OneLine(o.role) + "\n";
    text += std::string("Bypass: ") + (o.bypassed ? "ON" : "OFF") + "\n";
    int number = 0;
    for (const EqBand& band : o.bands) {
      std::array<char, 32> label{};
      std::snprintf(label.data(), label.size(), "Filter %2d: %-3s PK", ++number, band.enable == 1 ? "ON" : "OFF");
      text += std::string(label.data()) + "  Fc " + std::to_string(band.freq) + " Hz  Gain " + Decimal(band.eqGain) +
              " dB  Q " + Decimal(band.eqFactor) + "\n";
    }
    text += "\n";
  }
  return text;
}

}  // namespace qb

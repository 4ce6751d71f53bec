#include "core/measurement_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/ascii_text.h"
#include "core/text_file.h"

namespace qb {
namespace {

/// Levels beyond this are no measurement, and would overflow the curve math's sums.
constexpr double kMaxLevelDb = 1000.0;

bool IsSeparator(char c) { return c == ',' || c == ';'; }

/// The values of one line: blanks separate values and collapse; each comma or semicolon
/// ends a value, so two of them with nothing between give an empty value.
std::vector<std::string_view> SplitValues(std::string_view line) {
  std::vector<std::string_view> values;
  std::size_t i = 0;
  bool expecting = true;  // nothing read since the start or the last comma
  bool afterSeparator = false;
  while (true) {
    while (i < line.size() && IsLineBlank(line[i])) ++i;
    if (i == line.size()) {
      if (afterSeparator) values.emplace_back();
      return values;
    }
    if (IsSeparator(line[i])) {
      if (expecting) values.emplace_back();
      expecting = true;
      afterSeparator = true;
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < line.size() && !IsLineBlank(line[i]) && !IsSeparator(line[i])) ++i;
    values.push_back(line.substr(start, i - start));
    expecting = false;
    afterSeparator = false;
  }
}

/// The whole text as a finite number, or nothing.
std::optional<double> Number(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string LowerCopy(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::string Shown(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string shown;
  for (char c : text.substr(0, kShown)) shown += (c >= ' ' && c < 127) ? c : '?';
  return text.size() > kShown ? shown + "..." : shown;
}

/// The level column a header line names: `wanted` when given, else "response" or "raw",
/// else the second. Nothing when `wanted` is not among them.
std::optional<std::size_t> LevelColumn(const std::vector<std::string_view>& header, std::string_view wanted) {
  const std::string target = LowerCopy(wanted);
  for (std::size_t c = 1; c < header.size(); ++c) {
    const std::string name = LowerCopy(header[c]);
    if (target.empty() ? (name == "response" || name == "raw") : name == target) return c;
  }
  if (!target.empty()) return std::nullopt;
  return 1;
}

class Reader {
 public:
  explicit Reader(std::string_view column) : m_column(column) {}

  /// Takes one line; false once the text cannot be read any further.
  bool Line(std::string_view line, int number) {
    const std::vector<std::string_view> values = SplitValues(line);
    if (values.empty()) return true;
    const std::optional<double> freq = Number(values[0]);
    if (!freq) return Header(values, number);
    if (!m_level) {
      // No header: the default columns, and a named column cannot be found.
      if (!m_column.empty()) return Fail(number, "the file names no columns, so it has no column \"" + Shown(m_column) + "\"");
      m_level = 1;
    }
    if (values.size() <= *m_level)
      return Fail(number, "a frequency without a level (column " + std::to_string(*m_level + 1) + ")");
    const std::optional<double> level = Number(values[*m_level]);
    if (!level) return Fail(number, "level \"" + Shown(values[*m_level]) + "\" is not a number");
    if (!(*freq > 0.0)) return Fail(number, "frequency " + ShortNumber(*freq) + " Hz is not above 0");
    if (!m_response.freqHz.empty() && !(*freq > m_response.freqHz.back()))
      return Fail(number, "frequency " + ShortNumber(*freq) + " Hz does not rise above the line before (" +
                              ShortNumber(m_response.freqHz.back()) + " Hz)");
    if (std::fabs(*level) > kMaxLevelDb) return Fail(number, "level " + ShortNumber(*level) + " dB is out of range");
    m_response.freqHz.push_back(*freq);
    m_response.db.push_back(*level);
    return true;
  }

  MeasurementRead Finish() {
    if (!m_read.error && m_response.Size() < 2)
      Fail(0, m_response.freqHz.empty() ? "no measurement points" : "only one measurement point");
    if (!m_read.error) m_read.response = std::move(m_response);
    return std::move(m_read);
  }

 private:
  bool Header(const std::vector<std::string_view>& values, int number) {
    if (m_level || !m_response.freqHz.empty())
      return Fail(number, "\"" + Shown(values[0]) + "\" is not a frequency");
    m_level = LevelColumn(values, m_column);
    if (!m_level) return Fail(number, "no column named \"" + Shown(m_column) + "\"");
    return true;
  }

  bool Fail(int line, std::string why) {
    m_read.error = TextProblem{line, std::move(why)};
    return false;
  }

  std::string m_column;
  std::optional<std::size_t> m_level;
  MeasuredResponse m_response;
  MeasurementRead m_read;
};

/// Calls `line` with each line that holds values (not blank, no comment) and its number,
/// until it returns false.
template <typename LineHandler>
void ForEachValueLine(std::string_view text, LineHandler&& line) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    const std::string_view current = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::size_t first = 0;
    while (first < current.size() && IsLineBlank(current[first])) ++first;
    if (first == current.size() || current[first] == '*' || current[first] == '#') continue;
    if (!line(current, number)) return;
  }
}

/// Reads the file at `path` and hands its text to `read`.
template <typename TextReader>
MeasurementRead ReadFileWith(const std::string& path, TextReader&& read) {
  std::string text;
  if (!ReadTextFile(path, kMaxMeasurementBytes, text)) return {{}, TextProblem{0, "cannot open " + path}};
  if (text.size() > kMaxMeasurementBytes) return {{}, TextProblem{0, path + " is too large for a measurement"}};
  return read(text);
}

}  // namespace

MeasurementRead ReadMeasurementText(std::string_view text, std::string_view column) {
  Reader reader(column);
  ForEachValueLine(text, [&reader](std::string_view line, int number) { return reader.Line(line, number); });
  return reader.Finish();
}

MeasurementRead ReadMeasurementFile(const std::string& path, std::string_view column) {
  return ReadFileWith(path, [column](std::string_view text) { return ReadMeasurementText(text, column); });
}

bool NamesColumn(std::string_view text, std::string_view column) {
  bool named = false;
  const std::string wanted = LowerCopy(column);
  ForEachValueLine(text, [&](std::string_view line, int) {
    const std::vector<std::string_view> values = SplitValues(line);
    if (values.empty()) return true;
    // Only the first line with values can be a header.
    if (!Number(values[0]))
      for (std::size_t c = 1; c < values.size(); ++c) named = named || LowerCopy(values[c]) == wanted;
    return false;
  });
  return named;
}

MeasurementRead ReadHouseCurveFile(const std::string& path) {
  return ReadFileWith(path, [](std::string_view text) {
    return ReadMeasurementText(text, NamesColumn(text, "target") ? "target" : "");
  });
}

std::string MeasurementErrorText(const TextProblem& error) {
  return error.line > 0 ? "line " + std::to_string(error.line) + ": " + error.text : error.text;
}

}  // namespace qb

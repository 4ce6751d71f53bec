#pragma once
/// Measured frequency responses and house curves from the text files tuners have:
///
///  - a measurement program's text export: header lines starting with "*", then rows of
///    frequency, SPL and phase;
///  - .frd files: frequency, level and an optional phase, "*" or "#" starting comments;
///  - CSV files with a header line naming the columns ("frequency,response", or a result
///    file's "frequency,raw,...,target");
///  - house curves: "frequency dB" lines.
///
/// One reader takes them all. Values are separated by spaces, tabs, commas or semicolons
/// (several blanks count as one separator, two commas around nothing as an empty value).
/// Blank lines and lines whose first character is "*" or "#" are skipped. A first line whose
/// first value is not a number names the columns. The frequency is always the first column;
/// the level is the column asked for by name, else the one named "response" or "raw", else
/// the second. Further columns (phase) are ignored.
///
/// Frequencies must be positive and rise strictly from row to row; levels must lie within
/// +-1000 dB. The reader stops at the first line it cannot use and names it, so a
/// response is either read whole or not at all. It is linear in the text and nothing in a
/// text can make it fail otherwise.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/filter_text.h"
#include "core/measured_response.h"

namespace qb {

struct MeasurementRead {
  MeasuredResponse response;       ///< empty when `error` is set
  std::optional<TextProblem> error;  ///< the line (0: the text as a whole) and why
};

/// Reads `text`; `column` names the level column (compared without regard to case), empty
/// for the default choice above.
MeasurementRead ReadMeasurementText(std::string_view text, std::string_view column = {});

/// Full-resolution exports run to a few megabytes; a larger file is not a measurement.
inline constexpr std::size_t kMaxMeasurementBytes = 32 * 1024 * 1024;

/// Reads the file at `path` as ReadMeasurementText does; a file that cannot be read or is
/// larger than kMaxMeasurementBytes gives an error for the text as a whole.
MeasurementRead ReadMeasurementFile(const std::string& path, std::string_view column = {});

/// Whether the text's header line names `column` (compared without regard to case); false
/// for a text without a header.
bool NamesColumn(std::string_view text, std::string_view column);

/// Reads a house curve from the file at `path`: the column named "target" when the header
/// names one (a result file with the measurement beside its target), else the level column a
/// measurement would use.
MeasurementRead ReadHouseCurveFile(const std::string& path);

/// The error as one line: "line 7: ..." or the bare reason for the text as a whole.
std::string MeasurementErrorText(const TextProblem& error);

}  // namespace qb

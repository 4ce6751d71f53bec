#pragma once
/// Equaliser filters as text, in the form room-measurement tools export their filter
/// settings and system-wide equalisers read them:
///
///     Filter  1: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  4.00
///
/// The reader takes any such file: a UTF-8 byte-order mark is skipped, a line ends at "\n",
/// "\r\n" or a lone "\r", lines that are not filter lines (a settings file's header, notes, a
/// preamp line) are ignored, filters of type "None" are skipped, spacing is free and a
/// decimal comma reads as a point. "OFF" filters are read with their values; what becomes of
/// them is the import's choice. A line that names a filter but cannot be read, or names one
/// of its values (Fc, Gain, Q) twice, is reported with its number and not used; nothing in a
/// text can make the reader fail or run long (it is linear in the text).
///
/// The writer puts a header above each output's bands, in the same form, so the text reads
/// back here and in the tools:
///
///     Output: CH2                 the output, 1-based
///     Role: front-right-tweeter   its role, for the reader of the file
///     Bypass: ON                  the equaliser's bypass, ON or OFF
///     Filter  1: OFF PK  Fc 47 Hz  Gain -4.3 dB  Q 1.4
///
/// and one numbered filter line for every band in use, ON or OFF as the band is switched.
/// The tools ignore the header lines, so they apply the switched-on bands of a bypassed
/// output; this program reads the bypass back from its line.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile.h"

namespace qb {

/// One filter line read.
struct TextFilter {
  int line = 0;       ///< 1-based
  int section = -1;   ///< output (0..7) of the nearest "Output: CHn" header above, -1 none
  int number = -1;    ///< N of "Filter N:", -1 when the line gives none ("Filter:")
  bool on = true;     ///< "ON"; false for "OFF"
  std::string type;   ///< as written ("PK", "LS", ...)
  bool peaking = false;
  double freq = 0.0;  ///< Hz
  double gain = 0.0;  ///< dB
  double q = 0.0;
};

/// A line that could not be used, and why.
struct TextProblem {
  int line = 0;  ///< 1-based; 0 for the text as a whole
  std::string text;
};

/// An "Output: CHn" header and what its section states about the output.
struct TextSection {
  int output = 0;                  ///< 0..7
  std::optional<bool> bypassed;    ///< the section's "Bypass:" line, if it has one
};

struct FilterText {
  std::vector<TextFilter> filters;
  std::vector<TextProblem> problems;
  /// The sections, in the order of their headers.
  std::vector<TextSection> sections;
};

FilterText ReadFilterText(std::string_view text);

/// One output to write: its number (0..7), a name of its role for the header, its bands in
/// use and whether its equaliser is bypassed.
struct FilterTextOutput {
  int output = 0;
  std::string role;
  std::span<const EqBand> bands;
  bool bypassed = false;
};

std::string WriteFilterText(std::span<const FilterTextOutput> outputs);

}  // namespace qb

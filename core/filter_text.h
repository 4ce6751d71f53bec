#pragma once
/// Equaliser filters as text, in the form room-measurement tools export their filter
/// settings and system-wide equalisers read them:
///
///     Filter  1: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  4.00
///
/// The reader takes any such file: lines that are not filter lines (a settings file's
/// header, notes, a preamp line) are ignored, "OFF" filters and filters of type "None" are
/// skipped, spacing is free and a decimal comma reads as a point. A line that names a
/// filter but cannot be read is reported with its number; nothing in a text can make the
/// reader fail or run long (it is linear in the text).
///
/// The writer puts a header naming the output and its role above each output's bands, in
/// the same form, so the text reads back here and in the tools.

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

struct FilterText {
  std::vector<TextFilter> filters;
  std::vector<TextProblem> problems;
  /// The outputs that "Output: CHn" headers named, in order.
  std::vector<int> sections;
};

FilterText ReadFilterText(std::string_view text);

/// One output to write: its number (0..7), a name of its role for the header, and its bands
/// in use. A band applies ("ON") while it is enabled and the equaliser is not bypassed.
struct FilterTextOutput {
  int output = 0;
  std::string role;
  std::span<const EqBand> bands;
  bool bypassed = false;
};

std::string WriteFilterText(std::span<const FilterTextOutput> outputs);

}  // namespace qb

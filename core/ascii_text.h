#pragma once
/// Character tests and number formatting shared by the readers of typed values and text
/// files. They look at ASCII only and ignore the locale: a file reads the same everywhere.

#include <cstdio>
#include <string>

namespace qb {

/// Blanks inside a line: space, tab, carriage return, vertical tab, form feed.
inline bool IsLineBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// `value` as printf's %g writes it: the short form a message quotes.
inline std::string ShortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace qb

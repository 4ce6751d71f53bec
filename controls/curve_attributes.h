#pragma once
/// Parsing of the curve control's layout attribute values: the curve colour list and the
/// label text style, kept apart from the widget so the rules can be checked on their own.

#include <QString>
#include <array>
#include <vector>

namespace qb::controls {

/// "#AARRGGBB #AARRGGBB ...": a leading '#' is skipped, the rest split at each " #" and every
/// piece read as hexadecimal. At most `limit` colours are kept. A piece that is no
/// hexadecimal number makes the whole list invalid (false, `colours` untouched), so a typo
/// cannot shift the colours of the following outputs.
bool ParseCurveColourList(const QString& value, int limit, std::vector<unsigned>& colours);

/// Text style bits after an "align" value: "left" clears the horizontal bits, "center" sets
/// centre, "right" sets right (each looked for anywhere in the value).
unsigned ApplyAlign(unsigned style, const QString& value);
/// Text style bits after a "valign" value ("top", "vcenter", "bottom"); single line is set.
unsigned ApplyVAlign(unsigned style, const QString& value);
/// Text style bits after "wordbreak": "true" sets word-break and clears single-line, any
/// other value sets single-line.
unsigned ApplyWordBreak(unsigned style, const QString& value);
/// `bit` set for "true", cleared for anything else.
unsigned ApplyFlag(unsigned style, unsigned bit, const QString& value);

/// "left,top,right,bottom" as four integers; false on anything else.
bool ParsePadding(const QString& value, std::array<int, 4>& padding);

}  // namespace qb::controls

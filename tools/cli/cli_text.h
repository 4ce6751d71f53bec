#pragma once
/// Text between the command line and the box: the UTF-8 a terminal types and prints, the
/// UTF-16 of the core's scene names, and words echoed back in a one-line error.

#include <optional>
#include <string>
#include <string_view>

namespace qb::cli {

/// `text` as UTF-16; nothing when it is not well-formed UTF-8 (overlong forms, surrogates
/// and code points beyond U+10FFFF included).
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

/// A scene name slot (UTF-16, zero-terminated) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Name(std::u16string_view name);

/// `word` in single quotes for an error line, control characters written as \n, \t or
/// \xNN so that the error stays one line whatever was typed.
std::string Quoted(std::string_view word);

}  // namespace qb::cli

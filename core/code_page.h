#pragma once
/// Text in the box's 8-bit code page. The box stores scene names as bytes of the Windows
/// code page that matches the language the user writes in, so the code page follows the UI
/// language: GBK for Chinese, CP1251 for Russian, CP1252 for everything else.
///
/// Conversions never fail: bytes the code page does not define become U+FFFD, characters
/// it cannot represent become '?', and a code page the system cannot convert falls back
/// to Latin-1 so that names stay readable as far as they are ASCII.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/equalizer_mirror.h"

namespace qb {

/// The iconv name of the code page for a UI language name ("cn_zh", "ru", "en", ...).
std::string_view CodePageForLanguage(std::string_view languageName);

/// Decodes `bytes` up to the first zero byte (or all of them) from `codePage` to UTF-16.
std::u16string FromCodePage(std::span<const std::uint8_t> bytes, std::string_view codePage);

/// Encodes UTF-16 `text` into `codePage`; unpaired surrogates and characters the code page
/// lacks become '?'. No terminator is appended.
std::string ToCodePage(std::u16string_view text, std::string_view codePage);

/// A scene name slot from the box's name bytes: at most kSceneNameUnits - 1 code units of
/// the decoded name (never half a surrogate pair), zero-terminated and zero-filled.
SceneName DecodeSceneName(std::span<const std::uint8_t> bytes, std::string_view codePage);

}  // namespace qb

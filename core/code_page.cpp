// Code page conversion through glibc's iconv, one character at a time where a byte or a
// character cannot be converted, so one bad byte costs one character and never the name.
#include "core/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <string>

namespace qb {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr char kUnknown = '?';
/// Explicit byte order, so that no byte-order mark is produced or expected.
constexpr const char* kUtf16 = "UTF-16LE";

/// An iconv descriptor that closes itself.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : m_cd(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Valid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

void AppendUtf16Le(std::u16string& out, const char* data, std::size_t bytes) {
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const auto low = static_cast<unsigned char>(data[i]);
    const auto high = static_cast<unsigned char>(data[i + 1]);
    out.push_back(static_cast<char16_t>(low | (high << 8)));
  }
}

std::u16string Latin1ToUtf16(std::span<const std::uint8_t> bytes) {
  std::u16string out;
  for (const std::uint8_t b : bytes) out.push_back(static_cast<char16_t>(b));
  return out;
}

std::string Utf16ToAsciiOnly(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : kUnknown);
  return out;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string_view CodePageForLanguage(std::string_view languageName) {
  if (languageName == "cn_zh") return "CP936";
  if (languageName == "ru") return "CP1251";
  return "CP1252";
}

std::u16string FromCodePage(std::span<const std::uint8_t> bytes, std::string_view codePage) {
  std::size_t length = 0;
  while (length < bytes.size() && bytes[length] != 0) ++length;
  const std::span<const std::uint8_t> text = bytes.first(length);

  Converter converter(kUtf16, std::string(codePage));
  if (!converter.Valid()) return Latin1ToUtf16(text);

  std::u16string out;
  std::string input(text.begin(), text.end());
  char* in = input.data();
  std::size_t inLeft = input.size();
  std::array<char, 64> buffer{};
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
    AppendUtf16Le(out, buffer.data(), buffer.size() - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An undefined byte (EILSEQ) is skipped; a multibyte character cut off by the end of
    // the name (EINVAL) ends it. Either way the reader sees that something was there.
    out.push_back(kReplacement);
    if (errno != EILSEQ) break;
    ++in;
    --inLeft;
    iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::string ToCodePage(std::u16string_view text, std::string_view codePage) {
  Converter converter(std::string(codePage), kUtf16);
  if (!converter.Valid()) return Utf16ToAsciiOnly(text);

  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    // One character (one or two code units) per call, so that a character the code page
    // lacks is replaced alone.
    std::size_t units = 1;
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) units = 2;
    std::array<char, 4> input{};
    for (std::size_t k = 0; k < units; ++k) {
      input[2 * k] = static_cast<char>(text[i + k] & 0xFF);
      input[2 * k + 1] = static_cast<char>(text[i + k] >> 8);
    }
    char* in = input.data();
    std::size_t inLeft = 2 * units;
    std::array<char, 8> buffer{};
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
    if (result == static_cast<std::size_t>(-1)) {
      out.push_back(kUnknown);
      iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    } else {
      out.append(buffer.data(), buffer.size() - outLeft);
    }
    i += units;
  }
  return out;
}

SceneName DecodeSceneName(std::span<const std::uint8_t> bytes, std::string_view codePage) {
  const std::u16string text = FromCodePage(bytes, codePage);
  SceneName slot{};
  std::size_t count = std::min(text.size(), kSceneNameUnits - 1);
  if (count > 0 && count < text.size() && IsHighSurrogate(text[count - 1])) --count;
  for (std::size_t i = 0; i < count; ++i) slot[i] = text[i];
  return slot;
}

}  // namespace qb

// Scene names between the box's 8-bit code pages and UTF-16.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/code_page.h"

namespace qb {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(CodePageTest, LanguageChoosesTheCodePage) {
  EXPECT_EQ(CodePageForLanguage("cn_zh"), "CP936");
  EXPECT_EQ(CodePageForLanguage("ru"), "CP1251");
  EXPECT_EQ(CodePageForLanguage("en"), "CP1252");
  EXPECT_EQ(CodePageForLanguage(""), "CP1252");
}

TEST(CodePageTest, DecodesEachCodePageAndStopsAtTheFirstZero) {
  struct Case {
    const char* codePage;
    Bytes bytes;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {"CP1252", {'C', 'a', 'f', 0xE9, 0, 'x'}, u"Caf\u00E9"},
      {"CP1252", {0x80}, u"\u20AC"},
      {"CP1251", {0xC7, 0xE0, 0xEB}, u"\u0417\u0430\u043B"},
      {"CP936", {0xD6, 0xD0, 0xCE, 0xC4}, u"\u4E2D\u6587"},
      {"CP1252", {}, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(FromCodePage(c.bytes, c.codePage), c.text) << c.codePage;
}

TEST(CodePageTest, InvalidBytesBecomeReplacementCharacters) {
  // Undefined in CP1252; a GBK lead byte cut off by the end of the name; a byte GBK does
  // not define.
  EXPECT_EQ(FromCodePage(Bytes{'A', 0x81, 'B'}, "CP1252"), u"A\uFFFDB");
  EXPECT_EQ(FromCodePage(Bytes{'A', 0xD6}, "CP936"), u"A\uFFFD");
  EXPECT_EQ(FromCodePage(Bytes{0xFF, 'B'}, "CP936"), u"\uFFFDB");
}

TEST(CodePageTest, UnknownCodePageFallsBackToLatin1) {
  EXPECT_EQ(FromCodePage(Bytes{'o', 0xE9}, "NO-SUCH-PAGE"), u"o\u00E9");
  EXPECT_EQ(ToCodePage(u"o\u00E9", "NO-SUCH-PAGE"), "o?");
}

TEST(CodePageTest, EncodesAndReplacesWhatThePageLacks) {
  EXPECT_EQ(ToCodePage(u"Caf\u00E9", "CP1252"), "Caf\xE9");
  EXPECT_EQ(ToCodePage(u"\u4E2D\u6587", "CP936"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(ToCodePage(u"a\u4E2Db", "CP1251"), "a?b");
  EXPECT_EQ(ToCodePage(u"x\xD800y", "CP1252"), "x?y");  // a lone surrogate
}

TEST(CodePageTest, SceneNameSlotKeepsSevenUnitsAndATerminator) {
  const Bytes sixteen(16, 'Z');
  const SceneName name = DecodeSceneName(sixteen, "CP1252");
  EXPECT_EQ(std::u16string(name.data()), u"ZZZZZZZ");
  EXPECT_EQ(name[7], u'\0');

  const SceneName chinese = DecodeSceneName(Bytes{0xD6, 0xD0, 'a', 0, 'b'}, "CP936");
  EXPECT_EQ(std::u16string(chinese.data()), u"\u4E2Da");
  EXPECT_EQ(chinese[3], u'\0');
}

}  // namespace
}  // namespace qb

// Language tables: key resolution, line breaks, the table limit, language selection, the
// real skin's tables, and re-resolving a window's texts after a switch.

#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "tests/ui/recording_window.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/skin.h"

namespace qb::ui {
namespace {

QByteArray Table(std::initializer_list<std::pair<const char*, const char*>> texts) {
  QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Language>\n";
  for (const auto& [id, value] : texts)
    xml += QByteArray("  <Text id=\"") + id + "\" value=\"" + value + "\"/>\n";
  return xml + "</Language>\n";
}

struct ResolveCase {
  const char* text;
  const char* shown;
};

class ResolveTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTest, ShowsTheTableTextOrTheTextItself) {
  LanguageTables tables;
  ASSERT_TRUE(tables.Load(QStringLiteral("en"),
                          Table({{"${volume}", "Volume"}, {"${two_lines}", "first{\\n}second"},
                                 {"${empty_value}", ""}, {"plain", "not a key"}})));
  EXPECT_EQ(tables.Resolve(QString::fromUtf8(GetParam().text)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ResolveTest,
    ::testing::Values(ResolveCase{"${volume}", "Volume"}, ResolveCase{"${two_lines}", "first\nsecond"},
                      ResolveCase{"${missing}", "${missing}"}, ResolveCase{"", ""},
                      ResolveCase{"${empty_value}", ""}, ResolveCase{"plain", "plain"},
                      ResolveCase{"${volume} dB", "${volume} dB"},  // looked up whole
                      ResolveCase{"a{\\n}b", "a\nb"}, ResolveCase{"{\\n}{\\n}", "\n\n"},
                      ResolveCase{"{\\N}", "{\\N}"}));

TEST(LanguageTablesTest, WithoutAnyTableKeysShowAsThemselves) {
  LanguageTables tables;
  EXPECT_EQ(tables.Resolve(QStringLiteral("${tips}")), u"${tips}");
  EXPECT_TRUE(tables.CurrentName().isEmpty());
}

TEST(LanguageTablesTest, LaterDuplicateKeyReplaces) {
  LanguageTables tables;
  ASSERT_TRUE(tables.Load(QStringLiteral("en"), Table({{"${ok}", "first"}, {"${ok}", "second"}})));
  EXPECT_EQ(tables.Resolve(QStringLiteral("${ok}")), u"second");
}

TEST(LanguageTablesTest, FourthTableIsRefusedAndCurrentStays) {
  LanguageTables tables;
  for (const char* name : {"en", "cn_zh", "de"})
    ASSERT_TRUE(tables.Load(QString::fromLatin1(name), Table({{"${ok}", name}})));
  QString error;
  EXPECT_FALSE(tables.Load(QStringLiteral("fr"), Table({{"${ok}", "fr"}}), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(tables.CurrentName(), u"de");
  EXPECT_EQ(tables.Resolve(QStringLiteral("${ok}")), u"de");
  EXPECT_FALSE(tables.Select(QStringLiteral("fr")));
}

TEST(LanguageTablesTest, MalformedFileIsRefusedWithoutTakingASlot) {
  LanguageTables tables;
  QString error;
  EXPECT_FALSE(tables.Load(QStringLiteral("bad"), "<Language><Text id=\"${a}\" value=\"x\">", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(tables.Select(QStringLiteral("bad")));
  for (const char* name : {"en", "cn_zh", "de"})
    EXPECT_TRUE(tables.Load(QString::fromLatin1(name), Table({{"${ok}", name}}))) << name;
}

TEST(LanguageTablesTest, SelectingNameWithoutTableKeepsCurrentTable) {
  LanguageTables tables;
  ASSERT_TRUE(tables.Load(QStringLiteral("en"), Table({{"${ok}", "OK"}})));
  ASSERT_TRUE(tables.Load(QStringLiteral("cn_zh"), Table({{"${ok}", "确定"}})));
  EXPECT_EQ(tables.Resolve(QStringLiteral("${ok}")), u"确定");  // the last loaded is current

  EXPECT_FALSE(tables.Select(QStringLiteral("ru")));
  EXPECT_EQ(tables.CurrentName(), u"ru");
  EXPECT_EQ(tables.Resolve(QStringLiteral("${ok}")), u"确定");

  EXPECT_TRUE(tables.Select(QStringLiteral("en")));
  EXPECT_EQ(tables.CurrentName(), u"en");
  EXPECT_EQ(tables.Resolve(QStringLiteral("${ok}")), u"OK");
}

class SkinLanguagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QByteArray en;
    QByteArray cn;
    ASSERT_TRUE(ReadSkinFile(QStringLiteral("lan/lan_en.xml"), en));
    ASSERT_TRUE(ReadSkinFile(QStringLiteral("lan\\lan_cn.xml"), cn));
    QString error;
    ASSERT_TRUE(m_tables.Load(QStringLiteral("en"), en, &error)) << error.toStdString();
    ASSERT_TRUE(m_tables.Load(QStringLiteral("cn_zh"), cn, &error)) << error.toStdString();
  }
  LanguageTables m_tables;
};

TEST_F(SkinLanguagesTest, KeysResolveInBothTables) {
  const QString chinese = m_tables.Resolve(QStringLiteral("${confirm}"));
  ASSERT_TRUE(m_tables.Select(QStringLiteral("en")));
  const QString english = m_tables.Resolve(QStringLiteral("${confirm}"));
  EXPECT_NE(english, u"${confirm}");
  EXPECT_NE(chinese, u"${confirm}");
  EXPECT_NE(english, chinese);
}

TEST_F(SkinLanguagesTest, KeyOnlyInEnglishTableShowsRawUnderChinese) {
  EXPECT_EQ(m_tables.Resolve(QStringLiteral("${en_only_probe}")), u"${en_only_probe}");
  ASSERT_TRUE(m_tables.Select(QStringLiteral("en")));
  EXPECT_NE(m_tables.Resolve(QStringLiteral("${en_only_probe}")), u"${en_only_probe}");
}

TEST_F(SkinLanguagesTest, EveryLanguageKeepsTheRefusedBoxMessagesPlaceholders) {
  for (const char* name : {"en", "cn_zh"}) {
    ASSERT_TRUE(m_tables.Select(QString::fromLatin1(name)));
    const QString text = m_tables.Resolve(QStringLiteral("${device_no_permission}"));
    for (const char* placeholder : {"%1", "%2", "%3"})
      EXPECT_TRUE(text.contains(QLatin1String(placeholder))) << name << " " << placeholder;
  }
}

TEST_F(SkinLanguagesTest, LineBreakMarkerBecomesLineBreak) {
  for (const char* name : {"en", "cn_zh"}) {
    ASSERT_TRUE(m_tables.Select(QString::fromLatin1(name)));
    const QString text = m_tables.Resolve(QStringLiteral("${factory_default_tips}"));
    EXPECT_EQ(text.count(u'\n'), 1) << name;
    EXPECT_FALSE(text.contains(QStringLiteral("{\\n}"))) << name;
  }
}

// --- re-resolving a window's texts -----------------------------------------------------------

class RetranslateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Languages().Clear();
    ASSERT_TRUE(Languages().Load(QStringLiteral("en"),
                                 Table({{"${volume}", "Volume"}, {"${off}", "Off"}, {"${ms}", "ms"}})));
    ASSERT_TRUE(Languages().Load(QStringLiteral("cn_zh"),
                                 Table({{"${volume}", "音量"}, {"${off}", "关"}, {"${ms}", "毫秒"}})));
    ASSERT_TRUE(Languages().Select(QStringLiteral("en")));
  }
  void TearDown() override { Languages().Clear(); }
};

TEST_F(RetranslateTest, TextsFollowTheLanguageButTypedEditTextStays) {
  QWidget root;
  auto* label = new QLabel(&root);
  auto* button = new Button(&root);
  auto* untouched = new Edit(&root);
  auto* typed = new Edit(&root);
  auto* combo = new Combo(&root);
  SetControlText(label, QStringLiteral("${volume}"));
  SetControlText(button, QStringLiteral("${off}"));
  SetControlText(untouched, QStringLiteral("${off}"));
  SetControlText(typed, QStringLiteral("${off}"));
  combo->AddItem(QStringLiteral("unit_ms"), QStringLiteral("${ms}"));
  ASSERT_EQ(label->text(), u"Volume");
  ASSERT_EQ(untouched->text(), u"Off");

  typed->setFocus();
  typed->setCursorPosition(3);
  test::KeyClick(typed, Qt::Key_1, QStringLiteral("1"));
  ASSERT_EQ(typed->text(), u"Off1");
  EXPECT_EQ(ControlText(typed), u"Off1");
  EXPECT_EQ(ControlText(untouched), u"${off}");

  ASSERT_TRUE(Languages().Select(QStringLiteral("cn_zh")));
  RetranslateTree(&root);

  EXPECT_EQ(label->text(), u"音量");
  EXPECT_EQ(button->text(), u"关");
  EXPECT_EQ(combo->itemText(0), u"毫秒");
  EXPECT_EQ(untouched->text(), u"关");
  EXPECT_EQ(ControlText(untouched), u"${off}");
  EXPECT_EQ(typed->text(), u"Off1");
  EXPECT_EQ(ControlText(typed), u"Off1");
}

TEST_F(RetranslateTest, RetranslateTwiceKeepsKeysOfUntouchedEdits) {
  QWidget root;
  auto* edit = new Edit(&root);
  SetControlText(edit, QStringLiteral("${off}"));
  for (const char* name : {"cn_zh", "en", "cn_zh"}) {
    ASSERT_TRUE(Languages().Select(QString::fromLatin1(name)));
    RetranslateTree(&root);
    EXPECT_EQ(edit->text(), Tr(QStringLiteral("${off}"))) << name;
    EXPECT_EQ(ControlText(edit), u"${off}") << name;
  }
}

}  // namespace
}  // namespace qb::ui

// The main window's shell duties: the single instance, the stored and switched language,
// and the menus popping at their buttons (the scene menu's items: connection_lifecycle_test).
#include <QSettings>
#include <QTest>

#include "shell/settings.h"
#include "shell/single_instance.h"
#include "tests/windows/main_window_fixture.h"
#include "windows/start_up.h"
#include "ui/buttons.h"
#include "ui/popup_menu.h"

namespace qb::test {
namespace {

class MainWindowShellTest : public MainWindowTest {
 protected:
  void ChooseOption(const char* item) {
    ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QString::fromLatin1(item))) << item;
  }
  QString ButtonText(const char* name) {
    auto* button = window->Find<QAbstractButton>(QString::fromLatin1(name));
    return button ? button->text() : QString();
  }
};

TEST_F(MainWindowShellTest, ASecondInstanceIsToldAndGoesNoFurther) {
  ASSERT_TRUE(WaitConnected());
  QTemporaryDir lockDir;
  SingleInstance first(lockDir.path());
  ASSERT_TRUE(ClaimSingleInstance(first));
  EXPECT_TRUE(messages.isEmpty());
  SingleInstance second(lockDir.path());
  EXPECT_FALSE(ClaimSingleInstance(second));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages.first(), ui::Tr(QStringLiteral("${mutex_tips}")));
}

TEST_F(MainWindowShellTest, LanguageItemsSwitchTextsAndStoreTheChoice) {
  ASSERT_TRUE(WaitConnected());
  // No settings file: English.
  EXPECT_EQ(ui::Languages().CurrentName(), QStringLiteral("en"));
  EXPECT_EQ(ButtonText("btn_option"), ui::Tr(QStringLiteral("${option}")));
  const QString english = ButtonText("btn_option");

  ChooseOption("option_item_language_cn");
  EXPECT_EQ(ui::Languages().CurrentName(), QStringLiteral("cn_zh"));
  EXPECT_NE(ButtonText("btn_option"), english);
  EXPECT_EQ(ReadConfigInt(kLanguageKey, -1), 1);

  // Russian has no table: the menu does not offer it, and nothing is stored.
  EXPECT_FALSE(ChooseMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_language_ru")));
  if (ui::PopupMenu* menu = window->CurrentMenu()) menu->close();
  input::Settle();
  EXPECT_EQ(ReadConfigInt(kLanguageKey, -1), 1);

  ChooseOption("option_item_language_en");
  EXPECT_EQ(ButtonText("btn_option"), english);
  EXPECT_EQ(ReadConfigInt(kLanguageKey, -1), 0);

  // Choosing the current language again writes nothing.
  QFile::remove(DefaultSettingsPath());
  ChooseOption("option_item_language_en");
  EXPECT_FALSE(QFile::exists(DefaultSettingsPath()));
}

class StoredLanguageTest : public MainWindowShellTest, public ::testing::WithParamInterface<int> {
 protected:
  void BeforeWindow() override { WriteConfigInt(kLanguageKey, GetParam()); }
};

TEST_P(StoredLanguageTest, TheStoredValueSelectsTheTexts) {
  // 1 selects Chinese; 2 ("ru", no table) and 7 (nothing) start in English, never in
  // whichever table happened to be loaded last.
  const bool chinese = GetParam() == 1;
  EXPECT_EQ(ui::Languages().CurrentName(), chinese ? QStringLiteral("cn_zh") : QStringLiteral("en"));
  QByteArray bytes;
  ASSERT_TRUE(ui::ReadSkinFile(chinese ? QStringLiteral("lan/lan_cn.xml") : QStringLiteral("lan/lan_en.xml"), bytes));
  ui::LanguageTables table;
  ASSERT_TRUE(table.Load(QStringLiteral("expected"), bytes));
  ASSERT_TRUE(table.Select(QStringLiteral("expected")));
  EXPECT_EQ(ButtonText("btn_option"), table.Resolve(QStringLiteral("${option}")));
}

INSTANTIATE_TEST_SUITE_P(Values, StoredLanguageTest, ::testing::Values(1, 2, 7));

/// The title bar's web button with the address a build gives it (none, or one).
class WebButtonTest : public MainWindowShellTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void AdjustOptions(MainWndOptions& options) override { options.webAddress = QString::fromLatin1(GetParam()); }
};

TEST_P(WebButtonTest, ShowsOnlyWithAnAddressToOpen) {
  const bool address = QString::fromLatin1(GetParam()).startsWith(u"https://");
  QWidget* web = window->FindControl(QStringLiteral("web_btn_1"));
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->isVisible(), address) << GetParam();
  if (address) {
    EXPECT_EQ(web->toolTip(), QString::fromLatin1(GetParam()));
  }
}

INSTANTIATE_TEST_SUITE_P(Addresses, WebButtonTest, ::testing::Values("", "www.example.com", "https://www.example.com"));

TEST_F(MainWindowShellTest, MenusPopBelowTheirButtonsWithTheConnectionsItems) {
  Box().Unplug();
  Controller().Session().DisconnectDevice();
  auto* option = Control<ui::Button>(QStringLiteral("btn_option"));
  QTest::mouseClick(option, Qt::LeftButton);
  ui::PopupMenu* menu = window->CurrentMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), option->mapToGlobal(QPoint(0, option->height())));
  EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_reset_default"))->isEnabled());

  QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_advance")), Qt::LeftButton);
  menu = window->CurrentMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->FindItem(QStringLiteral("advance_item_ktv"))->isVisible());
  EXPECT_TRUE(menu->FindItem(QStringLiteral("advance_item_autocal"))->isEnabled());
}

TEST_F(MainWindowShellTest, MinimiseButtonOnlyMinimises) {
  ASSERT_TRUE(WaitConnected());
  QTest::mouseClick(Control<QAbstractButton>(QStringLiteral("minbtn")), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(window->isMinimized());
  EXPECT_TRUE(Link().IsDeviceOpen());
}

}  // namespace
}  // namespace qb::test

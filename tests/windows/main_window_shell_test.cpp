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

  // Russian has no table: the value is stored, the texts stay Chinese.
  const QString chinese = ButtonText("btn_option");
  ChooseOption("option_item_language_ru");
  EXPECT_EQ(ReadConfigInt(kLanguageKey, -1), 2);
  EXPECT_EQ(ButtonText("btn_option"), chinese);

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
  // 1 selects Chinese; 2 ("ru", no table) and 7 (nothing) leave the last loaded, Chinese.
  EXPECT_EQ(ui::Languages().CurrentName(), GetParam() == 2 ? QStringLiteral("ru") : QStringLiteral("cn_zh"));
  QByteArray bytes;
  ASSERT_TRUE(ui::ReadSkinFile(QStringLiteral("lan/lan_cn.xml"), bytes));
  ui::LanguageTables cn;
  ASSERT_TRUE(cn.Load(QStringLiteral("cn_zh"), bytes));
  EXPECT_EQ(ButtonText("btn_option"), cn.Resolve(QStringLiteral("${option}")));
}

INSTANTIATE_TEST_SUITE_P(Values, StoredLanguageTest, ::testing::Values(1, 2, 7));

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

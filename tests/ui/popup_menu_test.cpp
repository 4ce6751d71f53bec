// Popup menus from the skin's menu files: lookup by name, disabled items, and the click
// record posted to the owner window.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include "tests/ui/recording_window.h"
#include "ui/language_tables.h"
#include "ui/message_port.h"
#include "ui/popup_menu.h"
#include "ui/skin.h"

namespace qb::ui {
namespace {

class PopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(LoadSkin(&error)) << error.toStdString();
    Languages().Clear();
    QByteArray en;
    ASSERT_TRUE(ReadSkinFile(QStringLiteral("lan/lan_en.xml"), en));
    ASSERT_TRUE(Languages().Load(QStringLiteral("en"), en));
    ASSERT_TRUE(m_window.Create(QStringLiteral("mainwnd"), &error)) << error.toStdString();
    m_menu = m_window.OpenMenu(QStringLiteral("xml/option_menu.xml"));
    ASSERT_NE(m_menu, nullptr);
  }
  void TearDown() override { Languages().Clear(); }

  const MenuClickRecord* Trigger(const char* name) {
    QAction* action = m_menu->FindItem(QString::fromLatin1(name));
    EXPECT_NE(action, nullptr) << name;
    if (!action) return nullptr;
    m_window.Clear();
    action->trigger();
    EXPECT_TRUE(m_window.menuChoices.empty());  // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.messages.empty()) << "a choice is the window's, not a custom message";
    if (m_window.menuChoices.size() != 1) return nullptr;
    EXPECT_TRUE(m_window.menuChoices[0].onUiThread);
    return &m_window.menuChoices[0].record;
  }

  test::RecordingWindow m_window{QStringLiteral("XML_MSG")};
  PopupMenu* m_menu = nullptr;
};

TEST_F(PopupMenuTest, FindsItemsAndSubmenuItemsByName) {
  for (const char* name : {"option_item_firmware_upgrade", "option_item_reset_default", "option_item_language",
                           "option_item_language_en", "option_item_language_cn", "option_item_about"})
    EXPECT_NE(m_menu->FindItem(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(m_menu->FindItem(QStringLiteral("option_item_nothing")), nullptr);
  EXPECT_NE(m_menu->FindItem(QStringLiteral("option_item_language"))->menu(), nullptr);
  EXPECT_EQ(m_menu->FindItem(QStringLiteral("option_item_about"))->text(), Tr(QStringLiteral("${about}")));
  EXPECT_FALSE(m_menu->SetItemEnabled(QStringLiteral("option_item_nothing"), false));
}

TEST_F(PopupMenuTest, TriggeredItemPostsItsNameToTheOwner) {
  const MenuClickRecord* record = Trigger("option_item_about");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->name, u"option_item_about");
  EXPECT_EQ(record->text, Tr(QStringLiteral("${about}")));
}

TEST_F(PopupMenuTest, TriggeredSubmenuItemPostsItsName) {
  const MenuClickRecord* record = Trigger("option_item_language_cn");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->name, u"option_item_language_cn");
}

TEST_F(PopupMenuTest, DisabledItemPostsNothing) {
  ASSERT_TRUE(m_menu->SetItemEnabled(QStringLiteral("option_item_reset_default"), false));
  QAction* action = m_menu->FindItem(QStringLiteral("option_item_reset_default"));
  EXPECT_FALSE(action->isEnabled());
  action->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(m_window.menuChoices.empty());
  EXPECT_TRUE(m_menu->FindItem(QStringLiteral("option_item_about"))->isEnabled());
}

TEST_F(PopupMenuTest, ItemsFromFileAttributes) {
  const QByteArray xml = R"(<Menu>
    <MenuItem name="a" text="plain" userdata="ud" enabled="false"/>
    <MenuItem name="b" text="${about}" visible="false" checked="true"/>
    <Separator/>
    <MenuItem name="c" text="C" userdata="x1"/>
  </Menu>)";
  QString error;
  auto menu = PopupMenu::FromXml(xml, m_window.Port(), &m_window, &error);
  ASSERT_NE(menu, nullptr) << error.toStdString();
  EXPECT_FALSE(menu->FindItem(QStringLiteral("a"))->isEnabled());
  EXPECT_FALSE(menu->FindItem(QStringLiteral("b"))->isVisible());
  EXPECT_TRUE(menu->FindItem(QStringLiteral("b"))->isChecked());
  EXPECT_EQ(menu->actions().size(), 4);  // a, b, separator, c

  m_window.Clear();
  menu->FindItem(QStringLiteral("c"))->trigger();
  QCoreApplication::processEvents();
  ASSERT_EQ(m_window.menuChoices.size(), 1u);
  const MenuClickRecord* record = &m_window.menuChoices[0].record;
  EXPECT_EQ(record->name, u"c");
  EXPECT_EQ(record->userData, u"x1");
  EXPECT_EQ(record->text, u"C");
}

struct BadMenuCase {
  const char* xml;
};

class BadMenuTest : public PopupMenuTest, public ::testing::WithParamInterface<BadMenuCase> {};

TEST_P(BadMenuTest, IsRefused) {
  QString error;
  EXPECT_EQ(PopupMenu::FromXml(GetParam().xml, m_window.Port(), &m_window, &error), nullptr);
  EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Menus, BadMenuTest,
                         ::testing::Values(BadMenuCase{"<Popup><MenuItem name=\"a\"/></Popup>"},
                                           BadMenuCase{"<Menu><MenuItem text=\"no name\"/></Menu>"},
                                           BadMenuCase{"<Menu><Item name=\"a\"/></Menu>"},
                                           BadMenuCase{"<Menu><MenuItem name=\"a\"></Menu>"}));

TEST_F(PopupMenuTest, OpeningAnotherMenuDestroysThePreviousOne) {
  QPointer<PopupMenu> first = m_menu;
  PopupMenu* second = m_window.OpenMenu(QStringLiteral("xml/scene_menu.xml"));
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(m_window.CurrentMenu(), second);
  EXPECT_EQ(m_window.OpenMenu(QStringLiteral("xml/no_such_menu.xml")), nullptr);
}

TEST_F(PopupMenuTest, TriggerAfterOwnerWindowIsGonePostsNothing) {
  auto owner = std::make_unique<test::RecordingWindow>();
  auto port = owner->Port();
  auto menu = PopupMenu::FromXml("<Menu><MenuItem name=\"a\" text=\"A\"/></Menu>", port, nullptr);
  ASSERT_NE(menu, nullptr);
  owner.reset();
  menu->FindItem(QStringLiteral("a"))->trigger();  // the record is refused and freed
  QCoreApplication::processEvents();
  SUCCEED();
}


TEST_F(PopupMenuTest, TheButtonThatOpenedTheMenuIsNotLeftLitWhenItCloses) {
  QPushButton button(&m_window);
  button.setGeometry(200, 10, 80, 24);
  m_window.show();
  button.setAttribute(Qt::WA_UnderMouse, true);  // hovered when it was clicked
  m_menu->PopBelow(&button);
  m_menu->hide();  // closed with the pointer elsewhere
  QCoreApplication::processEvents();
  EXPECT_FALSE(button.underMouse());
}

TEST(SkinStyleSheet, EveryPictureItNamesIsInTheSkin) {
  QString error;
  ASSERT_TRUE(LoadSkin(&error)) << error.toStdString();
  QByteArray sheet;
  ASSERT_TRUE(ReadSkinFile(QStringLiteral("style.qss"), sheet));
  const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
  int pictures = 0;
  for (auto match = url.globalMatch(QString::fromUtf8(sheet)); match.hasNext(); ++pictures) {
    const QString path = match.next().captured(1);
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
  }
  EXPECT_GE(pictures, 2);  // the list's down arrow and the submenus' right arrow
}

}  // namespace
}  // namespace qb::ui

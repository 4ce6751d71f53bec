// The name entry hands the typed name back on Enter or confirm, never more than the seven
// characters a scene slot holds, and leaves the caller's name alone otherwise.

#include "windows/name_msg_wnd.h"

#include "tests/windows/dialog_driver.h"
#include "ui/edit.h"

namespace qb::windows {
namespace {

using test::Click;
using test::WhenOpen;

class NameEntryTest : public test::DialogTest {};

ui::Edit* NameEdit(CNameMsgWnd& box) {
  auto* edit = box.Find<ui::Edit>(QStringLiteral("name_edt"));
  EXPECT_NE(edit, nullptr);
  return edit;
}

TEST(FitName, CutsToSevenUnitsWithoutSplittingACharacter) {
  const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // one character, two UTF-16 units
  const std::pair<QString, QString> cases[] = {
      {QString(), QString()},
      {QStringLiteral("Club"), QStringLiteral("Club")},
      {QStringLiteral("1234567"), QStringLiteral("1234567")},
      {QStringLiteral("12345678"), QStringLiteral("1234567")},
      {QStringLiteral("舞台音乐会现场版"), QStringLiteral("舞台音乐会现场")},
      {QStringLiteral("12345") + clef + QStringLiteral("x"), QStringLiteral("12345") + clef},
      // The cut after seven units would keep half the clef: the whole character goes.
      {QStringLiteral("123456") + clef, QStringLiteral("123456")},
  };
  for (const auto& [text, fitted] : cases) EXPECT_EQ(FitName(text), fitted) << text.toStdString();
}

TEST_F(NameEntryTest, EnterHandsBackTheEditedNameWithCodeOne) {
  QString name = QStringLiteral("Old");
  WhenOpen<CNameMsgWnd>([](CNameMsgWnd& box) {
    ui::Edit* edit = NameEdit(box);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("Old"));
    EXPECT_EQ(box.focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("k 2"));
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(ShowNameEntry(nullptr, name), 1);
  EXPECT_EQ(name, QStringLiteral("Olk 2"));
}

TEST_F(NameEntryTest, TheEditHoldsNoMoreThanSevenCharacters) {
  QString name;
  WhenOpen<CNameMsgWnd>([](CNameMsgWnd& box) {
    ui::Edit* edit = NameEdit(box);
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJ"));
    EXPECT_EQ(edit->text(), QStringLiteral("ABCDEFG"));
    Click(box, "confirm_btn");
  });
  EXPECT_EQ(ShowNameEntry(nullptr, name), 1);
  EXPECT_EQ(name, QStringLiteral("ABCDEFG"));
}

TEST_F(NameEntryTest, TheLimitHoldsEvenWhenTheLayoutAllowsMore) {
  QByteArray layout;
  ASSERT_TRUE(ui::ReadSkinFile(QStringLiteral("xml/msg_name.xml"), layout));
  ASSERT_TRUE(layout.contains("maxchars=\"7\""));
  ui::RegisterSkinOverride(QStringLiteral("xml/msg_name.xml"), layout.replace("maxchars=\"7\"", "maxchars=\"20\""));
  QString name;
  WhenOpen<CNameMsgWnd>([](CNameMsgWnd& box) {
    QTest::keyClicks(NameEdit(box), QStringLiteral("0123456789"));
    EXPECT_EQ(NameEdit(box)->text(), QStringLiteral("0123456"));
    QTest::keyClick(NameEdit(box), Qt::Key_Return);
  });
  EXPECT_EQ(ShowNameEntry(nullptr, name), 1);
  ui::RegisterSkinOverride(QStringLiteral("xml/msg_name.xml"), {});
  EXPECT_EQ(name, QStringLiteral("0123456"));
}

TEST_F(NameEntryTest, AnOverlongStartingNameIsCutInTheEdit) {
  QString name = QStringLiteral("Concert Hall");
  WhenOpen<CNameMsgWnd>([](CNameMsgWnd& box) {
    EXPECT_EQ(NameEdit(box)->text(), QStringLiteral("Concert"));
    Click(box, "confirm_btn");
  });
  EXPECT_EQ(ShowNameEntry(nullptr, name), 1);
  EXPECT_EQ(name, QStringLiteral("Concert"));
}

TEST_F(NameEntryTest, CancelCloseAndThirdLeaveTheNameAlone) {
  struct Case {
    const char* button;
    int code;
  };
  for (const Case c : {Case{"cancel_btn", 0}, Case{"closebtn", 0}, Case{"third_btn", 2}}) {
    QString name = QStringLiteral("Keep");
    WhenOpen<CNameMsgWnd>([&](CNameMsgWnd& box) {
      QTest::keyClicks(NameEdit(box), QStringLiteral("XY"));
      if (c.code == 2) box.FindControl(QStringLiteral("third_btn"))->show();  // hidden in the layout
      Click(box, c.button);
    });
    EXPECT_EQ(ShowNameEntry(nullptr, name), c.code) << c.button;
    EXPECT_EQ(name, QStringLiteral("Keep")) << c.button;
  }
}

TEST_F(NameEntryTest, ANameThatLooksLikeAKeyIsShownAsItStands) {
  QString name = QStringLiteral("${tips}");
  WhenOpen<CNameMsgWnd>([](CNameMsgWnd& box) {
    EXPECT_EQ(NameEdit(box)->text(), QStringLiteral("${tips}"));
    QTest::keyClick(NameEdit(box), Qt::Key_Enter);
  });
  EXPECT_EQ(ShowNameEntry(nullptr, name), 1);
  EXPECT_EQ(name, QStringLiteral("${tips}"));
}

}  // namespace
}  // namespace qb::windows

// The message box: which buttons a count shows, the codes its buttons close with, its texts
// in the current language, the opener's display scale, and refusal of an incomplete layout.

#include "windows/message_box.h"

#include "tests/windows/dialog_driver.h"
#include "windows/msg_wnd.h"

namespace qb::windows {
namespace {

using test::Click;
using test::Shown;
using test::WhenOpen;

class MessageBoxTest : public test::DialogTest {};

/// An opener with a display scale of its own (no layout needed for that).
class ScaledOwner : public ui::WindowBase {
 public:
  QString ClassName() const override { return QStringLiteral("TestOwner"); }
  QString LayoutId() const override { return QStringLiteral("XML_NONE"); }
};

TEST(CommonButtonCode, MapsTheDialogButtonsInAnyCase) {
  const std::pair<const char*, int> cases[] = {
      {"closebtn", 0},    {"CloseBtn", 0},    {"cancel_btn", 0}, {"CANCEL_BTN", 0},
      {"confirm_btn", 1}, {"Confirm_Btn", 1}, {"third_btn", 2},  {"THIRD_btn", 2},
      {"minbtn", -1},     {"confirm", -1},    {"", -1},          {"confirm_btn2", -1},
  };
  for (const auto& [name, code] : cases) EXPECT_EQ(CommonButtonCode(QString::fromLatin1(name)), code) << name;
}

TEST_F(MessageBoxTest, CountOneShowsOnlyConfirmWithTheGivenText) {
  bool checked = false;
  WhenOpen<CMsgWnd>([&](CMsgWnd& box) {
    EXPECT_TRUE(box.FindControl(QStringLiteral("confirm_btn"))->isVisible());
    EXPECT_FALSE(box.FindControl(QStringLiteral("cancel_btn"))->isVisible());
    EXPECT_FALSE(box.FindControl(QStringLiteral("third_btn"))->isVisible());
    EXPECT_EQ(Shown(box, "confirm_btn"), QStringLiteral("OK"));
    checked = true;
    Click(box, "confirm_btn");
  });
  EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("${device_reboot}"),
                           {QStringLiteral("${confirm}")}),
            1);
  EXPECT_TRUE(checked);
}

TEST_F(MessageBoxTest, CountThreeShowsAllButtonsWithTheirTexts) {
  bool checked = false;
  WhenOpen<CMsgWnd>([&](CMsgWnd& box) {
    for (const char* name : {"confirm_btn", "cancel_btn", "third_btn"})
      EXPECT_TRUE(box.FindControl(QString::fromLatin1(name))->isVisible()) << name;
    EXPECT_EQ(Shown(box, "confirm_btn"), QStringLiteral("Save"));
    EXPECT_EQ(Shown(box, "cancel_btn"), QStringLiteral("Discard"));
    EXPECT_EQ(Shown(box, "third_btn"), QStringLiteral("Later"));
    checked = true;
    Click(box, "third_btn");
  });
  EXPECT_EQ(ShowMessageBox(nullptr, QString(), QStringLiteral("text"),
                           {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Later")}, 3),
            2);
  EXPECT_TRUE(checked);
}

TEST_F(MessageBoxTest, EveryButtonClosesWithItsCode) {
  struct Case {
    const char* button;
    int code;
  };
  for (const Case c : {Case{"closebtn", 0}, Case{"cancel_btn", 0}, Case{"confirm_btn", 1}, Case{"third_btn", 2}}) {
    WhenOpen<CMsgWnd>([&](CMsgWnd& box) { Click(box, c.button); });
    EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("?"),
                             {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
              c.code)
        << c.button;
  }
}

TEST_F(MessageBoxTest, CountTwoHidesOnlyTheThirdButton) {
  WhenOpen<CMsgWnd>([](CMsgWnd& box) {
    EXPECT_TRUE(box.FindControl(QStringLiteral("cancel_btn"))->isVisible());
    EXPECT_FALSE(box.FindControl(QStringLiteral("third_btn"))->isVisible());
    EXPECT_EQ(Shown(box, "cancel_btn"), QStringLiteral("Cancel"));  // "${cancel}" resolved
    Click(box, "cancel_btn");
  });
  EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("?"),
                           {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}),
            0);
}

TEST_F(MessageBoxTest, TwoArgumentFormKeepsTheLayoutButtons) {
  WhenOpen<CMsgWnd>([](CMsgWnd& box) {
    EXPECT_TRUE(box.FindControl(QStringLiteral("confirm_btn"))->isVisible());
    EXPECT_TRUE(box.FindControl(QStringLiteral("cancel_btn"))->isVisible());
    EXPECT_FALSE(box.FindControl(QStringLiteral("third_btn"))->isVisible());
    EXPECT_EQ(Shown(box, "confirm_btn"), QStringLiteral("OK"));
    EXPECT_EQ(Shown(box, "cancel_btn"), QStringLiteral("Cancel"));
    Click(box, "confirm_btn");
  });
  EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("${factory_default_tips}")), 1);
}

TEST_F(MessageBoxTest, TextsAreResolvedInTheCurrentLanguage) {
  struct Case {
    const char* language;
    const char* title;
    const char* text;
    QString shownTitle;
    QString shownText;
  };
  const Case cases[] = {
      // Keys resolve; "{\n}" in a value becomes a line break.
      {"en", "${tips}", "${factory_default_tips}", QStringLiteral("Notice"),
       QStringLiteral("Restore the device to factory settings?\nAll current settings will be lost.")},
      // A key the table lacks shows as itself; plain text stays as it is.
      {"en", "${no_such_title}", "plain words", QStringLiteral("${no_such_title}"), QStringLiteral("plain words")},
      {"cn_zh", "${about}", "${version}", QStringLiteral("关于"), QStringLiteral("固件版本")},
  };
  for (const Case& c : cases) {
    ui::Languages().Select(QString::fromLatin1(c.language));
    WhenOpen<CMsgWnd>([&](CMsgWnd& box) {
      EXPECT_EQ(Shown(box, "MessageTitle"), c.shownTitle) << c.title;
      EXPECT_EQ(box.windowTitle(), c.shownTitle) << c.title;
      EXPECT_EQ(Shown(box, "MessageText"), c.shownText) << c.text;
      box.Close(1);
    });
    ShowMessageBox(nullptr, QString::fromUtf8(c.title), QString::fromUtf8(c.text));
  }
}

TEST_F(MessageBoxTest, EmptyTitleAndTextLeaveTheLayoutTexts) {
  WhenOpen<CMsgWnd>([](CMsgWnd& box) {
    EXPECT_EQ(Shown(box, "MessageTitle"), QStringLiteral("Notice"));  // layout: "${tips}"
    EXPECT_EQ(ui::ControlText(box.FindControl(QStringLiteral("MessageText"))), QString());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Notice"));
    box.Close(0);
  });
  ShowMessageBox(nullptr, QString(), QString());
}

TEST_F(MessageBoxTest, TheOwnersCloseSequenceEndsABoxByItsTitle) {
  WhenOpen<CMsgWnd>([](CMsgWnd&) { ui::WindowBase::EndWindowsTitled(QStringLiteral("Notice"), 0); });
  EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("${device_plugout}"),
                           {QStringLiteral("${confirm}")}),
            0);
}

TEST_F(MessageBoxTest, ALongTextGrowsTheBoxAndTheButtonsStayBelowIt) {
  const QString text = QStringLiteral("No permission to open the device node /dev/hidraw3. ").repeated(12);
  WhenOpen<CMsgWnd>([&](CMsgWnd& box) {
    QWidget* label = box.FindControl(QStringLiteral("MessageText"));
    QWidget* confirm = box.FindControl(QStringLiteral("confirm_btn"));
    ASSERT_TRUE(label && confirm);
    EXPECT_GT(box.height(), 200);
    EXPECT_GE(label->height(), label->heightForWidth(label->width())) << "every line is shown";
    EXPECT_GT(confirm->y(), label->geometry().bottom());
    EXPECT_LE(confirm->geometry().bottom(), box.height());
    box.Close(0);
  });
  ShowMessageBox(nullptr, QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}")});
}

TEST_F(MessageBoxTest, TakesTheDisplayScaleOfItsOpener) {
  ScaledOwner owner;
  owner.SetDisplayScale(144);
  WhenOpen<CMsgWnd>([](CMsgWnd& box) {
    EXPECT_EQ(box.DisplayScale(), 144);
    EXPECT_EQ(box.size(), QSize(630, 300));  // msg.xml is 420 x 200
    box.Close(0);
  });
  ShowMessageBox(&owner, QStringLiteral("${tips}"), QStringLiteral("x"));

  QWidget plainOwner;
  WhenOpen<CMsgWnd>([](CMsgWnd& box) {
    EXPECT_EQ(box.DisplayScale(), 96);
    box.Close(0);
  });
  ShowMessageBox(&plainOwner, QStringLiteral("${tips}"), QStringLiteral("x"));
}

TEST_F(MessageBoxTest, ALayoutWithoutAConfirmButtonIsRefusedWithoutShowing) {
  QByteArray layout;
  ASSERT_TRUE(ui::ReadSkinFile(QStringLiteral("xml/msg.xml"), layout));
  layout.replace("name=\"confirm_btn\"", "name=\"ok_btn\"");
  ui::RegisterSkinOverride(QStringLiteral("xml/msg.xml"), layout);
  // Nothing may open: a box shown anyway would wait for the watchdog and fail there.
  EXPECT_EQ(ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("x")), 0);
  ui::RegisterSkinOverride(QStringLiteral("xml/msg.xml"), {});
  for (ui::WindowBase* window : ui::WindowBase::LiveWindows()) EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace qb::windows

// The choice box answers only with a choice: confirm needs a selected option and reports
// which one; cancel and the close button answer 0.

#include "windows/msg_checkbox_wnd.h"

#include "tests/windows/dialog_driver.h"
#include "ui/buttons.h"

namespace qb::windows {
namespace {

using test::Click;
using test::Shown;
using test::WhenOpen;

class ChoiceBoxTest : public test::DialogTest {
 protected:
  int Ask() {
    return ShowChoiceBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
                         QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}"));
  }
};

TEST_F(ChoiceBoxTest, ConfirmAnswersWithTheSelectedOption) {
  struct Case {
    const char* option;
    int code;
  };
  for (const Case c : {Case{"check_box_0", 1}, Case{"check_box_1", 2}}) {
    WhenOpen<CMsgCheckBoxWnd>([&](CMsgCheckBoxWnd& box) {
      Click(box, c.option);
      Click(box, "confirm_btn");
    });
    EXPECT_EQ(Ask(), c.code) << c.option;
  }
}

TEST_F(ChoiceBoxTest, ConfirmWithoutAChoiceKeepsTheBoxOpen) {
  bool answered = false;
  WhenOpen<CMsgCheckBoxWnd>([&](CMsgCheckBoxWnd& box) {
    Click(box, "confirm_btn");
    EXPECT_EQ(box.ConfirmCode(), -1);
    // Still open: the next step finds it running and picks the second option.
    WhenOpen<CMsgCheckBoxWnd>([&](CMsgCheckBoxWnd& same) {
      answered = true;
      Click(same, "check_box_1");
      Click(same, "confirm_btn");
    });
  });
  EXPECT_EQ(Ask(), 2);
  EXPECT_TRUE(answered);
}

TEST_F(ChoiceBoxTest, ChangingTheChoiceAnswersWithTheLastOne) {
  WhenOpen<CMsgCheckBoxWnd>([](CMsgCheckBoxWnd& box) {
    Click(box, "check_box_1");
    Click(box, "check_box_0");  // the group deselects the first pick
    EXPECT_FALSE(box.Find<ui::Option>(QStringLiteral("check_box_1"))->IsSelected());
    Click(box, "confirm_btn");
  });
  EXPECT_EQ(Ask(), 1);
}

TEST_F(ChoiceBoxTest, CancelAndCloseAnswerZeroEvenWithAChoice) {
  for (const char* button : {"cancel_btn", "closebtn"}) {
    WhenOpen<CMsgCheckBoxWnd>([&](CMsgCheckBoxWnd& box) {
      Click(box, "check_box_0");
      Click(box, button);
    });
    EXPECT_EQ(Ask(), 0) << button;
  }
}

TEST_F(ChoiceBoxTest, ChoiceTextsReplaceTheOptionsOnlyWhenBothAreGiven) {
  WhenOpen<CMsgCheckBoxWnd>([](CMsgCheckBoxWnd& box) {
    EXPECT_EQ(Shown(box, "MessageTitle"), QStringLiteral("Notice"));
    EXPECT_EQ(Shown(box, "check_box_0"), QStringLiteral("left"));
    EXPECT_EQ(Shown(box, "check_box_1"), QStringLiteral("right"));
    box.Close(0);
  });
  ShowChoiceBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("q"), QStringLiteral("left"),
                QStringLiteral("right"));

  WhenOpen<CMsgCheckBoxWnd>([](CMsgCheckBoxWnd& box) {
    // Only one text: both options keep their layout texts.
    EXPECT_EQ(ui::ControlText(box.FindControl(QStringLiteral("check_box_0"))), QStringLiteral("${copy_left_to_right}"));
    EXPECT_EQ(ui::ControlText(box.FindControl(QStringLiteral("check_box_1"))), QStringLiteral("${copy_right_to_left}"));
    box.Close(0);
  });
  ShowChoiceBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("q"), QStringLiteral("left"), QString());
}

}  // namespace
}  // namespace qb::windows

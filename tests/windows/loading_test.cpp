// The loading window ends on its opener's request with 1, also when the request came before
// it ran, and its own buttons end it with their codes.

#include "windows/loading_wnd.h"

#include "tests/windows/dialog_driver.h"

namespace qb::windows {
namespace {

using test::WhenOpen;

class LoadingTest : public test::DialogTest {};

TEST_F(LoadingTest, FinishEndsTheRunningWindowWithOne) {
  CLoadingWnd loading(nullptr);
  ASSERT_TRUE(loading.Build());
  EXPECT_EQ(loading.objectName(), QStringLiteral("loadingwnd"));
  CLoadingWnd* seen = nullptr;
  WhenOpen<CLoadingWnd>([&](CLoadingWnd& open) {
    seen = &open;
    open.Finish();
  });
  EXPECT_EQ(loading.Run(), 1);
  EXPECT_EQ(seen, &loading);
  EXPECT_FALSE(loading.isVisible());
}

TEST_F(LoadingTest, AFinishThatCameFirstEndsTheRunAtOnce) {
  CLoadingWnd loading(nullptr);
  ASSERT_TRUE(loading.Build());
  loading.Finish();
  // Were it shown, the run would wait for the watchdog and fail.
  EXPECT_EQ(loading.Run(), 1);
  EXPECT_FALSE(loading.isVisible());
}

TEST_F(LoadingTest, ItsButtonsEndItWithTheirCodes) {
  struct Case {
    const char* button;
    int code;
  };
  for (const Case c : {Case{"closebtn", 0}, Case{"cancel_btn", 0}}) {
    CLoadingWnd loading(nullptr);
    ASSERT_TRUE(loading.Build());
    WhenOpen<CLoadingWnd>([&](CLoadingWnd& open) {
      QWidget* button = open.FindControl(QString::fromLatin1(c.button));
      ASSERT_NE(button, nullptr);
      button->show();  // hidden in the layout until a task may be cancelled
      test::Click(open, c.button);
    });
    EXPECT_EQ(loading.Run(), c.code) << c.button;
  }
}

TEST_F(LoadingTest, TakesTheDisplayScaleOfItsOpener) {
  struct Owner : ui::WindowBase {
    QString ClassName() const override { return QStringLiteral("TestOwner"); }
    QString LayoutId() const override { return QStringLiteral("XML_NONE"); }
  } owner;
  owner.SetDisplayScale(120);
  CLoadingWnd loading(&owner);
  ASSERT_TRUE(loading.Build());
  EXPECT_EQ(loading.DisplayScale(), 120);
  EXPECT_EQ(loading.size(), QSize(350, 137));  // loading.xml is 280 x 110
}

}  // namespace
}  // namespace qb::windows

// The main window starts, connects to the virtual box at start-up and follows its unplug
// and replug.
#include "tests/windows/main_window_fixture.h"

namespace qb::test {
namespace {

using MainWindowSmokeTest = MainWindowTest;

TEST_F(MainWindowSmokeTest, ConnectsAtStartUpAndFollowsUnplugAndReplug) {
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(ui::ControlText(window->FindControl(QStringLiteral("btnConnect"))), QStringLiteral("${btn_connected}"));
  Box().Unplug();
  Box().Poll();
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }));
  EXPECT_EQ(ui::ControlText(window->FindControl(QStringLiteral("btnConnect"))), QStringLiteral("${btn_disconnected}"));
  EXPECT_EQ(Live().model, -1);
  ASSERT_TRUE(WaitFor([this] { return !messages.isEmpty(); }));
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${device_plugout}")));
  Box().Replug();
  Box().Poll();
  EXPECT_TRUE(WaitConnected());
}

}  // namespace
}  // namespace qb::test

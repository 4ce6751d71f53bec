// Keys in the main window's edits: Enter walks a band row, Left and Right walk the ring of
// editable fields, and a stray loading-window message changes nothing.
#include "tests/windows/main_window_fixture.h"
#include "ui/edit.h"
#include "ui/message_port.h"

namespace qb::test {
namespace {

class MainWindowRoutingTest : public ConnectedWindowTest {
 protected:
  void SetUp() override {
    ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    // Output 0 uses ten bands (no edit changes a band count), edited in parametric mode (all
    // edits enabled).
    Live().channels[0].eqSize = 10;
    Controller().Changes().Publish(Change{}.Add(kAspectBands, 0));
    ClickOn(QStringLiteral("btn_arg_eq"));
    ASSERT_TRUE(Drain());
    ASSERT_TRUE(Control<QWidget>(QStringLiteral("eq_freq_0"))->isEnabled());
    ASSERT_FALSE(Control<QWidget>(QStringLiteral("eq_freq_10"))->isEnabled());
  }
  /// Focuses `name`, presses `key` in it and returns the name of the field that has the
  /// focus afterwards.
  QString AfterKey(const QString& name, Qt::Key key) {
    PressKey(name, key);
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused->objectName() : QString();
  }
};

TEST_F(MainWindowRoutingTest, EnterWalksTheBandRowAndWrapsAtTheBandCount) {
  EXPECT_EQ(AfterKey(QStringLiteral("eq_freq_3"), Qt::Key_Return), QStringLiteral("eq_q_3"));
  EXPECT_EQ(AfterKey(QStringLiteral("eq_q_3"), Qt::Key_Return), QStringLiteral("eq_gain_3"));
  EXPECT_EQ(AfterKey(QStringLiteral("eq_gain_3"), Qt::Key_Return), QStringLiteral("eq_freq_4"));
  EXPECT_EQ(AfterKey(QStringLiteral("eq_gain_9"), Qt::Key_Return), QStringLiteral("eq_freq_0"));
}

TEST_F(MainWindowRoutingTest, LeftAndRightWalkTheRing) {
  EXPECT_EQ(AfterKey(QStringLiteral("eq_gain_9"), Qt::Key_Right), QStringLiteral("edit_ch_volume_0"));
  EXPECT_EQ(AfterKey(QStringLiteral("edit_ch_volume_0"), Qt::Key_Left), QStringLiteral("eq_gain_9"));
  EXPECT_EQ(AfterKey(QStringLiteral("edit_ch_delay_0"), Qt::Key_Left), QStringLiteral("edit_ch_volume_7"));
  EXPECT_EQ(AfterKey(QStringLiteral("lp_freq"), Qt::Key_Right), QStringLiteral("edit_main_volume"));
}

TEST_F(MainWindowRoutingTest, ALeavingBandEditCommitsItsValueToTheBox) {
  // Enter moves on to the Q edit: the frequency commits.
  TypeInto(QStringLiteral("eq_freq_2"), QStringLiteral("1K5"));
  ASSERT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("eq_q_2"));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().channels[0].bands[2].freq, 1500);
  EXPECT_EQ(Box().State().live.outputs[0].bands[2].freqHz, 1500);
}

TEST_F(MainWindowRoutingTest, ClosingALoadingWindowThatIsNotShownOnlyConsumesTheMessage) {
  EXPECT_TRUE(window->Port()->Post(WM_CLOSE_LOADING));
  QApplication::processEvents();
  EXPECT_TRUE(Link().IsDeviceOpen());
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace qb::test

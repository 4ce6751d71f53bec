// Undo and redo through the main window, with real mouse and key events: a drag on the curve
// is one step however many moves it makes, the keys work while a text field has the focus,
// and the Options menu offers undo and redo only when there is something to undo or redo.
#include <QAction>
#include <QTest>

#include "controls/equalizer_curve.h"
#include "core/edit_fields.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/edit.h"
#include "ui/popup_menu.h"

namespace qb::test {
namespace {

class UndoRedoWindowTest : public ConnectedWindowTest {
 protected:
  EditedState State() { return EditedState{Live(), Controller().Mirror().session.parametricEq}; }
  std::size_t Differences(const EditedState& a) {
    const EditedState b = State();
    return DiffEditedState(a.live, a.parametricEq, b.live, b.parametricEq).size();
  }
  EditHistory& History() { return Controller().History(); }

  /// Presses on band `band`'s handle and moves it through several points before letting go.
  void DragBand(int band, int dy) {
    auto* curve = Control<controls::EqualizerCurve>(QStringLiteral("equalizer"));
    ASSERT_NE(curve, nullptr);
    const controls::PixelRect& r = curve->Layout().labels[At(band)];
    const QPoint from{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    QTest::mousePress(curve, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) QTest::mouseMove(curve, from + QPoint(0, dy * step / 4));
    QTest::mouseRelease(curve, Qt::LeftButton, {}, from + QPoint(0, dy));
    input::Settle();
  }
  ui::PopupMenu* OpenMenu(const QString& button) {
    ClickOn(button);
    return window->CurrentMenu();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QTest::keyClick(target, key, modifiers);
    QApplication::processEvents();
  }
};

TEST_F(UndoRedoWindowTest, ThreeDragsADelayAndARoleAreUndoneByCtrlZAndRedoneByTheRedoKeys) {
  const EditedState start = State();
  DragBand(3, -40);
  DragBand(10, 30);
  DragBand(20, -25);
  ASSERT_EQ(History().UndoSteps(), 3u) << "one step per drag, not per move";
  TypeInto(QStringLiteral("edit_ch_delay_1"), QStringLiteral("2.5"));
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("ch_output_btn_6"), QStringLiteral("output_menu_center_low_freq")));
  ASSERT_TRUE(Drain());
  ASSERT_EQ(History().UndoSteps(), 5u);
  const EditedState end = State();

  // The delay field still has the focus: the key is the window's, not the field's.
  for (int k = 0; k < 5; ++k) Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Differences(start), 0u);
  ExpectBoxAsMirror();

  for (int k = 0; k < 3; ++k) Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  for (int k = 0; k < 2; ++k) Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Differences(end), 0u);
  ExpectBoxAsMirror();
}

TEST_F(UndoRedoWindowTest, TheOptionsMenuOffersUndoAndRedoOnlyWhenPossible) {
  ui::PopupMenu* menu = OpenMenu(QStringLiteral("btn_option"));
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_undo"))->isEnabled());
  EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_redo"))->isEnabled());
  menu->close();

  ClickOn(QStringLiteral("ch_mute_2"));
  ASSERT_EQ(Live().channels[2].mute, 1);
  menu = OpenMenu(QStringLiteral("btn_option"));
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_redo"))->isEnabled());
  QAction* undo = menu->FindItem(QStringLiteral("option_item_undo"));
  ASSERT_TRUE(undo->isEnabled());
  undo->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Live().channels[2].mute, 0);
  ExpectBoxAsMirror();

  menu = OpenMenu(QStringLiteral("btn_option"));
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->FindItem(QStringLiteral("option_item_undo"))->isEnabled());
  EXPECT_TRUE(menu->FindItem(QStringLiteral("option_item_redo"))->isEnabled());
  menu->close();
}

}  // namespace
}  // namespace qb::test

#pragma once
// How a user acts on a window's controls, with real pointer and key events only: a click, a
// slider's thumb dragged, an item picked from an opened list or menu, text typed and keys
// pressed in an edit, a handle dragged on the curve. What the controls raise then goes
// through the window's bindings like any user's input.

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <cstdlib>

#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/popup_menu.h"
#include "ui/slider.h"
#include "ui/window_base.h"

namespace qb::test::input {

inline void Settle() { QApplication::processEvents(); }

/// A left click in the middle of `control`; a hidden or disabled control ignores it.
inline void Click(QWidget* control) {
  if (!control) return;
  QTest::mouseClick(control, Qt::LeftButton);
  Settle();
}

/// Waits until `window` is the active window again (the platform hands activation back
/// after a popup closes), activating it if it is not the application's.
inline void AwaitActive(QWidget* window) {
  if (QApplication::activeWindow() != window && !QApplication::activePopupWidget()) window->activateWindow();
  (void)QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
}

/// Gives `edit` the focus in its active window, as a click into it would.
inline void Focus(ui::Edit* edit) {
  AwaitActive(edit->window());
  edit->setFocus(Qt::MouseFocusReason);
  Settle();
}

/// Types `text` over an edit's contents and presses `key`; Qt::Key_unknown presses none
/// (the text stays typed, not confirmed).
inline void Type(ui::Edit* edit, const QString& text, Qt::Key key = Qt::Key_Return) {
  if (!edit) return;
  Focus(edit);
  edit->selectAll();
  QTest::keyClicks(edit, text);
  if (key != Qt::Key_unknown) QTest::keyClick(edit, key);
  Settle();
}

/// Presses `key` (Up, Down, Left, Right, Enter) in `edit`.
inline void Press(ui::Edit* edit, Qt::Key key) {
  if (!edit) return;
  Focus(edit);
  QTest::keyClick(edit, key);
  Settle();
}

/// Drags the slider's thumb to the pixel whose value is nearest `value` and lets go; returns
/// the value the slider reached (a pixel spans several values on a long range).
inline int DragSlider(ui::Slider* slider, int value) {
  if (!slider) return 0;
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  option.singleStep = slider->singleStep();
  option.pageStep = slider->pageStep();
  const bool horizontal = slider->orientation() == Qt::Horizontal;
  option.upsideDown = horizontal ? slider->invertedAppearance() : !slider->invertedAppearance();
  if (horizontal) option.state |= QStyle::State_Horizontal;
  QStyle* style = slider->style();
  const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
  const QRect thumb = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  const int span = horizontal ? groove.width() - thumb.width() : groove.height() - thumb.height();
  const auto along = [horizontal](int d) { return horizontal ? QPoint(d, 0) : QPoint(0, d); };
  const auto offsetOf = [&](int v) {
    return QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), v, span, option.upsideDown);
  };

  const QPoint press = thumb.center();
  QTest::mousePress(slider, Qt::LeftButton, {}, press);
  QPoint at = press + along(offsetOf(value) - offsetOf(slider->sliderPosition()));
  QTest::mouseMove(slider, at);
  // The nearest pixel may be a neighbour of the computed one.
  for (const int nudge : {-1, 1, -2, 2}) {
    const int before = slider->value();
    QTest::mouseMove(slider, at + along(nudge));
    if (std::abs(slider->value() - value) < std::abs(before - value)) at += along(nudge);
    else QTest::mouseMove(slider, at);
  }
  QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
  Settle();
  return slider->value();
}

/// Opens the list with a click and, a moment later, clicks its item `index`. False when the
/// item is not offered (hidden, or beyond the list).
inline bool Choose(ui::Combo* list, int index) {
  if (!list || !list->IsItemVisible(index)) return false;
  QTest::mouseClick(list, Qt::LeftButton);
  auto* view = qobject_cast<QListView*>(list->view());
  if (!view || !view->isVisible()) return false;
  const QModelIndex item = list->model()->index(index, 0);
  // An opened list takes a release as the opening click's own until a double click's time
  // has passed; a user clicks again when it did.
  QTest::qWait(QApplication::doubleClickInterval());
  for (int attempt = 0; attempt < 20 && view->isVisible(); ++attempt) {
    const QPoint at = view->visualRect(item).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, QPointF(at), QPointF(view->viewport()->mapToGlobal(at)), Qt::LeftButton,
                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(view->viewport(), &event);
    }
    if (view->isVisible()) QTest::qWait(20);
  }
  AwaitActive(list->window());
  return list->CurrentSelection() == index;
}

/// Clicks the button that opens `window`'s menu and picks `item` from it, as a user's
/// click on the item would. False when the menu did not open or has no such item enabled.
inline bool ChooseMenuItem(ui::WindowBase& window, QWidget* button, const QString& item) {
  Click(button);
  ui::PopupMenu* menu = window.CurrentMenu();
  QAction* action = menu && menu->isVisible() ? menu->FindItem(item) : nullptr;
  if (!action || !action->isEnabled() || !action->isVisible()) return false;
  action->trigger();
  menu->close();
  Settle();
  return true;
}

/// Presses at `from`, moves through `via` and lets go at `to`.
inline void Drag(QWidget* target, QPoint from, QPoint via, QPoint to) {
  QTest::mousePress(target, Qt::LeftButton, {}, from);
  Settle();
  QTest::mouseMove(target, via);
  Settle();
  QTest::mouseRelease(target, Qt::LeftButton, {}, to);
  Settle();
}

}  // namespace qb::test::input

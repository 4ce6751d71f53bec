#include "ui/edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <optional>

#include "ui/notification.h"

namespace qb::ui {

Edit::Edit(QWidget* parent) : QLineEdit(parent) { setFocusPolicy(Qt::StrongFocus); }

void Edit::keyPressEvent(QKeyEvent* event) {
  std::optional<Event> type;
  switch (event->key()) {
    case Qt::Key_Up: type = Event::ValueChangedUp; break;
    case Qt::Key_Down: type = Event::ValueChangedDown; break;
    case Qt::Key_Left: type = Event::ValueChangedLeft; break;
    case Qt::Key_Right: type = Event::ValueChangedRight; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: type = Event::Return; break;
    default: break;
  }
  if (!type) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();  // these keys never move the caret
  RaiseNotification(this, *type);
}

void Edit::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int delta = event->angleDelta().y();
  if (!isEnabled() || delta == 0) return;
  RaiseNotification(this, delta > 0 ? Event::ValueChangedUp : Event::ValueChangedDown);
}

}  // namespace qb::ui

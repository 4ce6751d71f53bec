#include "ui/edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWheelEvent>

#include "ui/notification.h"

namespace qb::ui {

Edit::Edit(QWidget* parent) : QLineEdit(parent) { setFocusPolicy(Qt::StrongFocus); }

void Edit::keyPressEvent(QKeyEvent* event) {
  const char* type = nullptr;
  switch (event->key()) {
    case Qt::Key_Up: type = notify::kValueChangedUp; break;
    case Qt::Key_Down: type = notify::kValueChangedDown; break;
    case Qt::Key_Left: type = notify::kValueChangedLeft; break;
    case Qt::Key_Right: type = notify::kValueChangedRight; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: type = notify::kReturn; break;
    default: break;
  }
  if (!type) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();  // these keys never move the caret
  RaiseNotification(this, type);
}

void Edit::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int delta = event->angleDelta().y();
  if (!isEnabled() || delta == 0) return;
  RaiseNotification(this, delta > 0 ? notify::kValueChangedUp : notify::kValueChangedDown);
}

}  // namespace qb::ui

#include "ui/notification.h"

#include <QWidget>

#include "ui/control_text.h"
#include "ui/window_base.h"

namespace qb::ui {

QString Notification::SenderName() const { return sender ? sender->objectName() : QString(); }

int Notification::SenderIndex() const { return sender ? UserIndex(sender) : 0; }

void RaiseNotification(QWidget* sender, const QString& type, qintptr wParam, qintptr lParam) {
  if (!sender) return;
  // The nearest enclosing program window receives it; a popup (a combo's list) belongs to the
  // window of the control that opened it, so walk parents rather than asking window().
  for (QWidget* w = sender; w; w = w->parentWidget()) {
    if (auto* window = qobject_cast<WindowBase*>(w)) {
      Notification n{type, sender, wParam, lParam};
      window->DispatchNotification(n);
      return;
    }
  }
}

}  // namespace qb::ui

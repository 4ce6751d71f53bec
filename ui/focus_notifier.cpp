#include "ui/focus_notifier.h"

#include <QFocusEvent>
#include <QWidget>

#include "ui/notification.h"

namespace qb::ui {

FocusNotifier& FocusNotifier::Instance() {
  static FocusNotifier notifier;
  return notifier;
}

bool FocusNotifier::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (auto* widget = qobject_cast<QWidget*>(watched))
        RaiseNotification(widget, type == QEvent::FocusIn ? Event::SetFocus : Event::KillFocus);
    }
  }
  return false;
}

}  // namespace qb::ui

#include "windows/edit_gestures.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "core/edit_history.h"
#include "ui/race_annotations.h"

namespace qb {
namespace {

/// 0 for no undo key, 1 undo, 2 redo.
int UndoKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (key.key() == Qt::Key_Z && mods == Qt::ControlModifier) return 1;
  if (key.key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) return 2;
  if (key.key() == Qt::Key_Y && mods == Qt::ControlModifier) return 2;
  return 0;
}

}  // namespace

EditGestures::EditGestures(EditHistory& history, QWidget* window, std::function<void(bool redo)> undoRedo)
    : m_history(history), m_window(window), m_undoRedo(std::move(undoRedo)) {
  qApp->installEventFilter(this);
}

EditGestures::~EditGestures() {
  qApp->removeEventFilter(this);
  Release();
}

void EditGestures::Release() {
  if (!m_held) return;
  m_held = false;
  m_history.EndGesture();
}

bool EditGestures::eventFilter(QObject* watched, QEvent* event) {
  // Every event passes here first, also those posted from the link's and the tasks' threads,
  // before the window that receives them says so: what Qt's posting guarantees holds here too.
  QB_RECEIVED_HERE(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (!watched->isWidgetType()) break;
      // A press whose release never came (a window opened under the mouse) ends there.
      Release();
      m_held = true;
      m_history.BeginGesture();
      break;
    case QEvent::MouseButtonRelease:
      if (watched->isWidgetType() && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) Release();
      break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      auto* widget = qobject_cast<QWidget*>(watched);
      const int undo = UndoKey(*static_cast<QKeyEvent*>(event));
      if (undo == 0 || !widget || widget->window() != m_window) break;
      // The override is claimed so no field's own undo takes the key; the press acts.
      event->accept();
      if (event->type() == QEvent::KeyPress && m_undoRedo) m_undoRedo(undo == 2);
      return true;
    }
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace qb

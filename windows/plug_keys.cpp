#include "windows/plug_keys.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "devicelink/plug_switch.h"
#include "shell/log.h"
#include "ui/race_annotations.h"

namespace qb::windows {

PlugKeys::PlugKeys(std::shared_ptr<PlugSwitch> plug, QObject* parent) : QObject(parent), m_plug(std::move(plug)) {
  QCoreApplication::instance()->installEventFilter(this);
}

PlugKeys::~PlugKeys() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool PlugKeys::eventFilter(QObject* watched, QEvent* event) {
  // Every event passes here first, also those posted from the link's and the tasks' threads,
  // before the window that receives them says so: what Qt's posting guarantees holds here too.
  QB_RECEIVED_HERE(event);
  if (event->type() != QEvent::KeyPress || !m_plug) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F8 && key->key() != Qt::Key_F9) return QObject::eventFilter(watched, event);
  // Held down, a key repeats: the cable is pulled or plugged once.
  if (!key->isAutoRepeat()) {
    const bool unplug = key->key() == Qt::Key_F8;
    LogPrintA("simulate: %s the virtual box\n", unplug ? "unplug" : "replug");
    if (unplug) m_plug->Unplug();
    else m_plug->Replug();
    m_plug->Poll();
  }
  return true;
}

}  // namespace qb::windows

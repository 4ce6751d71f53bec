#include "windows/undo_notice.h"

#include <QTimer>

#include "core/equalizer_manager.h"

namespace qb::windows {

UndoNotice::UndoNotice(EqualizerManager& core, std::function<void(const QString&)> tell, QObject* parent)
    : QObject(parent), m_core(core), m_tell(std::move(tell)) {
  m_core.Changes().Subscribe(this);
}

UndoNotice::~UndoNotice() { m_core.Changes().Unsubscribe(this); }

void UndoNotice::MirrorChanged(const Change& change) {
  if (!change.Has(kAspectConnection)) {
    ScheduleLook();
    return;
  }
  // Every change of the connection (a whole state replaced among them) has emptied the
  // history before this notice came here.
  const bool wasHeld = m_held;
  m_held = false;
  if (!wasHeld || m_core.Mirror().session.connection == ConnectionState::Disconnected) return;
  // Told after the action that replaced the state has said what it did ("Loaded ...").
  QTimer::singleShot(0, this, [this] { m_tell(QStringLiteral("${undo_emptied}")); });
}

void UndoNotice::ScheduleLook() {
  if (m_lookPending) return;
  m_lookPending = true;
  QTimer::singleShot(0, this, [this] {
    m_lookPending = false;
    m_held = m_core.History().CanUndo() || m_core.History().CanRedo();
  });
}

}  // namespace qb::windows

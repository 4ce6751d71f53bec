#pragma once
/// Tells the user when the undo history is emptied under them: the core empties it whenever
/// the box's whole state is replaced (a scene or a file loaded, a calibration result read
/// back, the box read again), and the edits made so far can no longer be undone. Said on
/// the status line, once, and only when there was something to undo or redo; a box that
/// leaves says so itself.

#include <QObject>
#include <functional>

#include "core/mirror_change.h"

namespace qb {

class EqualizerManager;

namespace windows {

class UndoNotice final : public QObject, public MirrorObserver {
  Q_OBJECT
 public:
  /// `tell` shows a text on the status line.
  UndoNotice(EqualizerManager& core, std::function<void(const QString&)> tell, QObject* parent);
  ~UndoNotice() override;

  void MirrorChanged(const Change& change) override;

 private:
  /// Whether the history holds steps, read once the action that changed the mirror has
  /// ended: a step is recorded when its gesture closes, after the change is announced.
  void ScheduleLook();

  EqualizerManager& m_core;
  std::function<void(const QString&)> m_tell;
  bool m_held = false;  ///< the history held steps when last looked at
  bool m_lookPending = false;
};

}  // namespace windows
}  // namespace qb

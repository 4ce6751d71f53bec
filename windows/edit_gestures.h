#pragma once
/// Marks the user's gestures for the edit history and takes the undo and redo keys.
///
/// Installed on the application, it sees every mouse press and release before the control
/// under the mouse does: while a button is held, everything the controls report (each move
/// of a dragged slider or curve point) belongs to one gesture, so a whole drag is undone at
/// once. Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo, wherever the focus is inside `window`
/// (a focused text field would otherwise take the keys for its own text).

#include <QObject>
#include <functional>

class QWidget;

namespace qb {

class EditHistory;

class EditGestures final : public QObject {
 public:
  /// `undoRedo(redo)` runs for the keys pressed inside `window`. The owner destroys this
  /// object before `history`.
  EditGestures(EditHistory& history, QWidget* window, std::function<void(bool redo)> undoRedo);
  ~EditGestures() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Release();

  EditHistory& m_history;
  QWidget* m_window;
  std::function<void(bool)> m_undoRedo;
  bool m_held = false;
};

}  // namespace qb

#pragma once
/// The main window's status line: a short confirmation in the title bar ("Saved tuned.spf",
/// "The undo history was emptied") that needs no click and fades away by itself. Texts
/// raised by one user action (a load that also empties the undo history) share the line;
/// the next action's text replaces them.

#include <QObject>
#include <QString>
#include <vector>

class QGraphicsOpacityEffect;
class QLabel;
class QSequentialAnimationGroup;
class QWidget;

namespace qb::windows {

class StatusLine : public QObject {
  Q_OBJECT
 public:
  /// Shows on `label`, which ends before the first visible control of `rightNeighbours`
  /// (the title bar's buttons) so it never covers one. `holdMs` is how long a text stays
  /// fully shown before it fades.
  StatusLine(QLabel* label, std::vector<QWidget*> rightNeighbours, int holdMs);
  ~StatusLine() override;

  /// Shows `text` (a language key or plain text, resolved now).
  void Show(const QString& text);
  /// The whole text shown now (elided on screen when long); empty once it has faded.
  const QString& Text() const { return m_text; }

 private:
  void Fit();
  void Faded();

  QLabel* m_label;
  std::vector<QWidget*> m_neighbours;
  QGraphicsOpacityEffect* m_opacity = nullptr;
  QSequentialAnimationGroup* m_fade = nullptr;
  QString m_text;
  bool m_sameAction = false;  ///< a text was shown in this turn of the event loop
};

}  // namespace qb::windows

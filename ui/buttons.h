#pragma once
/// Buttons of the skin: a plain button, an option (a button with a selected state, grouped
/// or single) and a check box. Options and check boxes change their state only through
/// SetSelected/SetChecked or a user click, and report a change as "selectchanged".

#include <QCheckBox>
#include <QPushButton>

namespace qb::ui {

/// Raises "click" when the user activates it (mouse release over it, or the keyboard).
class Button : public QPushButton {
  Q_OBJECT
 public:
  explicit Button(QWidget* parent = nullptr);
};

/// A button with a selected state. In a named group, selecting one member deselects the
/// others of the same window. A user click selects a grouped option (never deselects it)
/// and toggles a single one; then "selectchanged" (if the state changed) and "click" follow.
class Option : public QPushButton {
  Q_OBJECT
 public:
  explicit Option(QWidget* parent = nullptr);

  void SetGroup(const QString& group) { m_group = group; }
  const QString& Group() const { return m_group; }

  bool IsSelected() const { return isChecked(); }
  /// Sets the state; with notify, a change raises "selectchanged" (wParam = new state).
  void SetSelected(bool selected, bool notify = true);

 protected:
  void nextCheckState() override;

 private:
  void DeselectGroupMembers();
  QString m_group;
};

/// A check box; SetChecked always reports a change as "selectchanged" (wParam = checked).
class CheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit CheckBox(QWidget* parent = nullptr);

  bool IsChecked() const { return isChecked(); }
  void SetChecked(bool checked, bool notify = true);

 protected:
  void nextCheckState() override;
};

}  // namespace qb::ui

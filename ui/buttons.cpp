#include "ui/buttons.h"

#include <QSignalBlocker>

#include "ui/notification.h"

namespace qb::ui {

Button::Button(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QPushButton::clicked, this, [this] { RaiseNotification(this, Event::Click); });
}

Option::Option(QWidget* parent) : QPushButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QPushButton::clicked, this, [this] { RaiseNotification(this, Event::Click); });
}

void Option::SetSelected(bool selected, bool notify) {
  if (selected && !m_group.isEmpty()) DeselectGroupMembers();
  if (isChecked() == selected) return;
  {
    const QSignalBlocker block(this);
    setChecked(selected);
  }
  if (notify) RaiseNotification(this, Event::SelectChanged, selected ? 1 : 0);
}

void Option::nextCheckState() {
  // A grouped option is selected by a click, never deselected; a single one toggles.
  SetSelected(m_group.isEmpty() ? !isChecked() : true, true);
}

void Option::DeselectGroupMembers() {
  QWidget* top = window();
  for (Option* other : top->findChildren<Option*>()) {
    if (other != this && other->m_group == m_group && other->isChecked()) {
      const QSignalBlocker block(other);
      other->setChecked(false);
    }
  }
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QCheckBox::clicked, this, [this] { RaiseNotification(this, Event::Click); });
}

void CheckBox::SetChecked(bool checked, bool notify) {
  if (isChecked() == checked) return;
  {
    const QSignalBlocker block(this);
    setChecked(checked);
  }
  if (notify) RaiseNotification(this, Event::SelectChanged, checked ? 1 : 0);
}

void CheckBox::nextCheckState() { SetChecked(!isChecked(), true); }

}  // namespace qb::ui

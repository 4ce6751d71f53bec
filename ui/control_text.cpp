#include "ui/control_text.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

#include "ui/combo.h"
#include "ui/language_tables.h"

namespace qb::ui {
namespace {

constexpr char kRawTextProperty[] = "qbRawText";
constexpr char kUserDataProperty[] = "qbUserData";
/// What an edit showed when the program last set its text: the edit is untouched while it
/// still shows that, whatever the current language resolves the raw text to.
constexpr char kShownTextProperty[] = "qbShownText";

void ShowResolved(QWidget* control, const QString& raw) {
  const QString shown = Tr(raw);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(shown);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(shown);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    // Keep the caret where it was when the program rewrites the text of a focused edit.
    const int cursor = edit->cursorPosition();
    edit->setText(shown);
    if (edit->hasFocus()) edit->setCursorPosition(std::min(cursor, int(shown.size())));
    edit->setProperty(kShownTextProperty, edit->text());
  } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
    box->setTitle(shown);
  } else {
    control->update();
  }
}

}  // namespace

void SetControlText(QWidget* control, const QString& raw) {
  if (!control) return;
  control->setProperty(kRawTextProperty, raw);
  ShowResolved(control, raw);
}

QString ControlText(const QWidget* control) {
  if (!control) return {};
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
    // The raw text stands only while the edit still shows what the program set.
    const QVariant raw = control->property(kRawTextProperty);
    if (raw.isValid() && control->property(kShownTextProperty).toString() == edit->text())
      return raw.toString();
    return edit->text();
  }
  return control->property(kRawTextProperty).toString();
}

void RetranslateTree(QWidget* root) {
  if (!root) return;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    const QVariant raw = w->property(kRawTextProperty);
    if (raw.isValid()) {
      // An edit the user has typed into keeps what was typed.
      if (auto* edit = qobject_cast<QLineEdit*>(w); edit && ControlText(edit) != raw.toString())
        continue;
      ShowResolved(w, raw.toString());
    }
    if (auto* combo = qobject_cast<Combo*>(w)) combo->RetranslateItems();
    if (!w->toolTip().isEmpty() && w->property("qbRawToolTip").isValid())
      w->setToolTip(Tr(w->property("qbRawToolTip").toString()));
    w->update();
  }
}

QString UserData(const QWidget* control) {
  return control ? control->property(kUserDataProperty).toString() : QString();
}

void SetUserData(QWidget* control, const QString& data) {
  if (control) control->setProperty(kUserDataProperty, data);
}

int UserIndex(const QWidget* control) {
  bool ok = false;
  const int value = UserData(control).trimmed().toInt(&ok);
  return ok ? value : 0;
}

}  // namespace qb::ui

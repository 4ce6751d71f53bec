#pragma once
/// Control texts and user data. A text may be a language key ("${tips}"); the control keeps
/// the text as set (the raw text) and shows its resolution in the current language, so a
/// language switch can resolve every text again.

#include <QString>

class QWidget;

namespace qb::ui {

/// Sets the raw text of a label, button, option, check box, edit or group box and shows its
/// resolution. Other widgets store the raw text only.
void SetControlText(QWidget* control, const QString& raw);

/// The control's text: the raw text last set by the program, or for an edit whose text the
/// user has changed since, what it shows.
QString ControlText(const QWidget* control);

/// Resolves every text under `root` again (after a language switch).
void RetranslateTree(QWidget* root);

/// User data of a control (a string set by the layout or the program).
QString UserData(const QWidget* control);
void SetUserData(QWidget* control, const QString& data);
/// The user data as an integer: 0 when absent or not a number (a handler's index).
int UserIndex(const QWidget* control);

}  // namespace qb::ui

#pragma once
/// The two ways of asking the user through the message box. Both block (the owner is
/// disabled) until the box closes and return 1 for confirm, 0 for cancel or the close
/// button, 2 for the third button. Title, text and button texts are usually language keys;
/// an empty title or text leaves the layout's own. The window title becomes the resolved
/// title, so the box can be ended by title (WindowBase::EndWindowsTitled). When the box
/// cannot be built the failure is logged and 0 is returned without showing anything.

#include <QString>
#include <QStringList>

class QWidget;

namespace qb::windows {

/// The box with the layout's buttons and their layout texts.
int ShowMessageBox(QWidget* owner, const QString& title, const QString& text);

/// The box with `count` buttons (clamped to 1..3): confirm takes buttonTexts[0]; with a count
/// below 2 the cancel button is hidden, otherwise it takes buttonTexts[1]; with 3 the third
/// button appears with buttonTexts[2]. A missing or empty text leaves the layout's.
int ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                   const QStringList& buttonTexts, int count);

/// As above with as many buttons as texts given.
int ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                   const QStringList& buttonTexts);

}  // namespace qb::windows

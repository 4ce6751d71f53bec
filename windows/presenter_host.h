#pragma once
/// What the main view's presenter needs from the window that owns it: the modal dialogs, the
/// status line and the title of the loading window.
/// The main window implements it; tests implement it with scripted answers. Every call
/// happens on the UI thread.

#include <QString>
#include <QStringList>

namespace qb {

class PresenterHost {
 public:
  virtual ~PresenterHost() = default;
  /// The message box: up to three button texts (language keys); 1 confirm, 0 cancel or
  /// close, 2 the third button.
  virtual int ShowMessage(const QString& title, const QString& text, const QStringList& buttons) = 0;
  /// The confirm dialog of a yes/no question (the layout's own buttons).
  virtual int ShowConfirm(const QString& title, const QString& text) = 0;
  /// The choice box: `text` answered by one of two options (language keys); 1 for the first,
  /// 2 for the second, 0 when cancelled. A host without one answers 0.
  virtual int ShowChoice(const QString& /*title*/, const QString& /*text*/, const QString& /*choice1*/,
                         const QString& /*choice2*/) {
    return 0;
  }
  /// A confirmation that needs no answer (a file saved, the undo history emptied): shown on
  /// the status line, which fades by itself. Texts raised by one action share the line.
  virtual void ShowStatus(const QString& /*text*/) {}
  /// The text (a language key) the loading window shows for the next long operation the
  /// core starts; without one it says "${loading}".
  virtual void NameNextTask(const QString& /*textKey*/) {}
};

}  // namespace qb

#pragma once
/// What the program's small modal windows share: the display scale taken from the opening
/// window, the close codes of the common buttons, controls bound once by name with a loud
/// refusal when the layout lacks one, and a modal run that never shows a half-bound window.

#include <QPointer>
#include <QString>
#include <functional>
#include <utility>

#include "ui/window_base.h"

namespace qb::windows {

/// Close codes of the dialogs.
inline constexpr int kCodeCancel = 0;   ///< "cancel_btn", "closebtn", the platform's close
inline constexpr int kCodeConfirm = 1;  ///< "confirm_btn"
inline constexpr int kCodeThird = 2;    ///< "third_btn"

/// The close code of a common dialog button by its layout name, compared in any case:
/// "closebtn" and "cancel_btn" 0, "confirm_btn" 1, "third_btn" 2; -1 for every other name.
/// Used when a dialog binds its buttons, never when one is clicked.
int CommonButtonCode(const QString& name);

/// The display scale (DPI number) a dialog opened by `owner` takes: that of the program window
/// holding `owner`, or 96 when there is none.
int OwnerDisplayScale(const QWidget* owner);

class DialogBase : public ui::WindowBase {
  Q_OBJECT
 public:
  /// `owner` is the opening window; it is blocked while the dialog runs modally.
  explicit DialogBase(QWidget* owner);

  /// Builds the layout under `windowName` (Create) and checks that every required control was
  /// found. False (logged) when the layout is missing or lacks a required control; such a
  /// window must not be shown.
  bool Build(const QString& windowName);
  bool IsBuilt() const { return m_built; }

  /// Runs a built window modally and returns its close code; a window that was not built is
  /// refused with kCodeCancel without being shown.
  int Run();

  /// The dialogs' own controls come from the program's control factory like every window's.
  QWidget* CreateControl(const QString& className, QWidget* parent) override;

 protected:
  /// First step of every dialog's OnInit: take the opener's display scale.
  void ApplyOwnerScale();

  /// Binds the common buttons the layout has ("closebtn", "cancel_btn", "confirm_btn",
  /// "third_btn", in any case) to `onCode` with their close codes; without `onCode` each
  /// closes the dialog with its code.
  void BindCommonButtons(std::function<void(int code)> onCode = {});

  /// The control named `name` of class T. A missing one is logged and makes Build() fail.
  template <typename T>
  T* Require(const QString& name) {
    T* control = Find<T>(name);
    if (!control) ReportMissing(name);
    return control;
  }

  /// Shows `title` in the "MessageTitle" control (when given) and as the window title, so a box
  /// can be found by its title. An empty title leaves the layout's texts.
  void ShowTitle(QWidget* titleControl, const QString& title);

  /// Sets a control's text (usually a language key); an empty text leaves the layout's text.
  static void SetTextUnlessEmpty(QWidget* control, const QString& text);

 private:
  void ReportMissing(const QString& name);

  bool m_built = false;
  bool m_missingControl = false;
};

/// Owns a dialog made for one run. A dialog is a child of its owner, and the owner may delete
/// its children while the dialog is open; the holder then finds the dialog gone rather than
/// deleting it a second time (which a dialog on the stack would).
template <typename T>
class DialogHolder {
 public:
  template <typename... Args>
  explicit DialogHolder(Args&&... args) : m_dialog(new T(std::forward<Args>(args)...)) {}
  ~DialogHolder() { delete m_dialog.data(); }
  DialogHolder(const DialogHolder&) = delete;
  DialogHolder& operator=(const DialogHolder&) = delete;

  T* get() const { return m_dialog.data(); }
  T* operator->() const { return m_dialog.data(); }
  explicit operator bool() const { return !m_dialog.isNull(); }

 private:
  QPointer<T> m_dialog;
};

}  // namespace qb::windows

#pragma once
/// The base of every window of the program: builds its layout from the skin by layout id,
/// runs an initialisation hook, routes control notifications and posted messages to the
/// window's handlers, closes with a code, and runs modally returning that code. Enter goes
/// to the focused control; Escape never closes a window.

#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "messages/reply_message.h"
#include "ui/bindings.h"
#include "ui/notification.h"

namespace qb::ui {

class MessagePort;
class PopupMenu;
struct MenuClickRecord;

class WindowBase : public QWidget {
  Q_OBJECT
 public:
  /// `owner` is the opening window (dialogs) or null (the main window).
  explicit WindowBase(QWidget* owner = nullptr);
  ~WindowBase() override;

  virtual QString ClassName() const = 0;
  virtual QString LayoutId() const = 0;

  /// Builds the layout named by LayoutId() and runs OnInit(). Returns false (and logs) when
  /// the layout cannot be found or built; *error then says why.
  bool Create(const QString& windowName, QString* error = nullptr);
  /// Centres on the owner, or on the screen without one.
  void CentreWindow();
  /// Shows the window modally (owner blocked) and returns the code given to Close().
  int ShowModal();
  /// Ends the window with a code: ends a modal run, hides a modeless window.
  void Close(int code);
  bool IsModalRunning() const { return m_modalLoop != nullptr; }
  int CloseCode() const { return m_closeCode; }

  /// The control of that layout name, or null.
  QWidget* FindControl(const QString& name) const;
  template <typename T>
  T* Find(const QString& name) const {
    return qobject_cast<T*>(FindControl(name));
  }

  /// Builds a sub-layout file (skin path) into a container of this window.
  bool InsertLayout(QWidget* container, const QString& skinPath, QString* error = nullptr);

  /// Where other threads post messages for this window.
  std::shared_ptr<MessagePort> Port() const { return m_port; }

  /// The display scale as a DPI number (96 = 100 %); geometry and fonts are scaled to it.
  void SetDisplayScale(int dpi);
  int DisplayScale() const { return m_dpi; }

  /// Resolves every text of the window again (after a language switch) and repaints.
  void Retranslate();

  /// Replaces the window's popup menu (one per window) with one built from a menu file.
  /// Returns null when the file cannot be loaded.
  PopupMenu* OpenMenu(const QString& skinPath);
  PopupMenu* CurrentMenu() const { return m_menu.get(); }

  /// Notification entry used by RaiseNotification; calls Notify().
  void DispatchNotification(Notification& notification);

  /// What the window's controls and menu items do (bound when the window looks them up).
  Bindings& ControlBindings() { return m_bindings; }
  MenuBindings& MenuItemBindings() { return m_menuBindings; }
  /// Shorthand of ControlBindings().On for the window's own handlers.
  template <typename Handler>
  void Bind(const QObject* control, Event event, Handler&& handler) {
    m_bindings.On(control, event, std::forward<Handler>(handler));
  }

  /// Ends every open window of this process whose title reads `title` with `code`.
  static void EndWindowsTitled(const QString& title, int code);
  /// Ends every visible window whose title or object name is `name`, ignoring case (the
  /// program's dialogs are named "msgwnd").
  static void EndWindowsNamed(const QString& name, int code);
  /// Every window of the program that currently exists (UI thread only).
  static QList<WindowBase*> LiveWindows();

  /// Creates one of the program's own controls by class name, or null for the toolkit's.
  virtual QWidget* CreateControl(const QString& className, QWidget* parent);

 protected:
  virtual void OnInit() {}
  /// Every notification of the window's controls: the base runs the handler bound to the
  /// control and event. Before OnInit the base binds "closebtn" (close with code 1) and
  /// "minbtn" (minimise); a window rebinds them as it needs.
  virtual void Notify(Notification& notification);
  /// A menu item was chosen: the base runs its bound handler.
  virtual void OnMenuChosen(const MenuClickRecord& record);
  /// Posted messages; set handled when the message was consumed.
  virtual void HandleCustomMessage(ReplyMessage& message, bool& handled);
  /// The platform asks the window to close (window manager, Alt+F4). The base closes with 0.
  virtual void OnCloseRequest();

  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  int CaptionHeight() const { return m_captionHeight; }

 private:
  std::shared_ptr<MessagePort> m_port;
  std::unique_ptr<PopupMenu> m_menu;
  Bindings m_bindings;
  MenuBindings m_menuBindings;
  QEventLoop* m_modalLoop = nullptr;
  int m_closeCode = 0;
  int m_dpi = 96;
  int m_captionHeight = 0;
  QSize m_baseSize;
  bool m_closing = false;
};

}  // namespace qb::ui

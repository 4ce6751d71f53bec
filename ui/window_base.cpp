#include "ui/window_base.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "shell/log.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"
#include "ui/layout_builder.h"
#include "ui/message_event.h"
#include "ui/message_port.h"
#include "ui/race_annotations.h"
#include "ui/popup_menu.h"
#include "ui/skin.h"
#include "ui/widget_style.h"

namespace qb::ui {
namespace {

/// Every live window, for the searches by title (UI thread only).
QList<WindowBase*>& Registry() {
  static QList<WindowBase*> windows;
  return windows;
}

}  // namespace

WindowBase::WindowBase(QWidget* owner)
    : QWidget(owner, owner ? Qt::Dialog | Qt::FramelessWindowHint : Qt::Window | Qt::FramelessWindowHint),
      m_port(std::make_shared<MessagePort>(this)) {
  Registry().append(this);
}

WindowBase::~WindowBase() {
  // No post may reach this object once its destruction began; pending ones die with it.
  m_port->Detach();
  Registry().removeAll(this);
  if (m_modalLoop) m_modalLoop->exit(0);
}

bool WindowBase::Create(const QString& windowName, QString* error) {
  setObjectName(windowName);
  const QString path = SkinIndex().LayoutPath(LayoutId());
  if (path.isEmpty()) {
    if (error) *error = QStringLiteral("layout id %1 is not in the resource index").arg(LayoutId());
    LogPrintA("layout id %s not found\n", qPrintable(LayoutId()));
    return false;
  }
  const LayoutResult layout = BuildLayout(path, this, *this);
  if (!layout.ok) {
    if (error) *error = layout.error;
    return false;
  }
  m_baseSize = QSize(layout.rootWidth, layout.rootHeight);
  m_captionHeight = layout.captionHeight;
  setFixedSize(m_baseSize);
  setProperty("qbRawText", layout.title);
  setWindowTitle(Tr(layout.title));
  Bind(FindControl(QStringLiteral("closebtn")), Event::Click, [this] { Close(1); });
  Bind(FindControl(QStringLiteral("minbtn")), Event::Click, [this] { showMinimized(); });
  OnInit();
  return true;
}

bool WindowBase::InsertLayout(QWidget* container, const QString& skinPath, QString* error) {
  if (!container) return false;
  const LayoutResult layout = BuildLayout(skinPath, container, *this);
  if (!layout.ok && error) *error = layout.error;
  return layout.ok;
}

void WindowBase::CentreWindow() {
  QRect area;
  if (QWidget* owner = parentWidget()) area = owner->window()->frameGeometry();
  else if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

int WindowBase::ShowModal() {
  QEventLoop loop;
  m_modalLoop = &loop;
  m_closeCode = 0;
  setWindowModality(Qt::ApplicationModal);
  CentreWindow();
  show();
  raise();
  activateWindow();
  // The window may be destroyed while its loop runs (its owner went): touch nothing then.
  const QPointer<WindowBase> alive(this);
  const int code = loop.exec();
  if (!alive) return code;
  m_modalLoop = nullptr;
  hide();
  return code;
}

void WindowBase::Close(int code) {
  m_closeCode = code;
  if (m_modalLoop) {
    m_modalLoop->exit(code);
  } else {
    m_closing = true;
    close();
    m_closing = false;
  }
}

QWidget* WindowBase::FindControl(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  return findChild<QWidget*>(name);
}

void WindowBase::SetDisplayScale(int dpi) {
  if (dpi <= 0) return;
  m_dpi = dpi;
  ApplyScale(this, dpi);
  if (m_baseSize.isValid())
    setFixedSize(int(m_baseSize.width() * dpi / 96), int(m_baseSize.height() * dpi / 96));
}

void WindowBase::Retranslate() {
  RetranslateTree(this);
  setWindowTitle(Tr(property("qbRawText").toString()));
  if (m_menu) m_menu->Retranslate();
  update();
}

PopupMenu* WindowBase::OpenMenu(const QString& skinPath) {
  m_menu.reset();  // one menu per window: the previous one goes first
  QByteArray bytes;
  QString error;
  if (!ReadSkinFile(skinPath, bytes)) {
    LogPrintA("menu %s not found\n", qPrintable(skinPath));
    return nullptr;
  }
  m_menu = PopupMenu::FromXml(bytes, m_port, this, &error);
  if (!m_menu) LogPrintA("menu %s: %s\n", qPrintable(skinPath), qPrintable(error));
  return m_menu.get();
}

void WindowBase::DispatchNotification(Notification& notification) { Notify(notification); }

void WindowBase::EndWindowsTitled(const QString& title, int code) {
  for (WindowBase* window : QList<WindowBase*>(Registry()))
    if (window->isVisible() && window->windowTitle() == title) window->Close(code);
}

void WindowBase::EndWindowsNamed(const QString& name, int code) {
  for (WindowBase* window : QList<WindowBase*>(Registry())) {
    const bool named = window->windowTitle().compare(name, Qt::CaseInsensitive) == 0 ||
                       window->objectName().compare(name, Qt::CaseInsensitive) == 0;
    if (window->isVisible() && named) window->Close(code);
  }
}

QList<WindowBase*> WindowBase::LiveWindows() { return Registry(); }

QWidget* WindowBase::CreateControl(const QString&, QWidget*) { return nullptr; }

void WindowBase::Notify(Notification& notification) { m_bindings.Dispatch(notification); }

void WindowBase::OnMenuChosen(const MenuClickRecord& record) {
  LogPrintA("on menu click %s\n", qPrintable(record.name));
  if (!m_menuBindings.Dispatch(record.name)) LogPrintA("%s not available\n", qPrintable(record.name));
}

void WindowBase::HandleCustomMessage(ReplyMessage&, bool&) {}

void WindowBase::OnCloseRequest() { Close(0); }

bool WindowBase::event(QEvent* event) {
  QB_RECEIVED_HERE(event);  // posted from another thread, possibly
  if (event->type() == MessageEvent::EventType()) {
    ReplyMessage& message = static_cast<MessageEvent*>(event)->Message();
    if (message.number == WM_MENU_CLICK) {
      if (const auto* record = message.RecordAs<MenuClickRecord>()) OnMenuChosen(*record);
      return true;
    }
    bool handled = false;
    HandleCustomMessage(message, handled);
    return true;
  }
  return QWidget::event(event);
}

void WindowBase::keyPressEvent(QKeyEvent* event) {
  // Escape never closes a window of the program; Enter belongs to the focused control.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void WindowBase::closeEvent(QCloseEvent* event) {
  if (m_closing) {  // our own Close(): let it happen
    event->accept();
    return;
  }
  // The platform asks (window manager, Alt+F4): the window decides.
  event->ignore();
  OnCloseRequest();
}

void WindowBase::mousePressEvent(QMouseEvent* event) {
  // The skin draws its own title bar: a press on it moves the window.
  if (event->button() == Qt::LeftButton && event->position().y() < m_captionHeight * m_dpi / 96 &&
      windowHandle()) {
    windowHandle()->startSystemMove();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void WindowBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Notification n{Event::WindowSize, this, width(), height()};
  Notify(n);
}

}  // namespace qb::ui

#pragma once
// A program window for the ui tests: records every notification, menu choice and posted
// message that reaches it, and stands in for the program's own control classes (SButton, Curve, ...) so
// the real layouts build without the controls library.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QString>
#include <QThread>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "ui/attribute_sink.h"
#include "ui/notification.h"
#include "ui/popup_menu.h"
#include "ui/window_base.h"

namespace qb::ui::test {

/// Takes any attribute a layout gives one of the program's own controls.
class StandInControl : public QWidget, public AttributeSink {
 public:
  StandInControl(QString className, QWidget* parent) : QWidget(parent), m_className(std::move(className)) {}
  bool SetAttribute(const QString&, const QString&) override { return true; }
  const QString& ClassName() const { return m_className; }

 private:
  QString m_className;
};

struct SeenNotification {
  QString type;
  QString sender;
  qintptr wParam = 0;
  qintptr lParam = 0;
  int index = 0;
};

struct SeenMessage {
  ReplyMessage message;
  bool onUiThread = false;
};

struct SeenMenuChoice {
  MenuClickRecord record;
  bool onUiThread = false;
};

class RecordingWindow : public WindowBase {
 public:
  explicit RecordingWindow(QString layoutId = QStringLiteral("XML_MSG"), QWidget* owner = nullptr)
      : WindowBase(owner), m_layoutId(std::move(layoutId)) {}

  QString ClassName() const override { return QStringLiteral("TestWnd"); }
  QString LayoutId() const override { return m_layoutId; }

  QWidget* CreateControl(const QString& className, QWidget* parent) override {
    static const QStringList kOwn = {QStringLiteral("SButton"), QStringLiteral("Curve"),
                                     QStringLiteral("CurveAc"), QStringLiteral("CircleProgress")};
    return kOwn.contains(className) ? new StandInControl(className, parent) : nullptr;
  }

  /// "type:sender" of every notification since the last Clear(), window sizes left out.
  QStringList Seen() const {
    QStringList out;
    for (const auto& n : notifications) out << n.type + u':' + n.sender;
    return out;
  }
  void Clear() {
    notifications.clear();
    messages.clear();
    menuChoices.clear();
  }

  std::vector<SeenNotification> notifications;
  std::vector<SeenMessage> messages;
  std::vector<SeenMenuChoice> menuChoices;
  /// Runs inside HandleCustomMessage after the message is recorded.
  std::function<void(const ReplyMessage&)> onMessage;

 protected:
  void Notify(Notification& n) override {
    if (n.event != Event::WindowSize)
      notifications.push_back({n.TypeName(), n.SenderName(), n.wParam, n.lParam, n.SenderIndex()});
    WindowBase::Notify(n);
  }

  void OnMenuChosen(const MenuClickRecord& record) override {
    menuChoices.push_back({record, QThread::currentThread() == thread()});
    WindowBase::OnMenuChosen(record);
  }

  void HandleCustomMessage(ReplyMessage& message, bool& handled) override {
    messages.push_back({std::move(message), QThread::currentThread() == thread()});
    handled = true;
    if (onMessage) onMessage(messages.back().message);
  }

 private:
  QString m_layoutId;
};

/// A key pressed and released on `target`, as the platform would deliver it.
inline void KeyClick(QWidget* target, Qt::Key key, const QString& text = {},
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

/// A left click in the middle of `target`.
inline void MouseClick(QWidget* target) {
  const QPoint centre = target->rect().center();
  SendMouse(target, QEvent::MouseButtonPress, centre, Qt::LeftButton);
  SendMouse(target, QEvent::MouseButtonRelease, centre, Qt::NoButton);
}

/// Shows and activates a top-level window; true once the platform reports it active.
inline bool ShowActive(QWidget* window) {
  window->show();
  window->activateWindow();
  for (int i = 0; i < 100 && QApplication::activeWindow() != window; ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return QApplication::activeWindow() == window;
}

}  // namespace qb::ui::test

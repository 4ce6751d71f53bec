#include "windows/message_box.h"

#include "windows/msg_wnd.h"

namespace qb::windows {
namespace {

const QString& WindowName() {
  static const QString name = QStringLiteral("msgwnd");
  return name;
}

}  // namespace

int ShowMessageBox(QWidget* owner, const QString& title, const QString& text) {
  DialogHolder<CMsgWnd> box(owner, title, text);
  box->Build(WindowName());
  return box->Run();
}

int ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                   const QStringList& buttonTexts, int count) {
  DialogHolder<CMsgWnd> box(owner, title, text);
  box->SetButtons(buttonTexts, count);
  box->Build(WindowName());
  return box->Run();
}

int ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                   const QStringList& buttonTexts) {
  return ShowMessageBox(owner, title, text, buttonTexts, static_cast<int>(buttonTexts.size()));
}

}  // namespace qb::windows

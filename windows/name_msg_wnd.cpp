#include "windows/name_msg_wnd.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <algorithm>

#include "ui/buttons.h"
#include "ui/edit.h"

namespace qb::windows {

QString FitName(const QString& text) {
  if (text.size() <= kMaxNameLength) return text;
  QString fitted = text.left(kMaxNameLength);
  // Half a character is worse than one character less.
  if (fitted.back().isHighSurrogate()) fitted.chop(1);
  return fitted;
}

CNameMsgWnd::CNameMsgWnd(QWidget* owner, QString name)
    : DialogBase(owner), m_name(FitName(name)) {}

void CNameMsgWnd::OnInit() {
  ApplyOwnerScale();
  m_edit = Require<ui::Edit>(QStringLiteral("name_edt"));
  Require<ui::Button>(QStringLiteral("confirm_btn"));
  if (!m_edit) return;
  // The layout states the limit too; the box's slot is what really bounds it.
  const int layoutLimit = m_edit->maxLength();
  m_edit->setMaxLength(std::min(layoutLimit, kMaxNameLength));
  // A name is not a language key: shown as it stands.
  m_edit->setText(m_name);
  m_edit->setFocus(Qt::OtherFocusReason);
  Bind(m_edit, ui::Event::Return, [this] { Accept(); });
  BindCommonButtons([this](int code) {
    if (code == kCodeConfirm) Accept();
    else Close(code);
  });
}

void CNameMsgWnd::Accept() {
  if (m_edit) m_name = FitName(m_edit->text());
  Close(kCodeConfirm);
}

void CNameMsgWnd::showEvent(QShowEvent* event) {
  DialogBase::showEvent(event);
  if (m_edit) m_edit->setFocus(Qt::OtherFocusReason);
}

void CNameMsgWnd::keyPressEvent(QKeyEvent* event) {
  // Typing always goes to the name, wherever the focus wandered.
  if (m_edit && !m_edit->hasFocus() && event->key() != Qt::Key_Escape) {
    m_edit->setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                   event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QCoreApplication::sendEvent(m_edit, &copy);
    event->accept();
    return;
  }
  DialogBase::keyPressEvent(event);
}

int ShowNameEntry(QWidget* owner, QString& name) {
  DialogHolder<CNameMsgWnd> box(owner, name);
  box->Build(QStringLiteral("namemsgwnd"));
  const int code = box->Run();
  if (code == kCodeConfirm && box) name = box->Name();
  return code;
}

}  // namespace qb::windows

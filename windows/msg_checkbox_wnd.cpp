#include "windows/msg_checkbox_wnd.h"

#include <QLabel>

#include "ui/buttons.h"

namespace qb::windows {

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QWidget* owner, QString title, QString text, QString choice0,
                                 QString choice1)
    : DialogBase(owner),
      m_title(std::move(title)),
      m_text(std::move(text)),
      m_choice0(std::move(choice0)),
      m_choice1(std::move(choice1)) {}

void CMsgCheckBoxWnd::OnInit() {
  ApplyOwnerScale();
  m_titleLabel = Require<QLabel>(QStringLiteral("MessageTitle"));
  m_textLabel = Require<QLabel>(QStringLiteral("MessageText"));
  m_option0 = Require<ui::Option>(QStringLiteral("check_box_0"));
  m_option1 = Require<ui::Option>(QStringLiteral("check_box_1"));
  Require<ui::Button>(QStringLiteral("confirm_btn"));
  BindCommonButtons([this](int code) {
    if (code == kCodeConfirm) {
      // An answer is required: confirm without a choice keeps the box open.
      if (const int choice = ConfirmCode(); choice > 0) Close(choice);
    } else if (code == kCodeCancel) {
      Close(kCodeCancel);
    }
  });
  ShowTitle(m_titleLabel, m_title);
  SetTextUnlessEmpty(m_textLabel, m_text);
  if (!m_choice0.isEmpty() && !m_choice1.isEmpty()) {
    SetTextUnlessEmpty(m_option0, m_choice0);
    SetTextUnlessEmpty(m_option1, m_choice1);
  }
}

int CMsgCheckBoxWnd::ConfirmCode() const {
  if (m_option0 && m_option0->IsSelected()) return 1;
  if (m_option1 && m_option1->IsSelected()) return 2;
  return -1;
}

int ShowChoiceBox(QWidget* owner, const QString& title, const QString& text,
                  const QString& choice0, const QString& choice1) {
  DialogHolder<CMsgCheckBoxWnd> box(owner, title, text, choice0, choice1);
  box->Build(QStringLiteral("msgcbwnd"));
  return box->Run();
}

}  // namespace qb::windows

#include "windows/msg_wnd.h"

#include <QLabel>
#include <algorithm>

#include "ui/buttons.h"

namespace qb::windows {

CMsgWnd::CMsgWnd(QWidget* owner, QString title, QString text)
    : DialogBase(owner), m_title(std::move(title)), m_text(std::move(text)) {}

void CMsgWnd::SetButtons(const QStringList& texts, int count) {
  m_buttonTexts = texts;
  m_buttonCount = std::clamp(count, 1, kMaxButtons);
}

void CMsgWnd::OnInit() {
  ApplyOwnerScale();
  m_titleLabel = Require<QLabel>(QStringLiteral("MessageTitle"));
  m_textLabel = Require<QLabel>(QStringLiteral("MessageText"));
  m_confirm = Require<ui::Button>(QStringLiteral("confirm_btn"));
  m_cancel = Require<ui::Button>(QStringLiteral("cancel_btn"));
  m_third = Require<ui::Button>(QStringLiteral("third_btn"));
  ShowTitle(m_titleLabel, m_title);
  SetTextUnlessEmpty(m_textLabel, m_text);
  // A message may name a device node or a command to type: let the user copy it.
  if (m_textLabel) m_textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ApplyButtons();
  FitText();
  BindCommonButtons();
}

void CMsgWnd::FitText() {
  if (!m_textLabel) return;
  m_textLabel->ensurePolished();  // the skin's font decides how many lines the text takes
  const int extra = m_textLabel->heightForWidth(m_textLabel->width()) - m_textLabel->height();
  if (extra <= 0) return;
  const int textBottom = m_textLabel->geometry().bottom();
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child == m_textLabel) continue;
    if (child->y() > textBottom) child->move(child->x(), child->y() + extra);  // the buttons
    else if (child->geometry().bottom() > textBottom) child->resize(child->width(), child->height() + extra);  // the frame
  }
  m_textLabel->resize(m_textLabel->width(), m_textLabel->height() + extra);
  setFixedSize(width(), height() + extra);
}

void CMsgWnd::ApplyButtons() {
  if (m_buttonCount == 0 || !m_confirm || !m_cancel || !m_third) return;
  SetTextUnlessEmpty(m_confirm, m_buttonTexts.value(0));
  m_cancel->setVisible(m_buttonCount >= 2);
  if (m_buttonCount >= 2) SetTextUnlessEmpty(m_cancel, m_buttonTexts.value(1));
  m_third->setVisible(m_buttonCount == kMaxButtons);
  if (m_buttonCount == kMaxButtons) SetTextUnlessEmpty(m_third, m_buttonTexts.value(2));
}

}  // namespace qb::windows

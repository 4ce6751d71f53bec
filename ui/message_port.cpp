#include "ui/message_port.h"

#include <QCoreApplication>

#include "ui/message_event.h"

namespace qb::ui {

bool MessagePort::PostReplyMessage(ReplyMessage&& message) {
  std::lock_guard lock(m_mutex);
  if (!m_receiver) return false;  // the message (and its record) dies with this call
  QCoreApplication::postEvent(m_receiver, new MessageEvent(std::move(message)));
  return true;
}

bool MessagePort::Post(std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam) {
  ReplyMessage message;
  message.number = number;
  message.wParam = wParam;
  message.lParam = lParam;
  return PostReplyMessage(std::move(message));
}

void MessagePort::Detach() {
  std::lock_guard lock(m_mutex);
  m_receiver = nullptr;
}

}  // namespace qb::ui

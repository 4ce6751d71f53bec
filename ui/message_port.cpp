#include "ui/message_port.h"

#include <QCoreApplication>

#include "ui/message_event.h"
#include "ui/race_annotations.h"

namespace qb::ui {

bool MessagePort::PostReplyMessage(ReplyMessage&& message) {
  std::lock_guard lock(m_mutex);
  if (!m_receiver) return false;  // the message (and its record) dies with this call
  auto* event = new MessageEvent(std::move(message));
  QB_POSTED_FROM_HERE(event);
  QCoreApplication::postEvent(m_receiver, event);
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

#include "ui/message_event.h"

namespace qb::ui {

MessageEvent::MessageEvent(ReplyMessage&& message) : QEvent(EventType()), m_message(std::move(message)) {}

QEvent::Type MessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace qb::ui

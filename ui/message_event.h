#pragma once
/// The event that carries a posted message to a window's thread.

#include <QEvent>

#include "messages/reply_message.h"

namespace qb::ui {

class MessageEvent final : public QEvent {
 public:
  explicit MessageEvent(ReplyMessage&& message);
  static QEvent::Type EventType();
  ReplyMessage& Message() { return m_message; }

 private:
  ReplyMessage m_message;
};

}  // namespace qb::ui

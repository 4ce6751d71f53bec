#pragma once
/// The address other threads post messages to. A window owns one port; the port outlives
/// the window in the hands of posters (shared ownership) and is detached when the window
/// goes, so a late post is refused and its record destroyed instead of reaching a dead window.

#include <memory>
#include <mutex>

#include "messages/reply_message.h"

class QObject;

namespace qb::ui {

class MessagePort final : public MessageTarget {
 public:
  explicit MessagePort(QObject* receiver) : m_receiver(receiver) {}

  /// Thread-safe. Queues the message to the receiver's thread; false (message destroyed)
  /// once the receiver is detached.
  bool PostReplyMessage(ReplyMessage&& message) override;
  /// Convenience for messages without a record.
  bool Post(std::uint32_t number, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

  /// Called by the receiver before it is destroyed; no post reaches it afterwards.
  void Detach();

 private:
  std::mutex m_mutex;  ///< guards m_receiver against a post racing the detach
  QObject* m_receiver;
};

}  // namespace qb::ui

#include "core/message_queue.h"

namespace qb {

bool MessageQueue::PostReplyMessage(ReplyMessage&& message) {
  {
    std::lock_guard lock(m_lock);
    m_messages.push_back(std::move(message));
  }
  m_arrived.notify_one();
  return true;
}

std::optional<ReplyMessage> MessageQueue::Take(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  if (!m_arrived.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) return std::nullopt;
  ReplyMessage message = std::move(m_messages.front());
  m_messages.pop_front();
  return message;
}

std::size_t MessageQueue::Size() const {
  std::lock_guard lock(m_lock);
  return m_messages.size();
}

}  // namespace qb

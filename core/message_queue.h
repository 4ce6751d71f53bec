#pragma once
/// A message target for front ends without a window (the command-line tool, tests of the
/// core): posts from any thread are queued, and the owning thread takes them one by one
/// and hands them to EqualizerManager::HandleMessage.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "messages/reply_message.h"

namespace qb {

class MessageQueue final : public MessageTarget {
 public:
  /// Thread-safe; always accepts.
  bool PostReplyMessage(ReplyMessage&& message) override;
  /// The oldest message, waiting up to `timeout` for one; nothing when none came.
  std::optional<ReplyMessage> Take(std::chrono::milliseconds timeout);
  std::size_t Size() const;

 private:
  mutable std::mutex m_lock;  ///< guards m_messages
  std::condition_variable m_arrived;
  std::deque<ReplyMessage> m_messages;
};

}  // namespace qb

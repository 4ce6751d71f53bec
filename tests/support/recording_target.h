#pragma once
// A message target that keeps every message it is given, for tests to inspect.

#include <mutex>
#include <vector>

#include "messages/reply_message.h"

namespace qb::test {

class RecordingTarget final : public MessageTarget {
 public:
  bool PostReplyMessage(ReplyMessage&& message) override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.push_back(std::move(message));
    return true;
  }
  /// Takes every message received so far.
  std::vector<ReplyMessage> Take() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_messages, {});
  }

 private:
  std::mutex m_lock;
  std::vector<ReplyMessage> m_messages;
};

}  // namespace qb::test

#include "devicelink/reply_targets.h"

namespace qb {

void ReplyTargets::Register(ReplySlot slot, MessageTarget* target) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_targets[static_cast<std::size_t>(slot)] = target;
}

void ReplyTargets::Unregister(MessageTarget* target) {
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto& registered : m_targets) {
    if (registered == target) registered = nullptr;
  }
}

MessageTarget* ReplyTargets::Registered(ReplySlot slot) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_targets[static_cast<std::size_t>(slot)];
}

bool ReplyTargets::Post(ReplySlot slot, ReplyMessage&& message) {
  ReplyMessage owned = std::move(message);  // destroyed here unless the target takes it
  std::lock_guard<std::mutex> lock(m_lock);
  MessageTarget* target = m_targets[static_cast<std::size_t>(slot)];
  if (target == nullptr) return false;
  return target->PostReplyMessage(std::move(owned));
}

}  // namespace qb

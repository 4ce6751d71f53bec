#pragma once
/// The five registration slots through which decoded replies reach their windows.
/// Posting and (de)registration share one lock, so once a window has deregistered, no
/// thread posts to it any more: a window deregisters before it is destroyed.

#include <array>
#include <cstddef>
#include <mutex>

#include "messages/reply_message.h"

namespace qb {

enum class ReplySlot : std::size_t {
  MainWindowHandle,
  SceneWindowHandle,
  CalibrationWindowHandle,
  NoiseWindowHandle,
  MemoryWindowHandle,
};
inline constexpr std::size_t kReplySlotCount = 5;

class ReplyTargets {
 public:
  /// Stores `target` in `slot`; null empties the slot.
  void Register(ReplySlot slot, MessageTarget* target);
  /// Removes `target` from every slot that holds it.
  void Unregister(MessageTarget* target);
  MessageTarget* Registered(ReplySlot slot) const;
  /// Hands `message` to the slot's target. Returns false, destroying the message and its
  /// record, when the slot is empty or the target refuses it.
  bool Post(ReplySlot slot, ReplyMessage&& message);

 private:
  mutable std::mutex m_lock;  ///< guards m_targets and every post through them
  std::array<MessageTarget*, kReplySlotCount> m_targets{};
};

}  // namespace qb

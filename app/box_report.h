#pragma once
// Until the windows exist, the program reads the box's state once and prints it: a message
// target that turns decoded replies into readable lines, and the read-out that asks for them.

#include <mutex>
#include <string>
#include <vector>

#include "devicelink/reply_message.h"

namespace qb {

class DeviceLink;

/// Collects decoded replies as text lines; the link's reading thread posts, main prints.
class BoxReport final : public MessageTarget {
 public:
  bool PostReplyMessage(ReplyMessage&& message) override;
  /// Takes the lines collected so far.
  std::vector<std::string> TakeLines();

 private:
  std::mutex m_lock;  ///< guards m_lines
  std::vector<std::string> m_lines;
};

/// Says hello to an open box, asks for its handshake and its live state, and returns false
/// when the box did not answer the handshake.
bool ReadBoxState(DeviceLink& link);

}  // namespace qb

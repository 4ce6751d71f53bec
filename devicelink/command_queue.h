#pragma once
/// The FIFO of commands waiting for the link's worker. Any thread may append; one worker
/// takes. Unbounded; FIFO order; nothing is lost while it lives.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace qb {

/// A command's payload bytes, owned by whoever holds the value: the caller, a queue entry
/// or the worker.
using Payload = std::vector<std::uint8_t>;

struct CommandDescriptor {
  std::uint8_t mcmd = 0;    ///< packet type
  std::uint8_t subcmd = 0;  ///< command id
  std::uint8_t optype = 0;  ///< operation type
  Payload payload;
};

class CommandQueue {
 public:
  void Push(CommandDescriptor command);
  /// The oldest entry, waiting up to `wait` for one to arrive (less once Wake was called).
  std::optional<CommandDescriptor> Pop(std::chrono::milliseconds wait);
  /// Ends every present and future wait of Pop at once; used when the worker stops.
  void Wake();
  /// Takes every entry, oldest first.
  std::deque<CommandDescriptor> TakeAll();
  std::size_t Size() const;

 private:
  mutable std::mutex m_lock;  ///< guards m_entries and m_woken
  std::condition_variable m_pushed;
  std::deque<CommandDescriptor> m_entries;
  bool m_woken = false;
};

}  // namespace qb

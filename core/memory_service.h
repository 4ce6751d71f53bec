#pragma once
/// Single 32-bit words of the box's DSP memory, read and written by address: a service
/// function for people who know the DSP's memory map. The box answers a read with a
/// WM_MEM_REPLY (MemDataRecord) posted to the attached window, never to the main window,
/// so only whoever asked sees the word.
///
/// Threads: the owning thread of the session; the answer is posted from whichever thread
/// read it.

#include <cstdint>
#include <optional>

#include "messages/reply_message.h"

namespace qb {

class DeviceLink;

/// One word of the DSP's memory as the box reported it.
struct MemoryWord {
  std::uint32_t address = 0;
  std::uint32_t data = 0;
};

/// The word a WM_MEM_REPLY carries; nothing for any other message or one without its record.
std::optional<MemoryWord> MemoryWordOf(const ReplyMessage& message);

class MemoryService {
 public:
  explicit MemoryService(DeviceLink& link) : m_link(link) {}

  /// Where the box's memory words go: the memory window while it is open. A window
  /// detaches before it goes, so a late answer is dropped instead of reaching it.
  void AttachWindow(MessageTarget* target);
  void DetachWindow(MessageTarget* target);

  /// Asks the box for the word at `address`: sent at once, waiting for the box's report.
  /// True when a report came back; the word itself arrives as a posted message.
  bool Read(std::uint32_t address);

  /// Queues the write of `data` to `address`. False, sending nothing, while the link does
  /// not take queued commands (no box connected, or a long operation owns it): the link
  /// would drop the command without a word, and the caller must tell the user instead.
  bool Write(std::uint32_t address, std::uint32_t data);

 private:
  DeviceLink& m_link;
};

}  // namespace qb

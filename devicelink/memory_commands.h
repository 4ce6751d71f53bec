#pragma once
/// Reading and writing single 32-bit words of the box's DSP memory (DSP_PACKET id 66,
/// DSP_MEM_DATA), a service function of the memory window, and the decoder that posts the
/// box's answer to that window (MemoryWindowHandle) as WM_MEM_REPLY.
///
/// Address and data travel as 32-bit little-endian words, address first.

#include <cstdint>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"
#include "messages/reply_message.h"

namespace qb {

/// The word at one DSP memory address (WM_MEM_REPLY, wParam DSP_MEM_DATA).
struct MemDataRecord final : ReplyRecord {
  std::uint32_t address = 0;
  std::uint32_t data = 0;
};

/// Asks for the word at `address` (the data field of the request is sent as 0). Sends at
/// once, waits kWaitDefaultMs and returns true when a report came back.
bool Get_MemData(DeviceLink& link, std::uint32_t address);

/// Writes `data` to `address`, following the link's send rule with kWaitDefaultMs.
void Set_MemData(DeviceLink& link, std::uint32_t address, std::uint32_t data, bool immediate);

/// Decoder of the memory report (OP_UPDATE with address and data, 8 bytes): one
/// MemDataRecord. A shorter report is dropped rather than shown with a made-up word.
DecoderTable MemoryReplyDecoders();

}  // namespace qb

#pragma once
// What the box must receive for a command, and a way to run one decoder on a frame held in
// a buffer of exactly its size (so the address sanitizer sees any read past the frame).

#include <cstdint>

#include "devicelink/reply_decoders.h"
#include "tests/support/scripted_hid.h"

namespace qb {
class DeviceLink;
}

namespace qb::test {

/// The 65-byte output report of a command: report id 0, AA 55, LEN, type, id, operation,
/// payload, checksum (computed here on its own, not by the code under test), zero padding.
Bytes CommandReport(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                    const Bytes& payload);

/// Runs `table`'s decoder of (packetType, commandId) on a frame of exactly command id,
/// operation and payload. Returns false when the table has no decoder for it.
bool DecodeWithTable(DecoderTable table, DeviceLink& link, std::uint8_t packetType,
                     std::uint8_t commandId, std::uint8_t opType, const Bytes& payload);

}  // namespace qb::test

#pragma once
/// Reply frames, box to PC: sync 0xAA 0x55, LEN, packet type, command id, operation type,
/// payload, checksum (the same sum rule as commands), and how frames are laid into 64-byte
/// input reports.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "simulator/box_context.h"

namespace qb::sim {

/// The frame bytes from the first sync byte to the checksum; empty when `payload` is longer
/// than kMaxReplyPayload.
std::vector<std::uint8_t> BuildReplyFrame(std::uint8_t packetType, std::uint8_t commandId,
                                          std::uint8_t opType,
                                          std::span<const std::uint8_t> payload);

/// The command in one 65-byte output report (report id first, frame from offset 1), or
/// nothing when the report does not hold a frame whose length and checksum are right.
std::optional<BoxCommand> ParseCommandReport(std::span<const std::uint8_t> report);

}  // namespace qb::sim

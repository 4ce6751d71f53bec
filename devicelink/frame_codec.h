#pragma once
/// Command frames, PC to box: report id 0, sync 0xAA 0x55, LEN, packet type, command id,
/// operation type, payload, checksum, zero padding to 65 bytes. Pure functions, no I/O.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qb {

inline constexpr std::size_t kOutputReportSize = 65;  ///< report id + 64 data bytes
inline constexpr std::size_t kInputReportSize = 64;   ///< no report id on input
inline constexpr std::uint8_t kSync1 = 0xAA;
inline constexpr std::uint8_t kSync2 = 0x55;
/// 7 header bytes + payload + checksum must fit one 65-byte report.
inline constexpr std::size_t kMaxPayload = kOutputReportSize - 8;

using OutputReport = std::array<std::uint8_t, kOutputReportSize>;

/// The two's complement of the sum of `bytes`, modulo 256. Summed over LEN, packet type,
/// command id, operation type and payload it gives a frame's checksum byte.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes);

/// Builds the output report of one command. Returns false, leaving `report` zeroed, when
/// the payload is longer than kMaxPayload.
bool BuildCommandFrame(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                       std::span<const std::uint8_t> payload, OutputReport& report);

}  // namespace qb

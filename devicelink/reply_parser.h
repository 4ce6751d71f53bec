#pragma once
/// Finds reply frames in the byte stream from the box: 0xAA 0x55 LEN type data... checksum.
/// The parser keeps its state between reports, so a frame may span two input reports.

#include <array>
#include <cstdint>
#include <span>

namespace qb {

/// One checked reply frame. `data` holds LEN - 1 bytes: command id, operation type and
/// LEN - 3 payload bytes. It points into the parser and is valid only during the call.
struct ReplyFrame {
  std::uint8_t packetType = 0;
  std::uint8_t len = 0;
  std::span<const std::uint8_t> data;

  std::uint8_t CommandId() const { return data[0]; }
  std::uint8_t OpType() const { return data[1]; }
  std::span<const std::uint8_t> Payload() const { return data.subspan(2); }
};

/// Receives every frame whose checksum matched.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void OnFrame(const ReplyFrame& frame) = 0;
};

/// The 32-bit checksum value of a reply frame: minus the sum of LEN, the packet type and
/// the LEN - 1 data bytes. Its low byte must equal the frame's checksum byte.
std::uint32_t packet_checksum(std::uint8_t len, std::uint8_t packetType,
                              std::span<const std::uint8_t> data);

class ReplyParser {
 public:
  static constexpr std::size_t kDataCapacity = 60;

  /// Advances the state machine by one byte; hands a complete, valid frame to `sink`.
  /// Frames with a wrong checksum, frames longer than the data buffer and frames too short
  /// to hold a command id and an operation type (LEN 1 or 2) are dropped.
  void packet_process(std::uint8_t byte, FrameSink& sink);

  /// 0 looking for 0xAA, 1 for 0x55, 2 expecting LEN, 3 the packet type, 4+ frame index.
  std::uint32_t State() const { return m_state; }

 private:
  std::uint32_t m_state = 0;
  std::uint8_t m_len = 0;
  std::uint8_t m_packetType = 0;
  std::array<std::uint8_t, kDataCapacity> m_data{};
};

}  // namespace qb

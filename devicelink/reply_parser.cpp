#include "devicelink/reply_parser.h"

#include "devicelink/frame_codec.h"
#include "shell/log.h"

namespace qb {
namespace {
/// The state index at which a frame that never reached its checksum is abandoned.
constexpr std::uint32_t kAbandonIndex = 64;
/// LEN counts the packet type, command id and operation type: below 3 a frame cannot
/// carry the id and type its decoder reads.
constexpr std::uint8_t kMinReplyLen = 3;
}  // namespace

std::uint32_t packet_checksum(std::uint8_t len, std::uint8_t packetType,
                              std::span<const std::uint8_t> data) {
  std::uint32_t sum = std::uint32_t{len} + packetType;
  for (std::uint8_t b : data) sum += b;
  const std::uint32_t result = 0u - sum;
  LogPrintA("packet_checksum: temp_sum(0x%08x)\n", result);
  return result;
}

void ReplyParser::packet_process(std::uint8_t byte, FrameSink& sink) {
  switch (m_state) {
    case 0:
      if (byte == kSync1) m_state = 1;
      return;
    case 1:
      // Keeps looking for 0x55; it does not fall back to looking for 0xAA.
      if (byte == kSync2) m_state = 2;
      return;
    case 2:
      m_len = byte;
      m_state = 3;
      return;
    case 3:
      m_packetType = byte;
      m_state = 4;
      return;
    default:
      break;
  }

  if (LogEnabled()) {
    LogPrintA("packet_process: temp_index(0x%08x), packet_length(0x%08x), packet_byte(0x%08x)\n",
              m_state, m_len + 3u, byte);
  }
  if (m_state == m_len + 3u) {
    m_state = 0;
    if (m_len < kMinReplyLen) {
      LogPrintA("packet_process: frame of length %u too short, dropped\n", unsigned{m_len});
      return;
    }
    const std::span<const std::uint8_t> data(m_data.data(), m_len - 1u);
    if ((packet_checksum(m_len, m_packetType, data) & 0xFFu) == byte) {
      sink.OnFrame(ReplyFrame{m_packetType, m_len, data});
    }
    return;
  }
  if (m_state >= kAbandonIndex) {
    m_state = 0;
    return;
  }
  m_data[m_state - 4] = byte;
  ++m_state;
}

}  // namespace qb

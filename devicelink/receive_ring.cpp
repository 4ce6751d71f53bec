#include "devicelink/receive_ring.h"

#include "shell/log.h"

namespace qb {

bool ReceiveRing::Append(std::uint8_t byte) {
  const std::uint32_t next = (m_write + 1) % kCapacity;
  if (next == m_read) {
    LogPrintA("ReceiveRing full, byte 0x%02x dropped\n", byte);
    return false;
  }
  m_bytes[m_write] = byte;
  m_write = next;
  return true;
}

bool ReceiveRing::Take(std::uint8_t& byte) {
  if (Empty()) return false;
  byte = m_bytes[m_read];
  m_read = (m_read + 1) % kCapacity;
  return true;
}

}  // namespace qb

#pragma once
/// Received bytes waiting for the reply parser. Unlike a plain overwrite ring, an append to
/// a full ring drops the new byte (and says so in the log): unread bytes are never lost to
/// later ones, so a frame already half-collected stays intact.

#include <array>
#include <cstdint>

namespace qb {

class ReceiveRing {
 public:
  static constexpr std::uint32_t kCapacity = 1024;

  /// Stores one byte. Returns false, dropping it, when 1023 bytes are already unread.
  bool Append(std::uint8_t byte);
  /// Takes the oldest unread byte. Returns false when the ring is empty.
  bool Take(std::uint8_t& byte);
  bool Empty() const { return m_read == m_write; }
  std::uint32_t Size() const { return (m_write + kCapacity - m_read) % kCapacity; }
  /// Forgets every unread byte (an upgrade starts from an empty ring).
  void Reset() { m_read = m_write = 0; }

 private:
  std::array<std::uint8_t, kCapacity> m_bytes{};
  std::uint32_t m_write = 0;
  std::uint32_t m_read = 0;
};

}  // namespace qb

#pragma once
/// Reading command payloads and writing reply payloads: the channel-range header most DSP
/// commands share, range clipping, and a small byte writer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qb::sim {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

/// The four bytes scene, source, first, last that open channel commands and replies.
struct RangeHeader {
  std::uint8_t scene = 0;
  std::uint8_t source = 0;
  std::uint8_t first = 0;
  std::uint8_t last = 0;
};
inline constexpr std::size_t kRangeHeaderBytes = 4;

/// The header at the start of `payload`, or nothing when fewer than four bytes came.
std::optional<RangeHeader> ReadRangeHeader(ByteSpan payload);

/// Items first..last inclusive; 0 when last < first.
int RangeCount(int first, int last);

/// The last item a reply can report for a request first..last: clipped to the items that
/// exist (0..itemCount-1) and to those whose `width`-byte fields fit `room` bytes. The result
/// is below `first` when nothing can be reported, so a reader's loop runs zero times.
int ClipLast(int first, int last, int itemCount, std::size_t room, std::size_t width);

/// The bytes of `payload` from `offset` for `width` bytes, or nothing when they are missing.
std::optional<ByteSpan> Field(ByteSpan payload, std::size_t offset, std::size_t width);

/// Appends bytes to a reply payload.
class PayloadWriter {
 public:
  /// Room for one whole reply frame up front, so that appending never reallocates.
  PayloadWriter() { m_bytes.reserve(kReserveBytes); }
  PayloadWriter& Put(std::uint8_t b) {
    m_bytes.push_back(b);
    return *this;
  }
  template <std::size_t N>
  PayloadWriter& Put(const std::array<std::uint8_t, N>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  PayloadWriter& Put(ByteSpan bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::size_t Size() const { return m_bytes.size(); }
  /// Overwrites every byte from `offset` on with `value` (blank flash reads 0xFF).
  void FillFrom(std::size_t offset, std::uint8_t value);
  const std::vector<std::uint8_t>& Data() const { return m_bytes; }

 private:
  static constexpr std::size_t kReserveBytes = 64;
  std::vector<std::uint8_t> m_bytes;
};

}  // namespace qb::sim

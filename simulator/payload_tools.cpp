#include "simulator/payload_tools.h"

#include <algorithm>

namespace qb::sim {

std::optional<RangeHeader> ReadRangeHeader(ByteSpan payload) {
  if (payload.size() < kRangeHeaderBytes) return std::nullopt;
  return RangeHeader{payload[0], payload[1], payload[2], payload[3]};
}

int RangeCount(int first, int last) { return last < first ? 0 : last - first + 1; }

int ClipLast(int first, int last, int itemCount, std::size_t room, std::size_t width) {
  const int fitting = width == 0 ? itemCount : static_cast<int>(room / width);
  return std::min({last, itemCount - 1, first + fitting - 1});
}

std::optional<ByteSpan> Field(ByteSpan payload, std::size_t offset, std::size_t width) {
  if (offset > payload.size() || payload.size() - offset < width) return std::nullopt;
  return payload.subspan(offset, width);
}

void PayloadWriter::FillFrom(std::size_t offset, std::uint8_t value) {
  if (offset < m_bytes.size()) std::fill(m_bytes.begin() + static_cast<long>(offset), m_bytes.end(), value);
}

}  // namespace qb::sim

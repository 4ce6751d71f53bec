#include "devicelink/frame_codec.h"

#include <algorithm>

namespace qb {

std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(0u - sum);
}

bool BuildCommandFrame(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                       std::span<const std::uint8_t> payload, OutputReport& report) {
  report.fill(0);
  if (payload.size() > kMaxPayload) return false;
  const auto n = payload.size();
  report[1] = kSync1;
  report[2] = kSync2;
  report[3] = static_cast<std::uint8_t>(n + 3);
  report[4] = packetType;
  report[5] = commandId;
  report[6] = opType;
  std::copy(payload.begin(), payload.end(), report.begin() + 7);
  report[7 + n] = FrameChecksum(std::span<const std::uint8_t>(report).subspan(3, n + 4));
  return true;
}

}  // namespace qb

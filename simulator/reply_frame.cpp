#include "simulator/reply_frame.h"

#include "devicelink/frame_codec.h"

namespace qb::sim {
namespace {

/// Offsets inside an output report: report id, sync, sync, LEN, type, id, op, payload.
constexpr std::size_t kLenAt = 3;
constexpr std::size_t kPayloadAt = 7;
/// LEN counts the three header bytes (type, id, op) and the payload.
constexpr std::size_t kHeaderInLen = 3;

}  // namespace

std::vector<std::uint8_t> BuildReplyFrame(std::uint8_t packetType, std::uint8_t commandId,
                                          std::uint8_t opType,
                                          std::span<const std::uint8_t> payload) {
  if (payload.size() > kMaxReplyPayload) return {};
  std::vector<std::uint8_t> frame{kSync1, kSync2,
                                  static_cast<std::uint8_t>(payload.size() + kHeaderInLen),
                                  packetType, commandId, opType};
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(FrameChecksum(std::span<const std::uint8_t>(frame).subspan(2)));
  return frame;
}

std::optional<BoxCommand> ParseCommandReport(std::span<const std::uint8_t> report) {
  if (report.size() <= kPayloadAt || report[1] != kSync1 || report[2] != kSync2) {
    return std::nullopt;
  }
  const std::size_t len = report[kLenAt];
  // The checksum sits at kLenAt + 1 + len and must lie inside the report.
  if (len < kHeaderInLen || kLenAt + 1 + len >= report.size()) return std::nullopt;
  const auto summed = report.subspan(kLenAt, len + 1);
  if (FrameChecksum(summed) != report[kLenAt + 1 + len]) return std::nullopt;
  BoxCommand command;
  command.packetType = report[4];
  command.commandId = report[5];
  command.opType = report[6];
  const auto payload = report.subspan(kPayloadAt, len - kHeaderInLen);
  command.payload.assign(payload.begin(), payload.end());
  return command;
}

}  // namespace qb::sim

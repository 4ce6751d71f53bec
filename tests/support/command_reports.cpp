#include "tests/support/command_reports.h"

#include <algorithm>

namespace qb::test {

Bytes CommandReport(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                    const Bytes& payload) {
  Bytes report(65, 0);
  report[1] = 0xAA;
  report[2] = 0x55;
  report[3] = static_cast<std::uint8_t>(payload.size() + 3);
  report[4] = packetType;
  report[5] = commandId;
  report[6] = opType;
  std::copy(payload.begin(), payload.end(), report.begin() + 7);
  unsigned sum = 0;
  for (std::size_t i = 3; i < 7 + payload.size(); ++i) sum += report[i];
  report[7 + payload.size()] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
  return report;
}

bool DecodeWithTable(DecoderTable table, DeviceLink& link, std::uint8_t packetType,
                     std::uint8_t commandId, std::uint8_t opType, const Bytes& payload) {
  for (const CommandDecoderEntry& entry : table) {
    if (entry.packetType != packetType || entry.commandId != commandId) continue;
    Bytes data{commandId, opType};
    data.insert(data.end(), payload.begin(), payload.end());
    const ReplyFrame frame{packetType, static_cast<std::uint8_t>(data.size() + 1), data};
    entry.decode(link, frame);
    return true;
  }
  return false;
}

}  // namespace qb::test

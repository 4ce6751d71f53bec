#include "devicelink/frame_codec.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace qb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Build(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  OutputReport report;
  EXPECT_TRUE(BuildCommandFrame(type, id, op, payload, report));
  return Bytes(report.begin(), report.end());
}

Bytes Head(const Bytes& report, std::size_t n) { return Bytes(report.begin(), report.begin() + n); }

TEST(CommandFrame, PcConnectMatchesTheWorkedExample) {
  const Bytes report = Build(0x03, 0x1F, 0xBB, {0x01});
  EXPECT_EQ(Head(report, 9), (Bytes{0x00, 0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, 0x01, 0x1E}));
}

TEST(CommandFrame, HandshakeWithoutPayloadHasLen3AndChecksumAtOffset7) {
  const Bytes report = Build(0x03, 0x08, 0xBB, {});
  EXPECT_EQ(Head(report, 8), (Bytes{0x00, 0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37}));
}

TEST(CommandFrame, ChecksumIsZeroWhenHeaderAndPayloadSumToAMultipleOf256) {
  // LEN 4 + type 1 + id 2 + op 0xBB = 0xC2; a payload byte of 0x3E makes 0x100.
  const Bytes report = Build(0x01, 0x02, 0xBB, {0x3E});
  EXPECT_EQ(report[8], 0x00);
}

TEST(CommandFrame, IsAlways65BytesWithZeroPaddingAfterTheChecksum) {
  for (std::size_t n : {0u, 1u, 10u, 55u, 57u}) {
    Bytes payload(n);
    std::iota(payload.begin(), payload.end(), std::uint8_t{1});
    const Bytes report = Build(0x01, 0x06, 0xBB, payload);
    ASSERT_EQ(report.size(), 65u);
    EXPECT_EQ(report[3], n + 3);
    for (std::size_t i = 8 + n; i < report.size(); ++i) EXPECT_EQ(report[i], 0) << "n=" << n;
    // LEN + type + id + op + payload + checksum is 0 modulo 256.
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 7 + n; ++i) sum += report[i];
    EXPECT_EQ(sum % 256, 0u) << "n=" << n;
  }
}

TEST(CommandFrame, APayloadThatDoesNotFitIsRefused) {
  OutputReport report;
  report.fill(0x77);
  EXPECT_FALSE(BuildCommandFrame(1, 6, 0xBB, Bytes(58, 1), report));
  for (std::uint8_t b : report) EXPECT_EQ(b, 0);
}

}  // namespace
}  // namespace qb

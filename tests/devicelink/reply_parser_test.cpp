#include "devicelink/reply_parser.h"

#include <gtest/gtest.h>

#include <vector>

#include "devicelink/receive_ring.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using test::Bytes;
using test::ReplyFrameBytes;

struct SeenFrame {
  std::uint8_t type;
  Bytes data;
  bool operator==(const SeenFrame&) const = default;
};

class RecordingSink final : public FrameSink {
 public:
  void OnFrame(const ReplyFrame& frame) override {
    frames.push_back({frame.packetType, Bytes(frame.data.begin(), frame.data.end())});
  }
  std::vector<SeenFrame> frames;
};

class ReplyParserTest : public ::testing::Test {
 protected:
  void Feed(const Bytes& bytes) {
    for (std::uint8_t b : bytes) parser.packet_process(b, sink);
  }
  static Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  }
  ReplyParser parser;
  RecordingSink sink;
};

TEST_F(ReplyParserTest, DeliversACompleteFrameWithIdOperationAndPayload) {
  Feed(ReplyFrameBytes(1, 8, 0xDD, {0, 0, 7, 12}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], (SeenFrame{1, {8, 0xDD, 0, 0, 7, 12}}));
  EXPECT_EQ(parser.State(), 0u);
}

TEST_F(ReplyParserTest, AFrameSplitOverTwoReportsIsDeliveredOnceAfterTheSecond) {
  const Bytes frame = ReplyFrameBytes(1, 6, 0xDD, Bytes(50, 0x11));
  Feed(Bytes(frame.begin(), frame.begin() + 40));
  EXPECT_TRUE(sink.frames.empty());
  Feed(Bytes(frame.begin() + 40, frame.end()));
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST_F(ReplyParserTest, TwoFramesInOneReportArriveInOrderAndPaddingIsSkipped) {
  Feed(Concat({Bytes{0, 0, 0x13}, ReplyFrameBytes(3, 8, 0xDD, {79}), Bytes{0, 0},
               ReplyFrameBytes(2, 14, 0xDD, {3}), Bytes(8, 0)}));
  ASSERT_EQ(sink.frames.size(), 2u);
  EXPECT_EQ(sink.frames[0].type, 3);
  EXPECT_EQ(sink.frames[1].type, 2);
}

TEST_F(ReplyParserTest, AfterSyncItKeepsLookingFor0x55WithoutGoingBackToAA) {
  // AA 12 34 55: the 12 and 34 are skipped, the frame starts at the 55.
  const Bytes frame = ReplyFrameBytes(1, 2, 0xDD, {5});
  Feed(Concat({Bytes{0xAA, 0x12, 0x34}, Bytes(frame.begin() + 1, frame.end())}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0], (SeenFrame{1, {2, 0xDD, 5}}));
}

TEST_F(ReplyParserTest, AWrongChecksumDropsTheFrameAndTheNextOneIsDelivered) {
  Bytes bad = ReplyFrameBytes(1, 4, 0xDD, {1});
  bad.back() ^= 0x01;
  Feed(Concat({bad, ReplyFrameBytes(1, 4, 0xDD, {0})}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].data.back(), 0);
}

TEST_F(ReplyParserTest, ALengthOf62OrMoreIsAbandonedAtIndex64) {
  for (int length : {62, 63, 200, 255}) {
    const auto len = static_cast<std::uint8_t>(length);
    Feed({0xAA, 0x55, len, 1});
    Feed(Bytes(60, 0x00));  // fills the 60-byte data buffer
    EXPECT_EQ(parser.State(), 64u) << int{len};
    Feed({0x00});  // the byte at index 64 abandons the frame
    EXPECT_EQ(parser.State(), 0u) << int{len};
  }
  Feed(ReplyFrameBytes(1, 1, 0xDD, {0x53}));
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST_F(ReplyParserTest, TheLongestFrameThatFitsIsDelivered) {
  Feed(ReplyFrameBytes(1, 6, 0xDD, Bytes(58, 0x42)));  // LEN 61, 60 data bytes
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].data.size(), 60u);
}

TEST_F(ReplyParserTest, FramesTooShortForIdAndOperationAreDroppedNotFilledWithOldBytes) {
  Feed(ReplyFrameBytes(1, 9, 0xDD, {1, 2, 3}));  // leaves bytes in the data buffer
  sink.frames.clear();
  // LEN 1: checksum right after the type. LEN 2: one data byte, then the checksum.
  Feed({0xAA, 0x55, 0x01, 0x01, static_cast<std::uint8_t>(0u - 2u)});
  Feed({0xAA, 0x55, 0x02, 0x01, 0x09, static_cast<std::uint8_t>(0u - 12u)});
  EXPECT_TRUE(sink.frames.empty());
  Feed(ReplyFrameBytes(1, 9, 0xDD, {}));
  EXPECT_EQ(sink.frames.size(), 1u);
}

TEST_F(ReplyParserTest, UnknownPacketTypesStillReachTheSinkWhichDecidesOnThem) {
  Feed(ReplyFrameBytes(5, 1, 0xDD, {}));
  ASSERT_EQ(sink.frames.size(), 1u);
  EXPECT_EQ(sink.frames[0].type, 5);
}

TEST(ReceiveRing, AppendToAFullRingDropsTheNewByteAndKeepsTheUnreadOnes) {
  ReceiveRing ring;
  for (std::uint32_t i = 0; i < ReceiveRing::kCapacity - 1; ++i) {
    ASSERT_TRUE(ring.Append(static_cast<std::uint8_t>(i)));
  }
  EXPECT_FALSE(ring.Append(0xEE));
  EXPECT_EQ(ring.Size(), ReceiveRing::kCapacity - 1);
  std::uint8_t b = 0;
  for (std::uint32_t i = 0; i < ReceiveRing::kCapacity - 1; ++i) {
    ASSERT_TRUE(ring.Take(b));
    ASSERT_EQ(b, static_cast<std::uint8_t>(i));
  }
  EXPECT_FALSE(ring.Take(b));
  EXPECT_TRUE(ring.Append(1));  // wraps around after being emptied
  ring.Reset();
  EXPECT_TRUE(ring.Empty());
}

}  // namespace
}  // namespace qb

#include "devicelink/memory_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devicelink/link_timing.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/command_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/command_reports.h"
#include "tests/support/scripted_hid.h"
#include "tests/support/scripted_link_test.h"

namespace qb {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::InputReport;
using test::ReplyFrameBytes;

/// A link over a scripted box with the memory decoder installed and recorders in the
/// memory window's and the main window's slots. Waits are capped at 0 ms.
class MemoryTest : public test::ScriptedLinkTest {
 protected:
  MemoryTest() : ScriptedLinkTest({MemoryReplyDecoders()}) {
    link.Register(ReplySlot::MemoryWindowHandle, &memoryWindow);
    link.Register(ReplySlot::MainWindowHandle, &mainWindow);
  }

  /// Lets the link read one report holding the memory frame with `op` and `payload`.
  void Receive(std::uint8_t op, const Bytes& payload) {
    hid.QueueReport(InputReport(ReplyFrameBytes(DSP_PACKET, DSP_MEM_DATA, op, payload)));
    ASSERT_TRUE(link.ReadHIDData(kWaitDefaultMs));
  }

  test::RecordingTarget memoryWindow;
  test::RecordingTarget mainWindow;
};

Bytes ExpectedMemoryReport(std::uint8_t op, const Bytes& payload) {
  return test::CommandReport(DSP_PACKET, DSP_MEM_DATA, op, payload);
}

// --- commands ---------------------------------------------------------------------------------

TEST_F(MemoryTest, EachCommandSendsItsFrameWithItsWordsWaitsTheDefaultAndLogs) {
  // clang-format off
  test::ExpectEachCommandSendsItsFrame(link, hid, DSP_PACKET, {
      {"read sends the address and a zero word", [](DeviceLink& l) { Get_MemData(l, 0x10); }, DSP_MEM_DATA,
       OP_GET, {0x10, 0, 0, 0, 0, 0, 0, 0}, kWaitDefaultMs,
       {"Get_MemData: addr(0x00000010), data(0x00000000)\n", "addr 10, 00, 00, 00\n", "data 00, 00, 00, 00\n"}},
      {"words are little-endian", [](DeviceLink& l) { Set_MemData(l, 0x12345678, 0xCAFEBABE, true); },
       DSP_MEM_DATA, OP_SET, {0x78, 0x56, 0x34, 0x12, 0xBE, 0xBA, 0xFE, 0xCA}, kWaitDefaultMs,
       {"Get_MemData: addr(0x12345678), data(0xcafebabe)\n", "addr 78, 56, 34, 12\n", "data be, ba, fe, ca\n"}},
      {"highest address", [](DeviceLink& l) { Set_MemData(l, 0xFFFFFFFF, 1, true); }, DSP_MEM_DATA, OP_SET,
       {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0}},
  });
  // clang-format on
}

TEST_F(MemoryTest, AWriteFollowsTheQueue) {
  link.DisableQueue();
  Set_MemData(link, 0x20, 5, false);
  EXPECT_TRUE(hid.Written().empty());

  link.EnableQueue();
  Set_MemData(link, 0x20, 5, false);
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  while (hid.Written().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(hid.Written().size(), 1U);
  EXPECT_EQ(hid.Written()[0], ExpectedMemoryReport(OP_SET, {0x20, 0, 0, 0, 5, 0, 0, 0}));
}

TEST_F(MemoryTest, AReadReturnsWhetherTheBoxAnsweredAndPostsTheWord) {
  EXPECT_FALSE(Get_MemData(link, 0x10));
  hid.onWrite = [this](const Bytes&) {
    hid.QueueReport(InputReport(
        ReplyFrameBytes(DSP_PACKET, DSP_MEM_DATA, OP_UPDATE, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0})));
  };
  EXPECT_TRUE(Get_MemData(link, 0x10));
  const std::vector<ReplyMessage> posted = memoryWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  const auto* record = posted[0].RecordAs<MemDataRecord>();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->address, 0x10U);
  EXPECT_EQ(record->data, 258U);
}

// --- replies ----------------------------------------------------------------------------------

struct MemoryReplyCase {
  const char* what;
  std::uint8_t op;
  Bytes payload;
  bool posted;
  std::uint32_t address = 0;
  std::uint32_t data = 0;
};

const std::vector<MemoryReplyCase>& MemoryReplyCases() {
  // clang-format off
  static const std::vector<MemoryReplyCase> cases = {
      {"word 0x102 at 0x10", OP_UPDATE, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0}, true, 0x10, 0x102},
      {"all bytes count, low first", OP_UPDATE, {0x78, 0x56, 0x34, 0x12, 0xBE, 0xBA, 0xFE, 0xCA},
       true, 0x12345678, 0xCAFEBABE},
      {"trailing bytes are ignored", OP_UPDATE, {1, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF}, true, 1, 2},
      {"one byte short", OP_UPDATE, {0x10, 0, 0, 0, 0x02, 0x01, 0}, false},
      {"address only", OP_UPDATE, {0x10, 0, 0, 0}, false},
      {"empty", OP_UPDATE, {}, false},
      {"acknowledgement", OP_ACK, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0}, false},
  };
  // clang-format on
  return cases;
}

/// Runs the table's decoder on a frame held in a buffer of exactly its size, so a read
/// past the frame is caught by the address sanitiser.
void DecodeMemory(DeviceLink& link, std::uint8_t op, const Bytes& payload) {
  ASSERT_TRUE(test::DecodeWithTable(MemoryReplyDecoders(), link, DSP_PACKET, DSP_MEM_DATA, op, payload));
}

TEST_F(MemoryTest, EachReplyPostsItsWordToTheMemoryWindowOrIsDropped) {
  for (const MemoryReplyCase& c : MemoryReplyCases()) {
    SCOPED_TRACE(c.what);
    DecodeMemory(link, c.op, c.payload);
    const std::vector<ReplyMessage> posted = memoryWindow.Take();
    EXPECT_TRUE(mainWindow.Take().empty());
    if (!c.posted) {
      EXPECT_TRUE(posted.empty());
      continue;
    }
    ASSERT_EQ(posted.size(), 1U);
    EXPECT_EQ(posted[0].number, WM_MEM_REPLY);
    EXPECT_EQ(posted[0].wParam, DSP_MEM_DATA);
    const auto* record = posted[0].RecordAs<MemDataRecord>();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->address, c.address);
    EXPECT_EQ(record->data, c.data);
  }
}

TEST_F(MemoryTest, AShortReplyAfterAFullOneNeverPicksUpItsBytes) {
  // Through the parser both frames share one buffer: the short one still has the first
  // word's bytes behind its end.
  Bytes report = ReplyFrameBytes(DSP_PACKET, DSP_MEM_DATA, OP_UPDATE, {1, 0, 0, 0, 2, 0, 0, 0});
  const Bytes shortFrame = ReplyFrameBytes(DSP_PACKET, DSP_MEM_DATA, OP_UPDATE, {3, 0, 0});
  report.insert(report.end(), shortFrame.begin(), shortFrame.end());
  hid.QueueReport(InputReport(report));
  ASSERT_TRUE(link.ReadHIDData(kWaitDefaultMs));
  const std::vector<ReplyMessage> posted = memoryWindow.Take();
  ASSERT_EQ(posted.size(), 1U);
  EXPECT_EQ(posted[0].RecordAs<MemDataRecord>()->address, 1U);
}

TEST_F(MemoryTest, WithoutAMemoryWindowTheReplyIsDropped) {
  link.Unregister(&memoryWindow);
  Receive(OP_UPDATE, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0});
  EXPECT_TRUE(memoryWindow.Take().empty());
  EXPECT_TRUE(mainWindow.Take().empty());
}

TEST_F(MemoryTest, TheReplyIsLoggedAsWordsAndBytes) {
  test::LogCapture log;
  Receive(OP_UPDATE, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0});
  const std::string file = log.File();
  for (const char* line : {"DSP_MEM_DATA: addr(0x00000010), data(0x00000102)\n",
                           "addr 10, 00, 00, 00\n", "data 02, 01, 00, 00\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace qb

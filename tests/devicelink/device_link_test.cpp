#include "devicelink/device_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "shell/log.h"
#include "tests/support/recording_target.h"
#include "tests/support/log_capture.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::InputReport;
using test::ReplyFrameBytes;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kOpSet = 0xBB;
constexpr std::uint8_t kOpUpdate = 0xDD;

/// A link over a scripted backend, with waits capped so a silent box costs little.
class LinkTest : public ::testing::Test {
 protected:
  explicit LinkTest(std::uint32_t waitCapMs = 300)
      : backend(std::make_shared<test::ScriptedHidBackend>()),
        hid(backend->State()),
        link(std::make_unique<DeviceLink>(backend, LinkTimings{waitCapMs, 20})) {}

  void OpenLink() {
    link->OpenHIDDevice();
    ASSERT_TRUE(link->IsDeviceOpen());
  }
  /// Commands the box received, as (packet type, id, first payload byte).
  std::vector<std::array<int, 3>> Received() {
    std::vector<std::array<int, 3>> commands;
    for (const Bytes& r : hid.Written()) commands.push_back({r[4], r[5], r[3] > 3 ? r[7] : -1});
    return commands;
  }
  static bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  std::shared_ptr<test::ScriptedHidBackend> backend;
  test::ScriptedHidState& hid;
  std::unique_ptr<DeviceLink> link;
};

// --- opening and closing ---------------------------------------------------------------

TEST_F(LinkTest, OpensWhenTwoOfTheFourIdentificationStringsFail) {
  hid.stringFails[0] = hid.stringFails[1] = true;
  OpenLink();
  EXPECT_EQ(hid.closes, 0);
}

TEST_F(LinkTest, ThreeOrFourFailedStringsCloseTheDeviceAgain) {
  for (int failures : {3, 4}) {
    for (int i = 0; i < 4; ++i) hid.stringFails[i] = i < failures;
    EXPECT_EQ(link->OpenHIDDevice(), 0);
    EXPECT_FALSE(link->IsDeviceOpen()) << failures;
  }
  EXPECT_EQ(hid.opens, 2);
  EXPECT_EQ(hid.closes, 2);
}

TEST_F(LinkTest, InitFailureIsReturnedAndAMissingBoxLeavesTheLinkClosed) {
  hid.initResult = -1;
  EXPECT_EQ(link->OpenHIDDevice(), -1);
  EXPECT_FALSE(link->IsDeviceOpen());
  hid.initResult = 0;
  hid.deviceAvailable = false;
  EXPECT_EQ(link->OpenHIDDevice(), 0);
  EXPECT_FALSE(link->IsDeviceOpen());
}

TEST_F(LinkTest, CloseWithNotifyTellsTheBoxFirstAndReopenWorks) {
  OpenLink();
  link->CloseHIDDevice(true);
  EXPECT_FALSE(link->IsDeviceOpen());
  EXPECT_EQ(Received(), (std::vector<std::array<int, 3>>{{3, 0x1F, 0}}));
  link->CloseHIDDevice(true);  // closing a closed link does nothing
  EXPECT_EQ(hid.closes, 1);
  OpenLink();
  link->OpenHIDDevice();  // reopening an open link replaces the handle
  EXPECT_EQ(hid.opens, 3);
  EXPECT_EQ(hid.closes, 2);
}

// --- writing and reading -------------------------------------------------------------------

TEST_F(LinkTest, SendOnAClosedLinkFailsWithoutWritingOrLogging) {
  test::LogCapture log;
  EXPECT_FALSE(link->SendCtrlCommand(3, 8, kOpSet, {}));
  EXPECT_TRUE(hid.Written().empty());
  EXPECT_EQ(log.Console(), "");
}

TEST_F(LinkTest, AFailedWriteMeansTheBoxIsGoneAndNothingAfterItWaits) {
  OpenLink();
  test::RecordingTarget mainWindow;
  link->Register(ReplySlot::MainWindowHandle, &mainWindow);
  test::LogCapture log;
  hid.writeResult = -1;
  EXPECT_FALSE(link->SendCtrlCommand(3, 8, kOpSet, {}));
  EXPECT_NE(log.File().find("errot = scripted write failure\n"), std::string::npos);
  EXPECT_TRUE(link->DeviceLost());
  EXPECT_FALSE(link->IsDeviceOpen()) << "a task that asks stops at once";
  const std::size_t writes = hid.Written().size();
  EXPECT_FALSE(link->Query(3, 8, {}, 60000)) << "no time bound waited out for a box that left";
  EXPECT_EQ(hid.Written().size(), writes);
  const auto posted = mainWindow.Take();
  ASSERT_EQ(posted.size(), 1u) << "told once";
  EXPECT_EQ(posted[0].number, WM_LINK_LOST);
  link->CloseHIDDevice(true);
  EXPECT_FALSE(link->DeviceLost()) << "closed: nothing left to report";
  link->Unregister(&mainWindow);
}

TEST_F(LinkTest, SendLogsTheWholeFrameOnOneLine) {
  OpenLink();
  test::LogCapture log;
  const std::uint8_t payload[] = {1};
  ASSERT_TRUE(link->SendCtrlCommand(3, 0x1F, kOpSet, payload));
  const std::string file = log.File();
  EXPECT_NE(file.find("SendCtrlCommand\nbegain to write data to devices:\n00 aa 55 04 03 1f bb 01 1e "
                      "00 "),
            std::string::npos);
  EXPECT_NE(file.find("set WRITE_ROPRT = TRUE\nwrite data ok! HidDeviceObject = "),
            std::string::npos);
}

TEST_F(LinkTest, ReadWithoutReplyReturnsFalseAfterTheWait) {
  OpenLink();
  const auto start = Clock::now();
  EXPECT_FALSE(link->ReadHIDData(150));
  EXPECT_GE(Clock::now() - start, 140ms);
  EXPECT_EQ(link->LastReadCount(), 0);
}

TEST_F(LinkTest, ReadOnAClosedLinkReturnsAtOnce) {
  test::LogCapture log;
  EXPECT_FALSE(link->ReadHIDData(10000));
  EXPECT_NE(log.File().find("mHidHandle is NULL\n"), std::string::npos);
}

TEST_F(LinkTest, ReadsThatKeepFailingEndTheWaitAtOnceAsABoxThatLeft) {
  OpenLink();
  hid.readError = -1;
  const auto start = Clock::now();
  EXPECT_FALSE(link->ReadHIDData(60000));
  EXPECT_LT(Clock::now() - start, 5s) << "the bound is for a silent box, not a gone one";
  EXPECT_TRUE(link->DeviceLost());
}

// --- dispatch ------------------------------------------------------------------------------------

class DispatchTest : public LinkTest {
 protected:
  DispatchTest() {
    for (std::uint8_t type : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{7}}) {
      link->SetPacketDecoder(type, [this](DeviceLink&, const ReplyFrame& frame) {
        decoded.push_back({frame.packetType, frame.CommandId(), frame.OpType()});
      });
    }
  }
  std::vector<std::array<int, 3>> decoded;
};

TEST_F(DispatchTest, AnUnrelatedReportEndsTheWaitEarlyAndIsDecoded) {
  OpenLink();
  std::thread box([this] {
    std::this_thread::sleep_for(30ms);
    hid.QueueReport(InputReport(ReplyFrameBytes(3, 96, kOpUpdate, {})));
  });
  const auto start = Clock::now();
  EXPECT_TRUE(link->ReadHIDData(10000));
  EXPECT_LT(Clock::now() - start, 5s);
  box.join();
  EXPECT_EQ(decoded, (std::vector<std::array<int, 3>>{{3, 96, kOpUpdate}}));
}

TEST_F(DispatchTest, AFrameSplitOverTwoReadsIsDecodedOnceAfterTheSecond) {
  OpenLink();
  const Bytes frame = ReplyFrameBytes(1, 6, kOpUpdate, Bytes(50, 7));
  Bytes first(24, 0);
  first.insert(first.end(), frame.begin(), frame.begin() + 40);
  hid.QueueReport(first);
  hid.QueueReport(InputReport(Bytes(frame.begin() + 40, frame.end())));
  EXPECT_TRUE(link->ReadHIDData(100));
  EXPECT_TRUE(decoded.empty());
  EXPECT_TRUE(link->ReadHIDData(100));
  EXPECT_EQ(decoded.size(), 1u);
}

TEST_F(DispatchTest, EveryKnownPacketTypeReachesItsDecoderAndOthersAreLoggedAndDropped) {
  OpenLink();
  test::LogCapture log;
  Bytes report;
  for (int t : {1, 2, 3, 5, 7}) {
    const Bytes frame = ReplyFrameBytes(static_cast<std::uint8_t>(t), 1, 0xEE, {0x0A});
    report.insert(report.end(), frame.begin(), frame.end());
  }
  hid.QueueReport(report);
  EXPECT_TRUE(link->ReadHIDData(100));
  EXPECT_EQ(decoded, (std::vector<std::array<int, 3>>{
                         {1, 1, 0xEE}, {2, 1, 0xEE}, {3, 1, 0xEE}, {7, 1, 0xEE}}));
  EXPECT_NE(log.File().find("packet_process: packet_type(0x00000005)\n"), std::string::npos);
}

struct CountedRecord : ReplyRecord {
  explicit CountedRecord(int& alive) : m_alive(alive) { ++m_alive; }
  ~CountedRecord() override { --m_alive; }
  int& m_alive;
};

class RecordingTarget final : public MessageTarget {
 public:
  bool PostReplyMessage(ReplyMessage&& message) override {
    if (refuse) return false;
    messages.push_back(std::move(message));
    return true;
  }
  bool refuse = false;
  std::vector<ReplyMessage> messages;
};

TEST(ReplyTargets, RecordsReachTheRegisteredTargetOrAreDestroyed) {
  ReplyTargets targets;
  RecordingTarget main;
  int alive = 0;
  auto post = [&](ReplySlot slot) {
    return targets.Post(slot, ReplyMessage{WM_DSP_REPLY, 6, 0, std::make_unique<CountedRecord>(alive)});
  };
  EXPECT_FALSE(post(ReplySlot::MainWindowHandle));  // nobody registered
  EXPECT_EQ(alive, 0);
  targets.Register(ReplySlot::MainWindowHandle, &main);
  EXPECT_TRUE(post(ReplySlot::MainWindowHandle));
  EXPECT_FALSE(post(ReplySlot::NoiseWindowHandle));
  EXPECT_EQ(alive, 1);
  ASSERT_EQ(main.messages.size(), 1u);
  EXPECT_NE(main.messages[0].RecordAs<CountedRecord>(), nullptr);
  main.refuse = true;
  EXPECT_FALSE(post(ReplySlot::MainWindowHandle));
  EXPECT_EQ(alive, 1);
  targets.Unregister(&main);
  EXPECT_EQ(targets.Registered(ReplySlot::MainWindowHandle), nullptr);
  main.messages.clear();
  EXPECT_EQ(alive, 0);
}

// --- the command queue -------------------------------------------------------------------------

TEST_F(LinkTest, QueuedCommandsAreDroppedWhileTheQueueIsDisabled) {
  OpenLink();
  link->SubmitCommand(1, 9, kOpSet, {0, 1, 1, 1}, false, kWaitDefaultMs);
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(hid.Written().empty());
  EXPECT_EQ(link->QueuedCommands(), 0u);
}

TEST_F(LinkTest, QueuedCommandsAreSentInOrderEvenAfterTheQueueIsDisabled) {
  OpenLink();
  hid.onWrite = [this](const Bytes& r) { hid.QueueReport(InputReport(ReplyFrameBytes(r[4], r[5], 0xEE, {0x0A}))); };
  link->EnableQueue();
  for (std::uint8_t i = 0; i < 20; ++i) link->SubmitCommand(1, 8, kOpSet, {i}, false, kWaitDefaultMs);
  link->DisableQueue();
  ASSERT_TRUE(WaitFor([&] { return hid.Written().size() == 20; }));
  const auto received = Received();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(received[static_cast<std::size_t>(i)][2], i);
}

TEST_F(LinkTest, ASilentBoxKeepsTheWorkerBusyForTheWaitOfEachCommand) {
  OpenLink();
  link->EnableQueue();
  link->SubmitCommand(1, 8, kOpSet, {1}, false, kWaitDefaultMs);
  link->SubmitCommand(1, 8, kOpSet, {2}, false, kWaitDefaultMs);
  ASSERT_TRUE(WaitFor([&] { return hid.Written().size() == 1; }));
  std::this_thread::sleep_for(150ms);  // half the capped wait of 300 ms
  EXPECT_EQ(hid.Written().size(), 1u);
  ASSERT_TRUE(WaitFor([&] { return hid.Written().size() == 2; }));
}

TEST_F(LinkTest, DestroyingTheLinkSendsAtMostTheCommandInProgressAndFreesTheRest) {
  OpenLink();
  test::LogCapture log;
  link->EnableQueue();
  for (std::uint8_t i = 0; i < 50; ++i) link->SubmitCommand(1, 8, kOpSet, {i}, false, kWaitDefaultMs);
  link.reset();
  EXPECT_LE(hid.Written().size(), 1u);
  const std::string file = log.File();
  EXPECT_NE(file.find("get mcmd 0x01 subcmd 0x08 optype 0xbb len 0x01 cmd_data[0](0x31) \n"),
            std::string::npos);
  EXPECT_NE(file.find("McuCmdThread end\n"), std::string::npos);
}

// The worker dumps every command it takes, the frame it writes and the report it reads,
// while other threads log too. A full payload makes the longest line the link writes.
TEST_F(LinkTest, TheWorkersDumpsAreWholeLinesEachBehindOneStamp) {
  OpenLink();
  hid.onWrite = [this](const Bytes& r) {
    hid.QueueReport(InputReport(ReplyFrameBytes(r[4], r[5], 0xEE, {0x0A})));
  };
  test::LogCapture log;
  link->EnableQueue();
  link->SubmitCommand(1, 8, kOpSet, Payload(kMaxPayload, 0xC5), false, kWaitDefaultMs);
  ASSERT_TRUE(WaitFor([&] { return link->UnfinishedCommands() == 0; }));
  link.reset();  // joins the worker: all its lines are written

  const std::string stamp = R"(\[\d\d:\d\d:\d\d\.\d{3}\] )";
  const std::string console = log.Console();
  for (const char* dump : {"get mcmd 0x01 ", "00 aa 55 ", "read data: "}) {
    EXPECT_TRUE(std::regex_search(console, std::regex("(^|\n)" + stamp + dump))) << dump;
  }
  EXPECT_FALSE(std::regex_search(console, std::regex("[^\n]" + stamp))) << "a stamp inside a line";
  EXPECT_NE(log.File().find("cmd_data[9](0xc5) cmd_data[10](0xc5) "), std::string::npos);
  EXPECT_NE(log.File().find("cmd_data[56](0xc5) \n"), std::string::npos);
}

TEST_F(LinkTest, AnImmediateSetterOnAClosedLinkReturnsPromptly) {
  const auto start = Clock::now();
  link->SubmitCommand(1, 8, kOpSet, {1}, true, kWaitDefaultMs);
  EXPECT_LT(Clock::now() - start, 100ms);
}

TEST_F(LinkTest, AnImmediateCommandWaitsForTheReplyAndNoWaitDoesNot) {
  OpenLink();
  hid.QueueReport(InputReport(ReplyFrameBytes(3, 8, kOpUpdate, {79})));
  link->SubmitCommand(3, 8, kOpSet, {}, true, kWaitDefaultMs);
  {
    std::lock_guard<std::mutex> guard(hid.lock);
    EXPECT_TRUE(hid.inputReports.empty());
  }
  hid.QueueReport(InputReport(ReplyFrameBytes(3, 8, kOpUpdate, {79})));
  link->SubmitCommand(3, 0x1F, kOpSet, {1}, true, kNoWait);
  std::lock_guard<std::mutex> guard(hid.lock);
  EXPECT_EQ(hid.inputReports.size(), 1u);
}

TEST_F(LinkTest, QueryReturnsWhetherAReportCameBack) {
  OpenLink();
  EXPECT_FALSE(link->Query(1, 1, std::vector<std::uint8_t>{0}, 50));
  hid.QueueReport(InputReport(ReplyFrameBytes(1, 1, kOpUpdate, {0, 0x53})));
  EXPECT_TRUE(link->Query(1, 1, std::vector<std::uint8_t>{0}, 50));
  EXPECT_EQ(hid.Written().back()[6], 0x66);
}

// --- closing while others read and write ---------------------------------------------------

class CloseRaceTest : public LinkTest {
 protected:
  CloseRaceTest() : LinkTest(10000) {}
};

TEST_F(CloseRaceTest, ClosingWhileAnotherThreadWaitsInAReadNeverFreesTheHandleUnderIt) {
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      link->ReadHIDData(10000);
      std::this_thread::yield();
    }
  });
  std::thread writer([&] {
    while (!stop) link->SendCtrlCommand(1, 2, kOpSet, std::vector<std::uint8_t>{1});
  });
  for (int i = 0; i < 200; ++i) {
    link->OpenHIDDevice();
    std::this_thread::sleep_for(std::chrono::microseconds(i % 7 * 100));
    const auto start = Clock::now();
    link->CloseHIDDevice(i % 2 == 0);
    // One read slice is 20 ms here; the 10 s wait must not hold the close up.
    ASSERT_LT(Clock::now() - start, 2s) << "iteration " << i;
  }
  stop = true;
  reader.join();
  writer.join();
  EXPECT_EQ(hid.misuses.load(), 0);
  EXPECT_EQ(hid.opens, hid.closes);
}

}  // namespace
}  // namespace qb

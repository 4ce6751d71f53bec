// The transport side of the box: frame checks on what it receives, report layout and
// latency of what it sends, and every injected fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

using namespace std::chrono_literals;

Bytes ReadReport(BoxDriver& driver, int timeoutMs = 50) {
  std::uint8_t buffer[64] = {};
  const int n = driver.Device()->ReadTimeout(buffer, sizeof buffer, timeoutMs);
  return n > 0 ? Bytes(buffer, buffer + n) : Bytes{};
}

OutputReport CommandReport(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  OutputReport report;
  BuildCommandFrame(type, id, op, payload, report);
  return report;
}

TEST(Transport, ReplyIsOneZeroPaddedReportWithAValidChecksum) {
  BoxDriver driver;
  driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {});
  const Bytes report = ReadReport(driver);
  ASSERT_EQ(report.size(), 64u);
  // AA 55, LEN 4, type, id, op, -10 dB, checksum = -(4 + 1 + 2 + 0xDD + 0xF6).
  EXPECT_EQ(Bytes(report.begin(), report.begin() + 8),
            (Bytes{0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0xF6, 0x26}));
  EXPECT_TRUE(std::all_of(report.begin() + 8, report.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(Transport, CommandsWithBadFramesAreIgnoredAndCounted) {
  BoxDriver driver;
  OutputReport report = CommandReport(DSP_PACKET, DSP_VOLUME, OP_SET, {20});
  report[8] ^= 0x01;  // checksum
  EXPECT_EQ(driver.WriteRaw(Bytes(report.begin(), report.end())), 65);
  report = CommandReport(DSP_PACKET, DSP_VOLUME, OP_SET, {20});
  report[1] = 0xAB;  // sync
  driver.WriteRaw(Bytes(report.begin(), report.end()));
  report = CommandReport(DSP_PACKET, DSP_VOLUME, OP_SET, {20});
  report[3] = 62;  // LEN whose checksum would lie beyond the report
  driver.WriteRaw(Bytes(report.begin(), report.end()));
  driver.WriteRaw(Bytes{0, 0xAA, 0x55});  // cut short

  EXPECT_TRUE(driver.Collect().empty());
  EXPECT_EQ(driver.Box().RejectedFrames(), 4u);
  EXPECT_TRUE(driver.Box().Commands().empty());
  EXPECT_EQ(driver.Box().State().live.mainVolumeDb, -10);
}

TEST(Transport, CommandLogKeepsEveryCommandInOrder) {
  BoxDriver driver;
  driver.Exchange(MCU_PACKET, MCU_PC_CONNECT, OP_SET, {1});
  driver.Exchange(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {});
  driver.Exchange(DSP_PACKET, DSP_MUTE_CH, OP_GET, {0, 0, 0, 7});
  const std::vector<BoxCommand> expected = {
      {MCU_PACKET, MCU_PC_CONNECT, OP_SET, {1}},
      {MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}},
      {DSP_PACKET, DSP_MUTE_CH, OP_GET, {0, 0, 0, 7}},
  };
  EXPECT_EQ(driver.Box().Commands(), expected);
  driver.Box().ClearCommands();
  EXPECT_TRUE(driver.Box().Commands().empty());
}

TEST(Transport, ReportsComeAfterTheConfiguredLatencyEach) {
  VirtualBoxConfig config;
  config.reportLatency = 50ms;
  BoxDriver driver(config);
  const auto start = std::chrono::steady_clock::now();
  driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {});
  driver.Send(DSP_PACKET, DSP_MUTE, OP_GET, {});
  EXPECT_TRUE(ReadReport(driver, 5).empty());  // not yet
  EXPECT_FALSE(ReadReport(driver, 200).empty());
  EXPECT_FALSE(ReadReport(driver, 200).empty());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
}

TEST(Transport, FrameLongerThanOneReportContinuesInTheNext) {
  BoxDriver driver;
  driver.Send(FLASH_PACKET, FLASH_SCENE_DATA, OP_GET, {1, 0, 0, 54});  // 58 payload bytes
  const Bytes first = ReadReport(driver);
  const Bytes second = ReadReport(driver);
  ASSERT_EQ(first.size(), 64u);
  ASSERT_EQ(second.size(), 64u);
  EXPECT_EQ(first[2], 61);  // LEN
  ReplyStream stream;
  stream.Feed(first.data(), first.size());
  EXPECT_TRUE(stream.Take().empty());
  stream.Feed(second.data(), second.size());
  const auto frames = stream.Take();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload.size(), 58u);
}

TEST(Faults, DroppedRepliesAreNeverSent) {
  BoxDriver driver;
  driver.Box().DropReplies(2);
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_VOLUME, OP_GET, {}).empty());
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_VOLUME, OP_SET, {12}).empty());
  EXPECT_EQ(driver.Box().State().live.mainVolumeDb, -6);  // applied all the same
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xFA}));
}

TEST(Faults, CorruptedReplyFailsItsChecksumAndTheNextIsFine) {
  BoxDriver driver;
  driver.Box().CorruptReplies(1);
  driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {});
  driver.Send(DSP_PACKET, DSP_MUTE, OP_GET, {});
  const auto frames = driver.Collect();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].commandId, DSP_MUTE);
  EXPECT_EQ(driver.Stream().BadChecksums(), 1);
}

TEST(Faults, SplitReplyEndsOneReportAndStartsTheNext) {
  BoxDriver driver;
  driver.Box().SplitNextReply(5);
  driver.Send(DSP_PACKET, DSP_MUTE_CH, OP_GET, {0, 0, 0, 7});
  const Bytes first = ReadReport(driver);
  const Bytes second = ReadReport(driver);
  ASSERT_EQ(first.size(), 64u);
  EXPECT_EQ(Bytes(first.end() - 5, first.end()), (Bytes{0xAA, 0x55, 15, DSP_PACKET, DSP_MUTE_CH}));
  EXPECT_EQ(second[0], OP_UPDATE);
  ReplyStream stream;
  stream.Feed(first.data(), first.size());
  stream.Feed(second.data(), second.size());
  const auto frames = stream.Take();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].payload, (Bytes{0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0}));
  // Only the next reply is split.
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xF6}));
  EXPECT_EQ(driver.ReportsRead(), 1);
}

TEST(Faults, GarbagePaddingLeavesFramesReadable) {
  BoxDriver driver;
  driver.Box().SetGarbagePadding(true);
  driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {});
  const Bytes report = ReadReport(driver);
  EXPECT_TRUE(std::any_of(report.begin() + 8, report.end(), [](std::uint8_t b) { return b != 0; }));
  EXPECT_TRUE(std::none_of(report.begin() + 8, report.end(), [](std::uint8_t b) { return b == 0xAA; }));
  for (int i = 0; i < 20; ++i) EXPECT_EQ(driver.DspGet(DSP_MUTE_CH, {0, 0, 0, 7}).size(), 12u);
  EXPECT_EQ(driver.Stream().BadChecksums(), 0);
}

TEST(Faults, SilentBoxRecordsButNeitherAppliesNorAnswers) {
  BoxDriver driver;
  driver.Box().SetSilent(true);
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_VOLUME, OP_SET, {12}).empty());
  EXPECT_EQ(driver.Box().State().live.mainVolumeDb, -10);
  EXPECT_EQ(driver.Box().Commands().size(), 1u);
  driver.Box().SetSilent(false);
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xF6}));
}

TEST(Faults, UnplugKillsTheHandleAndLosesQueuedReports) {
  BoxDriver driver;
  std::vector<bool> events;
  driver.Box().SetPlugListener([&](bool plugged) { events.push_back(plugged); });
  driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {});
  driver.Box().Unplug();
  std::uint8_t buffer[64];
  EXPECT_EQ(driver.Device()->ReadTimeout(buffer, sizeof buffer, 20), -1);
  EXPECT_EQ(driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {}), -1);
  wchar_t text[32];
  EXPECT_LT(driver.Device()->GetProductString(text, 32), 0);
  EXPECT_FALSE(driver.Reopen());

  driver.Box().Replug();
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.Device()->GetProductString(text, 32), 0);
  EXPECT_EQ(std::wstring(text), L"ZX7140K");
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xF6}));
  EXPECT_EQ(events, (std::vector<bool>{false, true}));
}

TEST(Faults, UnplugAfterFramesAnswersThemThenVanishes) {
  BoxDriver driver;
  driver.Box().UnplugAfterFrames(2);
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}).size(), 1u);
  EXPECT_EQ(driver.DspGet(DSP_MUTE, {}).size(), 1u);
  EXPECT_EQ(driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {}), -1);
  EXPECT_FALSE(driver.Box().IsPlugged());
  EXPECT_EQ(driver.Box().Commands().size(), 2u);
}

TEST(Faults, ReadOnAnotherThreadWakesWhenTheBoxIsUnplugged) {
  BoxDriver driver;
  std::uint8_t buffer[64];
  int result = 0;
  std::thread reader([&] { result = driver.Device()->ReadTimeout(buffer, sizeof buffer, 5000); });
  std::this_thread::sleep_for(20ms);
  const auto start = std::chrono::steady_clock::now();
  driver.Box().Unplug();
  reader.join();
  EXPECT_EQ(result, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(Faults, UnsolicitedMcuInitArrivesOnItsOwn) {
  BoxDriver driver;
  driver.Box().SendMcuInit();
  const auto frames = driver.Collect();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], (Frame{MCU_PACKET, MCU_INIT, OP_UPDATE, {}}));
}

TEST(Faults, OpenNeedsTheBoxIds) {
  BoxDriver driver;
  EXPECT_EQ(driver.Backend().Open(0x0483, 0x5751).status, HidOpenStatus::NotFound);
  EXPECT_EQ(driver.Backend().Open(0x0484, 0x5750).status, HidOpenStatus::NotFound);
}

}  // namespace
}  // namespace qb::sim::test

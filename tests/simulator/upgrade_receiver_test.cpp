// The box's firmware upgrade receiver, driven with raw frames as the program would send
// them: entering upgrade mode with the restart into the loader, the three kinds of image,
// block order, injected NOT_READY, the image check and what a verified image changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "devicelink/value_encoding.h"
#include "simulator/upgrade_receiver.h"
#include "tests/simulator/box_driver.h"
#include "tests/support/eventually.h"

namespace qb::sim::test {
namespace {

using namespace std::chrono_literals;
using qb::test::Eventually;


Bytes Pattern(std::size_t n) {
  Bytes data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return data;
}

Bytes Head(const Bytes& data) {
  const auto head = ImageHeadFor(data);
  return Bytes(head.begin(), head.end());
}

Bytes WithOffset(std::uint32_t offset, const Bytes& rest) {
  const auto o = EncodeU32BE(offset);
  Bytes payload(o.begin(), o.end());
  payload.insert(payload.end(), rest.begin(), rest.end());
  return payload;
}

/// MCU blocks as the program sends them: from the end, the partial block first, each padded
/// to 32 bytes.
std::vector<Bytes> McuBlocks(const Bytes& data) {
  std::vector<Bytes> blocks;
  std::size_t remaining = data.size();
  while (remaining > 0) {
    const std::size_t n = (remaining == data.size() && remaining % 32 != 0) ? remaining % 32 : 32;
    remaining -= n;
    Bytes chunk(data.begin() + static_cast<long>(remaining), data.begin() + static_cast<long>(remaining + n));
    chunk.resize(32, 0);
    blocks.push_back(WithOffset(static_cast<std::uint32_t>(remaining), chunk));
  }
  return blocks;
}

/// Flash blocks: from offset 0 in blocks of 50, the last holding the rest.
std::vector<Bytes> FlashBlocks(const Bytes& data) {
  std::vector<Bytes> blocks;
  for (std::size_t sent = 0; sent < data.size(); sent += 50) {
    const std::size_t n = std::min<std::size_t>(50, data.size() - sent);
    Bytes rest{static_cast<std::uint8_t>(n)};
    rest.insert(rest.end(), data.begin() + static_cast<long>(sent), data.begin() + static_cast<long>(sent + n));
    blocks.push_back(WithOffset(static_cast<std::uint32_t>(sent), rest));
  }
  return blocks;
}

struct KindIds {
  UpgradeKind kind;
  std::uint8_t type, start, data, finish;
};
constexpr KindIds kMcu{UpgradeKind::kMcu, MCU_PACKET, MCU_UPG_START, MCU_UPG_DATA, MCU_UPG_FINISH};
constexpr KindIds kBootloader{UpgradeKind::kBootloader, MCU_PACKET, BL_UPG_START, BL_UPG_DATA, BL_UPG_FINISH};
constexpr KindIds kFlash{UpgradeKind::kFlash, FLASH_PACKET, FLASH_UPG_START, FLASH_UPG_DATA, FLASH_UPG_FINISH};

std::vector<Bytes> BlocksOf(const KindIds& ids, const Bytes& data) {
  return ids.kind == UpgradeKind::kFlash ? FlashBlocks(data) : McuBlocks(data);
}

VirtualBoxConfig FastConfig() {
  VirtualBoxConfig config;
  config.rebootDelay = 50ms;  // time enough to read the acknowledgement on a loaded machine
  config.rebootOffline = 10ms;
  return config;
}

Bytes Handshake(BoxDriver& driver) { return driver.One(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}).payload; }

/// Enter upgrade mode from the application: acknowledged, then the box leaves the bus and
/// comes back in its loader.
void EnterLoader(BoxDriver& driver) {
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_ENTER_UPG_MODE, {}), AckFrame(MCU_PACKET, MCU_ENTER_UPG_MODE));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
}

/// Start, every block and the finish; returns the acknowledgement status of each in order.
Bytes Transfer(BoxDriver& driver, const KindIds& ids, const Bytes& head, const std::vector<Bytes>& blocks) {
  Bytes statuses;
  const auto status = [&](const Frame& f) { return f.payload.empty() ? std::uint8_t{0} : f.payload[0]; };
  statuses.push_back(status(driver.Set(ids.type, ids.start, head)));
  for (const Bytes& block : blocks) statuses.push_back(status(driver.Set(ids.type, ids.data, block)));
  statuses.push_back(status(driver.Set(ids.type, ids.finish, {})));
  return statuses;
}

Bytes AllReady(std::size_t blocks) { return Bytes(blocks + 2, ACK_READY); }

TEST(UpgradeReceiver, McuUpgradeRestartsIntoTheLoaderAndReportsTheNewVersion) {
  BoxDriver driver(FastConfig());
  EXPECT_EQ(Handshake(driver), (Bytes{0x00, 79, 16, 16}));
  EnterLoader(driver);
  EXPECT_EQ(Handshake(driver), (Bytes{0xF0, 79, 16, 16}));

  const Bytes data = Pattern(70);
  const auto blocks = McuBlocks(data);
  EXPECT_EQ(Transfer(driver, kMcu, Head(data), blocks), AllReady(blocks.size()));

  // The new application starts with a restart.
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(Handshake(driver), (Bytes{0x00, 79, 17, 1}));
  EXPECT_EQ(driver.Box().Config().applicationMode, true);
  const UpgradeSnapshot s = driver.Box().Upgrade();
  EXPECT_EQ(s.verdict, UpgradeVerdict::kInstalled);
  ASSERT_EQ(s.image.size(), 96u);  // padded to whole blocks
  EXPECT_TRUE(std::equal(data.begin(), data.end(), s.image.begin()));
  // The box runs its application again: the DSP answers.
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}).size(), 1u);
}

TEST(UpgradeReceiver, FlashUpgradeIsInstalledByTheRebootThatFollowsIt) {
  BoxDriver driver(FastConfig());
  EnterLoader(driver);
  const Bytes data = Pattern(120);
  const auto blocks = FlashBlocks(data);
  EXPECT_EQ(Transfer(driver, kFlash, Head(data), blocks), AllReady(blocks.size()));
  EXPECT_EQ(driver.Box().Upgrade().image, data);
  // Still the loader until the restart the program asks for.
  EXPECT_EQ(Handshake(driver)[0], 0xF0);

  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_REBOOT, {}), AckFrame(MCU_PACKET, MCU_REBOOT));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(Handshake(driver), (Bytes{0x00, 79, 16, 16}));  // the MCU was not touched
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_GET_DSPFLASH_VER, {}), (Bytes{1, 0, 2, 4}));
}

TEST(UpgradeReceiver, BootloaderIsTakenByTheApplicationWithoutARestart) {
  BoxDriver driver(FastConfig());
  // Starting without entering the boot-loader mode is refused.
  EXPECT_EQ(driver.Set(MCU_PACKET, BL_UPG_START, {0, 0, 0, 0}).payload, (Bytes{ACK_NOT_READY}));
  EXPECT_EQ(driver.Set(MCU_PACKET, BL_UPG_ENTER, {}), AckFrame(MCU_PACKET, BL_UPG_ENTER));
  const Bytes data = Pattern(40);
  const auto blocks = McuBlocks(data);
  EXPECT_EQ(Transfer(driver, kBootloader, Head(data), blocks), AllReady(blocks.size()));
  EXPECT_TRUE(driver.Box().IsPlugged());
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_GET_BOOTLOADER_VER, {}), (Bytes{4}));
  EXPECT_EQ(Handshake(driver), (Bytes{0x00, 79, 16, 16}));
}

TEST(UpgradeReceiver, BlocksAreTakenAtTheOffsetsTheProgramSendsThem) {
  struct Case {
    const char* name;
    KindIds ids;
    std::size_t size;
    std::vector<std::uint32_t> offsets;
  };
  const Case cases[] = {
      {"MCU 70 bytes: partial block first", kMcu, 70, {64, 32, 0}},
      {"MCU 64 bytes: two whole blocks", kMcu, 64, {32, 0}},
      {"MCU 5 bytes: one partial block", kMcu, 5, {0}},
      {"MCU empty image: finish only", kMcu, 0, {}},
      {"boot loader 33 bytes", kBootloader, 33, {32, 0}},
      {"flash 120 bytes: 50, 50, 20", kFlash, 120, {0, 50, 100}},
      {"flash 100 bytes: two whole blocks", kFlash, 100, {0, 50}},
      {"flash 1 byte", kFlash, 1, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoxConfig config = FastConfig();
    config.applicationMode = c.ids.kind == UpgradeKind::kBootloader;
    BoxDriver driver(config);
    if (c.ids.kind == UpgradeKind::kBootloader) driver.Set(MCU_PACKET, BL_UPG_ENTER, {});
    const Bytes data = Pattern(c.size);
    const auto blocks = BlocksOf(c.ids, data);
    EXPECT_EQ(Transfer(driver, c.ids, Head(data), blocks), AllReady(blocks.size()));
    const UpgradeSnapshot s = driver.Box().Upgrade();
    EXPECT_EQ(s.blockOffsets, c.offsets);
    EXPECT_EQ(s.verdict, UpgradeVerdict::kInstalled);
    EXPECT_EQ(s.kind, c.ids.kind);
  }
}

TEST(UpgradeReceiver, BlocksOutOfOrderAreRefusedAndEndTheTransfer) {
  const Bytes mcuData = Pattern(96);  // blocks at 64, 32, 0
  const auto mcu = McuBlocks(mcuData);
  const Bytes flashData = Pattern(120);  // blocks at 0, 50, 100
  const auto flash = FlashBlocks(flashData);
  Bytes tooLong = flash[0];
  tooLong[4] = 51;
  tooLong.push_back(0);
  Bytes countMismatch = flash[0];
  countMismatch[4] = 49;
  const Bytes shortMcu(mcu[0].begin(), mcu[0].end() - 1);
  struct Case {
    const char* name;
    KindIds ids;
    std::vector<Bytes> blocks;
    Bytes statuses;  // of the blocks only
  };
  const Case cases[] = {
      {"MCU block resent", kMcu, {mcu[0], mcu[0]}, {ACK_READY, NOT_READY}},
      {"MCU block skipped", kMcu, {mcu[0], mcu[2]}, {ACK_READY, NOT_READY}},
      {"MCU first block off the 32-byte grid", kMcu, {WithOffset(40, Bytes(32, 1))}, {NOT_READY}},
      {"MCU block short of 32 data bytes", kMcu, {shortMcu}, {NOT_READY}},
      {"MCU upwards", kMcu, {mcu[2], mcu[1]}, {ACK_READY, NOT_READY}},
      // mcu[1] would have been the right one next, but the transfer has ended.
      {"MCU nothing taken after a refusal", kMcu, {mcu[0], mcu[2], mcu[1]}, {ACK_READY, NOT_READY, NOT_READY}},
      {"flash block resent", kFlash, {flash[0], flash[0]}, {ACK_READY, NOT_READY}},
      {"flash first block not at 0", kFlash, {flash[1]}, {NOT_READY}},
      {"flash block after a short one", kFlash, {flash[0], FlashBlocks(Pattern(10))[0]}, {ACK_READY, NOT_READY}},
      {"flash block of 51 bytes", kFlash, {tooLong}, {NOT_READY}},
      {"flash count disagrees with the bytes", kFlash, {countMismatch}, {NOT_READY}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoxConfig config = FastConfig();
    config.applicationMode = false;
    BoxDriver driver(config);
    const Bytes& data = c.ids.kind == UpgradeKind::kFlash ? flashData : mcuData;
    Bytes expected{ACK_READY};
    expected.insert(expected.end(), c.statuses.begin(), c.statuses.end());
    expected.push_back(NOT_READY);  // the finish
    EXPECT_EQ(Transfer(driver, c.ids, Head(data), c.blocks), expected);
    EXPECT_EQ(driver.Box().Upgrade().verdict, UpgradeVerdict::kOutOfOrder);
    EXPECT_EQ(Handshake(driver)[0], 0xF0);
  }
}

TEST(UpgradeReceiver, FinishIsRefusedUnlessTheWholeImageMatchesTheHead) {
  const Bytes data = Pattern(70);
  Bytes flipped = data;
  flipped[10] ^= 0x01;
  struct Case {
    const char* name;
    std::vector<Bytes> blocks;
    UpgradeVerdict verdict;
  };
  const auto all = McuBlocks(data);
  const Case cases[] = {
      {"one data byte changed", McuBlocks(flipped), UpgradeVerdict::kSumMismatch},
      {"finish before the block at offset 0", {all[0], all[1]}, UpgradeVerdict::kIncomplete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxDriver driver(FastConfig());
    EnterLoader(driver);
    const Bytes statuses = Transfer(driver, kMcu, Head(data), c.blocks);
    EXPECT_EQ(statuses.back(), NOT_READY);
    EXPECT_EQ(driver.Box().Upgrade().verdict, c.verdict);
    EXPECT_EQ(Handshake(driver), (Bytes{0xF0, 79, 16, 16}));
  }
}

TEST(UpgradeReceiver, NotReadyBlockIsAcknowledgedLaterWithoutAResend) {
  VirtualBoxConfig config = FastConfig();
  config.applicationMode = false;
  config.upgrade.notReadyBlocks = {1};
  config.upgrade.notReadyDelay = 30ms;
  BoxDriver driver(config);
  const Bytes data = Pattern(120);
  const auto blocks = FlashBlocks(data);
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_START, Head(data)).payload, (Bytes{ACK_READY}));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[0]).payload, (Bytes{ACK_READY}));

  const auto sent = std::chrono::steady_clock::now();
  driver.Send(FLASH_PACKET, FLASH_UPG_DATA, OP_SET, blocks[1]);
  const auto first = driver.Collect(5);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0], AckFrame(FLASH_PACKET, FLASH_UPG_DATA, {NOT_READY}));
  // The program reads again: the real acknowledgement comes as a report of its own.
  const auto later = driver.Collect(200);
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 30ms);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0], AckFrame(FLASH_PACKET, FLASH_UPG_DATA));

  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[2]).payload, (Bytes{ACK_READY}));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_FINISH, {}).payload, (Bytes{ACK_READY}));
  EXPECT_EQ(driver.Box().Upgrade().verdict, UpgradeVerdict::kInstalled);

  // A program that resends the block after NOT_READY is refused.
  driver.Set(FLASH_PACKET, FLASH_UPG_START, Head(data));
  driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[0]);
  driver.Send(FLASH_PACKET, FLASH_UPG_DATA, OP_SET, blocks[1]);
  driver.Collect(100);
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[1]).payload, (Bytes{NOT_READY}));
  EXPECT_EQ(driver.Box().Upgrade().verdict, UpgradeVerdict::kOutOfOrder);
}

TEST(UpgradeReceiver, StartIsRefusedOutsideUpgradeModeOrWhenConfigured) {
  const Bytes head{0, 0, 0, 0};
  struct Case {
    const char* name;
    bool applicationMode;
    bool refuseStart;
    KindIds ids;
    Bytes head;
  };
  const Case cases[] = {
      {"MCU start in the application", true, false, kMcu, head},
      {"flash start in the application", true, false, kFlash, head},
      {"boot-loader start without its enter", true, false, kBootloader, head},
      {"start refused by the box", false, true, kMcu, head},
      {"head shorter than 4 bytes", false, false, kFlash, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBoxConfig config = FastConfig();
    config.applicationMode = c.applicationMode;
    config.upgrade.refuseStart = c.refuseStart;
    BoxDriver driver(config);
    EXPECT_EQ(driver.Set(c.ids.type, c.ids.start, c.head), AckFrame(c.ids.type, c.ids.start, {ACK_NOT_READY}));
    // Nothing runs: blocks and finish are refused too.
    EXPECT_EQ(driver.Set(c.ids.type, c.ids.data, BlocksOf(c.ids, Pattern(10))[0]).payload, (Bytes{NOT_READY}));
    EXPECT_EQ(driver.Set(c.ids.type, c.ids.finish, {}).payload, (Bytes{NOT_READY}));
    const UpgradeSnapshot s = driver.Box().Upgrade();
    EXPECT_EQ(s.refusedStarts, 1u);
    EXPECT_EQ(s.verdict, UpgradeVerdict::kNone);
  }
}

TEST(UpgradeReceiver, InterruptedTransferLeavesTheBoxInItsLoaderUntilANewStart) {
  BoxDriver driver(FastConfig());
  EnterLoader(driver);
  const Bytes data = Pattern(200);
  const auto blocks = FlashBlocks(data);
  driver.Set(FLASH_PACKET, FLASH_UPG_START, Head(data));
  driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[0]);

  // The cable is pulled half-way.
  driver.Box().Unplug();
  driver.Box().Replug();
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(Handshake(driver), (Bytes{0xF0, 79, 16, 16}));
  // A restart during the transfer ends it; the box still sits in its loader.
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_REBOOT, {}), AckFrame(MCU_PACKET, MCU_REBOOT));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.Box().Upgrade().verdict, UpgradeVerdict::kInterrupted);
  EXPECT_EQ(Handshake(driver), (Bytes{0xF0, 79, 16, 16}));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_UPG_DATA, blocks[1]).payload, (Bytes{NOT_READY}));

  // Entering again in the loader needs no restart; the upgrade then starts over.
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_ENTER_UPG_MODE, {}), AckFrame(MCU_PACKET, MCU_ENTER_UPG_MODE));
  EXPECT_EQ(Transfer(driver, kFlash, Head(data), blocks), AllReady(blocks.size()));
  EXPECT_TRUE(driver.Box().IsPlugged());
}

TEST(UpgradeReceiver, ConfigChangedAtRunTimeInjectsNotReady) {
  VirtualBoxConfig config = FastConfig();
  config.applicationMode = false;
  BoxDriver driver(config);
  UpgradeReceiverConfig upgrade;
  upgrade.notReadyBlocks = {0, 2};
  upgrade.notReadyDelay = 1ms;
  upgrade.newMasterVersion = 20;
  upgrade.newSlaveVersion = 3;
  driver.Box().SetUpgradeConfig(upgrade);
  const Bytes data = Pattern(96);
  const auto blocks = McuBlocks(data);
  driver.Set(MCU_PACKET, MCU_UPG_START, Head(data));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE(i);
    const auto frames = driver.Exchange(MCU_PACKET, MCU_UPG_DATA, OP_SET, blocks[i]);
    const bool delayed = i != 1;
    ASSERT_EQ(frames.size(), delayed ? 2u : 1u);
    EXPECT_EQ(frames.front().payload, (Bytes{delayed ? NOT_READY : ACK_READY}));
    EXPECT_EQ(frames.back().payload, (Bytes{ACK_READY}));
  }
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_UPG_FINISH, {}).payload, (Bytes{ACK_READY}));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(Handshake(driver), (Bytes{0x00, 79, 20, 3}));
}

}  // namespace
}  // namespace qb::sim::test

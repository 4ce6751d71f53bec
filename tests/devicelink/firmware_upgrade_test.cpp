#include "devicelink/firmware_upgrade.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>

#include "devicelink/firmware_image_builder.h"
#include "devicelink/link_decoders.h"
#include "devicelink/wire_codes.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using test::Bytes;
constexpr std::uint8_t kUpgradeModel = 79;
constexpr ImageHead kHead{0x11, 0x22, 0x33, 0x44};

/// How the scripted box answers.
struct BoxScript {
  bool ackEnter = true;
  std::optional<std::uint8_t> startAck = ACK_READY;  ///< nullopt: silent
  std::set<int> notReadyBlocks;    ///< blocks answered NOT_READY, then READY
  std::set<int> strayBeforeAck;    ///< blocks answered by an unrelated report first
  int silentAfterBlocks = -1;      ///< from this block on, nothing is answered
  bool goneAfterEnter = false;     ///< the box does not come back after its restart
  int failWritesAfterBlock = -1;   ///< after acknowledging this block, writes fail
};

class UpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("qb_upgrade_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
    m_link.SetLinkConfig(kUpgradeModel, 8, 6, false, false);
    InstallReplyDecoders(m_link);
  }
  void TearDown() override {
    m_link.CloseHIDDevice(false);
    std::filesystem::remove_all(m_dir);
    EXPECT_EQ(m_backend->State().misuses.load(), 0);
  }

  /// A new session with the box: nothing written, nothing left to read.
  void Fresh() {
    std::lock_guard<std::mutex> guard(m_backend->State().lock);
    m_backend->State().writtenReports.clear();
    m_backend->State().inputReports.clear();
    m_backend->State().deviceAvailable = true;
    m_blocks = 0;
  }

  void Answer(const BoxScript& script) {
    test::ScriptedHidState& state = m_backend->State();
    state.onWrite = [this, script, &state](const Bytes& r) {
      const std::uint8_t type = r[4], id = r[5];
      auto ack = [&](std::uint8_t status) {
        state.QueueReport(test::InputReport(test::ReplyFrameBytes(type, id, OP_ACK, {status})));
      };
      const bool mcu = type == MCU_PACKET, flash = type == FLASH_PACKET;
      if (mcu && (id == MCU_ENTER_UPG_MODE || id == BL_UPG_ENTER)) {
        if (script.ackEnter) ack(ACK_READY);
        if (script.goneAfterEnter) {
          std::lock_guard<std::mutex> guard(state.lock);
          state.deviceAvailable = false;
        }
      } else if ((mcu && (id == MCU_UPG_START || id == BL_UPG_START)) ||
                 (flash && id == FLASH_UPG_START)) {
        if (script.startAck) ack(*script.startAck);
      } else if ((mcu && (id == MCU_UPG_DATA || id == BL_UPG_DATA)) ||
                 (flash && id == FLASH_UPG_DATA)) {
        const int block = m_blocks++;
        if (script.silentAfterBlocks >= 0 && block >= script.silentAfterBlocks) return;
        if (script.notReadyBlocks.count(block)) ack(NOT_READY);
        if (script.strayBeforeAck.count(block)) {
          state.QueueReport(test::InputReport(test::ReplyFrameBytes(MCU_PACKET, MCU_INIT,
                                                                    OP_UPDATE, {1})));
        }
        ack(ACK_READY);
        if (block == script.failWritesAfterBlock) {
          std::lock_guard<std::mutex> guard(state.lock);
          state.writeResult = -1;
        }
      } else if ((mcu && (id == MCU_UPG_FINISH || id == BL_UPG_FINISH)) ||
                 (flash && id == FLASH_UPG_FINISH)) {
        ack(ACK_READY);
      }
    };
  }

  std::filesystem::path WriteImage(const std::string& name, std::uint8_t fwId, std::size_t size) {
    m_data.resize(size);
    for (std::size_t i = 0; i < size; ++i) m_data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    ImageFields fields;
    fields.fwId = fwId;
    fields.modelId = kUpgradeModel;
    fields.head = kHead;
    fields.data = m_data;
    return WriteFile(name, *BuildSingleImage(fields));
  }

  std::filesystem::path WriteFile(const std::string& name, const Bytes& bytes) {
    const std::filesystem::path path = m_dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  /// Reports written with the given packet type and command id.
  std::vector<Bytes> Sent(std::uint8_t type, std::uint8_t id) {
    std::vector<Bytes> out;
    for (Bytes& r : m_backend->State().Written()) {
      if (r[4] == type && r[5] == id) out.push_back(std::move(r));
    }
    return out;
  }

  /// Calls UpgradeStep until it reports the end or `maxCalls` calls were made. Returns the
  /// last result; `perBlock` gets the result of each call that sent a block.
  std::uint8_t Run(std::uint8_t type, std::uint8_t dataId, std::vector<int>& perBlock,
                   int maxCalls = 200) {
    std::uint8_t result = 0;
    for (int i = 0; i < maxCalls && result <= 100; ++i) {
      const std::size_t before = Sent(type, dataId).size();
      result = UpgradeStep(m_link);
      if (Sent(type, dataId).size() > before) perBlock.push_back(result);
    }
    return result;
  }

  std::shared_ptr<test::ScriptedHidBackend> m_backend = std::make_shared<test::ScriptedHidBackend>();
  DeviceLink m_link{m_backend, LinkTimings{0, 1}};
  std::filesystem::path m_dir;
  Bytes m_data;
  int m_blocks = 0;
};

std::uint32_t BigEndian32(const Bytes& r, std::size_t at) {
  return std::uint32_t{r[at]} << 24 | std::uint32_t{r[at + 1]} << 16 |
         std::uint32_t{r[at + 2]} << 8 | r[at + 3];
}

struct Block {
  std::uint32_t offset;
  std::size_t length;
};

struct TransferRow {
  const char* file;
  std::uint8_t fwId;
  std::size_t size;
  std::uint8_t type, enterId, startId, dataId, finishId;
  std::vector<Block> blocks;
  std::vector<int> progress;
};

TEST_F(UpgradeTest, SendsEachKindInItsBlockOrderWithProgressAndFinish) {
  const TransferRow rows[] = {
      {"MCU_UPG.BIN", kFwIdMcu, 70, MCU_PACKET, MCU_ENTER_UPG_MODE, MCU_UPG_START, MCU_UPG_DATA,
       MCU_UPG_FINISH, {{64, 6}, {32, 32}, {0, 32}}, {8, 54, 100}},
      {"mcu_upg.bin", kFwIdMcu, 64, MCU_PACKET, MCU_ENTER_UPG_MODE, MCU_UPG_START, MCU_UPG_DATA,
       MCU_UPG_FINISH, {{32, 32}, {0, 32}}, {50, 100}},
      {"Bl_Upg.Bin", kFwIdMcu, 40, MCU_PACKET, BL_UPG_ENTER, BL_UPG_START, BL_UPG_DATA,
       BL_UPG_FINISH, {{32, 8}, {0, 32}}, {20, 100}},
      {"FLASH_UPG.BIN", kFwIdDsp, 120, FLASH_PACKET, MCU_ENTER_UPG_MODE, FLASH_UPG_START,
       FLASH_UPG_DATA, FLASH_UPG_FINISH, {{0, 50}, {50, 50}, {100, 20}}, {41, 83, 100}},
  };
  for (const TransferRow& row : rows) {
    SCOPED_TRACE(row.file);
    Fresh();
    m_link.OpenHIDDevice();
    Answer({});
    ASSERT_EQ(UpgradeStart(m_link, WriteImage(row.file, row.fwId, row.size)), 0);
    EXPECT_EQ(Sent(MCU_PACKET, row.enterId).size(), 1u);
    const std::vector<Bytes> start = Sent(row.type, row.startId);
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(Bytes(start[0].begin() + 7, start[0].begin() + 11), Bytes(kHead.begin(), kHead.end()));

    std::vector<int> progress;
    EXPECT_EQ(Run(row.type, row.dataId, progress), kUpgradeFinished);
    EXPECT_EQ(progress, row.progress);

    const std::vector<Bytes> sent = Sent(row.type, row.dataId);
    ASSERT_EQ(sent.size(), row.blocks.size());
    const bool flash = row.type == FLASH_PACKET;
    for (std::size_t i = 0; i < sent.size(); ++i) {
      const Bytes& r = sent[i];
      const Block& want = row.blocks[i];
      EXPECT_EQ(BigEndian32(r, 7), want.offset) << "block " << i;
      const std::size_t dataAt = flash ? 12 : 11;
      if (flash) {
        EXPECT_EQ(r[11], want.length);
      }
      const Bytes got(r.begin() + static_cast<long>(dataAt),
                      r.begin() + static_cast<long>(dataAt + want.length));
      const Bytes expected(m_data.begin() + want.offset,
                           m_data.begin() + static_cast<long>(want.offset + want.length));
      EXPECT_EQ(got, expected) << "block " << i;
      if (!flash) {  // a short MCU block is padded with zeros to 32 bytes
        for (std::size_t k = dataAt + want.length; k < 11 + kMcuBlockDataBytes; ++k) {
          EXPECT_EQ(r[k], 0) << "block " << i << " byte " << k;
        }
      }
    }
    EXPECT_EQ(Sent(row.type, row.finishId).size(), 1u);
    // Only a DSP-flash image needs the box restarted to run it.
    EXPECT_EQ(Sent(MCU_PACKET, MCU_REBOOT).size(), flash ? 1u : 0u);
    EXPECT_TRUE(m_link.Upgrade().mcuImage.empty());
    EXPECT_TRUE(m_link.Upgrade().dspImage.empty());
    EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), UPG_IDLE);
    m_link.CloseHIDDevice(false);
  }
}

TEST_F(UpgradeTest, UnacknowledgedBlockIsReadAgainNeverResent) {
  struct Row {
    const char* what;
    BoxScript script;
  };
  BoxScript notReady, stray;
  notReady.notReadyBlocks = {1};
  stray.strayBeforeAck = {0, 2};
  for (const Row& row : {Row{"NOT_READY", notReady}, Row{"unrelated report", stray}}) {
    SCOPED_TRACE(row.what);
    Fresh();
    m_link.OpenHIDDevice();
    Answer(row.script);
    ASSERT_EQ(UpgradeStart(m_link, WriteImage("MCU_UPG.BIN", kFwIdMcu, 70)), 0);
    std::vector<int> progress;
    EXPECT_EQ(Run(MCU_PACKET, MCU_UPG_DATA, progress), kUpgradeFinished);
    EXPECT_EQ(progress, (std::vector<int>{8, 54, 100}));
    const std::vector<Bytes> sent = Sent(MCU_PACKET, MCU_UPG_DATA);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(BigEndian32(sent[1], 7), 32u);
    EXPECT_EQ(BigEndian32(sent[2], 7), 0u);
    m_link.CloseHIDDevice(false);
  }
}

TEST_F(UpgradeTest, NotReadyMakesTheNextCallsReadWithoutSending) {
  BoxScript script;
  script.notReadyBlocks = {0};
  m_link.OpenHIDDevice();
  Answer(script);
  ASSERT_EQ(UpgradeStart(m_link, WriteImage("MCU_UPG.BIN", kFwIdMcu, 64)), 0);
  EXPECT_EQ(UpgradeStep(m_link), 50);  // sends block 0
  EXPECT_EQ(UpgradeStep(m_link), 50);  // moves to reading
  EXPECT_EQ(UpgradeStep(m_link), 50);  // reads NOT_READY
  EXPECT_EQ(m_link.Upgrade().step.load(), 1);
  EXPECT_EQ(UpgradeStep(m_link), 50);
  EXPECT_EQ(UpgradeStep(m_link), 50);  // reads READY
  EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), UPG_SEND_BIN_DATA);
  EXPECT_EQ(Sent(MCU_PACKET, MCU_UPG_DATA).size(), 1u);
  EXPECT_EQ(UpgradeStep(m_link), 100);  // next block
  EXPECT_EQ(Sent(MCU_PACKET, MCU_UPG_DATA).size(), 2u);
}

TEST_F(UpgradeTest, StartFailuresLeaveNoUpgradeBehind) {
  struct Row {
    const char* what;
    const char* file;
    std::uint8_t fwId;
    BoxScript script;
    bool open;
    int result;
    std::uint8_t firstStep;  ///< what UpgradeStep says next
  };
  BoxScript refuse, silentStart, silentEnter, gone;
  refuse.startAck = ACK_NOT_READY;
  silentStart.startAck = std::nullopt;
  silentEnter.ackEnter = false;
  gone.goneAfterEnter = true;
  const Row rows[] = {
      {"MCU start refused", "MCU_UPG.BIN", kFwIdMcu, refuse, true, 4, 0},
      {"flash start refused", "FLASH_UPG.BIN", kFwIdDsp, refuse, true, 4, 0},
      {"MCU start unanswered", "MCU_UPG.BIN", kFwIdMcu, silentStart, true, 4, 0},
      {"enter unanswered", "MCU_UPG.BIN", kFwIdMcu, silentEnter, true, 4, 0},
      // The boot loader's refusal shows in the first step instead.
      {"boot-loader start refused", "BL_UPG.BIN", kFwIdMcu, refuse, true, 0, kUpgradeFailed},
      {"boot-loader start unanswered", "BL_UPG.BIN", kFwIdMcu, silentStart, true, 0,
       kUpgradeFailed},
      {"MCU, link closed", "MCU_UPG.BIN", kFwIdMcu, {}, false, 3, 0},
      {"flash, link closed", "FLASH_UPG.BIN", kFwIdDsp, {}, false, 3, 0},
      {"box not back after its restart", "MCU_UPG.BIN", kFwIdMcu, gone, true, 3, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fresh();
    if (row.open) m_link.OpenHIDDevice();
    m_link.SetApplicationMode(row.script.goneAfterEnter);
    Answer(row.script);
    EXPECT_EQ(UpgradeStart(m_link, WriteImage(row.file, row.fwId, 70)), row.result);
    if (row.result != 0) {
      EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), UPG_IDLE);
      EXPECT_TRUE(m_link.Upgrade().mcuImage.empty());
      EXPECT_TRUE(m_link.Upgrade().dspImage.empty());
    }
    if (!row.open) {
      EXPECT_TRUE(m_backend->State().Written().empty());
    }
    EXPECT_EQ(UpgradeStep(m_link), row.firstStep);
    EXPECT_EQ(Sent(MCU_PACKET, MCU_UPG_DATA).size() + Sent(MCU_PACKET, BL_UPG_DATA).size() +
                  Sent(FLASH_PACKET, FLASH_UPG_DATA).size(),
              0u);
    m_link.CloseHIDDevice(false);
  }
}

TEST_F(UpgradeTest, BoxRestartingIntoItsLoaderIsReopenedBeforeTheStart) {
  m_link.OpenHIDDevice();
  m_link.SetApplicationMode(true);
  m_link.SetBootloaderVersion(7);
  Answer({});
  ASSERT_EQ(UpgradeStart(m_link, WriteImage("MCU_UPG.BIN", kFwIdMcu, 40)), 0);
  EXPECT_EQ(m_backend->State().opens, 2);
  EXPECT_EQ(m_backend->State().closes, 1);
  EXPECT_EQ(m_link.BootloaderVersion(), 0);
  EXPECT_EQ(m_link.LastRequestedWaitMs(), kWaitDefaultMs);  // the start waits for its ack
  std::vector<int> progress;
  EXPECT_EQ(Run(MCU_PACKET, MCU_UPG_DATA, progress), kUpgradeFinished);
}

TEST_F(UpgradeTest, BoxLostHalfWayEndsWith255) {
  // A silent box is read again and again, never resent to and never declared done; once
  // the application closes the link (the box was unplugged) the transfer fails.
  BoxScript silent;
  silent.silentAfterBlocks = 1;
  m_link.OpenHIDDevice();
  Answer(silent);
  ASSERT_EQ(UpgradeStart(m_link, WriteImage("FLASH_UPG.BIN", kFwIdDsp, 200)), 0);
  std::vector<int> progress;
  EXPECT_EQ(Run(FLASH_PACKET, FLASH_UPG_DATA, progress, 30), 50);
  EXPECT_EQ(Sent(FLASH_PACKET, FLASH_UPG_DATA).size(), 2u);
  m_link.CloseHIDDevice(false);
  EXPECT_EQ(Run(FLASH_PACKET, FLASH_UPG_DATA, progress, 3), kUpgradeFailed);
  EXPECT_TRUE(m_link.Upgrade().dspImage.empty());
  EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), UPG_IDLE);
}

TEST_F(UpgradeTest, BlockThatCannotBeWrittenEndsWith255) {
  BoxScript script;
  script.failWritesAfterBlock = 0;
  m_link.OpenHIDDevice();
  Answer(script);
  ASSERT_EQ(UpgradeStart(m_link, WriteImage("MCU_UPG.BIN", kFwIdMcu, 96)), 0);
  std::vector<int> progress;
  EXPECT_EQ(Run(MCU_PACKET, MCU_UPG_DATA, progress, 10), kUpgradeFailed);
  EXPECT_EQ(progress, (std::vector<int>{33}));
  EXPECT_TRUE(m_link.Upgrade().mcuImage.empty());
  EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), UPG_IDLE);
}

TEST_F(UpgradeTest, FileNameDecidesTheKind) {
  ImageFields mcu{kFwIdMcu, kUpgradeModel, kHead, {}, {}};
  const Bytes mcuData(40, 0x5A), dspData(60, 0xA5);
  mcu.data = mcuData;
  ImageFields dsp{kFwIdDsp, kUpgradeModel, {9, 8, 7, 6}, {}, {}};
  dsp.data = dspData;
  const std::vector<Bytes> parts = {*BuildSingleImage(mcu), *BuildSingleImage(dsp)};
  const Bytes merged = *BuildMergedFile(parts);
  const Bytes single = *BuildSingleImage(dsp);

  struct Row {
    const char* name;
    const Bytes* content;
    int result;
    UpgradeKind kind;
  };
  const Row rows[] = {
      {"new_upg_fw.bin", &merged, 0, UpgradeKind::Flash},
      {"dir\\Flash_Upg.Bin", &single, 0, UpgradeKind::Flash},  // "\" separates as well
      {"flash_upg.bin.txt", &single, 0, UpgradeKind::Flash},   // the name need only contain it
      {"flash_upg.bin\\notes.txt", &single, 2, UpgradeKind::None},
      {"readme.txt", &single, 2, UpgradeKind::None},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh();
    m_link.OpenHIDDevice();
    m_link.Upgrade().kind = UpgradeKind::None;
    Answer({});
    EXPECT_EQ(UpgradeStart(m_link, WriteFile(row.name, *row.content)), row.result);
    EXPECT_EQ(m_link.Upgrade().kind, row.kind);
    if (row.result == 0) {
      const std::vector<Bytes> start = Sent(FLASH_PACKET, FLASH_UPG_START);
      ASSERT_EQ(start.size(), 1u);
      EXPECT_EQ(start[0][7], 9);  // the DSP part's head
      std::vector<int> progress;
      EXPECT_EQ(Run(FLASH_PACKET, FLASH_UPG_DATA, progress), kUpgradeFinished);
      EXPECT_EQ(progress, (std::vector<int>{83, 100}));
      EXPECT_TRUE(Sent(MCU_PACKET, MCU_UPG_DATA).empty());
    } else {
      EXPECT_TRUE(m_backend->State().Written().empty());
    }
    m_link.CloseHIDDevice(false);
  }
}

TEST_F(UpgradeTest, DownloadBatchSendsNothingAndReportsZero) {
  m_link.OpenHIDDevice();
  ASSERT_EQ(UpgradeStart(m_link, "/opt/tools/Download.bat"), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(UpgradeStep(m_link), 0);
  EXPECT_TRUE(m_backend->State().Written().empty());
}

/// The acknowledgement decoders, fed through the installed link.
TEST_F(UpgradeTest, AcknowledgementsMoveTheStateOnlyWhenTheyApply) {
  struct Row {
    std::uint8_t type, id, op;
    Bytes payload;
    std::uint32_t before, after;
    std::uint16_t stepAfter;
  };
  const Row rows[] = {
      {MCU_PACKET, MCU_ENTER_UPG_MODE, OP_ACK, {ACK_READY}, UPG_ENTER, UPG_START, 0},
      {MCU_PACKET, BL_UPG_ENTER, OP_ACK, {ACK_READY}, UPG_ENTER, UPG_START, 0},
      {MCU_PACKET, MCU_ENTER_UPG_MODE, OP_UPDATE, {ACK_READY}, UPG_ENTER, UPG_ENTER, 0},
      {MCU_PACKET, MCU_UPG_START, OP_ACK, {ACK_READY}, UPG_START, UPG_SEND_BIN_DATA, 0},
      {MCU_PACKET, BL_UPG_START, OP_ACK, {ACK_NOT_READY}, UPG_START, UPG_FAIL, 0},
      {MCU_PACKET, MCU_UPG_START, OP_ACK, {}, UPG_START, UPG_START, 0},  // no status byte
      {MCU_PACKET, MCU_UPG_DATA, OP_ACK, {ACK_READY}, UPG_WAITING_BIN_DATA_ACK,
       UPG_SEND_BIN_DATA, 0},
      {MCU_PACKET, BL_UPG_DATA, OP_ACK, {ACK_READY}, UPG_SEND_BIN_DATA, UPG_SEND_BIN_DATA, 0},
      {MCU_PACKET, BL_UPG_DATA, OP_ACK, {NOT_READY}, UPG_WAITING_BIN_DATA_ACK,
       UPG_WAITING_BIN_DATA_ACK, 1},
      {MCU_PACKET, MCU_UPG_FINISH, OP_ACK, {ACK_READY}, UPG_FINISH, UPG_FINISH, 0},
      {FLASH_PACKET, FLASH_UPG_START, OP_ACK, {ACK_READY}, UPG_START, UPG_SEND_BIN_DATA, 0},
      {FLASH_PACKET, FLASH_UPG_START, OP_ACK, {ACK_READY}, UPG_ENTER, UPG_ENTER, 0},
      {FLASH_PACKET, FLASH_UPG_START, OP_ACK, {ACK_NOT_READY}, UPG_START, UPG_FAIL, 0},
      {FLASH_PACKET, FLASH_UPG_DATA, OP_ACK, {ACK_READY}, UPG_WAITING_BIN_DATA_ACK,
       UPG_SEND_BIN_DATA, 0},
      {FLASH_PACKET, FLASH_UPG_DATA, OP_ACK, {NOT_READY}, UPG_WAITING_BIN_DATA_ACK,
       UPG_WAITING_BIN_DATA_ACK, 1},
      {FLASH_PACKET, FLASH_UPG_DATA, OP_ACK, {0x55}, UPG_WAITING_BIN_DATA_ACK,
       UPG_WAITING_BIN_DATA_ACK, 0},
  };
  m_link.OpenHIDDevice();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "type " << int{row.type} << " id " << int{row.id}
                                    << " before " << row.before);
    m_link.Upgrade().sys_upg_status.store(row.before);
    m_link.Upgrade().step.store(0);
    m_backend->State().QueueReport(
        test::InputReport(test::ReplyFrameBytes(row.type, row.id, row.op, row.payload)));
    ASSERT_TRUE(m_link.ReadHIDData(10));
    EXPECT_EQ(m_link.Upgrade().sys_upg_status.load(), row.after);
    EXPECT_EQ(m_link.Upgrade().step.load(), row.stepAfter);
  }
}

}  // namespace
}  // namespace qb

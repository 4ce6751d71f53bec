// The program's upgrade transfer against the virtual box's receiver, at the real report
// latency of 1 ms: the box restarts into its loader, takes every block and installs the
// image only when what it received matches the head it was started with.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <fstream>

#include "devicelink/device_link.h"
#include "devicelink/firmware_image_builder.h"
#include "devicelink/firmware_upgrade.h"
#include "devicelink/link_decoders.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/mcu_records.h"
#include "simulator/upgrade_receiver.h"
#include "simulator/virtual_hid.h"
#include "tests/support/recording_target.h"

namespace qb {
namespace {

class UpgradeEndToEnd : public ::testing::Test {
 protected:
  UpgradeEndToEnd() {
    char pattern[] = "/tmp/qb_upg_XXXXXX";
    m_dir = ::mkdtemp(pattern);
    sim::VirtualBoxConfig config;
    config.rebootDelay = std::chrono::milliseconds(5);
    config.rebootOffline = std::chrono::milliseconds(50);
    m_backend = sim::MakeVirtualBoxBackend(config);
    m_link = std::make_unique<DeviceLink>(m_backend, LinkTimings{2000, 20});
    m_link->SetLinkConfig(79, 8, 6, false, false);
    InstallReplyDecoders(*m_link);
    m_link->Register(ReplySlot::MainWindowHandle, &m_main);
    m_link->OpenHIDDevice();
    // As after connecting: the handshake tells the link the box runs its application.
    Hand_Connect(*m_link);
  }
  ~UpgradeEndToEnd() override {
    m_link->CloseHIDDevice(false);
    m_link.reset();
    std::filesystem::remove_all(m_dir);
  }

  std::filesystem::path WriteImage(const std::string& name, std::uint8_t fwId,
                                   const std::vector<std::uint8_t>& data) {
    ImageFields fields;
    fields.fwId = fwId;
    fields.modelId = 79;
    fields.head = sim::ImageHeadFor(data);
    fields.data = data;
    const auto path = m_dir / name;
    const std::vector<std::uint8_t> bytes = *BuildSingleImage(fields);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  /// Steps until the transfer ends; returns every progress value seen.
  std::vector<int> RunSteps() {
    std::vector<int> progress;
    for (int i = 0; i < 200000; ++i) {
      const int p = UpgradeStep(*m_link);
      if (progress.empty() || progress.back() != p) progress.push_back(p);
      if (p == kUpgradeFinished || p == kUpgradeFailed) break;
    }
    return progress;
  }

  /// The versions of the next handshake the box answers.
  std::pair<int, int> HandshakeVersions() {
    m_main.Take();
    Hand_Connect(*m_link);
    for (int i = 0; i < 20; ++i) {
      for (const ReplyMessage& m : m_main.Take()) {
        if (const auto* r = m.RecordAs<HandshakeRecord>()) return {r->masterVersion, r->slaveVersion};
      }
      m_link->ReadHIDData(50);
    }
    return {-1, -1};
  }

  std::filesystem::path m_dir;
  std::shared_ptr<sim::VirtualHidBackend> m_backend;
  std::unique_ptr<DeviceLink> m_link;
  test::RecordingTarget m_main;
};

TEST_F(UpgradeEndToEnd, AnMcuImageIsSentThroughTheLoaderAndInstalled) {
  std::vector<std::uint8_t> data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 5);
  const auto file = WriteImage("MCU_UPG.BIN", kFwIdMcu, data);

  ASSERT_EQ(UpgradeStart(*m_link, file, UpgradeReopenTimings{100, 50, 200}), 0);
  const std::vector<int> progress = RunSteps();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), kUpgradeFinished);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

  const sim::UpgradeSnapshot seen = m_backend->Box()->Upgrade();
  EXPECT_EQ(seen.verdict, sim::UpgradeVerdict::kInstalled);
  ASSERT_FALSE(seen.blockOffsets.empty());
  EXPECT_EQ(seen.blockOffsets.front(), 992u);  // the partial block first
  EXPECT_EQ(seen.blockOffsets.back(), 0u);
  // The new application starts with a restart; the program opens the box again.
  for (int i = 0; i < 200 && m_backend->Box()->IsPlugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int i = 0; i < 200 && !m_backend->Box()->IsPlugged(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  m_link->CloseHIDDevice(false);
  m_link->OpenHIDDevice();
  EXPECT_EQ(HandshakeVersions(), std::make_pair(17, 1));
}

TEST_F(UpgradeEndToEnd, NotReadyBlocksAreReadAgainAndNeverResent) {
  sim::UpgradeReceiverConfig receiver;
  receiver.notReadyBlocks = {0, 3, 7};
  m_backend->Box()->SetUpgradeConfig(receiver);
  std::vector<std::uint8_t> data(400, 0x5A);
  const auto file = WriteImage("FLASH_UPG.BIN", kFwIdDsp, data);

  ASSERT_EQ(UpgradeStart(*m_link, file, UpgradeReopenTimings{100, 50, 200}), 0);
  EXPECT_EQ(RunSteps().back(), kUpgradeFinished);
  const sim::UpgradeSnapshot seen = m_backend->Box()->Upgrade();
  EXPECT_EQ(seen.verdict, sim::UpgradeVerdict::kInstalled);
  EXPECT_EQ(seen.blockOffsets, (std::vector<std::uint32_t>{0, 50, 100, 150, 200, 250, 300, 350}));
}

TEST_F(UpgradeEndToEnd, LosingTheBoxHalfWayEndsWith255WithoutHanging) {
  std::vector<std::uint8_t> data(2000, 0x11);
  const auto file = WriteImage("FLASH_UPG.BIN", kFwIdDsp, data);
  ASSERT_EQ(UpgradeStart(*m_link, file, UpgradeReopenTimings{100, 50, 200}), 0);
  int last = 0;
  for (int i = 0; i < 10 && last != kUpgradeFailed; ++i) last = UpgradeStep(*m_link);
  m_backend->Box()->Unplug();
  m_link->CloseHIDDevice(false);  // what the application does on the removal notice
  for (int i = 0; i < 100 && last != kUpgradeFailed; ++i) last = UpgradeStep(*m_link);
  EXPECT_EQ(last, kUpgradeFailed);
}

}  // namespace
}  // namespace qb

#include "devicelink/link_decoders.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "devicelink/calibration_commands.h"
#include "devicelink/device_link.h"
#include "devicelink/dsp_replies.h"
#include "devicelink/firmware_upgrade.h"
#include "devicelink/karaoke_commands.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/memory_commands.h"
#include "devicelink/scene_commands.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_target.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

TEST(ReplyDecoders, NoTwoFamiliesClaimTheSameCommand) {
  std::map<std::pair<int, int>, int> owners;
  int family = 0;
  for (DecoderTable table : {DspReplyDecoders(), CalibrationReplyDecoders(), MemoryReplyDecoders(),
                             McuReplyDecoders(), KaraokeReplyDecoders(), SceneReplyDecoders(),
                             UpgradeReplyDecoders()}) {
    ++family;
    EXPECT_FALSE(table.empty()) << "family " << family;
    for (const CommandDecoderEntry& entry : table) {
      const auto [it, inserted] = owners.emplace(std::pair{entry.packetType, entry.commandId}, family);
      EXPECT_TRUE(inserted) << "packet " << int{entry.packetType} << " id " << int{entry.commandId}
                            << " claimed by families " << it->second << " and " << family;
      EXPECT_NE(entry.decode, nullptr);
    }
  }
}

/// One reply of each family travels through the link to the window registered for it.
TEST(ReplyDecoders, EachFamilyReachesItsWindowThroughTheInstalledLink) {
  auto backend = std::make_shared<test::ScriptedHidBackend>();
  DeviceLink link(backend, LinkTimings{0, 1});
  link.SetLinkConfig(79, 8, 6, false, false);
  InstallReplyDecoders(link);
  test::RecordingTarget main, scene, calibration, memory;
  link.Register(ReplySlot::MainWindowHandle, &main);
  link.Register(ReplySlot::SceneWindowHandle, &scene);
  link.Register(ReplySlot::CalibrationWindowHandle, &calibration);
  link.Register(ReplySlot::MemoryWindowHandle, &memory);
  link.OpenHIDDevice();

  struct Row {
    test::Bytes frame;
    test::RecordingTarget* target;
    std::uint32_t message;
  };
  const Row rows[] = {
      {test::ReplyFrameBytes(1, 1, 0xDD, {0x00, 0x53}), &main, WM_DSP_REPLY},
      {test::ReplyFrameBytes(3, 8, 0xDD, {0x4F, 0x10, 0x10, 0x00}), &main, WM_MCU_REPLY},
      {test::ReplyFrameBytes(7, 1, 0xDD, {60}), &main, WM_KTV_REPLY},
      {test::ReplyFrameBytes(2, 14, 0xDD, {3}), &scene, WM_SCENE_ID},
      {test::ReplyFrameBytes(1, 19, 0xDD, {11, 0, 0, 0, 2}), &calibration, WM_IRC_REPLY},
      {test::ReplyFrameBytes(1, 66, 0xDD, {0x10, 0, 0, 0, 0x02, 0x01, 0, 0}), &memory, WM_MEM_REPLY},
  };
  for (const Row& row : rows) {
    backend->State().QueueReport(test::InputReport(row.frame));
    ASSERT_TRUE(link.ReadHIDData(10));
    std::vector<ReplyMessage> got = row.target->Take();
    ASSERT_EQ(got.size(), 1u) << "packet " << int{row.frame[3]} << " id " << int{row.frame[4]};
    EXPECT_EQ(got[0].number, row.message);
  }
  link.CloseHIDDevice(false);
}

/// Every DSP-packet report is logged once before it is routed: the DSP table's, the
/// calibration and memory families', and one nobody decodes.
TEST(ReplyDecoders, EveryDspReportIsLoggedOnceWhoeverDecodesIt) {
  test::LogCapture log;
  auto backend = std::make_shared<test::ScriptedHidBackend>();
  DeviceLink link(backend, LinkTimings{0, 1});
  link.SetLinkConfig(79, 8, 6, false, false);
  InstallReplyDecoders(link);
  link.OpenHIDDevice();
  for (const std::uint8_t id : {std::uint8_t{2}, std::uint8_t{19}, std::uint8_t{28}, std::uint8_t{66},
                                std::uint8_t{200}}) {
    backend->State().QueueReport(test::InputReport(test::ReplyFrameBytes(1, id, 0xEE, {0x0A})));
    ASSERT_TRUE(link.ReadHIDData(10));
  }
  link.CloseHIDDevice(false);
  const std::string file = log.File();
  for (const char* line : {"dsp_ack_process: cmd(0x00000002)\n", "dsp_ack_process: cmd(0x00000013)\n",
                           "dsp_ack_process: cmd(0x0000001c)\n", "dsp_ack_process: cmd(0x00000042)\n",
                           "dsp_ack_process: cmd(0x000000c8)\n"}) {
    const std::size_t first = file.find(line);
    EXPECT_NE(first, std::string::npos) << line;
    EXPECT_EQ(file.find(line, first + 1), std::string::npos) << "twice: " << line;
  }
}

}  // namespace
}  // namespace qb

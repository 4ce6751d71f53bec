// The microcontroller's commands (handshake, versions, system values, reboot, factory
// default) and the karaoke values.
#include <gtest/gtest.h>

#include <thread>

#include "tests/simulator/box_driver.h"
#include "tests/support/eventually.h"

namespace qb::sim::test {
namespace {

using namespace std::chrono_literals;
using qb::test::Eventually;

TEST(System, HandshakeReportsModelAndVersions) {
  BoxDriver driver;
  EXPECT_EQ(driver.One(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}),
            (Frame{MCU_PACKET, MCU_HANDSHAKE, OP_UPDATE, {0x00, 79, 16, 16}}));

  VirtualBoxConfig other;
  other.model = 80;
  other.masterVersion = 15;
  other.slaveVersion = 9;
  BoxDriver otherDriver(other);
  EXPECT_EQ(otherDriver.One(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}).payload, (Bytes{0x00, 80, 15, 9}));
}

TEST(System, BoxInItsLoaderAnswersOnlyTheHandshake) {
  BoxDriver driver;
  driver.Box().SetApplicationMode(false);
  EXPECT_EQ(driver.One(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}).payload, (Bytes{0xF0, 79, 16, 16}));
  EXPECT_TRUE(driver.Exchange(DSP_PACKET, DSP_VOLUME, OP_GET, {}).empty());
  EXPECT_TRUE(driver.Exchange(MCU_PACKET, MCU_TEXT, OP_GET, {}).empty());
  EXPECT_TRUE(driver.Exchange(FLASH_PACKET, FLASH_SCENE_VALID, OP_GET, {}).empty());
}

TEST(System, QueriesAndSettersOfTheMicrocontroller) {
  BoxDriver driver;
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_GET_DSPFLASH_VER, {}), (Bytes{1, 0, 2, 3}));
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_GET_BOOTLOADER_VER, {}), (Bytes{3}));
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_TEXT, {}), (Bytes{7, 'Z', 'X', '7', '1', '4', '0', 'K'}));

  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_POWER_OFF_DELAY, {}), (Bytes{0x0B, 0xB8}));
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_POWER_OFF_DELAY, {0x01, 0xF4}), AckFrame(MCU_PACKET, MCU_POWER_OFF_DELAY));
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_POWER_OFF_DELAY, {}), (Bytes{0x01, 0xF4}));

  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_ACC, {0xFF}), AckFrame(MCU_PACKET, MCU_ACC));
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_ACC, {}), (Bytes{0xFF}));
  EXPECT_EQ(driver.Box().State().accDelay, -1);
}

TEST(System, PasswordAndRemarkAreStoredAsSent) {
  BoxDriver driver;
  const Bytes set{4, '1', '2', '3', '4', 3, 'c', 'a', 'r'};
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_PASSWORD, set), AckFrame(MCU_PACKET, MCU_PASSWORD));
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_PASSWORD, {}), set);
  // Lengths beyond what arrived are cut to the bytes present.
  driver.Set(MCU_PACKET, MCU_PASSWORD, {9, 'a', 'b'});
  EXPECT_EQ(driver.Get(MCU_PACKET, MCU_PASSWORD, {}), (Bytes{2, 'a', 'b', 0}));
}

TEST(System, PcConnectIsTakenSilently) {
  BoxDriver driver;
  EXPECT_TRUE(driver.Exchange(MCU_PACKET, MCU_PC_CONNECT, OP_SET, {1}).empty());
  EXPECT_TRUE(driver.Box().State().pcConnected);
  EXPECT_TRUE(driver.Exchange(MCU_PACKET, MCU_PC_CONNECT, OP_SET, {0}).empty());
  EXPECT_FALSE(driver.Box().State().pcConnected);
}

TEST(System, KaraokeValuesAreSetAndReportedAtTheStartOfThePayload) {
  struct Case {
    std::uint8_t id;
    Bytes value;
    int stored;
  };
  const Case cases[] = {
      {KTV_MIC_VOL, {45}, 45},          {KTV_MUSIC_VOL, {70}, 70},       {KTV_HOWLING, {1}, 1},
      {KTV_ECHO_LEVEL, {12}, 12},       {KTV_ECHO_DELAY, {0x01, 0xF4}, 500},
      {KTV_REVERB_LEVEL, {5}, 5},       {KTV_REVERB_TIME, {30}, 30},     {KTV_VOICE_CHANGER, {2}, 2},
      {KTV_BASS_GAIN, {0xFA}, -6},      {KTV_TREBLE_GAIN, {0x04}, 4},
  };
  BoxDriver driver;
  EXPECT_EQ(driver.Get(KTV_PACKET, KTV_MIC_VOL, {}), (Bytes{60}));
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    EXPECT_EQ(driver.Set(KTV_PACKET, c.id, c.value), AckFrame(KTV_PACKET, c.id));
    EXPECT_EQ(driver.Get(KTV_PACKET, c.id, {}), c.value);
    EXPECT_EQ(driver.Box().State().karaoke[c.id], c.stored);
  }
  EXPECT_TRUE(driver.Exchange(KTV_PACKET, 11, OP_GET, {}).empty());
}


TEST(System, FactoryDefaultRestoresFactoryValuesAndReboots) {
  VirtualBoxConfig config;
  config.rebootOffline = 500ms;  // long enough to see it gone, even on a loaded machine
  BoxDriver driver(config);
  std::vector<bool> plugEvents;
  std::mutex eventsLock;
  driver.Box().SetPlugListener([&](bool plugged) {
    std::lock_guard<std::mutex> guard(eventsLock);
    plugEvents.push_back(plugged);
  });
  driver.DspSet(DSP_VOLUME, {20});
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {4, 0});

  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_FACTORY_DEFAULT, {}), AckFrame(MCU_PACKET, MCU_FACTORY_DEFAULT));
  // The box leaves the bus: the open handle is dead and nothing can be opened for a while.
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_EQ(driver.Send(DSP_PACKET, DSP_VOLUME, OP_GET, {}), -1);
  EXPECT_FALSE(driver.Reopen());
  // ... and comes back with its factory values.
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xF6}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_VALID, {}), (Bytes{0x00, 0x01}));
  std::lock_guard<std::mutex> guard(eventsLock);
  EXPECT_EQ(plugEvents, (std::vector<bool>{false, true}));
}

TEST(System, RebootKeepsTheSettings) {
  VirtualBoxConfig config;
  config.rebootOffline = 30ms;
  BoxDriver driver(config);
  driver.DspSet(DSP_VOLUME, {20});
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_REBOOT, {}), AckFrame(MCU_PACKET, MCU_REBOOT));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.DspGet(DSP_VOLUME, {}), (Bytes{0xF2}));
}

TEST(System, ExtensionsSeeCommandsFirst) {
  class Upgrader final : public BoxExtension {
   public:
    explicit Upgrader(int* reboots) : m_reboots(reboots) {}
    bool Handle(const BoxCommand& command, BoxContext& box) override {
      if (command.packetType == MCU_PACKET && command.commandId == MCU_ENTER_UPG_MODE) {
        box.Ack(MCU_PACKET, MCU_ENTER_UPG_MODE, ACK_READY);
        box.SetApplicationMode(false);
        box.Reboot(false);
        return true;
      }
      if (command.packetType != MCU_PACKET || command.commandId != MCU_UPG_START) return false;
      box.Ack(MCU_PACKET, MCU_UPG_START, ACK_NOT_READY);
      box.ReplyAfter(20ms, MCU_PACKET, MCU_UPG_START, OP_ACK, Bytes{ACK_READY});
      return true;
    }
    void OnReboot() override { ++*m_reboots; }

   private:
    int* m_reboots;
  };
  int reboots = 0;
  VirtualBoxConfig config;
  config.rebootOffline = 10ms;
  BoxDriver driver(config);
  driver.Box().AddExtension(std::make_unique<Upgrader>(&reboots));
  driver.Box().SetApplicationMode(false);  // extensions are asked in the loader too
  const auto start = std::chrono::steady_clock::now();
  driver.Send(MCU_PACKET, MCU_UPG_START, OP_SET, {});
  const auto frames = driver.Collect(100);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].payload, (Bytes{ACK_NOT_READY}));
  EXPECT_EQ(frames[1].payload, (Bytes{ACK_READY}));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);

  driver.Box().SetApplicationMode(true);
  driver.Set(MCU_PACKET, MCU_REBOOT, {});
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_EQ(reboots, 1);

  // The restart into the loader an upgrade asks for.
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.Set(MCU_PACKET, MCU_ENTER_UPG_MODE, {}), AckFrame(MCU_PACKET, MCU_ENTER_UPG_MODE));
  EXPECT_TRUE(Eventually([&] { return !driver.Box().IsPlugged(); }));
  EXPECT_TRUE(Eventually([&] { return driver.Box().IsPlugged(); }));
  ASSERT_TRUE(driver.Reopen());
  EXPECT_EQ(driver.One(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}).payload, (Bytes{0xF0, 79, 16, 16}));
  EXPECT_EQ(reboots, 2);
}

}  // namespace
}  // namespace qb::sim::test

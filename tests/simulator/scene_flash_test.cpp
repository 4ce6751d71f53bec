// Scene storage behaves like the box's flash: names wait for the save, save copies the live
// settings, load copies a slot back, delete erases slot and name to 0xFF.
#include <gtest/gtest.h>

#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

Bytes Name(const char* text) {
  Bytes name(16, 0);
  for (std::size_t i = 0; text[i] != '\0' && i < 16; ++i) name[i] = static_cast<std::uint8_t>(text[i]);
  return name;
}

Bytes SetNamePayload(std::uint8_t scene, const char* text) {
  Bytes p{scene, 16};
  const Bytes name = Name(text);
  p.insert(p.end(), name.begin(), name.end());
  return p;
}

Bytes NameReply(std::uint8_t scene, const Bytes& name) {
  Bytes p{scene};
  p.insert(p.end(), name.begin(), name.end());
  return p;
}

const Bytes kErasedName(16, 0xFF);

TEST(SceneFlash, SaveCopiesLiveUnderTheLastNameSet) {
  BoxDriver driver;
  driver.DspSet(DSP_DELAY_CH, {0, 0, 2, 2, 5, 0, 0});
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, SetNamePayload(3, "First")),
            AckFrame(FLASH_PACKET, FLASH_SCENE_NAME, {ACK_READY, 3}));
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, SetNamePayload(3, "Evening"));
  // The name waits for the save.
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {3}), NameReply(3, kErasedName));

  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {3, 0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_SAVE, {ACK_READY, 3}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {3}), NameReply(3, Name("Evening")));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_VALID, {}), (Bytes{0x00, 0x05}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_ID, {}), (Bytes{3}));
  EXPECT_EQ(driver.DspGet(DSP_DELAY_CH, {3, 0, 2, 2}), (Bytes{3, 0, 2, 2, 5, 0, 0}));

  // Live changes after the save do not reach the slot.
  driver.DspSet(DSP_DELAY_CH, {0, 0, 2, 2, 9, 0, 0});
  EXPECT_EQ(driver.DspGet(DSP_DELAY_CH, {3, 0, 2, 2}), (Bytes{3, 0, 2, 2, 5, 0, 0}));
}

TEST(SceneFlash, NamesAreListedForEveryScene) {
  BoxDriver driver;
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {1}), NameReply(1, Name("Default")));
  for (std::uint8_t scene = 2; scene <= 10; ++scene) {
    EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {scene}), NameReply(scene, kErasedName));
  }
  EXPECT_TRUE(driver.Exchange(FLASH_PACKET, FLASH_SCENE_NAME, OP_GET, {11}).empty());
  EXPECT_TRUE(driver.Exchange(FLASH_PACKET, FLASH_SCENE_NAME, OP_GET, {0}).empty());
}

TEST(SceneFlash, LoadCopiesTheSlotIntoLiveAndMakesItCurrent) {
  BoxDriver driver;
  driver.DspSet(DSP_MUTE_CH, {0, 0, 4, 4, 1});
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {2, 0});
  driver.DspSet(DSP_MUTE_CH, {0, 0, 4, 4, 0});
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {4, 0});

  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_LOAD, {2, 0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_LOAD, {ACK_READY, 2}));
  EXPECT_EQ(driver.DspGet(DSP_MUTE_CH, {0, 0, 4, 4}), (Bytes{0, 0, 4, 4, 1}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_ID, {}), (Bytes{2}));

  // (n, 255) only prepares reading; (0, 0) changes nothing.
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_LOAD, {4, 255}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_LOAD, {ACK_READY, 4}));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_LOAD, {0, 0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_LOAD, {ACK_READY, 0}));
  EXPECT_EQ(driver.DspGet(DSP_MUTE_CH, {0, 0, 4, 4}), (Bytes{0, 0, 4, 4, 1}));
}

TEST(SceneFlash, BlankSlotCannotBeLoaded) {
  BoxDriver driver;
  const Settings before = driver.Box().State().live;
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_LOAD, {7, 0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_LOAD, {ACK_NOT_READY, 7}));
  EXPECT_EQ(driver.Box().State().live.outputs[0].role, before.outputs[0].role);
  EXPECT_EQ(driver.Box().State().currentScene, 1);
}

TEST(SceneFlash, DeleteErasesSlotAndNameAndClearsTheValidBit) {
  BoxDriver driver;
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, SetNamePayload(5, "Party"));
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {5, 0});
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_VALID, {}), (Bytes{0x00, 0x11}));

  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_DELETE, {5}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_DELETE, {ACK_READY, 5}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {5}), NameReply(5, kErasedName));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_VALID, {}), (Bytes{0x00, 0x01}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_ID, {}), (Bytes{0}));
  EXPECT_EQ(driver.DspGet(DSP_CH_TYPE, {5, 0, 0, 1}), (Bytes{5, 0, 0, 1, 0xFF, 0xFF}));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_DELETE, {0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_DELETE, {ACK_NOT_READY, 0}));
}

TEST(SceneFlash, SaveAsWrittenKeepsTheSceneAddressedValues) {
  BoxDriver driver;
  // The whole-configuration write-back: scene-addressed commands, name, save (n, 1).
  driver.DspSet(DSP_CH_TYPE, {6, 0, 0, 0, 9});
  driver.DspSet(DSP_TRIM_CH, {6, 0, 1, 1, 20});
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, SetNamePayload(6, "Stored"));
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {6, 1}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_SAVE, {ACK_READY, 6}));
  const BoxState s = driver.Box().State();
  EXPECT_TRUE(s.scenes[5].valid);
  EXPECT_EQ(s.scenes[5].settings.outputs[0].role, 9);
  EXPECT_EQ(s.scenes[5].settings.outputs[1].volumeDb, -20.0);
  EXPECT_EQ(s.live.outputs[0].role, 6);
  EXPECT_EQ(s.currentScene, 1);  // a write-back does not change the current scene
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {6}), NameReply(6, Name("Stored")));
}

TEST(SceneFlash, SaveOfAnUnknownSceneIsRefused) {
  BoxDriver driver;
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {11, 0}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_SAVE, {ACK_NOT_READY, 11}));
  EXPECT_EQ(driver.Box().State().ValidMask(), 0x0001);
}

TEST(SceneFlash, NameLongerThanSixteenBytesIsCutAndShortOnePadded) {
  BoxDriver driver;
  Bytes p{8, 20};
  for (int i = 0; i < 20; ++i) p.push_back(static_cast<std::uint8_t>('a' + i));
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, p);
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {8, 0});
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {8}), NameReply(8, Name("abcdefghijklmnop")));
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, {9, 3, 'A', 'B', 'C'});
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, {9, 0});
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_NAME, {9}), NameReply(9, Name("ABC")));
}

TEST(SceneFlash, DataBlocksAreRawFlashOfTheSlot) {
  BoxDriver driver;
  EXPECT_EQ(driver.Set(FLASH_PACKET, FLASH_SCENE_DATA, {2, 0x01, 0x00, 3, 7, 8, 9}),
            AckFrame(FLASH_PACKET, FLASH_SCENE_DATA));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_DATA, {2, 0x00, 0xFF, 4}),
            (Bytes{2, 0x00, 0xFF, 4, 0xFF, 7, 8, 9}));
  // The end of the block area cuts the answer.
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_DATA, {2, 0x03, 0xFE, 10}),
            (Bytes{2, 0x03, 0xFE, 2, 0xFF, 0xFF}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_QUERY, {2}), (Bytes{2, 0}));
  EXPECT_EQ(driver.Get(FLASH_PACKET, FLASH_SCENE_QUERY, {1}), (Bytes{1, 1}));
}

}  // namespace
}  // namespace qb::sim::test

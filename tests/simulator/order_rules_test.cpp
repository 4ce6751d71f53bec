// The order rule the box checks: a stored scene is written as one unit, its values before its
// save, and nothing else reaches the box in between.
#include <gtest/gtest.h>

#include "tests/simulator/box_driver.h"

namespace qb::sim::test {
namespace {

Bytes Mute(std::uint8_t scene, std::uint8_t on) { return {scene, 0, 4, 4, on}; }
Bytes MixLevel(std::uint8_t scene, std::uint8_t level) { return {scene, SOURCE_HI, 0, 2, 2, level}; }
Bytes NamePayload(std::uint8_t scene) { return {scene, 16, 'S', 'c', 'e', 'n', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }
Bytes Save(std::uint8_t scene) { return {scene, 1}; }

TEST(OrderRules, AValueThatReachesASceneAfterItsSaveOrBesideAnotherDestinationIsRecorded) {
  BoxDriver driver;
  // As the whole-configuration load writes: values, name, save, the next scene.
  driver.DspSet(DSP_MUTE_CH, Mute(3, 1));
  driver.DspSet(DSP_INPUT_MIX_CH_TRIM, MixLevel(3, 40));
  driver.Set(FLASH_PACKET, FLASH_SCENE_NAME, NamePayload(3));
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, Save(3));
  driver.DspSet(DSP_MUTE_CH, Mute(4, 1));
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, Save(4));
  EXPECT_TRUE(driver.Box().OrderViolations().empty());

  // A queued mix level that comes after its scene's save.
  driver.DspSet(DSP_MUTE_CH, Mute(5, 1));
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, Save(5));
  driver.DspSet(DSP_INPUT_MIX_CH_TRIM, MixLevel(5, 40));
  driver.DspSet(DSP_MUTE_CH, Mute(6, 1));
  // A live value, then a new connection, while a scene waits for its save.
  driver.DspSet(DSP_MUTE_CH, Mute(0, 1));
  driver.DspSet(DSP_MUTE_CH, Mute(7, 1));
  driver.Reopen();
  EXPECT_EQ(driver.Box().OrderViolations(),
            (std::vector<std::string>{
                "scene 5: 1 value(s) written after its SaveScene(5) before DSP_MUTE_CH for scene 6",
                "scene 6: 1 value(s) written and no SaveScene(6) before DSP_MUTE_CH for the live settings",
                "scene 7: 1 value(s) written and no SaveScene(7) before a new connection",
            }));
  driver.Box().ClearOrderViolations();
  EXPECT_TRUE(driver.Box().OrderViolations().empty());
}

TEST(OrderRules, QueriesAnEmptySaveAndATransferCutByAnUnplugBreakNothing) {
  BoxDriver driver;
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, Save(2));  // nothing written: the box commits the slot as it is
  driver.DspSet(DSP_MUTE_CH, Mute(2, 1));
  driver.DspGet(DSP_MUTE_CH, {0, 0, 4, 4});
  driver.Set(FLASH_PACKET, FLASH_SCENE_SAVE, Save(2));
  driver.DspSet(DSP_MUTE_CH, Mute(8, 1));
  driver.Box().Unplug();
  driver.Box().Replug();
  ASSERT_TRUE(driver.Reopen());
  driver.DspSet(DSP_MUTE_CH, Mute(0, 1));
  EXPECT_TRUE(driver.Box().OrderViolations().empty());
}

}  // namespace
}  // namespace qb::sim::test

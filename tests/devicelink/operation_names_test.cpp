// Names of frames: the setter, query and reply of one command are told apart, and no name
// stands for two commands, so a trace read by name alone is never ambiguous.
#include "devicelink/operation_names.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qb {
namespace {

TEST(OperationNamesTest, AFrameIsNamedByItsOperation) {
  EXPECT_STREQ(FrameName(DSP_PACKET, DSP_EQ_CH, OP_SET), "EQ_Ctrl");
  EXPECT_STREQ(FrameName(DSP_PACKET, DSP_EQ_CH, OP_GET), "Get_EQ");
  EXPECT_STREQ(FrameName(DSP_PACKET, DSP_EQ_CH, OP_UPDATE), "DSP_EQ_CH");
  EXPECT_STREQ(FrameName(DSP_PACKET, DSP_EQ_CH, OP_ACK), "DSP_EQ_CH");
  EXPECT_STREQ(FrameName(FLASH_PACKET, FLASH_SCENE_NAME, OP_SET), "SetSceneName");
  EXPECT_STREQ(FrameName(FLASH_PACKET, FLASH_SCENE_NAME, OP_GET), "Get_Scene_Name");
  // Commands the program sends without a setter of its own keep the catalogue's name.
  EXPECT_STREQ(FrameName(FLASH_PACKET, FLASH_UPG_DATA, OP_SET), "FLASH_UPG_DATA");
  EXPECT_STREQ(FrameName(MCU_PACKET, MCU_INIT, OP_UPDATE), "MCU INIT");
  EXPECT_EQ(FrameName(DSP_PACKET, 37, OP_SET), nullptr) << "an unused id";
  EXPECT_EQ(FrameName(5, 1, OP_SET), nullptr) << "an unknown packet type";
}

TEST(OperationNamesTest, NoNameStandsForTwoCommands) {
  std::map<std::string, int> commandOf;
  for (const CommandName& command : kCommandNames) {
    const int key = command.packetType * 256 + command.id;
    for (std::uint8_t op : {OP_SET, OP_GET, OP_UPDATE}) {
      const auto [at, fresh] = commandOf.emplace(FrameName(command.packetType, command.id, op), key);
      EXPECT_TRUE(fresh || at->second == key) << at->first << " names commands " << at->second << " and " << key;
    }
  }
}

}  // namespace
}  // namespace qb

#pragma once
/// What the program calls the two operations of each command: the setter that sends it
/// with OP_SET and the query that sends it with OP_GET. With the catalogue's own names in
/// wire_codes.h, which name the box's replies, they name every frame that crosses the link:
/// an equaliser band goes out as "EQ_Ctrl", is asked for as "Get_EQ" and comes back as
/// "DSP_EQ_CH". The trace dissector's command table is made from these tables
/// (tools/wireshark), so a reader of a capture sees the names the code and its log use.

#include <array>
#include <cstdint>

#include "devicelink/wire_codes.h"

namespace qb {

/// The setter and query of one catalogue entry; nullptr where the program has none.
struct OperationNames {
  std::uint8_t packetType;
  std::uint8_t id;
  const char* setter;
  const char* query;
};

inline constexpr std::array kOperationNames = {
    OperationNames{DSP_PACKET, DSP_SOURCE_CONFIG, nullptr, "Get_Source_Config"},
    OperationNames{DSP_PACKET, DSP_SOURCE_SWITCH, "Source_Switch_Ctrl", "Get_Source"},
    OperationNames{DSP_PACKET, DSP_VOLUME, "Main_Volume_Ctrl", "Get_Main_Volume"},
    OperationNames{DSP_PACKET, DSP_SUBWOOFER_VOLUME, "Subwoofer_Volume_Ctrl", "Get_Subwoofer_Volume"},
    OperationNames{DSP_PACKET, DSP_MUTE, "Mute_Ctrl", "Get_Mute"},
    OperationNames{DSP_PACKET, DSP_FILTER_GET, "Filter_Ctrl", "Get_Filter"},
    OperationNames{DSP_PACKET, DSP_EQ_CH, "EQ_Ctrl", "Get_EQ"},
    OperationNames{DSP_PACKET, DSP_DELAY_CH, "Delay_Ctrl", "Get_Delay"},
    OperationNames{DSP_PACKET, DSP_TRIM_CH, "Trim_Ctrl", "Get_Trim"},
    OperationNames{DSP_PACKET, DSP_MUTE_CH, "Mute_Ch_Ctrl", "Get_Mute_Ch"},
    OperationNames{DSP_PACKET, DSP_PHASE_CH, "Phase_Ctrl", "Get_Phase"},
    OperationNames{DSP_PACKET, DSP_MIX_CH, "Mix_Ch_Ctrl", "Get_Mix_Ch"},
    OperationNames{DSP_PACKET, DSP_CH_REMAP, "Remap_Ch_Ctrl", "Get_Remap_Ch"},
    OperationNames{DSP_PACKET, DSP_CH_TYPE, "CH_Type_Ctrl", "Get_CH_Type"},
    OperationNames{DSP_PACKET, DSP_CH_LINK, "CH_Link_Ctrl", "Get_CH_Link"},
    OperationNames{DSP_PACKET, DSP_CH_LOCK, "CH_Lock_Ctrl", "Get_CH_Lock"},
    OperationNames{DSP_PACKET, DSP_BYPASS, "DSP_Bypass_Ctrl", "Get_All_Bypass"},
    OperationNames{DSP_PACKET, DSP_EQ_RESET, "PEQ_Reset_Ctrl", "Get_PEQ_Reset"},
    OperationNames{DSP_PACKET, DSP_EQ_BYPASS, "PEQ_Bypass_Ctrl", "Get_PEQ_Bypass"},
    OperationNames{DSP_PACKET, DSP_IRC_CTRL, "IRC_Ctrl", "IRC_Get"},
    OperationNames{DSP_PACKET, DSP_IRC_DISTANCE, nullptr, "IRC_Get_Distance"},
    OperationNames{DSP_PACKET, IRC_CH_TRIM, nullptr, "IRC_Get_Trim"},
    OperationNames{DSP_PACKET, DSP_IRC_EQ, nullptr, "IRC_Get_EQ"},
    OperationNames{DSP_PACKET, DSP_IRC_SPK_SIZE, nullptr, "IRC_Get_Spk_Size"},
    OperationNames{DSP_PACKET, DSP_IRC_SPK_PHASE, nullptr, "IRC_Get_Spk_Phase"},
    OperationNames{DSP_PACKET, DSP_IRC_SPK_LEVEL, nullptr, "IRC_Get_Spk_Level"},
    OperationNames{DSP_PACKET, DSP_IRC_SPECTRUM, nullptr, "IRC_Get_Spectrum"},
    OperationNames{DSP_PACKET, DSP_IRC_NOISE_LEVEL, nullptr, "IRC_Get_Noise_Level"},
    OperationNames{DSP_PACKET, DSP_IRC_RTA, nullptr, "IRC_Get_RTA"},
    OperationNames{DSP_PACKET, DSP_IRC_TEST_MIC, "IRC_Set_Test_Mic", nullptr},
    OperationNames{DSP_PACKET, DSP_IRC_TEST_MODULE, "IRC_Sel_Test_Module", nullptr},
    OperationNames{DSP_PACKET, DSP_INPUT_TRIM_CH, "Input_Trim_Ctrl", "Get_Input_Trim"},
    OperationNames{DSP_PACKET, DSP_INPUT_CH_MUTE, "Mute_Input_Ch_Ctrl", "Get_Mute_Input_Ch"},
    OperationNames{DSP_PACKET, INPUT_CH_PHASE, "Input_Phase_Ctrl", "Get_Phase_Input_Ch"},
    OperationNames{DSP_PACKET, DSP_INPUT_EQ_CH, "Input_EQ_Ctrl", "Get_Input_EQ"},
    OperationNames{DSP_PACKET, DSP_INPUT_MIX_CH_TRIM, "Input_Mix_Trim_Ctrl", "Get_Input_Mix_CH_Trim"},
    OperationNames{DSP_PACKET, DSP_INPUT_THRESHOLD, "Input_Ch_Threshold_Ctrl", "Get_Input_Threshold"},
    OperationNames{DSP_PACKET, INPUT_NOISE, nullptr, "Get_Input_Noise"},
    OperationNames{DSP_PACKET, DSP_INPUT_MIX_CH_TRIM2, "Input_Mix_Trim_Ctrl2", nullptr},
    OperationNames{DSP_PACKET, DSP_CH_TRIM_LINK, "CH_Trim_Link_Ctrl", "Get_CH_Trim_Link"},
    OperationNames{DSP_PACKET, DSP_CH_DELAY_LINK, "CH_Delay_Link_Ctrl", "Get_CH_Delay_Link"},
    OperationNames{DSP_PACKET, DSP_REMOTE_CH, "Sel_Remote_CH_Ctrl", "Get_Remote_CH"},
    OperationNames{DSP_PACKET, DSP_ONE_BYTE_SETTING, "One_Byte_Setting_Ctrl", nullptr},
    OperationNames{DSP_PACKET, DSP_CH_SOLO, "Solo_Ctrl", "Get_Ch_Solo"},
    OperationNames{DSP_PACKET, DSP_SPK_CH_CONFIG, "Speaker_Config_Ctrl", "Get_Speaker_Config"},
    OperationNames{DSP_PACKET, MIX_TYPE, "Mix_Type_Ctrl", "Get_Mix_Type"},
    OperationNames{DSP_PACKET, DSP_HPF_Q_FACT_MODE, "HPF_Q_Fact_Ctrl", "Get_HPF_Q_Fact_Mode"},
    OperationNames{DSP_PACKET, DSP_LPF_Q_FACT_MODE, "LPF_Q_Fact_Ctrl", "Get_LPF_Q_Fact_Mode"},
    OperationNames{DSP_PACKET, DSP_FACTORY_PRESET, "Factory_Preset_Ctrl", "Get_Factory_Preset"},
    OperationNames{DSP_PACKET, DSP_SETUP_MODE, "Setup_Mode_Ctrl", "Get_Setup_Mode"},
    OperationNames{DSP_PACKET, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, "Auto_Effect_Ctrl", "Get_AUTO_ON"},
    OperationNames{DSP_PACKET, DSP_TWO_BYTE_SETTING, "Two_Byte_Setting_Ctrl", nullptr},
    OperationNames{DSP_PACKET, DSP_CS_AUTO, "CS_Auto_Ctrl", nullptr},
    OperationNames{DSP_PACKET, DSP_COMPRESSOR_GET, "Compressor_Ctrl", "Get_Compressor"},
    OperationNames{DSP_PACKET, DSP_AMP_MUTE, "Amp_Mute_Ctrl", "Get_Amp_Mute"},
    OperationNames{DSP_PACKET, DSP_INPUT_CH_DISTORT, nullptr, "Get_InDistort"},
    OperationNames{DSP_PACKET, DSP_OUTPUT_CH_DISTORT, nullptr, "Get_OutDistort"},
    OperationNames{DSP_PACKET, DSP_MEM_DATA, "Set_MemData", "Get_MemData"},
    OperationNames{DSP_PACKET, DSP_SPK_DIST, "Spk_Dist_Ctrl", "Get_Spk_Dist"},
    OperationNames{DSP_PACKET, DSP_MIX_SOURCE_SWITCH, "Mix_Source_Switch_Ctrl", "Get_Mix_Source"},
    OperationNames{DSP_PACKET, MIX_TYPE2, "Mix_Type2_Ctrl", "Get_Mix_Type2"},

    OperationNames{FLASH_PACKET, FLASH_SCENE_SAVE, "SaveScene", nullptr},
    OperationNames{FLASH_PACKET, FLASH_SCENE_LOAD, "ReadScene", nullptr},
    OperationNames{FLASH_PACKET, FLASH_SCENE_DELETE, "DeleteScene", nullptr},
    OperationNames{FLASH_PACKET, FLASH_SCENE_NAME, "SetSceneName", "Get_Scene_Name"},
    OperationNames{FLASH_PACKET, FLASH_SCENE_DATA, "SetSceneProfile", "GetSceneProfile"},
    OperationNames{FLASH_PACKET, FLASH_SCENE_QUERY, nullptr, "Get_Scene_Query"},
    OperationNames{FLASH_PACKET, FLASH_SCENE_ID, nullptr, "Get_Scene_ID"},
    OperationNames{FLASH_PACKET, FLASH_SCENE_VALID, nullptr, "Get_Scene_Valid"},

    OperationNames{MCU_PACKET, MCU_HANDSHAKE, "Hand_Connect", nullptr},
    OperationNames{MCU_PACKET, MCU_GET_DSPFLASH_VER, nullptr, "Get_Flash_Version"},
    OperationNames{MCU_PACKET, MCU_GET_BOOTLOADER_VER, nullptr, "Get_Bootloader_Version"},
    OperationNames{MCU_PACKET, MCU_PASSWORD, "SetPWD", "Get_PWD"},
    OperationNames{MCU_PACKET, MCU_PC_CONNECT, "PC_Connect", nullptr},
    OperationNames{MCU_PACKET, MCU_TEXT, nullptr, "Get_MCU_Text"},
    OperationNames{MCU_PACKET, MCU_REBOOT, "MCU_Reboot_Ctrl", nullptr},
    OperationNames{MCU_PACKET, MCU_FACTORY_DEFAULT, "MCU_Factory_Default", nullptr},
    OperationNames{MCU_PACKET, MCU_POWER_OFF_DELAY, "Set_Power_Off_Time", "Get_Delay_Power_Off_Time"},
    OperationNames{MCU_PACKET, MCU_ACC, "Set_Acc", "Get_Acc"},

    OperationNames{KTV_PACKET, KTV_MIC_VOL, "KTV_Mic_Vol_Ctrl", "Get_KTV_Mic_Vol"},
    OperationNames{KTV_PACKET, KTV_MUSIC_VOL, "KTV_Music_Vol_Ctrl", "Get_KTV_Music_Vol"},
    OperationNames{KTV_PACKET, KTV_HOWLING, "KTV_Howling_Ctrl", "Get_KTV_Howling"},
    OperationNames{KTV_PACKET, KTV_ECHO_LEVEL, "KTV_Echo_Level_Ctrl", "Get_KTV_Echo_Level"},
    OperationNames{KTV_PACKET, KTV_ECHO_DELAY, "KTV_Echo_Delay_Ctrl", "Get_KTV_Echo_Delay"},
    OperationNames{KTV_PACKET, KTV_REVERB_LEVEL, "KTV_Reverb_Level_Ctrl", "Get_KTV_Reverb_Level"},
    OperationNames{KTV_PACKET, KTV_REVERB_TIME, "KTV_Reverb_Time_Ctrl", "Get_KTV_Reverb_Time"},
    OperationNames{KTV_PACKET, KTV_VOICE_CHANGER, "KTV_Voice_Changer_Ctrl", "Get_KTV_Voice_Changer"},
    OperationNames{KTV_PACKET, KTV_BASS_GAIN, "KTV_Bass_Gain_Ctrl", "Get_KTV_Bass_Gain"},
    OperationNames{KTV_PACKET, KTV_TREBLE_GAIN, "KTV_Treble_Gain_Ctrl", "Get_KTV_Treble_Gain"},
};

/// The name of one frame on the link: the setter for OP_SET and the query for OP_GET where
/// the program has one, otherwise (replies, and commands only the upgrade or the box
/// itself sends) the catalogue's name. nullptr for a command the catalogue does not hold.
constexpr const char* FrameName(std::uint8_t packetType, std::uint8_t id, std::uint8_t opType) {
  const char* catalogueName = CommandLogName(packetType, id);
  if (catalogueName == nullptr) return nullptr;
  for (const OperationNames& entry : kOperationNames) {
    if (entry.packetType != packetType || entry.id != id) continue;
    if (opType == OP_SET && entry.setter != nullptr) return entry.setter;
    if (opType == OP_GET && entry.query != nullptr) return entry.query;
  }
  return catalogueName;
}

namespace detail {
constexpr bool EveryOperationIsCatalogued() {
  for (const OperationNames& entry : kOperationNames) {
    if (CommandLogName(entry.packetType, entry.id) == nullptr) return false;
  }
  return true;
}
}  // namespace detail
// An operation of a command the catalogue lacks would name frames nothing else knows.
static_assert(detail::EveryOperationIsCatalogued());

}  // namespace qb

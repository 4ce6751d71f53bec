#pragma once
/// Every code that crosses the USB link to the box, defined once: packet types, operation
/// types, acknowledgement status, the command catalogue of each packet type, the small
/// enumerations carried inside payloads and the calibration status and failure codes.
///
/// Codes are plain `std::uint8_t` constants (or unscoped enums with that underlying type)
/// so that they go straight into payload bytes and compare directly with received bytes.
/// The names are the box protocol's own; where the protocol only describes a command, the
/// name follows the same pattern. Nothing here allocates or depends on the transport.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace qb {

// ---------------------------------------------------------------------------------------
// Packet types (frame byte `packet_type`)

inline constexpr std::uint8_t DSP_PACKET = 1;    ///< DSP parameters, calibration, memory
inline constexpr std::uint8_t FLASH_PACKET = 2;  ///< scenes in flash, DSP-flash upgrade
inline constexpr std::uint8_t MCU_PACKET = 3;    ///< handshake, versions, system, MCU upgrade
inline constexpr std::uint8_t KTV_PACKET = 7;    ///< karaoke effect parameters

// ---------------------------------------------------------------------------------------
// Operation types (frame byte `optype`)

inline constexpr std::uint8_t OP_SET = 0xBB;     ///< PC to box: set a value or start an action
inline constexpr std::uint8_t OP_GET = 0x66;     ///< PC to box: ask for a value
inline constexpr std::uint8_t OP_UPDATE = 0xDD;  ///< box to PC: data report
inline constexpr std::uint8_t OP_ACK = 0xEE;     ///< box to PC: acknowledgement with a status

// Acknowledgement status, first payload byte of an OP_ACK reply. The box uses one "not
// ready" value; the upgrade code calls it ACK_NOT_READY at the start and NOT_READY per block.
inline constexpr std::uint8_t ACK_READY = 0x0A;
inline constexpr std::uint8_t ACK_NOT_READY = 0x60;
inline constexpr std::uint8_t NOT_READY = 0x60;

// ---------------------------------------------------------------------------------------
// DSP_PACKET command ids

inline constexpr std::uint8_t DSP_SOURCE_CONFIG = 0;
inline constexpr std::uint8_t DSP_SOURCE_SWITCH = 1;
inline constexpr std::uint8_t DSP_VOLUME = 2;
inline constexpr std::uint8_t DSP_SUBWOOFER_VOLUME = 3;
inline constexpr std::uint8_t DSP_MUTE = 4;
inline constexpr std::uint8_t DSP_FILTER_GET = 5;
inline constexpr std::uint8_t DSP_EQ_CH = 6;
inline constexpr std::uint8_t DSP_DELAY_CH = 7;
inline constexpr std::uint8_t DSP_TRIM_CH = 8;
inline constexpr std::uint8_t DSP_MUTE_CH = 9;
inline constexpr std::uint8_t DSP_PHASE_CH = 10;
inline constexpr std::uint8_t DSP_MIX_CH = 11;
inline constexpr std::uint8_t DSP_CH_REMAP = 12;           ///< replies not decoded
inline constexpr std::uint8_t DSP_CH_TYPE = 13;
inline constexpr std::uint8_t DSP_CH_LINK = 14;
inline constexpr std::uint8_t DSP_CH_LOCK = 15;
inline constexpr std::uint8_t DSP_BYPASS = 16;             ///< replies not decoded
inline constexpr std::uint8_t DSP_EQ_RESET = 17;
inline constexpr std::uint8_t DSP_EQ_BYPASS = 18;
inline constexpr std::uint8_t DSP_IRC_CTRL = 19;
inline constexpr std::uint8_t DSP_IRC_DISTANCE = 20;
inline constexpr std::uint8_t IRC_CH_TRIM = 21;
inline constexpr std::uint8_t DSP_IRC_EQ = 22;
inline constexpr std::uint8_t DSP_IRC_SPK_SIZE = 23;
inline constexpr std::uint8_t DSP_IRC_SPK_PHASE = 24;
inline constexpr std::uint8_t DSP_IRC_SPK_LEVEL = 25;
inline constexpr std::uint8_t DSP_IRC_SPECTRUM = 26;
inline constexpr std::uint8_t DSP_IRC_NOISE_LEVEL = 27;
inline constexpr std::uint8_t DSP_IRC_RTA = 28;            ///< replies not decoded
inline constexpr std::uint8_t DSP_IRC_TEST_MIC = 29;
inline constexpr std::uint8_t DSP_IRC_TEST_MODULE = 30;
inline constexpr std::uint8_t DSP_INPUT_TRIM_CH = 32;
inline constexpr std::uint8_t DSP_INPUT_CH_MUTE = 33;
inline constexpr std::uint8_t INPUT_CH_PHASE = 34;
inline constexpr std::uint8_t DSP_INPUT_EQ_CH = 35;
inline constexpr std::uint8_t DSP_INPUT_MIX_CH_TRIM = 36;
inline constexpr std::uint8_t DSP_INPUT_THRESHOLD = 38;
inline constexpr std::uint8_t INPUT_NOISE = 39;
inline constexpr std::uint8_t DSP_INPUT_MIX_CH_TRIM2 = 40;  ///< input mix trims by output
inline constexpr std::uint8_t DSP_CH_TRIM_LINK = 48;
inline constexpr std::uint8_t DSP_CH_DELAY_LINK = 49;
inline constexpr std::uint8_t DSP_REMOTE_CH = 50;
inline constexpr std::uint8_t DSP_ONE_BYTE_SETTING = 51;   ///< meaning not known; passed through
inline constexpr std::uint8_t DSP_CH_SOLO = 52;
inline constexpr std::uint8_t DSP_SPK_CH_CONFIG = 53;
inline constexpr std::uint8_t MIX_TYPE = 54;
inline constexpr std::uint8_t DSP_HPF_Q_FACT_MODE = 55;
inline constexpr std::uint8_t DSP_LPF_Q_FACT_MODE = 56;
inline constexpr std::uint8_t DSP_FACTORY_PRESET = 57;
inline constexpr std::uint8_t DSP_SETUP_MODE = 58;
inline constexpr std::uint8_t DSP_AUTO_EFFECTION_ON_OFF_CONTROL = 59;
inline constexpr std::uint8_t DSP_TWO_BYTE_SETTING = 60;   ///< meaning not known; not decoded
inline constexpr std::uint8_t DSP_CS_AUTO = 61;            ///< surround decoder block
inline constexpr std::uint8_t DSP_COMPRESSOR_GET = 62;
inline constexpr std::uint8_t DSP_AMP_MUTE = 63;
inline constexpr std::uint8_t DSP_INPUT_CH_DISTORT = 64;
inline constexpr std::uint8_t DSP_OUTPUT_CH_DISTORT = 65;
inline constexpr std::uint8_t DSP_MEM_DATA = 66;
inline constexpr std::uint8_t DSP_SPK_DIST = 67;
inline constexpr std::uint8_t DSP_MIX_SOURCE_SWITCH = 68;
inline constexpr std::uint8_t MIX_TYPE2 = 0x83;  // 131

// ---------------------------------------------------------------------------------------
// FLASH_PACKET command ids

inline constexpr std::uint8_t FLASH_UPG_START = 3;
inline constexpr std::uint8_t FLASH_UPG_DATA = 4;
inline constexpr std::uint8_t FLASH_UPG_FINISH = 5;
inline constexpr std::uint8_t FLASH_SCENE_SAVE = 8;
inline constexpr std::uint8_t FLASH_SCENE_LOAD = 9;
inline constexpr std::uint8_t FLASH_SCENE_DELETE = 10;
inline constexpr std::uint8_t FLASH_SCENE_NAME = 11;
inline constexpr std::uint8_t FLASH_SCENE_DATA = 12;
inline constexpr std::uint8_t FLASH_SCENE_QUERY = 13;
inline constexpr std::uint8_t FLASH_SCENE_ID = 14;
inline constexpr std::uint8_t FLASH_SCENE_VALID = 15;

// ---------------------------------------------------------------------------------------
// MCU_PACKET command ids

inline constexpr std::uint8_t MCU_ENTER_UPG_MODE = 1;
inline constexpr std::uint8_t MCU_UPG_START = 2;
inline constexpr std::uint8_t MCU_UPG_DATA = 3;
inline constexpr std::uint8_t MCU_UPG_FINISH = 4;
inline constexpr std::uint8_t MCU_HANDSHAKE = 8;
inline constexpr std::uint8_t MCU_GET_DSPFLASH_VER = 11;
inline constexpr std::uint8_t MCU_GET_BOOTLOADER_VER = 12;
inline constexpr std::uint8_t MCU_PASSWORD = 13;
inline constexpr std::uint8_t MCU_PC_CONNECT = 31;
inline constexpr std::uint8_t MCU_TEXT = 65;
inline constexpr std::uint8_t MCU_INIT = 96;  ///< sent by the box on its own
inline constexpr std::uint8_t MCU_REBOOT = 143;
inline constexpr std::uint8_t MCU_FACTORY_DEFAULT = 144;
inline constexpr std::uint8_t MCU_POWER_OFF_DELAY = 145;
inline constexpr std::uint8_t MCU_ACC = 146;
inline constexpr std::uint8_t BL_UPG_ENTER = 160;
inline constexpr std::uint8_t BL_UPG_START = 161;
inline constexpr std::uint8_t BL_UPG_DATA = 162;
inline constexpr std::uint8_t BL_UPG_FINISH = 163;

/// First handshake payload byte of a box that is not running its application and can only
/// be upgraded; any other value means normal operation.
inline constexpr std::uint8_t MCU_HANDSHAKE_UPGRADE_ONLY = 0xF0;

// ---------------------------------------------------------------------------------------
// KTV_PACKET command ids (karaoke); each has a setter, a query and an OP_UPDATE reply.

inline constexpr std::uint8_t KTV_MIC_VOL = 1;
inline constexpr std::uint8_t KTV_MUSIC_VOL = 2;
inline constexpr std::uint8_t KTV_HOWLING = 3;
inline constexpr std::uint8_t KTV_ECHO_LEVEL = 4;
inline constexpr std::uint8_t KTV_ECHO_DELAY = 5;  ///< the only 16-bit karaoke value
inline constexpr std::uint8_t KTV_REVERB_LEVEL = 6;
inline constexpr std::uint8_t KTV_REVERB_TIME = 7;
inline constexpr std::uint8_t KTV_VOICE_CHANGER = 8;
inline constexpr std::uint8_t KTV_BASS_GAIN = 9;     ///< signed byte
inline constexpr std::uint8_t KTV_TREBLE_GAIN = 10;  ///< signed byte

// ---------------------------------------------------------------------------------------
// Enumerations carried in payloads

/// Scene byte of DSP payloads: 0 addresses the live settings, 1..10 the stored scenes.
inline constexpr std::uint8_t kLiveScene = 0;
inline constexpr std::uint8_t kFirstStoredScene = 1;
inline constexpr std::uint8_t kLastStoredScene = 10;
/// Source byte of the commands whose values every source shares (output settings).
inline constexpr std::uint8_t kAllSources = 0;

/// The `source` byte of payloads that address one input source, in the order of the main
/// window's source list. Commands about output channels as a whole pass 0.
enum InputSource : std::uint8_t {
  SOURCE_OPT = 0,
  SOURCE_COAX = 1,
  SOURCE_BT = 2,
  SOURCE_AUX = 3,
  SOURCE_LOW = 4,
  SOURCE_HI = 5,
  SOURCE_DMP = 6,
  SOURCE_UDP = 7,
  SOURCE_SCP = 8,
};
inline constexpr std::size_t kInputSourceCount = 9;

/// Source switch codes (DSP_SOURCE_SWITCH) are the source index offset by this base.
inline constexpr std::uint8_t kSourceSwitchCodeBase = 0x51;

/// Switch code of `source`: 0x51 (SOURCE_OPT) .. 0x59 (SOURCE_SCP).
constexpr std::uint8_t SourceSwitchCode(InputSource source) {
  return static_cast<std::uint8_t>(kSourceSwitchCodeBase + source);
}

/// The source a switch code selects, or nothing for a byte outside 0x51..0x59.
constexpr std::optional<InputSource> InputSourceFromSwitchCode(std::uint8_t code) {
  if (code < kSourceSwitchCodeBase || code >= kSourceSwitchCodeBase + kInputSourceCount) {
    return std::nullopt;
  }
  return static_cast<InputSource>(code - kSourceSwitchCodeBase);
}

// Filter selector of the crossover command: which of a channel's two filters it sets.
inline constexpr std::uint8_t FILTER_SELECT_HIGH_PASS = 1;
inline constexpr std::uint8_t FILTER_SELECT_LOW_PASS = 2;

// Filter family (`type`).
inline constexpr std::uint8_t FILTER_TYPE_BUTTERWORTH = 1;
inline constexpr std::uint8_t FILTER_TYPE_LINKWITZ_RILEY = 2;
inline constexpr std::uint8_t FILTER_TYPE_BESSEL = 3;

// Filter slope (`slope`): the filter order 1..8, 0 = filter off.
inline constexpr std::uint8_t FILTER_SLOPE_OFF = 0;
inline constexpr std::uint8_t FILTER_SLOPE_MIN = 1;
inline constexpr std::uint8_t FILTER_SLOPE_MAX = 8;

// ---------------------------------------------------------------------------------------
// Calibration (DSP_IRC_CTRL reply): status in the first payload byte; with
// IRC_RET_TEST_FAIL a failure code follows in the fifth.

inline constexpr std::uint8_t IRC_RET_START_TEST = 0;
inline constexpr std::uint8_t IRC_RET_SPK_STATUS_TEST = 1;
inline constexpr std::uint8_t IRC_RET_LEVEL_TEST = 2;
inline constexpr std::uint8_t IRC_RET_DELAY_TEST = 3;
inline constexpr std::uint8_t IRC_RET_TRIM_TEST = 4;
inline constexpr std::uint8_t IRC_RET_EQ_TEST = 5;
inline constexpr std::uint8_t IRC_RET_SPEAKER_RTA_TEST = 6;
inline constexpr std::uint8_t IRC_RET_SPEAKER_RTA_UPDATE = 7;
inline constexpr std::uint8_t IRC_RET_EQ_DATA_UPDATE = 8;
inline constexpr std::uint8_t IRC_RET_TEST_DATA_UPDATE = 9;
inline constexpr std::uint8_t IRC_RET_TEST_DONE = 10;
inline constexpr std::uint8_t IRC_RET_TEST_FAIL = 11;
inline constexpr std::uint8_t IRC_RET_TEST_EXIT = 12;

inline constexpr std::uint8_t IRC_FAIL_NO_VAR = 0;
inline constexpr std::uint8_t IRC_FAIL_NO_MIC = 1;
inline constexpr std::uint8_t IRC_FAIL_NO_SPEAKER = 2;
inline constexpr std::uint8_t IRC_FAIL_DELAY = 3;
inline constexpr std::uint8_t IRC_FAIL_TRIM = 4;
inline constexpr std::uint8_t IRC_FAIL_EQ = 5;

// ---------------------------------------------------------------------------------------
// Names for log lines

/// One catalogue entry: a command id of a packet type and the name log lines use for it.
struct CommandName {
  std::uint8_t packetType;
  std::uint8_t id;
  const char* name;
};

/// The whole command catalogue. Karaoke entries and MCU_INIT carry the texts the log has
/// always shown for them ("MIC VOL", "MCU INIT"), the others their constant's name.
inline constexpr std::array kCommandNames = {
    CommandName{DSP_PACKET, DSP_SOURCE_CONFIG, "DSP_SOURCE_CONFIG"},
    CommandName{DSP_PACKET, DSP_SOURCE_SWITCH, "DSP_SOURCE_SWITCH"},
    CommandName{DSP_PACKET, DSP_VOLUME, "DSP_VOLUME"},
    CommandName{DSP_PACKET, DSP_SUBWOOFER_VOLUME, "DSP_SUBWOOFER_VOLUME"},
    CommandName{DSP_PACKET, DSP_MUTE, "DSP_MUTE"},
    CommandName{DSP_PACKET, DSP_FILTER_GET, "DSP_FILTER_GET"},
    CommandName{DSP_PACKET, DSP_EQ_CH, "DSP_EQ_CH"},
    CommandName{DSP_PACKET, DSP_DELAY_CH, "DSP_DELAY_CH"},
    CommandName{DSP_PACKET, DSP_TRIM_CH, "DSP_TRIM_CH"},
    CommandName{DSP_PACKET, DSP_MUTE_CH, "DSP_MUTE_CH"},
    CommandName{DSP_PACKET, DSP_PHASE_CH, "DSP_PHASE_CH"},
    CommandName{DSP_PACKET, DSP_MIX_CH, "DSP_MIX_CH"},
    CommandName{DSP_PACKET, DSP_CH_REMAP, "DSP_CH_REMAP"},
    CommandName{DSP_PACKET, DSP_CH_TYPE, "DSP_CH_TYPE"},
    CommandName{DSP_PACKET, DSP_CH_LINK, "DSP_CH_LINK"},
    CommandName{DSP_PACKET, DSP_CH_LOCK, "DSP_CH_LOCK"},
    CommandName{DSP_PACKET, DSP_BYPASS, "DSP_BYPASS"},
    CommandName{DSP_PACKET, DSP_EQ_RESET, "DSP_EQ_RESET"},
    CommandName{DSP_PACKET, DSP_EQ_BYPASS, "DSP_EQ_BYPASS"},
    CommandName{DSP_PACKET, DSP_IRC_CTRL, "DSP_IRC_CTRL"},
    CommandName{DSP_PACKET, DSP_IRC_DISTANCE, "DSP_IRC_DISTANCE"},
    CommandName{DSP_PACKET, IRC_CH_TRIM, "IRC_CH_TRIM"},
    CommandName{DSP_PACKET, DSP_IRC_EQ, "DSP_IRC_EQ"},
    CommandName{DSP_PACKET, DSP_IRC_SPK_SIZE, "DSP_IRC_SPK_SIZE"},
    CommandName{DSP_PACKET, DSP_IRC_SPK_PHASE, "DSP_IRC_SPK_PHASE"},
    CommandName{DSP_PACKET, DSP_IRC_SPK_LEVEL, "DSP_IRC_SPK_LEVEL"},
    CommandName{DSP_PACKET, DSP_IRC_SPECTRUM, "DSP_IRC_SPECTRUM"},
    CommandName{DSP_PACKET, DSP_IRC_NOISE_LEVEL, "DSP_IRC_NOISE_LEVEL"},
    CommandName{DSP_PACKET, DSP_IRC_RTA, "DSP_IRC_RTA"},
    CommandName{DSP_PACKET, DSP_IRC_TEST_MIC, "DSP_IRC_TEST_MIC"},
    CommandName{DSP_PACKET, DSP_IRC_TEST_MODULE, "DSP_IRC_TEST_MODULE"},
    CommandName{DSP_PACKET, DSP_INPUT_TRIM_CH, "DSP_INPUT_TRIM_CH"},
    CommandName{DSP_PACKET, DSP_INPUT_CH_MUTE, "DSP_INPUT_CH_MUTE"},
    CommandName{DSP_PACKET, INPUT_CH_PHASE, "INPUT_CH_PHASE"},
    CommandName{DSP_PACKET, DSP_INPUT_EQ_CH, "DSP_INPUT_EQ_CH"},
    CommandName{DSP_PACKET, DSP_INPUT_MIX_CH_TRIM, "DSP_INPUT_MIX_CH_TRIM"},
    CommandName{DSP_PACKET, DSP_INPUT_THRESHOLD, "DSP_INPUT_THRESHOLD"},
    CommandName{DSP_PACKET, INPUT_NOISE, "INPUT_NOISE"},
    CommandName{DSP_PACKET, DSP_INPUT_MIX_CH_TRIM2, "DSP_INPUT_MIX_CH_TRIM2"},
    CommandName{DSP_PACKET, DSP_CH_TRIM_LINK, "DSP_CH_TRIM_LINK"},
    CommandName{DSP_PACKET, DSP_CH_DELAY_LINK, "DSP_CH_DELAY_LINK"},
    CommandName{DSP_PACKET, DSP_REMOTE_CH, "DSP_REMOTE_CH"},
    CommandName{DSP_PACKET, DSP_ONE_BYTE_SETTING, "DSP_ONE_BYTE_SETTING"},
    CommandName{DSP_PACKET, DSP_CH_SOLO, "DSP_CH_SOLO"},
    CommandName{DSP_PACKET, DSP_SPK_CH_CONFIG, "DSP_SPK_CH_CONFIG"},
    CommandName{DSP_PACKET, MIX_TYPE, "MIX_TYPE"},
    CommandName{DSP_PACKET, DSP_HPF_Q_FACT_MODE, "DSP_HPF_Q_FACT_MODE"},
    CommandName{DSP_PACKET, DSP_LPF_Q_FACT_MODE, "DSP_LPF_Q_FACT_MODE"},
    CommandName{DSP_PACKET, DSP_FACTORY_PRESET, "DSP_FACTORY_PRESET"},
    CommandName{DSP_PACKET, DSP_SETUP_MODE, "DSP_SETUP_MODE"},
    CommandName{DSP_PACKET, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, "DSP_AUTO_EFFECTION_ON_OFF_CONTROL"},
    CommandName{DSP_PACKET, DSP_TWO_BYTE_SETTING, "DSP_TWO_BYTE_SETTING"},
    CommandName{DSP_PACKET, DSP_CS_AUTO, "DSP_CS_AUTO"},
    CommandName{DSP_PACKET, DSP_COMPRESSOR_GET, "DSP_COMPRESSOR_GET"},
    CommandName{DSP_PACKET, DSP_AMP_MUTE, "DSP_AMP_MUTE"},
    CommandName{DSP_PACKET, DSP_INPUT_CH_DISTORT, "DSP_INPUT_CH_DISTORT"},
    CommandName{DSP_PACKET, DSP_OUTPUT_CH_DISTORT, "DSP_OUTPUT_CH_DISTORT"},
    CommandName{DSP_PACKET, DSP_MEM_DATA, "DSP_MEM_DATA"},
    CommandName{DSP_PACKET, DSP_SPK_DIST, "DSP_SPK_DIST"},
    CommandName{DSP_PACKET, DSP_MIX_SOURCE_SWITCH, "DSP_MIX_SOURCE_SWITCH"},
    CommandName{DSP_PACKET, MIX_TYPE2, "MIX_TYPE2"},

    CommandName{FLASH_PACKET, FLASH_UPG_START, "FLASH_UPG_START"},
    CommandName{FLASH_PACKET, FLASH_UPG_DATA, "FLASH_UPG_DATA"},
    CommandName{FLASH_PACKET, FLASH_UPG_FINISH, "FLASH_UPG_FINISH"},
    CommandName{FLASH_PACKET, FLASH_SCENE_SAVE, "FLASH_SCENE_SAVE"},
    CommandName{FLASH_PACKET, FLASH_SCENE_LOAD, "FLASH_SCENE_LOAD"},
    CommandName{FLASH_PACKET, FLASH_SCENE_DELETE, "FLASH_SCENE_DELETE"},
    CommandName{FLASH_PACKET, FLASH_SCENE_NAME, "FLASH_SCENE_NAME"},
    CommandName{FLASH_PACKET, FLASH_SCENE_DATA, "FLASH_SCENE_DATA"},
    CommandName{FLASH_PACKET, FLASH_SCENE_QUERY, "FLASH_SCENE_QUERY"},
    CommandName{FLASH_PACKET, FLASH_SCENE_ID, "FLASH_SCENE_ID"},
    CommandName{FLASH_PACKET, FLASH_SCENE_VALID, "FLASH_SCENE_VALID"},

    CommandName{MCU_PACKET, MCU_ENTER_UPG_MODE, "MCU_ENTER_UPG_MODE"},
    CommandName{MCU_PACKET, MCU_UPG_START, "MCU_UPG_START"},
    CommandName{MCU_PACKET, MCU_UPG_DATA, "MCU_UPG_DATA"},
    CommandName{MCU_PACKET, MCU_UPG_FINISH, "MCU_UPG_FINISH"},
    CommandName{MCU_PACKET, MCU_HANDSHAKE, "MCU_HANDSHAKE"},
    CommandName{MCU_PACKET, MCU_GET_DSPFLASH_VER, "MCU_GET_DSPFLASH_VER"},
    CommandName{MCU_PACKET, MCU_GET_BOOTLOADER_VER, "MCU_GET_BOOTLOADER_VER"},
    CommandName{MCU_PACKET, MCU_PASSWORD, "MCU_PASSWORD"},
    CommandName{MCU_PACKET, MCU_PC_CONNECT, "MCU_PC_CONNECT"},
    CommandName{MCU_PACKET, MCU_TEXT, "MCU_TEXT"},
    CommandName{MCU_PACKET, MCU_INIT, "MCU INIT"},
    CommandName{MCU_PACKET, MCU_REBOOT, "MCU_REBOOT"},
    CommandName{MCU_PACKET, MCU_FACTORY_DEFAULT, "MCU_FACTORY_DEFAULT"},
    CommandName{MCU_PACKET, MCU_POWER_OFF_DELAY, "MCU_POWER_OFF_DELAY"},
    CommandName{MCU_PACKET, MCU_ACC, "MCU_ACC"},
    CommandName{MCU_PACKET, BL_UPG_ENTER, "BL_UPG_ENTER"},
    CommandName{MCU_PACKET, BL_UPG_START, "BL_UPG_START"},
    CommandName{MCU_PACKET, BL_UPG_DATA, "BL_UPG_DATA"},
    CommandName{MCU_PACKET, BL_UPG_FINISH, "BL_UPG_FINISH"},

    CommandName{KTV_PACKET, KTV_MIC_VOL, "MIC VOL"},
    CommandName{KTV_PACKET, KTV_MUSIC_VOL, "MUSIC_VOL"},
    CommandName{KTV_PACKET, KTV_HOWLING, "HOWLING"},
    CommandName{KTV_PACKET, KTV_ECHO_LEVEL, "ECHO LEVEL"},
    CommandName{KTV_PACKET, KTV_ECHO_DELAY, "ECHO_DELAY"},
    CommandName{KTV_PACKET, KTV_REVERB_LEVEL, "REVERB_LEVEL"},
    CommandName{KTV_PACKET, KTV_REVERB_TIME, "REVERB_TIME"},
    CommandName{KTV_PACKET, KTV_VOICE_CHANGER, "VOICE_CHANGER"},
    CommandName{KTV_PACKET, KTV_BASS_GAIN, "KTV_BASS_GAIN"},
    CommandName{KTV_PACKET, KTV_TREBLE_GAIN, "KTV_TREBLE_GAIN"},
};

/// Log name of command `id` of packet type `packetType`; nullptr when the pair is not in
/// the catalogue (unused ids, unknown packet types), so a caller can tell the two apart
/// and must test before formatting with "%s".
constexpr const char* CommandLogName(std::uint8_t packetType, std::uint8_t id) {
  for (const CommandName& entry : kCommandNames) {
    if (entry.packetType == packetType && entry.id == id) {
      return entry.name;
    }
  }
  return nullptr;
}

/// Calibration status names, indexed by status code.
inline constexpr std::array<const char*, 13> kIrcStatusNames = {
    "IRC_RET_START_TEST",         "IRC_RET_SPK_STATUS_TEST", "IRC_RET_LEVEL_TEST",
    "IRC_RET_DELAY_TEST",         "IRC_RET_TRIM_TEST",       "IRC_RET_EQ_TEST",
    "IRC_RET_SPEAKER_RTA_TEST",   "IRC_RET_SPEAKER_RTA_UPDATE", "IRC_RET_EQ_DATA_UPDATE",
    "IRC_RET_TEST_DATA_UPDATE",   "IRC_RET_TEST_DONE",       "IRC_RET_TEST_FAIL",
    "IRC_RET_TEST_EXIT",
};

/// Calibration failure names, indexed by failure code.
inline constexpr std::array<const char*, 6> kIrcFailNames = {
    "IRC_FAIL_NO_VAR", "IRC_FAIL_NO_MIC", "IRC_FAIL_NO_SPEAKER",
    "IRC_FAIL_DELAY",  "IRC_FAIL_TRIM",   "IRC_FAIL_EQ",
};

/// Name of calibration status `status`; nullptr for a code the box does not define (the
/// decoder posts nothing for those).
constexpr const char* IrcStatusName(std::uint8_t status) {
  return status < kIrcStatusNames.size() ? kIrcStatusNames[status] : nullptr;
}

/// Name of calibration failure code `code`; nullptr for an undefined code.
constexpr const char* IrcFailName(std::uint8_t code) {
  return code < kIrcFailNames.size() ? kIrcFailNames[code] : nullptr;
}

}  // namespace qb

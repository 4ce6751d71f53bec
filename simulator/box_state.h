#pragma once
/// Everything a ZX7140K remembers: the live settings, the ten scenes of its flash with their
/// names, and the system values its microcontroller keeps. Plain data; the command handlers
/// change it and the reply side reads it.
///
/// Each quantity is held in the unit the user sees (dB, ms, Hz, Q), not as wire bytes, so
/// that a test can compare the box with what the program shows. How each one is read from a
/// command and written into a reply is stated next to the handler that does it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "devicelink/wire_codes.h"

namespace qb::sim {

/// Room the state keeps; the configured counts (VirtualBoxConfig) may use less of it.
inline constexpr std::size_t kMaxOutputs = 16;
inline constexpr std::size_t kMaxInputs = 16;
inline constexpr std::size_t kEqBands = 31;
inline constexpr std::size_t kInputEqBands = 31;
inline constexpr std::size_t kSceneSlots = 10;
inline constexpr std::size_t kSceneNameBytes = 16;
inline constexpr std::size_t kCsAutoBytes = 52;
/// Raw bytes per scene reachable through the scene block commands.
inline constexpr std::size_t kSceneBlockBytes = 1024;
inline constexpr std::size_t kMaxLinkPairs = kMaxOutputs / 2;
inline constexpr std::size_t kKaraokeValues = 10;
inline constexpr std::uint8_t kErasedByte = 0xFF;
/// Longest password and remark the box keeps.
inline constexpr std::size_t kPasswordBytes = 12;
inline constexpr std::size_t kRemarkBytes = 20;

struct EqBand {
  std::uint16_t freqHz = 1000;
  double q = 5.8;
  double gainDb = 0.0;
  bool operator==(const EqBand&) const = default;
};

/// One of a channel's two crossover filters.
struct Filter {
  std::uint8_t family = FILTER_TYPE_LINKWITZ_RILEY;
  std::uint16_t freqHz = 20;
  std::uint8_t slope = FILTER_SLOPE_OFF;
  bool operator==(const Filter&) const = default;
};

struct Compressor {
  std::uint8_t bypass = 1;
  double thresholdDb = 23.0;
  double ratio = 100.0;
  double kneeDb = 24.0;
  std::uint16_t attack = 1000;
  std::uint16_t release = 30000;
  bool operator==(const Compressor&) const = default;
};

struct OutputChannel {
  double delayMs = 0.0;
  /// The output volume as the user sees it (0 .. -60 dB); the wire carries its negation.
  double volumeDb = 0.0;
  std::uint8_t mute = 0;
  std::uint8_t phase = 0;
  std::uint8_t role = 0;
  std::uint8_t solo = 0;
  std::uint8_t eqBypass = 1;
  std::uint8_t hpfQMode = 0;
  std::uint8_t lpfQMode = 0;
  Filter highPass;
  Filter lowPass;
  std::array<EqBand, kEqBands> bands{};
  Compressor compressor;
  std::uint16_t speakerDistance = 0;  ///< hundredths of the distance unit
  std::uint8_t distort = 0;
  std::vector<std::uint8_t> remap;    ///< input channels remapped onto this output
  bool operator==(const OutputChannel&) const = default;
};

struct InputChannel {
  std::uint8_t trim = 0;
  std::uint8_t mute = 0;
  std::uint8_t phase = 0;
  std::uint8_t distort = 0;
  std::array<EqBand, kInputEqBands> eq{};
  bool operator==(const InputChannel&) const = default;
};

/// What the box keeps per input source.
struct SourceSettings {
  std::array<std::uint16_t, kMaxOutputs> mixMask{};  ///< bit k: input k feeds the output
  /// Mix level of input i on output o: mixTrim[i][o].
  std::array<std::array<std::uint8_t, kMaxOutputs>, kMaxInputs> mixTrim{};
  std::uint8_t mixType = 0;
  std::uint8_t mixType2 = 0;
  std::uint8_t bypass = 0;
  std::array<InputChannel, kMaxInputs> inputs{};
  bool operator==(const SourceSettings&) const = default;
};

struct LinkPair {
  std::uint8_t from = 0;
  std::uint8_t to = 0;
  bool operator==(const LinkPair&) const = default;
};

struct ChannelLink {
  std::uint8_t on = 0;
  std::vector<LinkPair> pairs;
  bool operator==(const ChannelLink&) const = default;
};

/// One complete settings set: the live settings, or what a scene slot holds.
struct Settings {
  std::uint8_t source = SOURCE_HI;  ///< InputSource
  int mainVolumeDb = -10;
  std::int8_t subwooferVolume = 0;
  std::uint8_t mainMute = 0;
  std::uint8_t ampMute = 0;
  std::array<OutputChannel, kMaxOutputs> outputs{};
  std::array<SourceSettings, kInputSourceCount> sources{};
  ChannelLink link;
  ChannelLink trimLink;
  ChannelLink delayLink;
  std::uint8_t lock = 0;
  std::int8_t inputThreshold = -60;
  std::uint8_t speakerConfig = 0;
  std::uint8_t factoryPreset = 0;
  std::uint8_t setupMode = 0;
  std::uint8_t autoEffect = 0;
  std::uint16_t remoteChannel = 0;
  std::uint8_t oneByteSetting = 0;    ///< command 51, meaning unknown
  std::uint8_t twoByteSetting = 0;    ///< command 60, meaning unknown
  std::uint8_t mixSource = 0;
  std::array<std::uint8_t, kCsAutoBytes> surroundBlock{};
  bool operator==(const Settings&) const = default;
};

/// One scene slot of the flash.
struct SceneSlot {
  /// True while the slot is blank flash: queries about it answer 0xFF bytes.
  bool erased = true;
  /// Set by a save; cleared by a delete. Bit `scene - 1` of the valid mask.
  bool valid = false;
  std::array<std::uint8_t, kSceneNameBytes> name{};
  Settings settings;
  std::array<std::uint8_t, kSceneBlockBytes> block{};
  bool operator==(const SceneSlot&) const = default;
};

/// Karaoke values in command-id order (KTV_MIC_VOL .. KTV_TREBLE_GAIN).
struct Karaoke {
  std::array<int, kKaraokeValues> values{};
  int& operator[](std::uint8_t id) { return values[static_cast<std::size_t>(id - 1)]; }
  int operator[](std::uint8_t id) const { return values[static_cast<std::size_t>(id - 1)]; }
  bool operator==(const Karaoke&) const = default;
};

struct BoxState {
  Settings live;
  std::array<SceneSlot, kSceneSlots> scenes{};
  /// Names given by SetSceneName, waiting for the save of their scene.
  std::array<std::vector<std::uint8_t>, kSceneSlots> pendingNames{};
  std::array<bool, kSceneSlots> hasPendingName{};
  std::uint8_t currentScene = 0;  ///< 0 = none

  // System values of the microcontroller (not part of a scene).
  bool pcConnected = false;
  std::uint16_t powerOffDelayMs = 3000;
  std::int8_t accDelay = 2;
  std::vector<std::uint8_t> password;
  std::vector<std::uint8_t> remark;
  std::string text = "ZX7140K";
  std::map<std::uint32_t, std::uint32_t> memory;  ///< words not listed read 0
  Karaoke karaoke;
  std::array<double, kMaxInputs> inputNoiseDb{};  ///< measured, reply only

  /// The settings a DSP command addresses: 0 = live, 1..10 = a scene slot; null for any
  /// other number.
  Settings* SettingsOf(std::uint8_t scene);
  const Settings* SettingsOf(std::uint8_t scene) const;
  /// The slot of scene 1..10, or null.
  SceneSlot* Slot(std::uint8_t scene);
  const SceneSlot* Slot(std::uint8_t scene) const;
  /// True when `scene` names a slot whose flash is blank.
  bool IsErased(std::uint8_t scene) const;
  /// Bit scene - 1 set for every valid scene.
  std::uint16_t ValidMask() const;
  bool operator==(const BoxState&) const = default;
};

/// Factory settings: eight outputs with the usual car roles and crossovers, flat
/// third-octave equalisers, routing per source, mix levels 100.
Settings FactorySettings();

/// A fresh box: factory live settings, scene 1 stored as "Default", scenes 2..10 blank.
BoxState FactoryState();

/// The 31 third-octave centre frequencies the equalisers start from.
extern const std::array<std::uint16_t, kEqBands> kThirdOctaveHz;

/// Band `band` of a flat equaliser: its third-octave frequency, Q 5.8, 0 dB.
EqBand FlatBand(std::size_t band);

}  // namespace qb::sim

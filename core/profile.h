#pragma once
/// The records of the mirror: one complete settings set of the box (`Profile`) with its eight
/// outputs, their equaliser bands and crossovers.
///
/// Every record is plain data with value semantics. The equaliser bands of an output live by
/// value inside its `OutputChannel`, so a copied `Profile` owns its own bands: no output of
/// one profile can ever refer to the bands of another, whatever copies are made.
///
/// Fields carry exactly what the box, a reply or a profile file stored; the only rules kept
/// on writing are those of the `CrossoverFilter` setters. Readers of files store values as
/// read, so code that indexes bands goes through `Bands` and `EqSize`, which stay in range
/// whatever `eqSize` holds.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "devicelink/wire_codes.h"
#include "dspmath/band_limits.h"
#include "dspmath/channel_curve.h"

namespace qb {

/// Outputs of the box, always eight.
inline constexpr int kOutputCount = 8;
inline constexpr std::size_t kOutputSlots = static_cast<std::size_t>(kOutputCount);
/// The last output, as the range commands carry it.
inline constexpr std::uint8_t kLastOutput = kOutputCount - 1;
/// Input channels of the box a source may carry, numbered 1..6.
inline constexpr int kBoxInputs = 6;
/// Input channels a mix level is kept for, per source (only up to six are ever used).
inline constexpr std::size_t kMixInputSlots = 8;
/// Bands of one output's row; `eqSize` says how many of them are in use.
inline constexpr std::size_t kBandSlots = static_cast<std::size_t>(kMaxEqBands);

/// Q of a band after a reset.
inline constexpr float kResetBandQ = 5.8f;

/// Speaker role of an output as stored in `Profile::outputs` and sent to the box. Left roles
/// of a left/right pair have the smaller code.
enum OutputRole : int {
  kRoleEmpty = 0,
  kRoleFrontLeftTweeter = 1,
  kRoleFrontLeftMidrange = 2,
  kRoleFrontLeftWoofer = 3,
  kRoleFrontLeftMidTweeter = 4,
  kRoleFrontLeftMidWoofer = 5,
  kRoleFrontLeftFull = 6,
  kRoleFrontRightTweeter = 7,
  kRoleFrontRightMidrange = 8,
  kRoleFrontRightWoofer = 9,
  kRoleFrontRightMidTweeter = 10,
  kRoleFrontRightMidWoofer = 11,
  kRoleFrontRightFull = 12,
  kRoleRearLeftTweeter = 13,
  kRoleRearLeftWoofer = 14,
  kRoleRearLeftFull = 15,
  kRoleRearRightTweeter = 16,
  kRoleRearRightWoofer = 17,
  kRoleRearRightFull = 18,
  kRoleCenterTweeter = 19,
  kRoleCenterWoofer = 20,
  kRoleCenterFull = 21,
  kRoleSubwooferLeft = 22,
  kRoleSubwooferRight = 23,
  kRoleSubwoofer = 24,
};
/// Number of role codes, 0 .. kRoleCount-1.
inline constexpr int kRoleCount = 25;

/// `Crossover::bpType`: which of the two filters shape the output.
inline constexpr int kBpNone = 0;
inline constexpr int kBpHighPass = 1;
inline constexpr int kBpLowPass = 2;
inline constexpr int kBpBandPass = 3;

/// One equaliser band.
struct EqBand {
  float eqGain = 0.0f;          ///< dB
  float eqFactor = kResetBandQ;  ///< Q
  int freq = kMinFrequencyHz;    ///< Hz
  std::uint8_t enable = 1;      ///< 0/1

  bool operator==(const EqBand&) const = default;
};

/// One crossover filter (high-pass or low-pass). The fields may be written directly by a
/// reader that stores values as the source holds them; everything else uses the setters.
struct CrossoverFilter {
  int fs = kMinFrequencyHz;             ///< corner frequency in Hz
  int type = FILTER_TYPE_BUTTERWORTH;   ///< family code 1..3
  int slope = FILTER_SLOPE_OFF;         ///< order 1..8, 0 = filter off
  int bypass = 1;                       ///< 1 while slope is 0

  /// Stores `hz`; a value outside kMinFrequencyHz..kMaxFrequencyHz stores kMinFrequencyHz (not
  /// the nearer limit: this is the box's rule, and 20001 Hz therefore becomes 20 Hz).
  void SetFs(int hz);
  /// Stores `code`; a code outside 1..3 stores Butterworth (1).
  void SetType(int code);
  /// Stores `code` (a negative code stores 0) and recomputes `bypass`: 1 for slope 0,
  /// else 0. Codes above 8 are kept; the curve math designs them as order 8.
  void SetSlope(int code);

  bool operator==(const CrossoverFilter&) const = default;
};

/// An output's high-pass and low-pass filters.
struct Crossover {
  int bpType = kBpNone;
  CrossoverFilter hp{};
  CrossoverFilter lp{.fs = kMaxFrequencyHz};

  bool operator==(const Crossover&) const = default;
};

/// `bpType` that the two slopes describe: both on 3, high-pass only 1, low-pass only 2,
/// neither 0. Editing never recomputes `bpType`; role defaults are built with this.
int BpTypeFor(int hpSlope, int lpSlope);

/// One output channel with its own row of bands.
struct OutputChannel {
  std::array<EqBand, kBandSlots> bands{};
  int eqSize = kMaxEqBands;  ///< bands in use, 1..31
  float gain = 0.0f;         ///< output volume in dB, -60 ("off") .. 0
  int mute = 0;
  float delay = 0.0f;        ///< ms
  int phase = 0;             ///< 1 = inverted
  std::uint8_t bypass = 1;   ///< equaliser bypassed: bands shown flat, gains kept
  Crossover crossover{};

  bool operator==(const OutputChannel&) const = default;
};

/// Per-output compressor as the box last reported it; nothing edits or shows it.
struct CompressorSettings {
  int bypass = 1;
  float threshold = 23.0f;  ///< dB
  float ratio = 100.0f;
  int attack = 1000;        ///< ms
  int release = 30000;      ///< ms
  float softKnee = 24.0f;   ///< dB

  bool operator==(const CompressorSettings&) const = default;
};

/// Slots of `Profile::ktv`. The record keeps its own order, which differs from the order of
/// the karaoke kinds on the wire; KtvSlot translates.
inline constexpr std::size_t kKtvHowling = 0;
inline constexpr std::size_t kKtvMicVolume = 1;
inline constexpr std::size_t kKtvMusicVolume = 2;
inline constexpr std::size_t kKtvVoiceChanger = 3;
inline constexpr std::size_t kKtvEchoLevel = 4;
inline constexpr std::size_t kKtvEchoDelay = 5;
inline constexpr std::size_t kKtvReverbLevel = 6;
inline constexpr std::size_t kKtvReverbTime = 7;
inline constexpr std::size_t kKtvBassGain = 8;
inline constexpr std::size_t kKtvTrebleGain = 9;
inline constexpr std::size_t kKtvValues = 10;

/// Slot of `Profile::ktv` for karaoke kind `kind` (KTV_MIC_VOL .. KTV_TREBLE_GAIN, 1..10),
/// or -1 for any other kind.
int KtvSlot(int kind);

template <typename T>
using PerOutput = std::array<T, kOutputSlots>;
/// [source][output]
using RoutingTable = std::array<PerOutput<int>, kInputSourceCount>;
/// [source][input][output]
using MixTable = std::array<std::array<PerOutput<int>, kMixInputSlots>, kInputSourceCount>;

/// One complete settings set: the live settings or one stored scene. Constructed with the
/// defaults of ResetProfileDefaults; copies are independent (the default copy is exact).
struct Profile {
  Profile();

  int model = -1;         ///< model from the handshake; -1 = no supported box connected
  int mainVersion = -1;
  int slaveVersion = -1;
  std::array<int, 4> mcuStatus{};
  int inputSource = SOURCE_OPT;  ///< InputSource index 0..8
  int mainVolume = -5;   ///< slider steps 0..40; -5 until the box or a file sets it
  int subVolume = 0;
  std::uint8_t commandScene = kLiveScene;  ///< scene byte of live edit commands, always 0
  int mainVolumeMute = 0;
  int ampOn = 1;
  int autoEffect = 0;
  int channelCount = kOutputCount;
  PerOutput<OutputChannel> channels{};
  RoutingTable inputs{};         ///< bit n-1 set: input n feeds the output
  MixTable inputMixVolume{};     ///< 0..100
  MixTable inputMixPhase{};      ///< 0/1, not saved in files
  PerOutput<int> outputs{};      ///< OutputRole per output
  PerOutput<int> linkOutputs{};  ///< partner index 0..7 while linked, else -1
  PerOutput<int> syncSavedSlider{};      ///< 1 = none
  PerOutput<float> syncSavedVolume{};    ///< 1.0 = none (no real volume is above 0 dB)
  PerOutput<int> showChEqualizer{};
  int currChannel = 0;
  int linkMode = 0;
  int lockMode = 0;
  PerOutput<int> synchronize{};  ///< only outputs 1..6 take part in group edits
  int noiseThreshold = -60;      ///< dB
  int powerOffDelay = 0;
  std::array<int, kKtvValues> ktv{};
  PerOutput<CompressorSettings> compressor{};

  bool operator==(const Profile&) const = default;
};

/// Index helpers of the core: an output or source number checked for range, and a checked
/// number as a container position or a wire byte.
constexpr bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }
constexpr bool IsSource(int source) { return source >= 0 && source < static_cast<int>(kInputSourceCount); }
constexpr std::size_t At(int index) { return static_cast<std::size_t>(index); }
constexpr std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

/// The band row of `output` (31 bands, of which EqSize are in use); empty for an output
/// outside 0..7.
std::span<EqBand> Bands(Profile& profile, int output);
std::span<const EqBand> Bands(const Profile& profile, int output);

/// The number of bands in use on `output`: its `eqSize` held to 0..31, so a loop bounded by
/// it never leaves the row; 0 for an output outside 0..7.
int EqSize(const Profile& profile, int output);

/// True when any of the eight `outputs` of `profile` is `role`.
bool IsRoleInUse(const Profile& profile, int role);

}  // namespace qb

#include "core/profile_defaults.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace qb {
namespace {

constexpr std::array<int, 11> kOctaveHz{20, 40, 80, 160, 315, 630, 1250, 2500, 5000, 10000, 20000};
constexpr std::array<int, 21> kHalfOctaveHz{20,   28,   40,   56,   80,   112,   160,
                                            220,  315,  450,  630,  890,   1250,  1800,
                                            2500, 3600, 5000, 7100, 10000, 14000, 20000};
constexpr std::array<int, 31> kThirdOctaveHz{
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,   200,   250,   315,   400,  500,
    630,  800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000,  6300,  8000,  10000, 12500,
    16000, 20000};

/// Corner frequencies and slopes of one row of the role table.
struct RoleFilters {
  int hpFs;
  int hpSlope;
  int lpFs;
  int lpSlope;
};

constexpr RoleFilters kEmpty{kMinFrequencyHz, 0, kMaxFrequencyHz, 0};
constexpr RoleFilters kTweeter{4000, 4, kMaxFrequencyHz, 0};
constexpr RoleFilters kMidrange{500, 4, 4000, 4};
constexpr RoleFilters kWoofer{80, 4, 500, 4};
constexpr RoleFilters kMidTweeter{500, 4, kMaxFrequencyHz, 0};
constexpr RoleFilters kMidWoofer{80, 4, 4000, 4};
constexpr RoleFilters kFullRange{kMinFrequencyHz, 4, kMaxFrequencyHz, 0};
constexpr RoleFilters kSubwoofer{kMinFrequencyHz, 4, 70, 4};

/// Indexed by role code.
constexpr std::array<RoleFilters, kRoleCount> kRoleFilters{
    kEmpty,                                                                  // 0
    kTweeter,  kMidrange, kWoofer,   kMidTweeter, kMidWoofer, kFullRange,    // 1..6 front left
    kTweeter,  kMidrange, kWoofer,   kMidTweeter, kMidWoofer, kFullRange,    // 7..12 front right
    kTweeter,  kWoofer,   kFullRange,                                        // 13..15 rear left
    kTweeter,  kWoofer,   kFullRange,                                        // 16..18 rear right
    kTweeter,  kWoofer,   kFullRange,                                        // 19..21 centre
    kSubwoofer, kSubwoofer, kSubwoofer,                                      // 22..24
};

constexpr PerOutput<int> kDefaultRoles{kRoleFrontLeftFull, kRoleFrontRightFull,
                                       kRoleRearLeftFull,  kRoleRearRightFull,
                                       kRoleCenterTweeter, kRoleCenterWoofer,
                                       kRoleSubwooferLeft, kRoleSubwooferRight};

// Routing masks per output: two-channel sources feed input 1 left and input 2 right, both
// to the centre pair; the four-channel ones add inputs 3 and 4 on outputs 3 and 4.
constexpr PerOutput<int> kTwoChannelRouting{1, 2, 1, 2, 3, 3, 1, 2};
constexpr PerOutput<int> kFourChannelRouting{1, 2, 4, 8, 3, 3, 1, 2};

/// Stored order of Profile::ktv; only the two volumes start above 0.
constexpr std::array<int, kKtvValues> kDefaultKtv = [] {
  std::array<int, kKtvValues> values{};
  values[kKtvMicVolume] = 60;
  values[kKtvMusicVolume] = 60;
  return values;
}();

constexpr int kDefaultMixLevel = 100;

void ResetRouting(Profile& profile) {
  for (std::size_t source = 0; source < kInputSourceCount; ++source) {
    const bool fourChannel = source == SOURCE_LOW || source == SOURCE_HI;
    profile.inputs[source] = fourChannel ? kFourChannelRouting : kTwoChannelRouting;
    for (auto& levels : profile.inputMixVolume[source]) {
      levels.fill(kDefaultMixLevel);
    }
    for (auto& phases : profile.inputMixPhase[source]) {
      phases.fill(0);
    }
  }
}

void ResetChannel(OutputChannel& channel, int role) {
  ResetBands(channel.bands, kMaxEqBands);
  channel.eqSize = kMaxEqBands;
  channel.gain = 0.0f;
  channel.mute = 0;
  channel.delay = 0.0f;
  channel.phase = 0;
  channel.bypass = 1;
  channel.crossover = RoleDefaultCrossover(role);
}

}  // namespace

void ResetBands(std::span<EqBand> row, int count) {
  if (count <= 0) {
    return;
  }
  const std::size_t n = std::min(static_cast<std::size_t>(count), row.size());
  std::span<const int> table = kThirdOctaveHz;
  if (count <= static_cast<int>(kOctaveHz.size())) {
    table = kOctaveHz;
  } else if (count <= static_cast<int>(kHalfOctaveHz.size())) {
    table = kHalfOctaveHz;
  }
  for (std::size_t i = 0; i < n; ++i) {
    row[i] = EqBand{0.0f, kResetBandQ, table[i], 1};
  }
}

Crossover RoleDefaultCrossover(int role) {
  const RoleFilters& f =
      (role < 0 || role >= kRoleCount) ? kEmpty : kRoleFilters[static_cast<std::size_t>(role)];
  Crossover crossover;
  crossover.hp.SetFs(f.hpFs);
  crossover.hp.SetType(FILTER_TYPE_LINKWITZ_RILEY);
  crossover.hp.SetSlope(f.hpSlope);
  crossover.lp.SetFs(f.lpFs);
  crossover.lp.SetType(FILTER_TYPE_LINKWITZ_RILEY);
  crossover.lp.SetSlope(f.lpSlope);
  crossover.bpType = BpTypeFor(f.hpSlope, f.lpSlope);
  return crossover;
}

void ResetProfileDefaults(Profile& profile) {
  // model and versions are left alone: a failed file load resets the live profile while
  // the box stays connected, and model -1 is what the program takes for "no box".
  profile.ktv = kDefaultKtv;
  profile.noiseThreshold = -60;
  profile.powerOffDelay = 0;
  profile.compressor.fill(CompressorSettings{});

  profile.outputs = kDefaultRoles;
  profile.linkOutputs.fill(-1);
  profile.currChannel = 0;
  profile.linkMode = 0;
  profile.lockMode = 0;

  profile.inputSource = SOURCE_OPT;
  profile.mainVolume = -5;
  profile.mainVolumeMute = 0;
  profile.ampOn = 1;
  profile.subVolume = 0;
  profile.commandScene = kLiveScene;

  ResetRouting(profile);

  profile.syncSavedSlider.fill(1);
  profile.syncSavedVolume.fill(1.0f);
  profile.showChEqualizer.fill(0);

  profile.channelCount = kOutputCount;
  for (std::size_t k = 0; k < kOutputSlots; ++k) {
    ResetChannel(profile.channels[k], profile.outputs[k]);
  }
}

}  // namespace qb

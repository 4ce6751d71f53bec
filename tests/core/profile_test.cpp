// The mirror's records: the defaults of a fresh profile, the crossover filter's storage
// rules, band access that cannot leave a row, and copies that own their bands.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "core/profile.h"
#include "core/profile_defaults.h"

namespace qb {
namespace {

constexpr std::array<int, 31> kThirdOctaveCentres{
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,   200,   250,   315,   400,  500,
    630,  800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000,  6300,  8000,  10000, 12500,
    16000, 20000};

TEST(FreshProfile, EveryOutputIsBypassedWithThirtyOneFlatThirdOctaveBands) {
  const Profile profile;
  for (int o = 0; o < kOutputCount; ++o) {
    SCOPED_TRACE(o);
    const OutputChannel& channel = profile.channels[static_cast<std::size_t>(o)];
    EXPECT_EQ(channel.bypass, 1);
    EXPECT_EQ(channel.eqSize, 31);
    EXPECT_EQ(channel.gain, 0.0f);
    EXPECT_EQ(channel.mute, 0);
    EXPECT_EQ(channel.delay, 0.0f);
    EXPECT_EQ(channel.phase, 0);
    const auto bands = Bands(profile, o);
    ASSERT_EQ(bands.size(), 31u);
    for (std::size_t i = 0; i < bands.size(); ++i) {
      EXPECT_EQ(bands[i], (EqBand{0.0f, 5.8f, kThirdOctaveCentres[i], 1})) << "band " << i;
    }
  }
}

TEST(FreshProfile, IdentifiesNoBoxAndHoldsTheDocumentedScalars) {
  const Profile p;
  EXPECT_EQ(p.model, -1);
  EXPECT_EQ(p.mainVersion, -1);
  EXPECT_EQ(p.slaveVersion, -1);
  EXPECT_EQ(p.mainVolume, -5);  // below the slider's range until the box or a file sets it
  EXPECT_EQ(p.subVolume, 0);
  EXPECT_EQ(p.mainVolumeMute, 0);
  EXPECT_EQ(p.ampOn, 1);
  EXPECT_EQ(p.inputSource, 0);
  EXPECT_EQ(p.commandScene, 0);
  EXPECT_EQ(p.channelCount, 8);
  EXPECT_EQ(p.currChannel, 0);
  EXPECT_EQ(p.linkMode, 0);
  EXPECT_EQ(p.lockMode, 0);
  EXPECT_EQ(p.noiseThreshold, -60);
  EXPECT_EQ(p.powerOffDelay, 0);
  EXPECT_EQ(p.outputs, (PerOutput<int>{6, 12, 15, 18, 19, 20, 22, 23}));
  EXPECT_EQ(p.linkOutputs, (PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(p.syncSavedSlider, (PerOutput<int>{1, 1, 1, 1, 1, 1, 1, 1}));
  for (float v : p.syncSavedVolume) EXPECT_EQ(v, 1.0f);
  EXPECT_EQ(p.showChEqualizer, PerOutput<int>{});
  EXPECT_EQ(p.synchronize, PerOutput<int>{});
  EXPECT_EQ(p.mcuStatus, (std::array<int, 4>{}));
  for (const CompressorSettings& c : p.compressor) {
    EXPECT_EQ(c, (CompressorSettings{1, 23.0f, 100.0f, 1000, 30000, 24.0f}));
  }
}

TEST(FreshProfile, OutputsStartWithTheCrossoverOfTheirRole) {
  const Profile p;
  for (std::size_t o = 0; o < kOutputSlots; ++o) {
    EXPECT_EQ(p.channels[o].crossover, RoleDefaultCrossover(p.outputs[o])) << "output " << o;
  }
  // Spot values so a wrong table cannot hide behind the comparison above.
  const Crossover& frontLeft = p.channels[0].crossover;  // full range
  EXPECT_EQ(frontLeft.bpType, 1);
  EXPECT_EQ(frontLeft.hp, (CrossoverFilter{20, 2, 4, 0}));
  EXPECT_EQ(frontLeft.lp, (CrossoverFilter{20000, 2, 0, 1}));
  const Crossover& subLeft = p.channels[6].crossover;
  EXPECT_EQ(subLeft.bpType, 3);
  EXPECT_EQ(subLeft.lp, (CrossoverFilter{70, 2, 4, 0}));
}

TEST(FreshProfile, RoutesInputsByTheDefaultRows) {
  const Profile p;
  const PerOutput<int> twoChannel{1, 2, 1, 2, 3, 3, 1, 2};
  const PerOutput<int> fourChannel{1, 2, 4, 8, 3, 3, 1, 2};
  const std::array<PerOutput<int>, 9> expected{twoChannel,  twoChannel,  twoChannel,
                                               twoChannel,  fourChannel, fourChannel,
                                               twoChannel,  twoChannel,  twoChannel};
  for (std::size_t s = 0; s < expected.size(); ++s) {
    EXPECT_EQ(p.inputs[s], expected[s]) << "source " << s;
    for (std::size_t in = 0; in < kMixInputSlots; ++in) {
      for (std::size_t o = 0; o < kOutputSlots; ++o) {
        ASSERT_EQ(p.inputMixVolume[s][in][o], 100);
        ASSERT_EQ(p.inputMixPhase[s][in][o], 0);
      }
    }
  }
}

TEST(KaraokeValues, KindsMapToTheStoredOrderAndStartAtTheirDefaults) {
  // kind (wire order 1..10) -> slot of the stored order
  const std::array<std::pair<int, int>, 12> cases{{{1, 1},   // mic volume
                                                   {2, 2},   // music volume
                                                   {3, 0},   // howling
                                                   {4, 4},   // echo level
                                                   {5, 5},   // echo delay
                                                   {6, 6},   // reverb level
                                                   {7, 7},   // reverb time
                                                   {8, 3},   // voice changer
                                                   {9, 8},   // bass
                                                   {10, 9},  // treble
                                                   {0, -1},
                                                   {11, -1}}};
  for (const auto& [kind, slot] : cases) {
    EXPECT_EQ(KtvSlot(kind), slot) << "kind " << kind;
  }
  const Profile p;
  EXPECT_EQ(p.ktv, (std::array<int, 10>{0, 60, 60, 0, 0, 0, 0, 0, 0, 0}));
}

struct FilterCase {
  int value;
  int stored;
};

TEST(CrossoverFilterSetter, FrequencyOutsideTheRangeStoresTwentyHertz) {
  const FilterCase cases[] = {{20, 20},     {20000, 20000}, {1000, 1000}, {20001, 20},
                              {19, 20},     {0, 20},        {-100, 20},   {48000, 20}};
  for (const FilterCase& c : cases) {
    CrossoverFilter f{.fs = 5000};
    f.SetFs(c.value);
    EXPECT_EQ(f.fs, c.stored) << "set " << c.value;
  }
}

TEST(CrossoverFilterSetter, FamilyOutsideOneToThreeStoresButterworth) {
  const FilterCase cases[] = {{1, 1}, {2, 2}, {3, 3}, {0, 1}, {4, 1}, {-1, 1}};
  for (const FilterCase& c : cases) {
    CrossoverFilter f{.type = 2};
    f.SetType(c.value);
    EXPECT_EQ(f.type, c.stored) << "set " << c.value;
  }
}

TEST(CrossoverFilterSetter, SlopeDecidesBypass) {
  struct Case {
    int value;
    int slope;
    int bypass;
  };
  const Case cases[] = {{4, 4, 0}, {0, 0, 1}, {1, 1, 0}, {8, 8, 0},
                        {9, 9, 0},  // kept; the design treats it as order 8
                        {-3, 0, 1}};
  for (const Case& c : cases) {
    for (int before : {0, 4}) {
      CrossoverFilter f;
      f.SetSlope(before);
      f.SetSlope(c.value);
      EXPECT_EQ(f.slope, c.slope) << "set " << c.value << " after " << before;
      EXPECT_EQ(f.bypass, c.bypass) << "set " << c.value << " after " << before;
    }
  }
}

TEST(CrossoverFilterSetter, FrequencyAndFamilyLeaveBypassAlone) {
  CrossoverFilter f;
  f.SetSlope(4);
  f.SetFs(30000);
  f.SetType(7);
  EXPECT_EQ(f, (CrossoverFilter{20, 1, 4, 0}));
}

TEST(FreshCrossover, HasBothFiltersOffAtTheEndsOfTheRange) {
  const Crossover c;
  EXPECT_EQ(c.bpType, 0);
  EXPECT_EQ(c.hp, (CrossoverFilter{20, 1, 0, 1}));
  EXPECT_EQ(c.lp, (CrossoverFilter{20000, 1, 0, 1}));
}

TEST(BpType, FollowsWhichSlopesAreOn) {
  EXPECT_EQ(BpTypeFor(0, 0), 0);
  EXPECT_EQ(BpTypeFor(4, 0), 1);
  EXPECT_EQ(BpTypeFor(0, 2), 2);
  EXPECT_EQ(BpTypeFor(1, 8), 3);
}

TEST(BandAccess, StaysInsideTheRowWhateverEqSizeHolds) {
  Profile p;
  struct Case {
    int stored;
    int used;
  };
  for (const Case c : {Case{31, 31}, Case{11, 11}, Case{0, 0}, Case{40, 31}, Case{-3, 0}}) {
    p.channels[2].eqSize = c.stored;  // as a reader that stores values unchecked would
    EXPECT_EQ(EqSize(p, 2), c.used) << "eqSize " << c.stored;
  }
  for (int output : {-1, 8, 1000}) {
    EXPECT_TRUE(Bands(p, output).empty()) << output;
    EXPECT_EQ(EqSize(p, output), 0) << output;
  }
  EXPECT_EQ(Bands(p, 7).data(), p.channels[7].bands.data());
}

TEST(RoleInUse, TellsWhetherAnyOutputHasTheRole) {
  Profile p;
  EXPECT_TRUE(IsRoleInUse(p, 6));
  EXPECT_TRUE(IsRoleInUse(p, 23));
  EXPECT_FALSE(IsRoleInUse(p, 1));
  EXPECT_FALSE(IsRoleInUse(p, 0));
  p.outputs[7] = 0;
  EXPECT_TRUE(IsRoleInUse(p, 0));
  EXPECT_FALSE(IsRoleInUse(p, 23));
}

/// True when `bytes` lies inside the object `owner`.
template <typename T>
bool LiesInside(const void* bytes, const T& owner) {
  const auto* begin = reinterpret_cast<const std::uint8_t*>(&owner);
  const auto* at = static_cast<const std::uint8_t*>(bytes);
  return at >= begin && at < begin + sizeof(T);
}

TEST(ProfileCopy, OwnsItsBandsSoEditingTheCopyLeavesTheOriginal) {
  auto original = std::make_unique<Profile>();
  Bands(*original, 3)[5].eqGain = 4.5f;
  const Profile before = *original;

  auto copy = std::make_unique<Profile>(*original);
  auto assigned = std::make_unique<Profile>();
  *assigned = *original;
  for (Profile* edited : {copy.get(), assigned.get()}) {
    for (int o = 0; o < kOutputCount; ++o) {
      EXPECT_TRUE(LiesInside(Bands(*edited, o).data(), *edited)) << "output " << o;
    }
    Bands(*edited, 3)[5].eqGain = -12.0f;
    Bands(*edited, 3)[6].freq = 777;
    edited->channels[3].eqSize = 12;
    edited->channels[3].crossover.hp.SetSlope(0);
    edited->inputs[5][2] = 0;
  }
  EXPECT_EQ(*original, before);
  EXPECT_EQ(Bands(*original, 3)[5].eqGain, 4.5f);
  EXPECT_EQ(Bands(*copy, 3)[5].eqGain, -12.0f);
  EXPECT_EQ(*copy, *assigned);
}

TEST(ProfileReset, RestoresTheSettingsAndKeepsTheConnectedBoxAndSessionValues) {
  auto p = std::make_unique<Profile>();
  p->mainVolume = 30;
  p->outputs[0] = 3;
  p->linkOutputs[0] = 1;
  p->channels[0].eqSize = 5;
  p->channels[0].bypass = 0;
  Bands(*p, 0)[0] = EqBand{6.0f, 1.0f, 1000, 0};
  p->inputMixVolume[2][1][3] = 0;
  p->ktv[kKtvMicVolume] = 10;
  p->compressor[4].ratio = 2.0f;
  // Values of the connected box and the running session, not of a settings set: a failed
  // file load must not make a connected box look disconnected (model -1).
  p->model = 79;
  p->mainVersion = 16;
  p->slaveVersion = 17;
  p->mcuStatus = {1, 2, 3, 4};
  p->autoEffect = 1;
  p->synchronize[2] = 1;

  ResetProfileDefaults(*p);

  Profile expected;
  expected.model = 79;
  expected.mainVersion = 16;
  expected.slaveVersion = 17;
  expected.mcuStatus = {1, 2, 3, 4};
  expected.autoEffect = 1;
  expected.synchronize[2] = 1;
  EXPECT_EQ(*p, expected);
}

}  // namespace
}  // namespace qb

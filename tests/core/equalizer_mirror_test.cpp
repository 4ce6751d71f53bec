// The mirror as a whole: scene numbers name profiles, the live outputs' curves are only
// reachable for real outputs, and the profiles it holds stay independent of one another.

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "core/equalizer_mirror.h"
#include "core/profile_defaults.h"

namespace qb {
namespace {

TEST(EqualizerMirror, SceneNumbersNameTheLiveSettingsAndTheTenScenes) {
  auto mirror = std::make_unique<EqualizerMirror>();
  EXPECT_EQ(mirror->ProfileForScene(0), &mirror->currentProfile);
  EXPECT_EQ(mirror->ProfileForScene(1), &mirror->scenes[0]);
  EXPECT_EQ(mirror->ProfileForScene(10), &mirror->scenes[9]);
  for (int scene : {-1, 11, 255}) {
    EXPECT_EQ(mirror->ProfileForScene(scene), nullptr) << scene;
    EXPECT_EQ(static_cast<const EqualizerMirror&>(*mirror).ProfileForScene(scene), nullptr);
  }
}

TEST(EqualizerMirror, StartsWithDefaultProfilesAndEmptyNames) {
  auto mirror = std::make_unique<EqualizerMirror>();
  const Profile defaults;
  EXPECT_EQ(mirror->currentProfile, defaults);
  for (const Profile& scene : mirror->scenes) EXPECT_EQ(scene, defaults);
  for (const SceneName& name : mirror->sceneNames) EXPECT_EQ(name, SceneName{});
  EXPECT_EQ(mirror->sceneValid, 0u);
  EXPECT_FALSE(mirror->forcedUpdate.load());
  EXPECT_FALSE(mirror->manualUpdate.load());
}

TEST(EqualizerMirror, CurvesExistOnlyForRealOutputsAndTheOnePointCount) {
  auto mirror = std::make_unique<EqualizerMirror>();
  const ChannelResponse* first = mirror->Response(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(mirror->Response(8), nullptr);
  EXPECT_EQ(mirror->Response(-1), nullptr);
  EXPECT_FALSE(mirror->ComputeChannelResponse(8, true));
  EXPECT_FALSE(mirror->ComputeChannelResponse(-1, true));
  EXPECT_FALSE(mirror->ComputeChannelResponse(0, true, 256));
  EXPECT_TRUE(mirror->ComputeChannelResponse(0, true, CurvePoints));
  EXPECT_EQ(mirror->Response(0), first);  // the curves stay where the curve control saw them
}

TEST(EqualizerMirror, LoadingASceneIntoTheLiveSettingsCopiesItsBands) {
  auto mirror = std::make_unique<EqualizerMirror>();
  Bands(mirror->scenes[3], 1)[0].eqGain = 5.0f;
  mirror->currentProfile = mirror->scenes[3];
  mirror->Bands(1)[0].eqGain = -9.0f;
  mirror->Bands(1)[1].freq = 123;
  EXPECT_EQ(Bands(mirror->scenes[3], 1)[0].eqGain, 5.0f);
  EXPECT_EQ(Bands(mirror->scenes[3], 1)[1].freq, 25);
  EXPECT_EQ(mirror->EqSize(1), 31);
}

TEST(EqualizerMirror, RoleInUseLooksAtTheLiveOutputs) {
  auto mirror = std::make_unique<EqualizerMirror>();
  mirror->scenes[0].outputs.fill(kRoleFrontLeftTweeter);
  EXPECT_FALSE(mirror->IsRoleInUse(kRoleFrontLeftTweeter));
  mirror->currentProfile.outputs[4] = kRoleFrontLeftTweeter;
  EXPECT_TRUE(mirror->IsRoleInUse(kRoleFrontLeftTweeter));
}

TEST(EqualizerMirror, FullRecomputeUsesEachOutputsOwnBypassFlag) {
  auto mirror = std::make_unique<EqualizerMirror>();
  for (int o = 0; o < kOutputCount; ++o) mirror->Bands(o)[17].eqGain = 12.0f;  // 1000 Hz
  mirror->currentProfile.channels[0].bypass = 0;  // full range: nothing else at 1 kHz
  mirror->ComputeAllChannelResponses();
  const Curve& axis = mirror->Response(0)->Frequencies();
  std::size_t at1k = 0;
  while (axis[at1k] < 1000.0) ++at1k;
  for (int o = 0; o < kOutputCount; ++o) {
    const double db = mirror->Response(o)->Response()[at1k];
    if (o == 0) {
      EXPECT_NEAR(db, 12.0, 0.5) << "the one output whose equaliser is in use";
    } else {
      EXPECT_LT(db, 1.0) << "output " << o << " is bypassed";
    }
  }
}

}  // namespace
}  // namespace qb

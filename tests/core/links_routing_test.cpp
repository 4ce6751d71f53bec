// Roles, routing, lock and link without a display: what a role change brings with it, the
// first switch-on of an input, the source switch, the lock and link state machine with its
// copy direction, and the two kinds of output reset.
#include <gtest/gtest.h>

#include "core/profile_defaults.h"
#include "tests/core/core_session.h"

namespace qb::test {
namespace {

class LinksRoutingTest : public EditingTest {
 protected:
  RoutingEditor& routing = s.core.Routing();
  LinkEditor& links = s.core.Links();
};

TEST_F(LinksRoutingTest, ARoleBringsItsCrossoverAndASubwooferTakesThePairsVolume) {
  s.core.Outputs().SetVolumeTenths(6, -150);  // left subwoofer (and with it the right one)
  s.core.Outputs().SetVolumeTenths(2, -40);
  routing.SetRole(2, kRoleSubwooferRight);
  EXPECT_EQ(s.Live().currChannel, 2);
  EXPECT_EQ(Ch(2).crossover, RoleDefaultCrossover(kRoleSubwooferRight));
  EXPECT_FLOAT_EQ(Ch(2).gain, -15.0f) << "the tuned pair keeps its level";
  routing.SetRole(2, kRoleCount);  // no such role: nothing
  EXPECT_EQ(s.Live().outputs[2], kRoleSubwooferRight);
}

TEST_F(LinksRoutingTest, AnInputSwitchedOnAtLevelZeroStartsAtFullLevel) {
  const int source = s.Live().inputSource;
  routing.SetMixLevel(source, 3, 1, 0);
  routing.SetInput(1, 3, true);
  EXPECT_EQ(s.Live().inputMixVolume[At(source)][2][1], kFullMixLevel);
  EXPECT_NE(s.Live().inputs[At(source)][1] & 0b100, 0);
  routing.SetMixLevel(source, 3, 1, 40);
  routing.SetInput(1, 3, false);
  routing.SetInput(1, 3, true);
  EXPECT_EQ(s.Live().inputMixVolume[At(source)][2][1], 40) << "a level chosen stays";
  routing.SetMixLevel(source, 7, 1, 50);  // the box has six inputs
  routing.SetMixLevel(source, 3, 1, 500);
  EXPECT_EQ(s.Live().inputMixVolume[At(source)][2][1], kFullMixLevel);
}

TEST_F(LinksRoutingTest, AMixerCellRoutesAndLevelsAsOneValueAndTheBoxGetsTheMask) {
  const int source = SOURCE_HI;
  const auto mask = [&](int o) { return s.Live().inputs[At(source)][At(o)]; };
  const auto level = [&](int in, int o) { return s.Live().inputMixVolume[At(source)][At(in - 1)][At(o)]; };
  routing.SetMixLevel(source, 5, 3, 0);
  routing.SetMixInput(source, 5, 3, true);
  EXPECT_EQ(level(5, 3), kFullMixLevel) << "an input switched on silent starts at full level";
  EXPECT_NE(mask(3) & 0b10000, 0);
  ASSERT_TRUE(s.Drain());
  s.Box().Inspect([&](const sim::BoxState& box) { EXPECT_EQ(box.live.sources[source].mixMask[3], mask(3)); });

  routing.SetMixInput(source, 5, 3, false);
  EXPECT_EQ(mask(3) & 0b10000, 0);
  EXPECT_EQ(level(5, 3), 0) << "a cell switched off plays nothing and reads 0";

  routing.SetMixTrim(source, 6, 4, 40);
  EXPECT_NE(mask(4) & 0b100000, 0) << "a level above 0 routes the input";
  EXPECT_EQ(level(6, 4), 40);
  routing.SetMixTrim(source, 6, 4, 0);
  EXPECT_EQ(mask(4) & 0b100000, 0) << "level 0 stops routing it";
  routing.SetMixTrim(source, 6, 4, 250);
  EXPECT_EQ(level(6, 4), kFullMixLevel);

  // A source other than the current one keeps its own row.
  routing.SetMixTrim(SOURCE_COAX, 2, 7, 30);
  EXPECT_EQ(s.Live().inputMixVolume[SOURCE_COAX][1][7], 30);
  routing.SetMixTrim(SOURCE_COAX, 7, 7, 30);  // the box has six inputs: nothing
}

TEST_F(LinksRoutingTest, ASourceSwitchReachesTheBoxAndStartsTheVolumePoll) {
  const int stops = s.host.timerStops;  // the read-out's volume reply stopped it too
  routing.SetSource(SOURCE_COAX);
  EXPECT_EQ(s.host.timerStarts, 1);
  EXPECT_EQ(s.core.Session().MainVolumePolls(), kMainVolumePolls);
  routing.SetSource(42);
  EXPECT_EQ(s.Live().inputSource, SOURCE_COAX);
  EXPECT_TRUE(s.core.Session().MainVolumePollTick());
  ASSERT_TRUE(s.Drain());
  EXPECT_EQ(s.host.timerStops, stops + 1) << "the main volume's reply ends the poll";

  // Disconnected, a source chosen is only shown: nothing is sent, nothing polled.
  s.core.Session().DisconnectDevice();
  s.Box().ClearCommands();
  routing.SetSource(SOURCE_OPT);
  EXPECT_EQ(s.Live().inputSource, SOURCE_OPT);
  EXPECT_EQ(s.host.timerStarts, 1);
  EXPECT_TRUE(s.Box().Commands().empty());
  ASSERT_TRUE(s.Connect());  // the read-out takes the box's source back
}

TEST_F(LinksRoutingTest, LinkCopiesTheChosenSideAndLocksUnlockingEndsIt) {
  s.core.Eq().EditBand(1, 6, 600, 1.5f, 4.0f);  // output 2 is the front right full range
  EXPECT_EQ(links.ToggleLink([] { return std::nullopt; }), LinkOutcome::Cancelled);
  EXPECT_EQ(s.Live().linkMode, 0);
  EXPECT_EQ(links.ToggleLink([] { return CopyDirection::RightToLeft; }), LinkOutcome::Linked);
  EXPECT_EQ(s.Live().lockMode, 1);
  EXPECT_EQ(Ch(0).bands[6], Ch(1).bands[6]);

  ScriptedConfirm confirm;
  confirm.answer = false;
  links.ToggleLock(confirm.Get());  // refused: stays locked and linked
  EXPECT_EQ(s.Live().linkMode, 1);
  confirm.answer = true;
  links.ToggleLock(confirm.Get());
  EXPECT_EQ(confirm.asked, (std::vector<Question>{Question::UnlockOutputs, Question::UnlockOutputs}));
  EXPECT_EQ(s.Live().lockMode, 0);
  EXPECT_EQ(s.Live().linkMode, 0);
  EXPECT_EQ(s.Live().linkOutputs, (PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1}));

  for (int o = 0; o < kOutputCount; ++o) routing.SetRole(o, kRoleCenterFull);
  EXPECT_EQ(links.ToggleLink([] { return CopyDirection::LeftToRight; }), LinkOutcome::NotLinkable);
}

TEST_F(LinksRoutingTest, ResetRestoresTheDefaultRolesOrEmptiesEveryOutput) {
  routing.SetRole(0, kRoleCenterWoofer);
  links.ToggleLock([](Question) { return true; });
  links.ResetOutputs(OutputReset::Default);
  EXPECT_EQ(s.Live().outputs, Profile{}.outputs);
  EXPECT_EQ(Ch(0).crossover, RoleDefaultCrossover(Profile{}.outputs[0]));
  EXPECT_EQ(s.Live().lockMode, 0);
  EXPECT_EQ(s.Live().currChannel, 0);
  links.ResetOutputs(OutputReset::Emptied);
  EXPECT_EQ(s.Live().outputs, (PerOutput<int>{}));
  EXPECT_EQ(Ch(7).crossover, RoleDefaultCrossover(kRoleEmpty));
}

}  // namespace
}  // namespace qb::test

// The output editing rules without a display: who follows a volume change (synchronize
// group, linked partner, subwoofer pair), what joining the group does, the ranges and steps
// of volume and delay, and the level conversions behind them. Each case with a session ends
// with the box holding what the mirror holds.
#include <gtest/gtest.h>

#include <climits>

#include "core/output_levels.h"
#include "tests/core/core_session.h"

namespace qb::test {
namespace {

TEST(OutputLevelsTest, MainVolumeCurveGivesTheAttenuationTheBoxIsSent) {
  struct Case {
    int position;
    double attenuation;
  };
  // 28 sits just below 0 dB on the curve; 40 is the top (+6 dB); 0 is off (-60 dB).
  for (const Case c : {Case{28, 6.3047}, Case{40, 0.0}, Case{0, 66.0}, Case{1, 66.0}, Case{10, 24.75}}) {
    EXPECT_NEAR(MainVolumeAttenuation(c.position, 0), c.attenuation, 1e-3) << c.position;
  }
  // Anything at or below the slider's minimum is off.
  EXPECT_DOUBLE_EQ(MainVolumeDb(3, 5), kMainVolumeOffDb);
}

TEST(OutputLevelsTest, DistancesConvertAtTheSpeedOfSoundAndStayCarriable) {
  EXPECT_NEAR(DelayMsOfDistance(600.0, DelayUnit::Cm), 600.0 * 15.0 / 519.0, 1e-12);
  EXPECT_NEAR(DelayMsOfDistance(100.0, DelayUnit::In), 100.0 * 15.0 / 204.0, 1e-12);
  EXPECT_DOUBLE_EQ(HeldDistance(-50.0, DelayUnit::Cm), 0.0);
  EXPECT_NEAR(DelayMsOfDistance(HeldDistance(1e9, DelayUnit::In), DelayUnit::In), kMaxSentDelayMs, 1e-9);
  EXPECT_DOUBLE_EQ(HeldDistance(600.0, DelayUnit::Cm), 600.0);
}

class OutputEditorTest : public EditingTest {
 protected:
  float Gain(int o) { return s.Live().channels[At(o)].gain; }
  void SetGains(std::initializer_list<float> gains) {
    int o = 0;
    for (float g : gains) s.core.Outputs().SetVolumeTenths(o++, static_cast<int>(g * 10));
  }

  OutputEditor& outputs = s.core.Outputs();
};

TEST_F(OutputEditorTest, GroupMembersMoveByTheSameDifferenceAndTypedVolumesKeepTheirDistance) {
  SetGains({-10, -20, -30, -5});
  outputs.SetSynchronize(0, true);
  outputs.SetSynchronize(2, true);
  EXPECT_EQ(s.Live().currChannel, 2) << "joining makes the output current";
  outputs.SetVolumeTenths(0, -130);  // fader 3 dB down: the member follows
  EXPECT_FLOAT_EQ(Gain(0), -13.0f);
  EXPECT_FLOAT_EQ(Gain(2), -33.0f);
  EXPECT_FLOAT_EQ(Gain(1), -20.0f) << "not a member";
  outputs.SetVolumeDb(2, -40);  // typed: 7 dB down
  EXPECT_FLOAT_EQ(Gain(0), -20.0f);
  // Held to the range: a member cannot go below -60 dB.
  outputs.SetVolumeDb(0, -58);
  EXPECT_FLOAT_EQ(Gain(2), -60.0f);
  outputs.SetSynchronize(2, false);
  outputs.SetVolumeTenths(0, -100);
  EXPECT_FLOAT_EQ(Gain(2), -60.0f);
}

TEST_F(OutputEditorTest, JoiningTheGroupTakesTheCurrentBypassAndWholeDecibelVolumes) {
  s.Live().channels[1].bypass = 0;
  s.core.Eq().EditBand(1, 4, 250, 2.0f, 3.0f);  // output 2 audible, not bypassed
  outputs.SetVolumeTenths(3, -75);              // -7.5 dB
  outputs.SetSynchronize(1, true);
  outputs.SetSynchronize(3, true);  // output 2 is current: output 4 takes its bypass
  EXPECT_EQ(s.Live().channels[3].bypass, s.Live().channels[1].bypass);
  EXPECT_FLOAT_EQ(Gain(3), -7.0f) << "a member's volume is taken as it is shown";
  outputs.SetVolumeTenths(5, -600);
  outputs.SetSynchronize(5, true);
  EXPECT_FLOAT_EQ(Gain(5), -60.0f) << "an output shown off stays at the bottom, not 0 dB";
}

TEST_F(OutputEditorTest, LinkedPartnerAndSubwooferPairFollow) {
  s.core.Links().ToggleLink([] { return CopyDirection::LeftToRight; });
  ASSERT_EQ(s.Live().linkMode, 1);
  const int partner = s.Live().linkOutputs[0];
  ASSERT_GE(partner, 0);
  const float before = Gain(partner);
  outputs.SetVolumeTenths(0, -60);
  EXPECT_FLOAT_EQ(Gain(partner), before - 6.0f);
  outputs.SetMute(0, true);
  outputs.SetPhase(0, true);
  EXPECT_EQ(s.Live().channels[At(partner)].mute, 0) << "mute and phase are the output's own";
  EXPECT_EQ(s.Live().channels[At(partner)].phase, 0);
  s.core.Links().ToggleLink({});  // unlink: the subwoofers now share one volume
  ASSERT_EQ(s.Live().linkMode, 0);
  // Default roles: outputs 7 and 8 are the left and right subwoofer.
  outputs.SetVolumeTenths(6, -120);
  EXPECT_FLOAT_EQ(Gain(7), -12.0f);
  outputs.SetVolumeDb(7, -3);
  EXPECT_FLOAT_EQ(Gain(6), -3.0f);
}

TEST_F(OutputEditorTest, VolumeAndDelayHoldTheirRangesAndStepsStopAtTheEnds) {
  outputs.SetVolumeTenths(4, 50);
  EXPECT_FLOAT_EQ(Gain(4), 0.0f);
  outputs.StepVolume(4, true);
  EXPECT_FLOAT_EQ(Gain(4), 0.0f);
  outputs.SetVolumeDb(4, -99);
  EXPECT_FLOAT_EQ(Gain(4), -60.0f);
  outputs.StepVolume(4, false);
  EXPECT_FLOAT_EQ(Gain(4), -60.0f);
  outputs.StepVolume(4, true);
  EXPECT_FLOAT_EQ(Gain(4), -59.0f);

  const auto delay = [this] { return s.Live().channels[5].delay; };
  outputs.SetDelayMicros(5, 20000);
  EXPECT_FLOAT_EQ(delay(), 15.0f);
  outputs.StepDelay(5, true);
  EXPECT_FLOAT_EQ(delay(), 15.0f);
  outputs.SetDelayMicros(5, 230);
  outputs.StepDelay(5, true);
  EXPECT_EQ(DelayMicros(s.Live().channels[5]), 251);
  EXPECT_DOUBLE_EQ(outputs.SetDelayTyped(5, 20.0), 15.0) << "ms are held to the slider's range";
  outputs.SetDelayUnit(DelayUnit::Cm);
  EXPECT_DOUBLE_EQ(outputs.SetDelayTyped(5, 600.0), 600.0) << "a far speaker may need more";
  EXPECT_NEAR(delay(), 600.0 * 15.0 / 519.0, 1e-4);
  EXPECT_DOUBLE_EQ(outputs.SetDelayTyped(5, -4.0), 0.0);
  // A typed delay beyond the slider: its steps start from the slider's end.
  outputs.SetDelayTyped(5, 1000.0);
  outputs.StepDelay(5, false);
  EXPECT_EQ(DelayMicros(s.Live().channels[5]), kDelayMaxMicros - kDelayStepMicros);
}

TEST_F(OutputEditorTest, ATypedDelayIsKeptAsTheWholeMicrosecondsTheBoxHolds) {
  const auto held = [this] {
    EXPECT_TRUE(s.Drain());
    double ms = 0.0;
    s.Box().Inspect([&](const sim::BoxState& box) { ms = box.live.outputs[2].delayMs; });
    return ms;
  };
  outputs.SetDelayTyped(2, 2.6425);  // 2642.5 us: the nearest the box holds is 2643
  EXPECT_FLOAT_EQ(s.Live().channels[2].delay, 2.643f);
  EXPECT_NEAR(held(), 2.643, 1e-9);
  outputs.SetDelayUnit(DelayUnit::Cm);
  outputs.SetDelayTyped(2, 91.43);  // 2642.49 us
  EXPECT_FLOAT_EQ(s.Live().channels[2].delay, 2.642f);
  EXPECT_NEAR(held(), 2.642, 1e-9);
}

TEST_F(OutputEditorTest, MainVolumeStepsFromTheBottomBeforeTheBoxReports) {
  s.Live().mainVolume = -5;  // what a fresh mirror holds
  s.core.Main().StepMainVolume(false);
  EXPECT_EQ(s.Live().mainVolume, -5) << "at the bottom already: nothing";
  s.core.Main().StepMainVolume(true);
  EXPECT_EQ(s.Live().mainVolume, 1);
  s.core.Main().SetMainVolume(99);
  EXPECT_EQ(s.Live().mainVolume, 40);
}

}  // namespace
}  // namespace qb::test

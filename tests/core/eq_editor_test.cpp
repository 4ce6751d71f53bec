// The equaliser and crossover rules without a display: bypass consumed by an edit and
// restored by the bypass toggle, the three band variants, the band clamps and steps, and
// how the synchronize group and the linked partner follow band and crossover edits.
#include <gtest/gtest.h>

#include "tests/core/core_session.h"

namespace qb::test {
namespace {

class EqEditorTest : public EditingTest {
 protected:
  EqBand& BandOf(int o, int b) { return Ch(o).bands[At(b)]; }

  EqEditor& eq = s.core.Eq();
  ScriptedConfirm confirm;
};

TEST_F(EqEditorTest, AnEditOfABypassedOutputStartsFromFlatAndTheToggleRestoresOrBypasses) {
  // Gains kept behind a bypass, as a bypass toggle leaves them.
  eq.EditBand(0, 2, 80, 2.0f, 4.0f);
  ASSERT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Bypassed);
  eq.SetBandGainTenths(0, 2, 0);  // consumes the bypass; the slider at 0 bypasses again
  eq.EditBand(0, 9, 5000, 2.0f, 0.5f);
  ASSERT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Bypassed);
  EXPECT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Restored);
  EXPECT_EQ(confirm.asked.back(), Question::RestoreAllEq) << "a half-decibel band counts as kept";
  EXPECT_EQ(Ch(0).bypass, 0);
  EXPECT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Bypassed);
  EXPECT_EQ(confirm.asked.back(), Question::BypassAllEq);
  confirm.answer = false;
  EXPECT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Cancelled);
  EXPECT_EQ(Ch(0).bypass, 1);

  eq.EditBand(0, 5, 400, 3.0f, -2.0f);
  EXPECT_EQ(Ch(0).bypass, 0);
  EXPECT_EQ(BandOf(0, 9).eqGain, 0.0f) << "the kept gains go";
  EXPECT_EQ(BandOf(0, 5), (EqBand{-2.0f, 3.0f, 400, 1}));

  // A drag to a gain on the curve starts from flat too.
  confirm.answer = true;
  ASSERT_EQ(eq.ToggleBypass(0, confirm.Get()), BypassOutcome::Bypassed);
  eq.DragBand(0, 6, 1000, 1.0f, 2.0f);
  EXPECT_EQ(Ch(0).bypass, 0);
  EXPECT_EQ(BandOf(0, 5).eqGain, 0.0f);
  EXPECT_EQ(BandOf(0, 6).eqGain, 2.0f);
}

TEST_F(EqEditorTest, TypedZeroAndSliderZeroJudgeFlatDifferently) {
  // Beside a half-decibel band, a typed 0 dB counts whole decibels (flat: bypassed) while
  // the slider sums the gains (not flat).
  for (const bool bySlider : {false, true}) {
    SCOPED_TRACE(bySlider ? "slider" : "typed");
    ASSERT_TRUE(eq.ResetEq(3, confirm.Get()));
    eq.EditBand(3, 5, BandOf(3, 5).freq, BandOf(3, 5).eqFactor, 0.5f);
    eq.EditBand(3, 2, BandOf(3, 2).freq, BandOf(3, 2).eqFactor, 3.0f);
    ASSERT_EQ(Ch(3).bypass, 0);
    if (bySlider) eq.SetBandGainTenths(3, 2, 0);
    else eq.EditBand(3, 2, BandOf(3, 2).freq, BandOf(3, 2).eqFactor, 0.0f);
    EXPECT_EQ(Ch(3).bypass, bySlider ? 0 : 1);
  }
}

TEST_F(EqEditorTest, ConfirmingWhatIsShownChangesNothingBehindABypass) {
  eq.EditBand(1, 3, 250, 2.0f, 6.0f);
  ASSERT_EQ(eq.ToggleBypass(1, confirm.Get()), BypassOutcome::Bypassed);
  const EqBand shown = BandOf(1, 3);
  eq.EditBand(1, 3, shown.freq, shown.eqFactor, 0.0f);  // the row shows 0 dB
  eq.DragBand(1, 3, shown.freq, shown.eqFactor, 0.0f);  // a hover on the curve
  EXPECT_EQ(Ch(1).bypass, 1);
  EXPECT_EQ(BandOf(1, 3).eqGain, 6.0f);
}

TEST_F(EqEditorTest, BandValuesAreHeldAndStepped) {
  const int freq = BandOf(2, 7).freq;
  eq.EditBand(2, 7, 25000, 20.0f, 40.0f);
  EXPECT_EQ(BandOf(2, 7).freq, freq) << "an impossible frequency keeps the band's";
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqFactor, 9.0f);
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqGain, 12.0f);
  eq.StepBandGain(2, 7, true);
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqGain, 12.0f) << "at the top";
  eq.StepBandGain(2, 7, false);
  EXPECT_NEAR(BandOf(2, 7).eqGain, 11.9f, 1e-4);
  eq.StepBandQ(2, 7, false);
  EXPECT_NEAR(BandOf(2, 7).eqFactor, 8.9f, 1e-4) << "the box's step is a tenth";
  // What is typed lands on the nearest value the box holds, in the mirror and in the box:
  // the wire truncates, so 0.69 unrounded would reach it as 0.6.
  eq.EditBand(2, 7, 1000, 0.69f, -3.14f);
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqFactor, 0.7f);
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqGain, -3.1f);
  ASSERT_TRUE(s.Drain());
  s.Box().Inspect([](const sim::BoxState& box) {
    EXPECT_DOUBLE_EQ(box.live.outputs[2].bands[7].q, 0.7);
    EXPECT_DOUBLE_EQ(box.live.outputs[2].bands[7].gainDb, -3.1);
  });
  eq.EditBand(2, 7, 20000, 0.1f, 1.0f);
  EXPECT_FLOAT_EQ(BandOf(2, 7).eqFactor, 0.5f);
  eq.StepBandFrequency(2, 7, true);
  EXPECT_EQ(BandOf(2, 7).freq, 20000) << "at the top of the grid";
  eq.StepBandFrequency(2, 7, false);
  EXPECT_LT(BandOf(2, 7).freq, 20000);
  // A drag past either end of the curve stops at the box's range.
  eq.DragBand(2, 7, 20082, 2.0f, 1.0f);
  EXPECT_EQ(BandOf(2, 7).freq, 20000);
  eq.DragBand(2, 7, 12, 2.0f, 1.0f);
  EXPECT_EQ(BandOf(2, 7).freq, 20);
  // The slider moves the gain only, and a slider back to 0 with nothing else audible
  // bypasses the output.
  eq.SetBandGainTenths(2, 7, 0);
  EXPECT_EQ(Ch(2).bypass, 1);
}

TEST_F(EqEditorTest, TheGroupAndTheLinkedPartnerFollowBandsAndCrossovers) {
  s.core.Outputs().SetSynchronize(0, true);
  s.core.Outputs().SetSynchronize(4, true);
  eq.EditBand(0, 10, 1000, 2.0f, 5.0f);
  EXPECT_EQ(BandOf(4, 10), BandOf(0, 10));
  EXPECT_EQ(Ch(4).bypass, 0);
  CrossoverEditor& x = s.core.Crossovers();
  x.SetFrequency(0, true, 250);
  x.SetSlope(0, true, 6);
  x.SetType(0, true, FILTER_TYPE_BESSEL);
  EXPECT_EQ(Ch(4).crossover.hp.fs, 250);
  EXPECT_EQ(Ch(4).crossover.hp.slope, 6);
  EXPECT_NE(Ch(4).crossover.hp.type, FILTER_TYPE_BESSEL) << "the group does not take families";

  s.core.Outputs().SetSynchronize(0, false);
  s.core.Outputs().SetSynchronize(4, false);
  s.core.Links().ToggleLink([] { return CopyDirection::LeftToRight; });
  const int partner = s.Live().linkOutputs[0];
  ASSERT_GE(partner, 0);
  eq.DragBand(0, 12, 1500, 4.0f, -3.0f);
  x.SetType(0, false, FILTER_TYPE_BESSEL);
  x.DragFrequency(0, false, 9000);
  EXPECT_EQ(BandOf(partner, 12), BandOf(0, 12));
  EXPECT_EQ(Ch(partner).crossover.lp, Ch(0).crossover.lp);
  ASSERT_TRUE(eq.ResetEq(0, confirm.Get()));
  EXPECT_EQ(BandOf(partner, 12).eqGain, 0.0f);
}

TEST_F(EqEditorTest, TheHighPassStaysBelowTheLowPass) {
  CrossoverEditor& x = s.core.Crossovers();
  x.SetFrequency(3, false, 1000);
  x.SetFrequency(3, true, 5000);
  EXPECT_EQ(Ch(3).crossover.hp.fs, 1000);
  x.SetFrequency(3, false, 300);
  EXPECT_EQ(Ch(3).crossover.lp.fs, 1000);
  EXPECT_FALSE(x.DragFrequency(3, true, -1)) << "no handle: nothing";
  EXPECT_FALSE(x.DragFrequency(3, true, 1000)) << "a dragged corner never meets the other";
  EXPECT_FALSE(x.DragFrequency(3, false, 999));
  EXPECT_EQ(Ch(3).crossover.hp.fs, 1000);
  EXPECT_EQ(Ch(3).crossover.lp.fs, 1000);
  EXPECT_TRUE(x.DragFrequency(3, true, 999));
  EXPECT_EQ(Ch(3).crossover.hp.fs, 999);
  x.StepFrequency(3, true, true);
  EXPECT_EQ(Ch(3).crossover.hp.fs, 1000) << "the step stops at the low-pass";
}

TEST_F(EqEditorTest, ModeSwitchAsksAndTheAnswerDecides) {
  confirm.answer = false;
  EXPECT_FALSE(eq.ToggleEqMode(confirm.Get()));
  EXPECT_FALSE(s.core.Mirror().session.parametricEq);
  confirm.answer = true;
  EXPECT_TRUE(eq.ToggleEqMode(confirm.Get()));
  EXPECT_TRUE(s.core.Mirror().session.parametricEq);
  EXPECT_EQ(confirm.asked, (std::vector<Question>{Question::ParametricEqMode, Question::ParametricEqMode}));
}

}  // namespace
}  // namespace qb::test

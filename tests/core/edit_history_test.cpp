// Undo and redo against the virtual box: what one step holds (a gesture, with everything the
// rules made follow), what the box receives when a step is undone, when the history empties,
// and a long random session undone to its start and redone to its end.
#include <gtest/gtest.h>

#include "tests/core/core_session.h"
#include "tests/core/edit_driver.h"
#include "tests/support/mirror_box_compare.h"

namespace qb::test {
namespace {

class EditHistoryTest : public EditingTest {
 protected:
  EditHistory& History() { return s.core.History(); }
  /// One gesture around `edit`.
  template <typename Edit>
  void Gesture(Edit&& edit) {
    const EditHistory::Gesture gesture(History());
    edit();
  }
  std::string BoxAgainstMirror() {
    EXPECT_TRUE(s.Drain());
    return CompareBoxWithMirror(s.Box(), s.Live());
  }
};

TEST_F(EditHistoryTest, ADragIsOneStepAndItsUndoSendsTheValueBeforeTheDrag) {
  const EqBand before = Ch(0).bands[4];
  {
    const EditHistory::Gesture drag(History());
    for (int gain = 1; gain <= 6; ++gain) s.core.Eq().DragBand(0, 4, 200 + gain * 10, 2.0f, static_cast<float>(gain));
  }
  EXPECT_EQ(History().UndoSteps(), 1u);
  ASSERT_TRUE(s.Drain());
  s.Box().ClearCommands();

  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(Ch(0).bands[4], before);
  EXPECT_EQ(BoxAgainstMirror(), "");
  EXPECT_FALSE(History().CanUndo());
  ASSERT_TRUE(History().CanRedo());
  ASSERT_TRUE(History().Redo());
  EXPECT_EQ(Ch(0).bands[4].freq, 260);
  EXPECT_FLOAT_EQ(Ch(0).bands[4].eqGain, 6.0f);
}

TEST_F(EditHistoryTest, AnEditThatFansOutToTheSynchronizeGroupIsOneStep) {
  Gesture([&] { s.core.Outputs().SetSynchronize(0, true); });
  Gesture([&] { s.core.Outputs().SetSynchronize(1, true); });
  Gesture([&] { s.core.Outputs().SetSynchronize(2, true); });
  const float other = Ch(2).bands[7].eqGain;
  Gesture([&] { s.core.Eq().EditBand(0, 7, 1000, 3.0f, -4.5f); });
  ASSERT_FLOAT_EQ(Ch(2).bands[7].eqGain, -4.5f) << "the group follows";
  EXPECT_EQ(History().UndoSteps(), 4u);

  ASSERT_TRUE(History().Undo());
  EXPECT_FLOAT_EQ(Ch(2).bands[7].eqGain, other);
  EXPECT_EQ(BoxAgainstMirror(), "");
  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(Ch(2).bands[7].eqGain, other);
  EXPECT_EQ(s.Live().synchronize[2], 0) << "the group membership is a step of its own";
}

TEST_F(EditHistoryTest, NothingIsRecordedOutsideAGestureOrWhenNothingChanged) {
  s.core.Outputs().SetMute(3, true);
  Gesture([&] { s.core.Outputs().SelectOutput(5); });
  Gesture([&] { s.core.Outputs().SetDelayUnit(DelayUnit::Cm); });
  EXPECT_FALSE(History().CanUndo()) << "the current output and the delay unit are the view's own choices";
  EXPECT_FALSE(History().Undo());
}

TEST_F(EditHistoryTest, ANewStepDropsWhatWasUndone) {
  Gesture([&] { s.core.Outputs().SetPhase(1, true); });
  Gesture([&] { s.core.Outputs().SetPhase(2, true); });
  ASSERT_TRUE(History().Undo());
  Gesture([&] { s.core.Main().SetMainMute(true); });
  EXPECT_FALSE(History().CanRedo());
  EXPECT_EQ(History().UndoSteps(), 2u);
  EXPECT_EQ(s.Live().channels[2].phase, 0);
}

TEST_F(EditHistoryTest, UndoingALinkUnlocksTheBoxAndPutsTheCopiedSideBack) {
  Gesture([&] { s.core.Eq().EditBand(0, 2, 500, 2.0f, 6.0f); });
  const OutputChannel partnerBefore = Ch(1);
  Gesture([&] { s.core.Links().ToggleLink([] { return CopyDirection::LeftToRight; }); });
  ASSERT_EQ(s.Live().linkMode, 1);
  ASSERT_TRUE(s.Drain());

  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(s.Live().linkMode, 0);
  EXPECT_EQ(s.Live().lockMode, 0);
  EXPECT_EQ(Ch(1), partnerBefore);
  EXPECT_EQ(BoxAgainstMirror(), "");
  ASSERT_TRUE(History().Redo());
  EXPECT_EQ(s.Live().linkMode, 1);
  EXPECT_EQ(BoxAgainstMirror(), "") << "the box copies the pairs again and then takes the restored values";
}

TEST_F(EditHistoryTest, ABoxReplyDuringAGestureIsNotPartOfTheStep) {
  const int mainVolume = s.Live().mainVolume;
  {
    const EditHistory::Gesture gesture(History());
    s.core.Outputs().SetVolumeTenths(4, -150);
    // The box reports another main volume while the fader is held.
    s.Box().Modify([](sim::BoxState& state) { state.live.mainVolumeDb = -20; });
    s.core.Session().StartMainVolumePoll();
    s.core.Session().MainVolumePollTick();
    ASSERT_TRUE(s.PumpUntil([&] { return s.Live().mainVolume != mainVolume; }));
  }
  const int reported = s.Live().mainVolume;
  ASSERT_TRUE(History().Undo());
  EXPECT_EQ(s.Live().mainVolume, reported);
}

TEST_F(EditHistoryTest, TheHistoryEmptiesWhenTheConnectionChangesOrTheWholeStateIsReplaced) {
  Gesture([&] { s.core.Outputs().SetMute(0, true); });
  s.Live().channels[0].mute = 0;
  s.core.Changes().Publish(Change{.aspects = kAspectEverything, .outputs = kAllOutputs});
  EXPECT_FALSE(History().CanUndo()) << "a load or a calibration";

  Gesture([&] { s.core.Outputs().SetMute(0, true); });
  ASSERT_TRUE(History().Undo());
  ASSERT_TRUE(s.Drain());
  s.core.Session().DisconnectDevice();
  EXPECT_FALSE(History().CanRedo());
  ASSERT_TRUE(s.Connect());
}

TEST_F(EditHistoryTest, ThousandsOfStepsAreKeptWithOnlyTheirChangedFields) {
  for (int i = 0; i < 1200; ++i) Gesture([&] { s.core.Outputs().SetDelayMicros(i % 8, (i + 1) * 7 % 15000); });
  EXPECT_EQ(History().UndoSteps(), 1200u);
  EXPECT_EQ(History().StoredChanges(), 1200u);
  ASSERT_TRUE(s.Drain());
}

// --- a random session undone and redone ------------------------------------------------------

TEST(EditHistorySessionTest, ARandomSessionUndoneReachesItsStartAndRedoneItsEnd) {
  const unsigned seed = SessionSeed(19u);
  SCOPED_TRACE(testing::Message() << "QB_SESSION_SEED=" << seed);
  CoreSession session;
  ASSERT_TRUE(session.StartAtFullSpeed());
  EditHistory& history = session.core.History();
  const auto state = [&session] {
    return EditedState{session.Live(), session.core.Mirror().session.parametricEq};
  };
  const auto differs = [](const EditedState& a, const EditedState& b) {
    return DiffEditedState(a.live, a.parametricEq, b.live, b.parametricEq).size();
  };
  const auto boxMatches = [&session](const char* when, std::size_t step) {
    EXPECT_TRUE(session.Drain());
    const std::string diff = CompareBoxWithMirror(session.Box(), session.Live());
    EXPECT_EQ(diff, "") << when << " step " << step;
    return diff.empty();
  };

  const EditedState start = state();
  EditDriver driver(session.core, seed);
  for (int step = 0; step < 400; ++step) {
    const EditHistory::Gesture gesture(history);
    driver.Step();
  }
  ASSERT_TRUE(boxMatches("after the edits", 0));
  const EditedState end = state();
  const std::size_t steps = history.UndoSteps();
  ASSERT_GT(steps, 200u);

  for (std::size_t k = 0; k < steps; ++k) {
    ASSERT_TRUE(history.Undo());
    if (!boxMatches("undo", k)) return;
  }
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(differs(start, state()), 0u);
  for (std::size_t k = 0; k < steps; ++k) {
    ASSERT_TRUE(history.Redo());
    if (!boxMatches("redo", k)) return;
  }
  EXPECT_EQ(differs(end, state()), 0u);
}

}  // namespace
}  // namespace qb::test

// Editing the output strips and the main volume block against a virtual box: the coupled
// volumes (synchronize group, link partner, subwoofer pair), delays in the three units, the
// main volume curve, lock and link with their questions, and the output reset. Each test
// edits through the window's controls, lets the box answer, and compares the box with the
// mirror and the view.
#include <QTest>
#include <cmath>
#include <vector>

#include "core/output_levels.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/notification.h"
#include "ui/slider.h"
#include "windows/msg_checkbox_wnd.h"

namespace qb::test {
namespace {

QString Indexed(const char* format, int index) { return QString::asprintf(format, index); }

// --- pure helpers ---------------------------------------------------------------------------------

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

TEST(OutputLevelsTest, TypedNumbersReadTheirLeadingDigitsOnly) {
  struct Case {
    const char* text;
    int whole;
    double number;
  };
  for (const Case c : {Case{"-20dB", -20, -20.0}, Case{"  +7 cm", 7, 7.0}, Case{"17.5 ms", 17, 17.5},
                       Case{".5", 0, 0.5}, Case{"dB", 0, 0.0}, Case{"", 0, 0.0}, Case{"nan", 0, 0.0},
                       Case{"-inf", 0, 0.0}, Case{"- 3", 0, 0.0}, Case{"1e3x", 1, 1000.0}}) {
    EXPECT_EQ(LeadingWholeNumber(c.text), c.whole) << c.text;
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.number) << c.text;
  }
  // Far beyond the int range: the nearer limit, so a huge negative volume still reads "off".
  EXPECT_EQ(LeadingWholeNumber("-99999999999dB"), INT_MIN);
  EXPECT_EQ(LeadingWholeNumber("99999999999"), INT_MAX);
}

TEST(OutputLevelsTest, DistancesConvertAtTheSpeedOfSoundAndStayCarriable) {
  EXPECT_NEAR(DelayMsOfDistance(600.0, DelayUnit::Cm), 600.0 * 15.0 / 519.0, 1e-12);
  EXPECT_NEAR(DelayMsOfDistance(100.0, DelayUnit::In), 100.0 * 15.0 / 204.0, 1e-12);
  EXPECT_DOUBLE_EQ(HeldDistance(-50.0, DelayUnit::Cm), 0.0);
  EXPECT_NEAR(DelayMsOfDistance(HeldDistance(1e9, DelayUnit::In), DelayUnit::In), kMaxSentDelayMs, 1e-9);
  EXPECT_DOUBLE_EQ(HeldDistance(600.0, DelayUnit::Cm), 600.0);
}

// --- through the main window ----------------------------------------------------------------------

class OutputEditingTest : public MainWindowTest {
 protected:
  /// The answer given to the choice box of link mode (1 left to right, 2 right to left,
  /// 0 cancel) and how often it was shown.
  int choiceAnswer = 1;
  int choicesShown = 0;

  void SetUp() override {
    MainWindowTest::SetUp();
    if (HasFatalFailure()) return;
    m_choiceAnswerer.setInterval(5);
    QObject::connect(&m_choiceAnswerer, &QTimer::timeout, [this] { AnswerChoiceBoxes(); });
    m_choiceAnswerer.start();
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(Drain());
  }

  void TearDown() override {
    m_choiceAnswerer.stop();
    MainWindowTest::TearDown();
  }

  ui::Slider* VolumeSlider(int o) { return Control<ui::Slider>(Indexed("slider_ch_volume_%d", o)); }
  ui::Edit* VolumeEdit(int o) { return Control<ui::Edit>(Indexed("edit_ch_volume_%d", o)); }
  ui::Slider* DelaySlider(int o) { return Control<ui::Slider>(Indexed("slider_ch_delay_%d", o)); }
  ui::Edit* DelayEdit(int o) { return Control<ui::Edit>(Indexed("edit_ch_delay_%d", o)); }
  ui::CheckBox* SyncBox(int o) { return Control<ui::CheckBox>(Indexed("ch_synchronize_%d", o)); }
  ui::Option* LockButton() { return Control<ui::Option>(QStringLiteral("btn_lock_output")); }
  ui::Option* LinkButton() { return Control<ui::Option>(QStringLiteral("btn_link_output")); }

  /// The user drags a volume slider to `tenths` and lets go.
  void MoveVolume(int o, int tenths) {
    VolumeSlider(o)->SetValue(tenths);
    window->Presenter().SetChVolume(o);
  }
  /// The user types into a volume edit and confirms.
  void TypeVolume(int o, const QString& text) {
    ui::SetControlText(VolumeEdit(o), text);
    window->Presenter().SetChVolumeEdit(o);
  }
  void TypeDelay(int o, const QString& text) {
    ui::SetControlText(DelayEdit(o), text);
    window->Presenter().SetChDelayEdit(o);
  }
  /// The user ticks or clears a synchronize box.
  void Synchronize(int o, bool on) {
    SyncBox(o)->SetChecked(on, false);
    window->Presenter().SetChSynchronize(o);
  }
  void ClickLock() {
    LockButton()->SetSelected(!LockButton()->IsSelected(), false);
    window->Presenter().SetOutputLock();
  }
  void ClickLink() {
    LinkButton()->SetSelected(!LinkButton()->IsSelected(), false);
    window->Presenter().SetOutputLink();
  }
  void SelectDelayUnit(DelayUnit unit) {
    Control<ui::Combo>(QStringLiteral("comb_ch_unit"))->SelectItem(static_cast<int>(unit), false);
    window->Presenter().SetDelayUnit();
  }

  double BoxVolume(int o) { return Box().State().live.outputs[static_cast<std::size_t>(o)].volumeDb; }
  double BoxDelay(int o) { return Box().State().live.outputs[static_cast<std::size_t>(o)].delayMs; }
  float Gain(int o) { return Live().channels[static_cast<std::size_t>(o)].gain; }

  /// Mirror, slider, text and box agree on an output's volume.
  void ExpectVolume(int o, int db) {
    SCOPED_TRACE(o);
    EXPECT_FLOAT_EQ(Gain(o), static_cast<float>(db));
    EXPECT_EQ(VolumeSlider(o)->value(), db * 10);
    EXPECT_EQ(ui::ControlText(VolumeEdit(o)), db <= -60 ? QStringLiteral("${off}") : QStringLiteral("%1dB").arg(db));
    EXPECT_DOUBLE_EQ(BoxVolume(o), db);
  }

 private:
  void AnswerChoiceBoxes() {
    for (ui::WindowBase* w : ui::WindowBase::LiveWindows()) {
      auto* box = qobject_cast<windows::CMsgCheckBoxWnd*>(w);
      if (!box || !box->IsModalRunning()) continue;
      ++choicesShown;
      box->Close(choiceAnswer);
    }
  }

  QTimer m_choiceAnswerer;
};

TEST_F(OutputEditingTest, SynchronizedOutputsMoveByTheSameStepAndClampAtTheTop) {
  MoveVolume(0, -100);
  MoveVolume(2, -30);
  MoveVolume(4, -150);
  Synchronize(0, true);
  Synchronize(2, true);
  ASSERT_TRUE(Drain());
  EXPECT_FALSE(LinkButton()->isEnabled());

  // +4 dB on output 1 would take output 3 to +1 dB: it stops at 0. Output 5 is no member.
  MoveVolume(0, -60);
  ASSERT_TRUE(Drain());
  ExpectVolume(0, -6);
  ExpectVolume(2, 0);
  ExpectVolume(4, -15);

  // Typed: each member moves from its own text by the change.
  TypeVolume(0, QStringLiteral("-20"));
  ASSERT_TRUE(Drain());
  ExpectVolume(0, -20);
  ExpectVolume(2, -14);

  // Down to the bottom: the member clamps at "off" too.
  TypeVolume(0, QStringLiteral("-70dB"));
  ASSERT_TRUE(Drain());
  ExpectVolume(0, -60);
  ExpectVolume(2, -54);

  // Leaving the group ends the coupling and frees the link button again.
  Synchronize(2, false);
  Synchronize(0, false);
  MoveVolume(0, -300);
  ASSERT_TRUE(Drain());
  ExpectVolume(0, -30);
  ExpectVolume(2, -54);
  EXPECT_TRUE(LinkButton()->isEnabled());
}

TEST_F(OutputEditingTest, AnOutputShownOffKeepsItsVolumeWhenItJoinsTheGroup) {
  MoveVolume(3, -600);
  ASSERT_TRUE(Drain());
  ExpectVolume(3, -60);
  Synchronize(3, true);
  ASSERT_TRUE(Drain());
  // "${off}" is the bottom of the range, not a text without a number (which would be 0 dB).
  ExpectVolume(3, -60);
}

TEST_F(OutputEditingTest, SubwooferPairSharesOneVolume) {
  ASSERT_EQ(Live().outputs[6], kRoleSubwooferLeft);
  ASSERT_EQ(Live().outputs[7], kRoleSubwooferRight);
  MoveVolume(6, -200);
  ASSERT_TRUE(Drain());
  ExpectVolume(6, -20);
  ExpectVolume(7, -20);
  EXPECT_EQ(ui::ControlText(VolumeEdit(7)), QStringLiteral("-20dB"));

  TypeVolume(7, QStringLiteral("-7dB"));
  window->Presenter().SetChVolumeUp(7, false);
  ASSERT_TRUE(Drain());
  ExpectVolume(7, -8);
  ExpectVolume(6, -8);
}

TEST_F(OutputEditingTest, LinkedPartnerMovesByTheSameDifference) {
  MoveVolume(0, -100);
  MoveVolume(1, -50);
  ClickLink();
  ASSERT_TRUE(Drain());
  ASSERT_EQ(Live().linkMode, 1);
  ASSERT_EQ(Live().linkOutputs[0], 1);

  MoveVolume(0, -130);
  ASSERT_TRUE(Drain());
  ExpectVolume(0, -13);
  ExpectVolume(1, -8);

  TypeVolume(1, QStringLiteral("-2"));
  ASSERT_TRUE(Drain());
  ExpectVolume(1, -2);
  ExpectVolume(0, -7);
}

TEST_F(OutputEditingTest, DelaysTypedInEveryUnit) {
  // cm: stored as x 15 / 519 ms, with no range of its own.
  SelectDelayUnit(DelayUnit::Cm);
  TypeDelay(2, QStringLiteral("600"));
  ASSERT_TRUE(Drain());
  EXPECT_NEAR(Live().channels[2].delay, 600.0 * 15.0 / 519.0, 1e-4);
  EXPECT_NEAR(BoxDelay(2), 17.341, 1e-3);
  EXPECT_EQ(ui::ControlText(DelayEdit(2)), QStringLiteral("600.00 cm"));
  EXPECT_EQ(DelaySlider(2)->value(), DelaySlider(2)->maximum());

  // A speaker nearer than the listener has no delay.
  TypeDelay(2, QStringLiteral("-100 cm"));
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(Live().channels[2].delay, 0.0f);
  EXPECT_DOUBLE_EQ(BoxDelay(2), 0.0);
  EXPECT_EQ(ui::ControlText(DelayEdit(2)), QStringLiteral("0.00 cm"));

  SelectDelayUnit(DelayUnit::In);
  TypeDelay(2, QStringLiteral("102 in"));
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(Live().channels[2].delay, 7.5f);
  EXPECT_DOUBLE_EQ(BoxDelay(2), 7.5);
  EXPECT_EQ(DelaySlider(2)->value(), 7500);

  // ms: held to 0..15.
  SelectDelayUnit(DelayUnit::Ms);
  TypeDelay(2, QStringLiteral("20"));
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(Live().channels[2].delay, 15.0f);
  EXPECT_DOUBLE_EQ(BoxDelay(2), 15.0);
  EXPECT_EQ(ui::ControlText(DelayEdit(2)), QStringLiteral("15.000 ms"));
}

TEST_F(OutputEditingTest, DelaySliderAndStepsShowTheExactMicroseconds) {
  SelectDelayUnit(DelayUnit::Ms);
  DelaySlider(1)->SetValue(230);
  window->Presenter().SetChDelay(1);
  window->Presenter().SetChDelayUp(1, true);  // 251 us: as a float in ms it multiplies back to 250
  ASSERT_TRUE(Drain());
  EXPECT_EQ(DelaySlider(1)->value(), 251);
  EXPECT_EQ(ui::ControlText(DelayEdit(1)), QStringLiteral("0.251 ms"));
  EXPECT_NEAR(BoxDelay(1), 0.251, 1e-9);

  SelectDelayUnit(DelayUnit::Cm);
  window->Presenter().SetChDelay(1);
  EXPECT_EQ(ui::ControlText(DelayEdit(1)), QStringLiteral("8.68 cm"));

  DelaySlider(1)->SetValue(DelaySlider(1)->minimum());
  window->Presenter().SetChDelay(1);
  window->Presenter().SetChDelayUp(1, false);  // already at the bottom: nothing
  ASSERT_TRUE(Drain());
  EXPECT_EQ(DelaySlider(1)->value(), 0);
  EXPECT_NEAR(BoxDelay(1), 0.0, 1e-9);
}

TEST_F(OutputEditingTest, MainVolumeSendsItsAttenuation) {
  auto* slider = Control<ui::Slider>(QStringLiteral("slider_main_volume"));
  auto* edit = Control<ui::Edit>(QStringLiteral("edit_main_volume"));
  struct Case {
    int position;
    int boxDb;  ///< 6 - the attenuation the command carries as a whole number
    const char* text;
  };
  // 28 sends 6.31 (carried as 6, so the box sits at 0 dB), 40 sends 0, 0 sends 66.
  for (const Case c : {Case{28, 0, "28"}, Case{40, 6, "40"}, Case{0, -60, "${off}"}}) {
    slider->SetValue(c.position);
    window->Presenter().SetMainVolume();
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Box().State().live.mainVolumeDb, c.boxDb) << c.position;
    EXPECT_EQ(Live().mainVolume, c.position);
    EXPECT_EQ(ui::ControlText(edit), QString::fromLatin1(c.text));
  }

  ui::SetControlText(edit, QStringLiteral("55"));
  window->Presenter().SetMainVolumeEdit();
  window->Presenter().SetMainVolumeUp(true);  // at the top: nothing
  ASSERT_TRUE(Drain());
  EXPECT_EQ(slider->value(), 40);
  EXPECT_EQ(Box().State().live.mainVolumeDb, 6);

  ui::SetControlText(edit, QStringLiteral("${off}"));
  window->Presenter().SetMainVolumeEdit();
  window->Presenter().SetMainVolumeUp(true);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().mainVolume, 1);
  EXPECT_EQ(Box().State().live.mainVolumeDb, -60);

  auto* mute = Control<ui::CheckBox>(QStringLiteral("main_mute"));
  mute->SetChecked(true, false);
  window->Presenter().SetMainMute();
  window->Presenter().ToggleAmp();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Box().State().live.mainMute, 1);
  EXPECT_EQ(Box().State().live.ampMute, 1);
  EXPECT_EQ(Live().ampOn, 0);
  window->Presenter().ToggleAmp();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Box().State().live.ampMute, 0);
  EXPECT_EQ(Live().ampOn, 1);
}

TEST_F(OutputEditingTest, MuteAndPhaseReachOnlyTheirOwnOutput) {
  MoveVolume(0, -100);
  ClickLink();
  ASSERT_TRUE(Drain());
  Control<ui::CheckBox>(QStringLiteral("ch_mute_0"))->SetChecked(true, false);
  window->Presenter().SetChMute(0);
  auto* phase = Control<ui::CheckBox>(QStringLiteral("ch_phase_0"));
  phase->SetChecked(true, false);
  window->Presenter().SetChPhase(0);
  ASSERT_TRUE(Drain());
  const auto state = Box().State();
  EXPECT_EQ(state.live.outputs[0].mute, 1);
  EXPECT_EQ(state.live.outputs[0].phase, 1);
  EXPECT_EQ(state.live.outputs[1].mute, 0);
  EXPECT_EQ(state.live.outputs[1].phase, 0);
  EXPECT_EQ(Live().channels[0].mute, 1);
  EXPECT_EQ(ui::ControlText(phase), QStringLiteral("${reverse phase}"));
}

TEST_F(OutputEditingTest, CopyRightToLeftSendsTheRightOutputsAsSources) {
  // Output 2 (front right full) gets a shape of its own in the mirror.
  OutputChannel& right = Live().channels[1];
  right.bands[3].eqGain = 4.5f;
  right.bands[3].freq = 55;
  right.bypass = 0;
  right.crossover.hp.SetFs(120);
  right.crossover.lp.SetSlope(2);
  choiceAnswer = 2;
  ClickLink();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(choicesShown, 1);

  const OutputChannel& left = Live().channels[0];
  EXPECT_EQ(left.bands, right.bands);
  EXPECT_EQ(left.crossover.hp, right.crossover.hp);
  EXPECT_EQ(left.crossover.lp, right.crossover.lp);
  EXPECT_EQ(left.bypass, 0);
  // The right roles are the larger codes: pairs (1, 0), (3, 2), (7, 6).
  const auto state = Box().State();
  EXPECT_EQ(state.live.link.on, 1);
  const std::vector<sim::LinkPair> expected{{1, 0}, {3, 2}, {7, 6}};
  EXPECT_EQ(state.live.link.pairs, expected);
  EXPECT_EQ(state.live.lock, 1);
}

TEST_F(OutputEditingTest, LockAndLinkAskFirstAndEndTogether) {
  auto* roleButton = Control<QWidget>(QStringLiteral("ch_output_btn_0"));

  // Lock refused: nothing changes.
  messageAnswer = 0;
  ClickLock();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_FALSE(LockButton()->IsSelected());
  EXPECT_TRUE(roleButton->isEnabled());
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${lock_output_tips}")));

  messageAnswer = 1;
  ClickLock();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_TRUE(LockButton()->IsSelected());
  EXPECT_FALSE(roleButton->isEnabled());
  EXPECT_EQ(Box().State().live.lock, 1);

  // Link cancelled at the choice: nothing sent, button back off.
  choiceAnswer = 0;
  ClickLink();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_FALSE(LinkButton()->IsSelected());
  EXPECT_EQ(Box().State().live.link.on, 0);

  choiceAnswer = 1;
  ClickLink();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().linkMode, 1);
  EXPECT_TRUE(LinkButton()->IsSelected());
  EXPECT_FALSE(SyncBox(0)->isEnabled());
  EXPECT_EQ(Box().State().live.link.on, 1);

  // Unlock refused keeps both; unlock confirmed ends link mode as well.
  messageAnswer = 0;
  ClickLock();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_EQ(Live().linkMode, 1);
  EXPECT_TRUE(LockButton()->IsSelected());
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${unlock_output_tips}")));
  messageAnswer = 1;
  ClickLock();
  ASSERT_TRUE(Drain());
  auto state = Box().State();
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().linkOutputs[0], -1);
  EXPECT_FALSE(LinkButton()->IsSelected());
  EXPECT_TRUE(SyncBox(0)->isEnabled());
  EXPECT_TRUE(roleButton->isEnabled());
  EXPECT_EQ(state.live.lock, 0);
  EXPECT_EQ(state.live.link.on, 0);

  // Linking from unlocked locks too; ending it from the link button unlocks.
  ClickLink();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_EQ(Box().State().live.lock, 1);
  ClickLink();
  ASSERT_TRUE(Drain());
  state = Box().State();
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_FALSE(LockButton()->IsSelected());
  EXPECT_TRUE(SyncBox(3)->isEnabled());
  EXPECT_TRUE(roleButton->isEnabled());
  EXPECT_EQ(state.live.lock, 0);
  EXPECT_EQ(state.live.link.on, 0);
  EXPECT_EQ(choicesShown, 3);
}

class UnpairedBoxTest : public OutputEditingTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override {
    // Front left on output 1, front right on output 7: different groups, nothing pairs.
    box.Modify([](sim::BoxState& state) {
      const std::array<std::uint8_t, 8> roles{6, 19, 20, 21, 24, 0, 12, 0};
      for (std::size_t o = 0; o < roles.size(); ++o) state.live.outputs[o].role = roles[o];
    });
  }
};

TEST_F(UnpairedBoxTest, LinkWithoutPairsTellsTheUserAndStaysOff) {
  ASSERT_EQ(Live().outputs[6], kRoleFrontRightFull);
  ClickLink();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(choicesShown, 0);
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${not_linkable_tips}")));
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_FALSE(LinkButton()->IsSelected());
  EXPECT_EQ(Box().State().live.link.on, 0);
}

TEST_F(OutputEditingTest, OutputResetEmptiesEveryRoleAndEndsLockAndLink) {
  MoveVolume(3, -120);
  ClickLink();
  ASSERT_TRUE(Drain());
  ASSERT_EQ(Live().linkMode, 1);

  messageAnswer = 0;  // cancel
  window->Presenter().SetOutputReset();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${empty_output_tips}")));
  EXPECT_EQ(Live().outputs[0], kRoleFrontLeftFull);
  EXPECT_EQ(Live().linkMode, 1);

  messageAnswer = 2;  // "emptied"
  window->Presenter().SetOutputReset();
  ASSERT_TRUE(Drain());
  const auto state = Box().State();
  for (int o = 0; o < kOutputCount; ++o) {
    SCOPED_TRACE(o);
    EXPECT_EQ(Live().outputs[static_cast<std::size_t>(o)], kRoleEmpty);
    EXPECT_EQ(state.live.outputs[static_cast<std::size_t>(o)].role, 0);
    EXPECT_TRUE(SyncBox(o)->isEnabled());
    EXPECT_DOUBLE_EQ(state.live.outputs[static_cast<std::size_t>(o)].volumeDb, Gain(o));
  }
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_FALSE(LockButton()->IsSelected());
  EXPECT_FALSE(LinkButton()->IsSelected());
  EXPECT_EQ(state.live.lock, 0);
  EXPECT_EQ(state.live.link.on, 0);
  EXPECT_EQ(Live().currChannel, 0);
}

}  // namespace
}  // namespace qb::test

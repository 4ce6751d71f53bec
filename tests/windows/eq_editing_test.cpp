// The band rows, the curve and the crossover block of the main window, driven with real
// input against the virtual box: which control edits what, how typed text is read, and what
// the controls show afterwards. The editing rules behind them (ranges, bypass, group and
// partner) are the core's and tested there. Every case ends with the box holding the mirror.
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"

namespace qb::test {
namespace {

QString Indexed(const char* format, int i) { return QString::asprintf(format, i); }

class EqEditingTest : public ConnectedWindowTest {
 protected:
  void SetUp() override {
    ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Live().currChannel, 0);
  }
  void TearDown() override {
    if (!HasFatalFailure()) ExpectBoxAsMirror();
    ConnectedWindowTest::TearDown();
  }

  const EqBand& Band(int b) { return Live().channels[0].bands[At(b)]; }
  const Crossover& Filters() { return Live().channels[0].crossover; }

  /// Frequency and Q edits take input in parametric mode only.
  void EnterParametricMode() {
    messageAnswer = 1;
    ClickOn(QStringLiteral("btn_arg_eq"));
    ASSERT_TRUE(Controller().Mirror().session.parametricEq);
  }

  /// The pointer's column on the curve whose frequency is `hz` or just above (`above`) or
  /// just below it.
  int ColumnOf(int hz, bool above) {
    const controls::CurveAxes& axes = Curve()->Axes();
    int x = axes.XOfFrequency(hz);
    while (above ? axes.FrequencyOfX(x) < hz : axes.FrequencyOfX(x) > hz) x += above ? 1 : -1;
    return x;
  }
  /// Drags a crossover handle straight to column `x` and lets go there.
  void DragHandle(bool highPass, int x) {
    const controls::PixelRect& r = highPass ? Curve()->Layout().highPass : Curve()->Layout().lowPass;
    ASSERT_FALSE(r.IsEmpty());
    const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    input::Drag(Curve(), from, {x, from.y()}, {x, from.y()});
  }
};

TEST_F(EqEditingTest, BandRowsReadTypedTextAndShowWhatIsKept) {
  EnterParametricMode();
  TypeInto(QStringLiteral("eq_freq_2"), QStringLiteral("1K5"));
  EXPECT_EQ(Band(2).freq, 1500);
  // No number: the frequency stays and its text comes back.
  TypeInto(QStringLiteral("eq_freq_2"), QStringLiteral("K5"));
  EXPECT_EQ(Band(2).freq, 1500);
  EXPECT_EQ(Text(QStringLiteral("eq_freq_2")), QStringLiteral("1500"));
  // Values held to the band's ranges read back as held.
  TypeInto(QStringLiteral("eq_q_2"), QStringLiteral("20"));
  EXPECT_EQ(Text(QStringLiteral("eq_q_2")), QStringLiteral("9.00"));
  TypeInto(QStringLiteral("eq_gain_2"), QStringLiteral("40"));
  EXPECT_FLOAT_EQ(Band(2).eqGain, 12.0f);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_2")), QStringLiteral("12.0"));
  EXPECT_EQ(Control<ui::Slider>(QStringLiteral("eq_slider_2"))->value(), 120);
  // Leaving the field confirms it as Enter does.
  TypeInto(QStringLiteral("eq_gain_2"), QStringLiteral("-3"), Qt::Key_Tab);
  EXPECT_FLOAT_EQ(Band(2).eqGain, -3.0f);
}

TEST_F(EqEditingTest, UpAndDownStepTheFieldTheyArePressedIn) {
  EnterParametricMode();
  TypeInto(QStringLiteral("eq_freq_4"), QStringLiteral("1000"));
  TypeInto(QStringLiteral("eq_q_4"), QStringLiteral("1.0"));
  TypeInto(QStringLiteral("eq_gain_4"), QStringLiteral("2.0"));
  PressKey(QStringLiteral("eq_freq_4"), Qt::Key_Up);
  EXPECT_EQ(Band(4).freq, 1026);
  EXPECT_EQ(Text(QStringLiteral("eq_freq_4")), QStringLiteral("1026"));
  PressKey(QStringLiteral("eq_q_4"), Qt::Key_Down);
  EXPECT_NEAR(Band(4).eqFactor, 0.9f, 1e-4) << "the box's step";
  PressKey(QStringLiteral("eq_gain_4"), Qt::Key_Up);
  EXPECT_NEAR(Band(4).eqGain, 2.1f, 1e-4);
  EXPECT_EQ(Band(4).freq, 1026);
}

TEST_F(EqEditingTest, GainSliderAndEnableSwitchOfARow) {
  const int reached = DragSlider(QStringLiteral("eq_slider_3"), 60);
  ASSERT_NE(reached, 0);
  EXPECT_FLOAT_EQ(Band(3).eqGain, static_cast<float>(reached) / 10.0f);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_3")), QString::asprintf("%.1f", reached / 10.0));
  EXPECT_TRUE(Control<ui::CheckBox>(QStringLiteral("pt_enable_3"))->IsChecked());
  // Off: the row shows flat, the gain is kept for the switch back on.
  ClickOn(QStringLiteral("pt_enable_3"));
  EXPECT_EQ(Band(3).enable, 0);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_3")), QStringLiteral("0.0"));
  ClickOn(QStringLiteral("pt_enable_3"));
  EXPECT_EQ(Band(3).enable, 1);
  EXPECT_FLOAT_EQ(Band(3).eqGain, static_cast<float>(reached) / 10.0f);
}

TEST_F(EqEditingTest, BypassAndResetButtonsAskAndTheRowsShowWhatIsHeard) {
  TypeInto(QStringLiteral("eq_gain_2"), QStringLiteral("4"));
  TypeInto(QStringLiteral("eq_gain_7"), QStringLiteral("-3"));
  EXPECT_EQ(Text(QStringLiteral("btn_bypass")), ui::Tr(QStringLiteral("${bypass_eq}")));
  messageAnswer = 0;
  ClickOn(QStringLiteral("btn_bypass"));
  EXPECT_EQ(Live().channels[0].bypass, 0);
  messageAnswer = 1;
  ClickOn(QStringLiteral("btn_bypass"));
  ASSERT_EQ(Live().channels[0].bypass, 1);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_7")), QStringLiteral("0.0"));
  EXPECT_EQ(Text(QStringLiteral("btn_bypass")), ui::Tr(QStringLiteral("${restore_eq}")));
  // Confirming a row as it is shown (0 dB) keeps what the bypass holds.
  PressKey(QStringLiteral("eq_gain_2"), Qt::Key_Return);
  EXPECT_FLOAT_EQ(Band(2).eqGain, 4.0f);
  EXPECT_EQ(Live().channels[0].bypass, 1);
  ClickOn(QStringLiteral("btn_bypass"));
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_7")), QStringLiteral("-3.0"));

  messageAnswer = 0;
  ClickOn(QStringLiteral("btn_reset_eq"));
  EXPECT_FLOAT_EQ(Band(7).eqGain, -3.0f);
  messageAnswer = 1;
  ClickOn(QStringLiteral("btn_reset_eq"));
  EXPECT_FLOAT_EQ(Band(7).eqGain, 0.0f);
  EXPECT_EQ(Text(QStringLiteral("eq_gain_7")), QStringLiteral("0.0"));
}

TEST_F(EqEditingTest, ABandDraggedOnTheCurveTakesWhereItWasLetGo) {
  controls::EqualizerCurve* curve = Curve();
  ASSERT_NE(curve, nullptr);
  const int band = 10;
  const controls::PixelRect label = curve->Layout().labels[At(band)];
  const QPoint press((label.left + label.right) / 2, (label.top + label.bottom) / 2);
  // The point moves by what the pointer moves: from its row to the 2 dB row.
  const QPoint target(press.x(), press.y() + curve->Axes().YOfGain(2.0) - curve->Layout().points[At(band)].y);
  input::Drag(curve, press, target, target);
  EXPECT_NEAR(Band(band).eqGain, 2.0f, 0.15f);
  EXPECT_FLOAT_EQ(Band(band).eqGain, curve->Band(band).gain);
  EXPECT_EQ(Text(Indexed("eq_gain_%d", band)), QString::asprintf("%.1f", static_cast<double>(Band(band).eqGain)));
  EXPECT_TRUE(Control<ui::CheckBox>(Indexed("pt_enable_%d", band))->IsChecked());
}

TEST_F(EqEditingTest, CrossoverFieldsReachTheirOwnFilter) {
  TypeInto(QStringLiteral("lp_freq"), QStringLiteral("4000"));
  TypeInto(QStringLiteral("hp_freq"), QStringLiteral("1k5"));
  EXPECT_EQ(Filters().lp.fs, 4000);
  EXPECT_EQ(Filters().hp.fs, 1500);
  EXPECT_EQ(Text(QStringLiteral("hp_freq")), QStringLiteral("1500Hz"));
  PressKey(QStringLiteral("hp_freq"), Qt::Key_Up);
  EXPECT_GT(Filters().hp.fs, 1500);
  PressKey(QStringLiteral("lp_freq"), Qt::Key_Down);
  EXPECT_LT(Filters().lp.fs, 4000);
  EXPECT_EQ(Text(QStringLiteral("lp_freq")), QStringLiteral("%1Hz").arg(Filters().lp.fs));
}

TEST_F(EqEditingTest, LinkwitzRileyHidesOddSlopesButKeepsTheCurrentOne) {
  auto* slopes = Control<ui::Combo>(QStringLiteral("hp_slop"));
  const CrossoverFilter lowPass = Filters().lp;
  ASSERT_TRUE(ChooseItem(QStringLiteral("hp_type"), FILTER_TYPE_BUTTERWORTH));
  ASSERT_TRUE(ChooseItem(QStringLiteral("hp_slop"), 3));
  for (int item = 0; item <= 8; ++item) EXPECT_TRUE(slopes->IsItemVisible(item)) << item;

  ASSERT_TRUE(ChooseItem(QStringLiteral("hp_type"), FILTER_TYPE_LINKWITZ_RILEY));
  EXPECT_EQ(Filters().hp.type, FILTER_TYPE_LINKWITZ_RILEY);
  EXPECT_EQ(slopes->CurrentSelection(), 3);
  for (int item : {1, 5, 7}) EXPECT_FALSE(slopes->IsItemVisible(item)) << item;
  for (int item : {0, 2, 3, 4, 6, 8}) EXPECT_TRUE(slopes->IsItemVisible(item)) << item;

  ASSERT_TRUE(ChooseItem(QStringLiteral("hp_slop"), 4));
  EXPECT_EQ(Filters().hp.slope, 4);
  EXPECT_FALSE(slopes->IsItemVisible(3));
  EXPECT_EQ(Filters().lp, lowPass) << "the low-pass lists are their own";
}

TEST_F(EqEditingTest, CrossoverHandlesDragOnTheCurveButNeverOntoOrPastEachOther) {
  TypeInto(QStringLiteral("lp_freq"), QStringLiteral("4000"));
  TypeInto(QStringLiteral("hp_freq"), QStringLiteral("1000"));
  DragHandle(true, ColumnOf(300, true));
  EXPECT_EQ(Filters().hp.fs, Curve()->HpFreq());
  EXPECT_NEAR(Filters().hp.fs, 300, 15);
  EXPECT_EQ(Text(QStringLiteral("hp_freq")), QStringLiteral("%1Hz").arg(Filters().hp.fs));
  ASSERT_TRUE(Drain());

  const Crossover before = Filters();
  Box().ClearCommands();
  DragHandle(true, ColumnOf(before.lp.fs, true));  // onto the low-pass corner
  DragHandle(true, ColumnOf(before.lp.fs, true) + 40);  // past it
  DragHandle(false, ColumnOf(before.hp.fs, false));
  DragHandle(false, ColumnOf(before.hp.fs, false) - 40);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Filters(), before);
  EXPECT_EQ(Curve()->HpFreq(), before.hp.fs);
  EXPECT_EQ(Curve()->LpFreq(), before.lp.fs);
  const sim::OutputChannel box = Box().State().live.outputs[0];
  EXPECT_EQ(box.highPass.freqHz, before.hp.fs);
  EXPECT_EQ(box.lowPass.freqHz, before.lp.fs);
}

TEST_F(EqEditingTest, GraphicModeLocksFrequencyAndQAndTheModeButtonAsksFirst) {
  auto* mode = Control<ui::Option>(QStringLiteral("btn_arg_eq"));
  EXPECT_FALSE(Control<ui::Edit>(QStringLiteral("eq_freq_0"))->isEnabled());
  EXPECT_FALSE(Control<ui::Edit>(QStringLiteral("eq_q_30"))->isEnabled());
  EXPECT_TRUE(Control<ui::Edit>(QStringLiteral("eq_gain_0"))->isEnabled());

  messageAnswer = 0;  // declined: nothing changes, whatever the click did to the button
  ClickOn(QStringLiteral("btn_arg_eq"));
  EXPECT_FALSE(mode->IsSelected());
  EXPECT_FALSE(Control<ui::Edit>(QStringLiteral("eq_freq_0"))->isEnabled());

  messageAnswer = 1;
  ClickOn(QStringLiteral("btn_arg_eq"));
  EXPECT_TRUE(mode->IsSelected());
  EXPECT_TRUE(Curve()->DragAllDirection());
  EXPECT_TRUE(Control<ui::Edit>(QStringLiteral("eq_freq_0"))->isEnabled());
  EXPECT_TRUE(Control<ui::Edit>(QStringLiteral("eq_q_30"))->isEnabled());
  EXPECT_EQ(Text(QStringLiteral("btn_arg_eq")), ui::Tr(QStringLiteral("${peq_mode}")));

  ClickOn(QStringLiteral("btn_arg_eq"));
  EXPECT_FALSE(mode->IsSelected());
  EXPECT_FALSE(Curve()->DragAllDirection());
  EXPECT_FALSE(Control<ui::Edit>(QStringLiteral("eq_q_0"))->isEnabled());
}

}  // namespace
}  // namespace qb::test

// The output strips and the main volume block of the main window, driven with real input
// against the virtual box: which control edits what, how typed volumes and delays are read,
// the questions of lock and link, and what the controls show afterwards. The rules
// behind them (ranges, the synchronize group, the linked partner, the subwoofer pair) are
// the core's and tested there. Every case ends with the box holding the mirror.
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"

namespace qb::test {
namespace {

class OutputEditingTest : public ConnectedWindowTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override { box.AddExtension(std::make_unique<LinkCopyExtension>()); }
  void TearDown() override {
    if (!HasFatalFailure()) ExpectBoxAsMirror();
    ConnectedWindowTest::TearDown();
  }

  ui::Option* LockButton() { return Control<ui::Option>(QStringLiteral("btn_lock_output")); }
  ui::Option* LinkButton() { return Control<ui::Option>(QStringLiteral("btn_link_output")); }
  bool Enabled(const QString& name) { return Control<QWidget>(name)->isEnabled(); }
  const OutputChannel& Ch(int o) { return Live().channels[At(o)]; }
};

TEST_F(OutputEditingTest, VolumeSliderEditAndKeysOfAStrip) {
  const int reached = DragSlider(QStringLiteral("slider_ch_volume_3"), -200);
  ASSERT_NE(reached, 0);
  EXPECT_FLOAT_EQ(Ch(3).gain, static_cast<float>(reached) / 10.0f);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_3")), QStringLiteral("%1dB").arg(reached / 10));

  TypeInto(QStringLiteral("edit_ch_volume_3"), QStringLiteral("-7dB"));
  EXPECT_FLOAT_EQ(Ch(3).gain, -7.0f);
  EXPECT_EQ(Control<ui::Slider>(QStringLiteral("slider_ch_volume_3"))->value(), -70);
  PressKey(QStringLiteral("edit_ch_volume_3"), Qt::Key_Down);
  EXPECT_FLOAT_EQ(Ch(3).gain, -8.0f);

  // The bottom shows "off", and confirming that text keeps the bottom.
  EXPECT_EQ(DragSlider(QStringLiteral("slider_ch_volume_3"), -600), -600);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_3")), ui::Tr(QStringLiteral("${off}")));
  PressKey(QStringLiteral("edit_ch_volume_3"), Qt::Key_Return);
  EXPECT_FLOAT_EQ(Ch(3).gain, -60.0f);
}

TEST_F(OutputEditingTest, MuteAndPhaseBoxes) {
  ClickOn(QStringLiteral("ch_mute_0"));
  ClickOn(QStringLiteral("ch_phase_0"));
  EXPECT_EQ(Ch(0).mute, 1);
  EXPECT_EQ(Ch(0).phase, 1);
  EXPECT_EQ(Text(QStringLiteral("ch_phase_0")), ui::Tr(QStringLiteral("${reverse phase}")));
  ClickOn(QStringLiteral("ch_phase_0"));
  EXPECT_EQ(Ch(0).phase, 0);
  EXPECT_EQ(Text(QStringLiteral("ch_phase_0")), ui::Tr(QStringLiteral("${positive_phase}")));
}

TEST_F(OutputEditingTest, DelaysTypedDraggedAndSteppedShowInTheChosenUnit) {
  ASSERT_TRUE(ChooseItem(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::Cm)));
  TypeInto(QStringLiteral("edit_ch_delay_2"), QStringLiteral("600"));
  EXPECT_NEAR(Ch(2).delay, 600.0 * 15.0 / 519.0, 1e-4);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("600.00 cm"));
  auto* slider = Control<ui::Slider>(QStringLiteral("slider_ch_delay_2"));
  EXPECT_TRUE(slider->isVisible()) << "the focused delay's slider shows";
  EXPECT_FALSE(Control<QWidget>(QStringLiteral("slider_ch_delay_1"))->isVisible());
  EXPECT_EQ(slider->value(), slider->maximum());
  TypeInto(QStringLiteral("edit_ch_delay_2"), QStringLiteral("-100 cm"));
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("0.00 cm"));

  ASSERT_TRUE(ChooseItem(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::In)));
  TypeInto(QStringLiteral("edit_ch_delay_2"), QStringLiteral("102 in"));
  EXPECT_FLOAT_EQ(Ch(2).delay, 7.5f);
  EXPECT_EQ(slider->value(), 7500);

  ASSERT_TRUE(ChooseItem(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::Ms)));
  TypeInto(QStringLiteral("edit_ch_delay_2"), QStringLiteral("20"));
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("15.000 ms"));
  // A step shows the exact microseconds (251 us in ms as a float would read back as 250).
  TypeInto(QStringLiteral("edit_ch_delay_2"), QStringLiteral("0.230"));
  PressKey(QStringLiteral("edit_ch_delay_2"), Qt::Key_Up);
  EXPECT_EQ(slider->value(), 251);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("0.251 ms"));
  ASSERT_TRUE(ChooseItem(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::Cm)));
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("8.68 cm"));

  ASSERT_TRUE(ChooseItem(QStringLiteral("comb_ch_unit"), static_cast<int>(DelayUnit::Ms)));
  EXPECT_EQ(DragSlider(QStringLiteral("slider_ch_delay_2"), slider->maximum()), slider->maximum());
  EXPECT_EQ(Text(QStringLiteral("edit_ch_delay_2")), QStringLiteral("15.000 ms"));
}

TEST_F(OutputEditingTest, MainVolumeMuteAndAmplifier) {
  EXPECT_EQ(DragSlider(QStringLiteral("slider_main_volume"), 40), 40);
  EXPECT_EQ(Text(QStringLiteral("edit_main_volume")), QStringLiteral("40"));
  EXPECT_EQ(DragSlider(QStringLiteral("slider_main_volume"), 0), 0);
  EXPECT_EQ(Text(QStringLiteral("edit_main_volume")), ui::Tr(QStringLiteral("${off}")));
  TypeInto(QStringLiteral("edit_main_volume"), QStringLiteral("28"));
  EXPECT_EQ(Live().mainVolume, 28);
  PressKey(QStringLiteral("edit_main_volume"), Qt::Key_Up);
  EXPECT_EQ(Control<ui::Slider>(QStringLiteral("slider_main_volume"))->value(), 29);

  ClickOn(QStringLiteral("main_mute"));
  EXPECT_EQ(Live().mainVolumeMute, 1);
  ClickOn(QStringLiteral("btn_amp_onoff"));
  EXPECT_EQ(Live().ampOn, 0);
  EXPECT_EQ(Text(QStringLiteral("btn_amp_onoff")), ui::Tr(QStringLiteral("${amp_off}")));
  ClickOn(QStringLiteral("btn_amp_onoff"));
  EXPECT_EQ(Live().ampOn, 1);
}

TEST_F(OutputEditingTest, SynchronizeBoxesMarkTheGroupAndKeepTheLinkButtonAway) {
  ClickOn(QStringLiteral("ch_synchronize_0"));
  ClickOn(QStringLiteral("ch_synchronize_2"));
  EXPECT_EQ(Live().synchronize, (PerOutput<int>{1, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(LinkButton()->isEnabled());
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("ch_enable_0"))->IsSelected());
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("ch_enable_2"))->IsSelected());
  EXPECT_FALSE(Control<ui::Option>(QStringLiteral("ch_enable_1"))->IsSelected());
  ClickOn(QStringLiteral("ch_synchronize_0"));
  ClickOn(QStringLiteral("ch_synchronize_2"));
  EXPECT_TRUE(LinkButton()->isEnabled());
}

TEST_F(OutputEditingTest, LockAndLinkAskFirstAndEndTogether) {
  messageAnswer = 0;
  ClickOn(QStringLiteral("btn_lock_output"));
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${lock_output_tips}")));
  EXPECT_FALSE(LockButton()->IsSelected());
  EXPECT_TRUE(Enabled(QStringLiteral("ch_output_btn_0")));
  messageAnswer = 1;
  ClickOn(QStringLiteral("btn_lock_output"));
  EXPECT_TRUE(LockButton()->IsSelected());
  EXPECT_FALSE(Enabled(QStringLiteral("ch_output_btn_0")));

  choiceAnswer = 0;
  ClickOn(QStringLiteral("btn_link_output"));
  EXPECT_FALSE(LinkButton()->IsSelected());
  choiceAnswer = 1;
  ClickOn(QStringLiteral("btn_link_output"));
  EXPECT_TRUE(LinkButton()->IsSelected());
  EXPECT_FALSE(Enabled(QStringLiteral("ch_synchronize_0")));

  messageAnswer = 0;
  ClickOn(QStringLiteral("btn_lock_output"));
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${unlock_output_tips}")));
  EXPECT_TRUE(LinkButton()->IsSelected());
  messageAnswer = 1;
  ClickOn(QStringLiteral("btn_lock_output"));
  EXPECT_FALSE(LockButton()->IsSelected());
  EXPECT_FALSE(LinkButton()->IsSelected());
  EXPECT_TRUE(Enabled(QStringLiteral("ch_synchronize_0")));
  EXPECT_TRUE(Enabled(QStringLiteral("ch_output_btn_0")));
  EXPECT_EQ(choicesShown, 2);
}

TEST_F(OutputEditingTest, LinkCopiesTheSideTheUserChooses) {
  // Output 2 (front right full) gets a band of its own.
  ClickOn(QStringLiteral("ch_enable_1"));
  TypeInto(QStringLiteral("eq_gain_3"), QStringLiteral("4.5"));
  choiceAnswer = 2;  // right to left
  ClickOn(QStringLiteral("btn_link_output"));
  EXPECT_EQ(choicesShown, 1);
  EXPECT_EQ(Live().linkMode, 1);
  EXPECT_EQ(Ch(0).bands, Ch(1).bands);
  EXPECT_FLOAT_EQ(Ch(0).bands[3].eqGain, 4.5f);
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
  ClickOn(QStringLiteral("btn_link_output"));
  EXPECT_EQ(choicesShown, 0);
  EXPECT_EQ(messages.last(), ui::Tr(QStringLiteral("${not_linkable_tips}")));
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_FALSE(LinkButton()->IsSelected());
}

}  // namespace
}  // namespace qb::test

// Band, bypass, mode and crossover editing through the main window against the virtual box:
// what the user does in the band rows, on the curve and in the crossover block, and what the
// box holds afterwards.
#include <QTest>
#include <cmath>

#include "core/eq_coupling.h"
#include "core/role_pairing.h"
#include "controls/equalizer_curve.h"
#include "main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/notification.h"
#include "ui/slider.h"

namespace qb::test {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

QString Indexed(const char* format, int i) { return QString::asprintf(format, i); }

class EqEditingTest : public ConnectedWindowTest {
 protected:
  void SetUp() override {
    ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(Live().currChannel, 0);
  }

  // The operations run on the same values a routed notification already committed, so
  // running them after the user's action leaves the result as it is.
  void EditBand(const char* field, int band, const QString& text) {
    TypeInto(Indexed(field, band), text);
    window->Presenter().SetChEqEdit(band);
  }

  void MoveSlider(int band, int value) {
    auto* slider = Control<ui::Slider>(Indexed("eq_slider_%d", band));
    ASSERT_NE(slider, nullptr);
    slider->SetValue(value);
    ui::RaiseNotification(slider, ui::notify::kValueChanged, value);
    window->Presenter().SetChEqSlider(band);
  }

  void SelectItem(const char* list, int item) {
    auto* combo = Control<ui::Combo>(list);
    ASSERT_NE(combo, nullptr);
    combo->SelectItem(item, true);
  }

  /// What the box applies for every band in use, its EQ bypass and its two filters equal
  /// the mirror of output `o`.
  void ExpectBoxMatchesMirror(int o) {
    const sim::BoxState state = Box().State();
    const sim::OutputChannel& box = state.live.outputs[At(o)];
    const OutputChannel& mirror = Live().channels[At(o)];
    EXPECT_EQ(box.eqBypass, mirror.bypass) << "output " << o;
    for (int b = 0; b < EqSize(Live(), o); ++b) {
      const EqBand& band = mirror.bands[At(b)];
      const double applied = band.enable == 1 ? band.eqGain : 0.0;
      EXPECT_EQ(box.bands[At(b)].freqHz, band.freq) << "output " << o << " band " << b;
      EXPECT_NEAR(box.bands[At(b)].gainDb, applied, 0.11) << "output " << o << " band " << b;
      EXPECT_NEAR(box.bands[At(b)].q, band.eqFactor, 0.11) << "output " << o << " band " << b;
    }
    const Crossover& x = mirror.crossover;
    EXPECT_EQ(box.highPass.freqHz, x.hp.fs) << "output " << o;
    EXPECT_EQ(box.highPass.slope, x.hp.slope) << "output " << o;
    EXPECT_EQ(box.highPass.family, x.hp.type) << "output " << o;
    EXPECT_EQ(box.lowPass.freqHz, x.lp.fs) << "output " << o;
    EXPECT_EQ(box.lowPass.slope, x.lp.slope) << "output " << o;
    EXPECT_EQ(box.lowPass.family, x.lp.type) << "output " << o;
  }

  const EqBand& LiveBand(int o, int b) { return Live().channels[At(o)].bands[At(b)]; }

  /// Frequency and Q edits take input in parametric mode only.
  void EnterParametricMode() {
    messageAnswer = 1;
    window->Presenter().SetEqMode();
    ASSERT_TRUE(Control<ui::Option>("btn_arg_eq")->IsSelected());
  }
};

TEST_F(EqEditingTest, FlatTestsOfEditAndSliderDifferOnAHalfDecibelBand) {
  struct Case {
    bool bySlider;
    bool halfDecibelBand;
    int bypassAfter;
  };
  const Case cases[] = {{false, false, 1}, {true, false, 1}, {false, true, 1}, {true, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.bySlider ? "slider" : "edit") << (c.halfDecibelBand ? " +0.5" : ""));
    window->Presenter().SetOutputEqReset();
    EditBand("eq_gain_%d", 5, c.halfDecibelBand ? "0.5" : "0");
    EditBand("eq_gain_%d", 3, "3");
    ASSERT_TRUE(Drain());
    ASSERT_EQ(Live().channels[0].bypass, 0);
    ASSERT_FLOAT_EQ(LiveBand(0, 3).eqGain, 3.0f);

    if (c.bySlider)
      MoveSlider(3, 0);
    else
      EditBand("eq_gain_%d", 3, "0");
    ASSERT_TRUE(Drain());
    EXPECT_FLOAT_EQ(LiveBand(0, 3).eqGain, 0.0f);
    EXPECT_EQ(Live().channels[0].bypass, c.bypassAfter);
    EXPECT_FALSE(Control<ui::CheckBox>("pt_enable_3")->IsChecked());
    ExpectBoxMatchesMirror(0);
  }
}

TEST_F(EqEditingTest, BandEditReadsKNotationAndKeepsTheFrequencyOnBadInput) {
  EnterParametricMode();
  EditBand("eq_freq_%d", 2, "1K5");
  EXPECT_EQ(LiveBand(0, 2).freq, 1500);
  EXPECT_EQ(Text("eq_freq_2"), QStringLiteral("1500"));
  EditBand("eq_freq_%d", 2, "K5");
  EXPECT_EQ(LiveBand(0, 2).freq, 1500);
  EditBand("eq_freq_%d", 2, "25000");
  EXPECT_EQ(LiveBand(0, 2).freq, 1500);
  EXPECT_EQ(Text("eq_freq_2"), QStringLiteral("1500"));
  EditBand("eq_q_%d", 2, "20");
  EXPECT_FLOAT_EQ(LiveBand(0, 2).eqFactor, 9.0f);
  EditBand("eq_gain_%d", 2, "40");
  EXPECT_FLOAT_EQ(LiveBand(0, 2).eqGain, 12.0f);
  EXPECT_EQ(Text("eq_gain_2"), QStringLiteral("12.0"));
  EXPECT_EQ(Control<ui::Slider>("eq_slider_2")->value(), 120);
  ASSERT_TRUE(Drain());
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, UpDownStepsFollowTheGridAndTheQSteps) {
  EnterParametricMode();
  EditBand("eq_freq_%d", 4, "1000");
  window->Presenter().SetEqFreqUp(4, true);
  EXPECT_EQ(LiveBand(0, 4).freq, 1026);
  window->Presenter().SetEqFreqUp(4, false);
  window->Presenter().SetEqFreqUp(4, false);
  EXPECT_EQ(LiveBand(0, 4).freq, 957);
  EditBand("eq_freq_%d", 4, "20");
  window->Presenter().SetEqFreqUp(4, false);
  EXPECT_EQ(LiveBand(0, 4).freq, 20);

  EditBand("eq_q_%d", 4, "0.52");
  window->Presenter().SetEqQUp(4, false);
  EXPECT_FLOAT_EQ(LiveBand(0, 4).eqFactor, 0.5f);
  EditBand("eq_q_%d", 4, "8.97");
  window->Presenter().SetEqQUp(4, true);
  EXPECT_FLOAT_EQ(LiveBand(0, 4).eqFactor, 9.0f);
  EditBand("eq_q_%d", 4, "1.0");
  window->Presenter().SetEqQUp(4, true);
  EXPECT_NEAR(LiveBand(0, 4).eqFactor, 1.05f, 1e-4);

  EditBand("eq_gain_%d", 4, "11.9");
  window->Presenter().SetEqGainUp(4, true);
  window->Presenter().SetEqGainUp(4, true);
  EXPECT_NEAR(LiveBand(0, 4).eqGain, 12.0f, 1e-4);
  ASSERT_TRUE(Drain());
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, ConfirmingAnUnchangedRowKeepsTheGainsBehindABypass) {
  EditBand("eq_gain_%d", 2, "4");
  EditBand("eq_gain_%d", 7, "-3");
  window->Presenter().SetOutputBypass();
  ASSERT_EQ(Live().channels[0].bypass, 1);
  // The rows show 0 dB while bypassed; leaving a row as it is must not wipe what is kept.
  EditBand("eq_gain_%d", 2, "0.0");
  EXPECT_FLOAT_EQ(LiveBand(0, 2).eqGain, 4.0f);
  EXPECT_FLOAT_EQ(LiveBand(0, 7).eqGain, -3.0f);
  EXPECT_EQ(Live().channels[0].bypass, 1);
  window->Presenter().SetOutputBypass();  // restores
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_EQ(Text("eq_gain_7"), QStringLiteral("-3.0"));
  ASSERT_TRUE(Drain());
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, BypassOfAHalfDecibelBandCanBeRestored) {
  window->Presenter().SetOutputEqReset();
  EditBand("eq_gain_%d", 6, "0.5");
  ASSERT_EQ(Live().channels[0].bypass, 0);
  window->Presenter().SetOutputBypass();
  ASSERT_EQ(Live().channels[0].bypass, 1);
  window->Presenter().SetOutputBypass();
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_EQ(Control<ui::Slider>("eq_slider_6")->value(), 5);
  ASSERT_TRUE(Drain());
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, CurveDragOnABypassedOutputZeroesTheOtherBands) {
  EditBand("eq_gain_%d", 2, "4");
  EditBand("eq_gain_%d", 7, "-3");
  window->Presenter().SetOutputBypass();
  ASSERT_TRUE(Drain());
  ASSERT_EQ(Box().State().live.outputs[0].eqBypass, 1);

  auto* curve = Control<controls::EqualizerCurve>("equalizer");
  ASSERT_NE(curve, nullptr);
  const int band = 10;
  const controls::PixelRect label = curve->Layout().labels[At(band)];
  const QPoint press((label.left + label.right) / 2, (label.top + label.bottom) / 2);
  // The point moves by what the pointer moves: from its row to the 2 dB row.
  const int rise = curve->Axes().YOfGain(2.0) - curve->Layout().points[At(band)].y;
  const QPoint target(press.x(), press.y() + rise);
  QTest::mousePress(curve, Qt::LeftButton, {}, press);
  ASSERT_EQ(curve->CurrentIndex(), band);
  QTest::mouseMove(curve, target);
  QTest::mouseRelease(curve, Qt::LeftButton, {}, target);
  window->Presenter().EqualizerCallback(band, 0);
  ASSERT_TRUE(Drain());

  EXPECT_NEAR(LiveBand(0, band).eqGain, 2.0f, 0.15f);
  EXPECT_FLOAT_EQ(LiveBand(0, band).eqGain, curve->Band(band).gain);
  EXPECT_FLOAT_EQ(LiveBand(0, 2).eqGain, 0.0f);
  EXPECT_FLOAT_EQ(LiveBand(0, 7).eqGain, 0.0f);
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_TRUE(Control<ui::CheckBox>(Indexed("pt_enable_%d", band))->IsChecked());
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, HoveringABandOfABypassedOutputChangesNothing) {
  EditBand("eq_gain_%d", 2, "4");
  window->Presenter().SetOutputBypass();
  ASSERT_EQ(Live().channels[0].bypass, 1);
  // The curve reports the band as it shows it: 0 dB.
  window->Presenter().EqualizerCallback(2, 0);
  EXPECT_FLOAT_EQ(LiveBand(0, 2).eqGain, 4.0f);
  EXPECT_EQ(Live().channels[0].bypass, 1);
}

TEST_F(EqEditingTest, HighPassNeverAboveLowPassAndTheSelectorsReachTheRightFilter) {
  TypeInto("lp_freq", "4000");
  window->Presenter().SetLpFreq();
  TypeInto("hp_freq", "5000");
  window->Presenter().SetHpFreq();
  ASSERT_TRUE(Drain());
  const Crossover& x = Live().channels[0].crossover;
  EXPECT_EQ(x.lp.fs, 4000);
  EXPECT_EQ(x.hp.fs, 4000);
  EXPECT_EQ(Text("hp_freq"), QStringLiteral("4000Hz"));
  ExpectBoxMatchesMirror(0);

  TypeInto("hp_freq", "1k5");
  window->Presenter().SetHpFreq();
  TypeInto("lp_freq", "100");
  window->Presenter().SetLpFreq();
  window->Presenter().SetHpFreqUp(true);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(x.hp.fs, 1500);
  EXPECT_EQ(x.lp.fs, 1500);
  EXPECT_EQ(Box().State().live.outputs[0].highPass.freqHz, 1500);
  EXPECT_EQ(Box().State().live.outputs[0].lowPass.freqHz, 1500);
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, CurveHandleMovesTheCrossoverOfOutputAndBox) {
  auto* curve = Control<controls::EqualizerCurve>("equalizer");
  ASSERT_NE(curve, nullptr);
  curve->setCurEqHpLp(300, Live().channels[0].crossover.lp.fs);
  window->Presenter().EqualizerCallback(0, 1);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().channels[0].crossover.hp.fs, 300);
  EXPECT_EQ(Text("hp_freq"), QStringLiteral("300Hz"));
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, LinkwitzRileyHidesOddSlopesButKeepsTheCurrentOne) {
  auto* slopes = Control<ui::Combo>("hp_slop");
  ASSERT_NE(slopes, nullptr);
  SelectItem("hp_type", FILTER_TYPE_BUTTERWORTH);
  window->Presenter().SetHpType();
  SelectItem("hp_slop", 3);
  window->Presenter().SetHpSlope();
  for (int item = 0; item <= 8; ++item) EXPECT_TRUE(slopes->IsItemVisible(item)) << item;

  SelectItem("hp_type", FILTER_TYPE_LINKWITZ_RILEY);
  window->Presenter().SetHpType();
  EXPECT_EQ(slopes->CurrentSelection(), 3);
  EXPECT_EQ(Live().channels[0].crossover.hp.slope, 3);
  for (int item : {1, 5, 7}) EXPECT_FALSE(slopes->IsItemVisible(item)) << item;
  for (int item : {0, 2, 3, 4, 6, 8}) EXPECT_TRUE(slopes->IsItemVisible(item)) << item;

  SelectItem("hp_slop", 4);
  window->Presenter().SetHpSlope();
  EXPECT_FALSE(slopes->IsItemVisible(3));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Box().State().live.outputs[0].highPass.family, FILTER_TYPE_LINKWITZ_RILEY);
  EXPECT_EQ(Box().State().live.outputs[0].highPass.slope, 4);
  ExpectBoxMatchesMirror(0);
}

TEST_F(EqEditingTest, LinkedPartnerTakesBandEditsAndBypass) {
  Profile& live = Live();
  live.linkMode = 1;
  live.linkOutputs = qb::PairOutputs(live.outputs);
  const int partner = LinkedPartnerOf(live, 0);
  ASSERT_EQ(partner, 1);
  EnterParametricMode();

  EditBand("eq_gain_%d", 4, "2.5");
  EditBand("eq_freq_%d", 4, "700");
  ASSERT_TRUE(Drain());
  EXPECT_EQ(LiveBand(partner, 4), LiveBand(0, 4));
  EXPECT_EQ(live.channels[At(partner)].bypass, live.channels[0].bypass);
  ExpectBoxMatchesMirror(0);
  ExpectBoxMatchesMirror(partner);

  window->Presenter().SetOutputEqReset();
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(LiveBand(partner, 4).eqGain, 0.0f);
  ExpectBoxMatchesMirror(partner);
}

TEST_F(EqEditingTest, GroupTakesSlopesButNotTypes) {
  Profile& live = Live();
  live.synchronize[0] = 1;
  live.synchronize[2] = 1;
  const int typeBefore = live.channels[2].crossover.hp.type;
  const int newType = typeBefore == FILTER_TYPE_BESSEL ? FILTER_TYPE_BUTTERWORTH : FILTER_TYPE_BESSEL;

  SelectItem("hp_type", newType);
  window->Presenter().SetHpType();
  SelectItem("hp_slop", 6);
  window->Presenter().SetHpSlope();
  EditBand("eq_gain_%d", 1, "-2");
  ASSERT_TRUE(Drain());

  EXPECT_EQ(live.channels[0].crossover.hp.type, newType);
  EXPECT_EQ(live.channels[2].crossover.hp.type, typeBefore);
  EXPECT_EQ(live.channels[2].crossover.hp.slope, 6);
  EXPECT_FLOAT_EQ(LiveBand(2, 1).eqGain, -2.0f);
  EXPECT_NE(live.channels[1].crossover.hp.slope, 6);  // not in the group
  ExpectBoxMatchesMirror(0);
  ExpectBoxMatchesMirror(2);
}

TEST_F(EqEditingTest, GraphicModeDisablesFrequencyAndQEdits) {
  auto* mode = Control<ui::Option>("btn_arg_eq");
  auto* curve = Control<controls::EqualizerCurve>("equalizer");
  ASSERT_TRUE(mode && curve);
  EXPECT_FALSE(Control<ui::Edit>("eq_freq_0")->isEnabled());
  EXPECT_FALSE(Control<ui::Edit>("eq_q_0")->isEnabled());
  EXPECT_TRUE(Control<ui::Edit>("eq_gain_0")->isEnabled());

  const auto clickMode = [&] {
    const qsizetype asked = messages.size();
    QTest::mouseClick(mode, Qt::LeftButton);
    QApplication::processEvents();
    if (messages.size() == asked) window->Presenter().SetEqMode();
  };

  messageAnswer = 0;  // declined: nothing changes, whatever the click did to the button
  clickMode();
  EXPECT_FALSE(mode->IsSelected());
  EXPECT_FALSE(Control<ui::Edit>("eq_freq_0")->isEnabled());

  messageAnswer = 1;
  clickMode();
  EXPECT_TRUE(mode->IsSelected());
  EXPECT_TRUE(curve->DragAllDirection());
  EXPECT_TRUE(Control<ui::Edit>("eq_freq_0")->isEnabled());
  EXPECT_TRUE(Control<ui::Edit>("eq_q_0")->isEnabled());
  EXPECT_EQ(Text("btn_arg_eq"), ui::Tr(QStringLiteral("${peq_mode}")));

  clickMode();
  EXPECT_FALSE(mode->IsSelected());
  EXPECT_FALSE(curve->DragAllDirection());
  EXPECT_FALSE(Control<ui::Edit>("eq_q_0")->isEnabled());
}

}  // namespace
}  // namespace qb::test

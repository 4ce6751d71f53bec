// Binding the main view and drawing the mirror into it, against a window built in code with
// every control the presenter looks up and a curve that records what it is handed. State is
// arranged through the core's editing services, or set in the mirror and announced as a
// load would announce it.
#include <gtest/gtest.h>

#include <QLabel>
#include <memory>
#include <type_traits>
#include <vector>

#include "core/role_pairing.h"
#include "core/equalizer_manager.h"
#include "simulator/virtual_hid.h"
#include "tests/support/core_test_access.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/slider.h"
#include "ui/window_base.h"
#include "windows/main_presenter.h"

namespace qb {
namespace {

class NullHost final : public PresenterHost {
 public:
  int ShowMessage(const QString&, const QString&, const QStringList&) override { return 1; }
  int ShowConfirm(const QString&, const QString&) override { return 1; }
};

/// Records what the presenter hands the curve control.
class FakeCurve final : public QWidget, public ui::EqualizerDisplay {
 public:
  using QWidget::QWidget;
  void SetBands(std::span<const ui::CurveBand> b, int size, int selected) override {
    bands.assign(b.begin(), b.end());
    eqSize = size;
    selectedBand = selected;
  }
  void SetCrossoverMarkers(int hp, int lp) override {
    hpHz = hp;
    lpHz = lp;
  }
  void SetChannelCurves(std::span<const ui::ChannelCurveView> c, int current) override {
    curves.assign(c.begin(), c.end());
    currentChannel = current;
  }
  void Refresh() override { ++refreshes; }

  std::vector<ui::CurveBand> bands;
  int eqSize = -1;
  int selectedBand = -2;
  int hpHz = 0;
  int lpHz = 0;
  std::vector<ui::ChannelCurveView> curves;
  int currentChannel = -1;
  int refreshes = 0;
};

class TestMainWindow final : public ui::WindowBase {
 public:
  explicit TestMainWindow(bool withOptional) {
    Add<ui::Button>("btnConnect");
    Add<ui::Button>("btn_amp_onoff");
    Add<ui::Button>("btn_debug");
    Add<ui::Button>("btn_advance");
    Add<ui::Button>("btn_option");
    Add<ui::Button>("btn_scene");
    Add<ui::Button>("btn_irc");
    auto* source = Add<ui::Combo>("btn_input_source");
    for (const char* item : {"source_opt", "source_coax", "source_bt", "source_aux", "source_low", "source_hi",
                             "source_dmp", "source_udp", "source_scp"})
      source->AddItem(item, item);
    curve = new FakeCurve(this);
    curve->setObjectName("equalizer");
    Add<ui::Edit>("edit_main_volume");
    Add<ui::Slider>("slider_main_volume");
    Add<ui::CheckBox>("main_mute");
    Items(Add<ui::Combo>("comb_ch_unit"), 3);
    Items(Add<ui::Combo>("hp_type"), 4);
    Items(Add<ui::Combo>("lp_type"), 4);
    Items(Add<ui::Combo>("hp_slop"), 9);
    Items(Add<ui::Combo>("lp_slop"), 9);
    Add<ui::Edit>("hp_freq");
    Add<ui::Edit>("lp_freq");
    for (int b = 0; b < kMaxEqBands; ++b) {
      Add<ui::Edit>(Name("eq_freq_%1", b));
      Add<ui::Edit>(Name("eq_q_%1", b));
      Add<ui::Edit>(Name("eq_gain_%1", b));
      Add<ui::Slider>(Name("eq_slider_%1", b))->setRange(-180, 120);
      Add<ui::CheckBox>(Name("pt_enable_%1", b));
    }
    for (int o = 0; o < kOutputCount; ++o) {
      Add<ui::CheckBox>(Name("ch_show_%1", o));
      Add<ui::Option>(Name("ch_enable_%1", o))->SetGroup("channel");
      Add<ui::Button>(Name("ch_output_btn_%1", o));
      Add<ui::Slider>(Name("slider_ch_volume_%1", o));
      Add<ui::Edit>(Name("edit_ch_volume_%1", o));
      Add<ui::CheckBox>(Name("ch_mute_%1", o));
      Add<ui::CheckBox>(Name("ch_phase_%1", o));
      Add<ui::CheckBox>(Name("ch_synchronize_%1", o));
      Add<ui::Slider>(Name("slider_ch_delay_%1", o))->setRange(0, 15000);
      Add<ui::Edit>(Name("edit_ch_delay_%1", o));
      for (int n = 1; n <= (withOptional ? 6 : 2); ++n) Add<ui::CheckBox>(QString("option_ch_in%1_%2").arg(n).arg(o));
      if (withOptional) {
        Add<QLabel>(Name("ch_volume_bg_%1", o));
        Add<QLabel>(Name("delay_lable_%1", o));
        Add<QLabel>(Name("control_empty_%1", o));
        Add<QLabel>(Name("input_123_%1", o));
        Add<QLabel>(Name("input_456_%1", o));
      }
    }
    for (int r = 1; r <= kSpeakerCount; ++r) Add<ui::Option>(Name("speaker_%1", r));
    for (const char* name : {"btn_reset_eq", "btn_bypass", "btn_reset_output"}) Add<ui::Button>(name);
    for (const char* name : {"btn_arg_eq", "btn_lock_output", "btn_link_output"}) Add<ui::Option>(name);
  }

  QString ClassName() const override { return "TestMainWindow"; }
  QString LayoutId() const override { return "test"; }

  template <typename T>
  T* Add(const QString& name) {
    T* control = nullptr;
    if constexpr (std::is_same_v<T, ui::Slider>)
      control = new T(Qt::Horizontal, this);
    else
      control = new T(this);
    control->setObjectName(name);
    return control;
  }

  FakeCurve* curve = nullptr;

 private:
  static QString Name(const char* format, int index) { return QString(format).arg(index); }
  static void Items(ui::Combo* list, int count) {
    for (int i = 0; i < count; ++i) list->AddItem(QString::number(i), QString::number(i));
  }
};

/// The core and a presenter for a window built in code; the core is not connected, so the
/// editing services change the mirror and announce it as they would with a box.
struct Presented {
  NullHost host;
  EqualizerManager core{sim::MakeVirtualBoxBackend()};
  MainPresenter presenter{core, host};
  Profile& Live() { return CoreTestAccess::Live(core); }
};

TEST(ViewBindingTest, MissingRequiredControlIsNamed) {
  TestMainWindow window(true);
  delete window.FindControl("eq_gain_17");
  Presented p;
  QString missing;
  EXPECT_FALSE(p.presenter.InitControls(window, &missing));
  EXPECT_EQ(missing, "eq_gain_17");
}

TEST(ViewBindingTest, ControlOfAnotherKindIsReported) {
  TestMainWindow window(true);
  delete window.FindControl("ch_mute_3");
  window.Add<ui::Edit>("ch_mute_3");
  Presented p;
  QString missing;
  EXPECT_FALSE(p.presenter.InitControls(window, &missing));
  EXPECT_TRUE(missing.startsWith("ch_mute_3")) << missing.toStdString();
}

TEST(ViewBindingTest, OptionalControlsMayBeAbsent) {
  TestMainWindow window(false);
  Presented p;
  QString missing;
  ASSERT_TRUE(p.presenter.InitControls(window, &missing)) << missing.toStdString();
  EXPECT_EQ(p.presenter.View().outputs[0].inputs[2], nullptr);
  EXPECT_NE(p.presenter.View().outputs[0].inputs[1], nullptr);
  EXPECT_EQ(p.presenter.View().outputs[7].delayPlaceholder, nullptr);
  // Every drawing path runs without them.
  p.core.Routing().SetSource(SOURCE_HI);
  p.core.Changes().Publish(Change{}.Add(kAspectEverything));
}

class ViewRefreshTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_p.presenter.InitControls(m_window)); }
  Profile& Live() { return m_p.Live(); }
  EqualizerManager& Core() { return m_p.core; }
  const MainView& View() const { return m_p.presenter.View(); }
  QString Text(const QString& name) { return ui::ControlText(m_window.FindControl(name)); }
  /// Announces what a load or a reply announces after changing the mirror.
  void Publish(const Change& change) { Core().Changes().Publish(change); }
  static Confirm Yes() {
    return [](Question) { return true; };
  }

  TestMainWindow m_window{true};
  Presented m_p;
};

TEST(ViewStartTest, InitialStateOfTheView) {
  TestMainWindow window(true);
  Presented p;
  p.Live().synchronize.fill(1);
  ASSERT_TRUE(p.presenter.InitControls(window));
  const MainView& view = p.presenter.View();
  EXPECT_TRUE(view.debug->isHidden());  // no "debug.ini" in the test's directory
  EXPECT_EQ(view.mainVolume->maximum(), 40);
  EXPECT_EQ(view.mainVolume->minimum(), 0);
  // The profile's "not yet reported" volume shows the slider's minimum.
  EXPECT_EQ(view.mainVolume->value(), 0);
  EXPECT_EQ(ui::ControlText(view.mainVolumeEdit), "${off}");
  EXPECT_TRUE(view.source->IsItemVisible(view.source->FindItem("source_hi")));
  EXPECT_FALSE(view.source->IsItemVisible(view.source->FindItem("source_udp")));
  EXPECT_EQ(view.source->CurrentSelection(), SOURCE_HI);
  EXPECT_EQ(p.Live().inputSource, SOURCE_HI);
  for (int o = 0; o < kOutputCount; ++o) {
    const OutputStripView& strip = view.outputs[static_cast<std::size_t>(o)];
    EXPECT_EQ(strip.volume->minimum(), -600);
    EXPECT_EQ(strip.volume->Step(), 10);
    EXPECT_TRUE(strip.delay->isHidden());
    EXPECT_TRUE(strip.input123->isHidden());
  }
  EXPECT_EQ(p.Live().synchronize, (PerOutput<int>{}));
  // Default roles 6, 12, 15, 18, 19, 20, 22, 23: their texts and only their speakers.
  EXPECT_EQ(ui::ControlText(view.outputs[0].roleButton), "${front_left_full}");
  EXPECT_EQ(ui::ControlText(view.outputs[7].roleButton), "${right_subwoofer_freq}");
  EXPECT_FALSE(view.speakers[6]->isHidden());
  EXPECT_TRUE(view.speakers[1]->isHidden());
  EXPECT_FALSE(view.eqMode->IsSelected());
}

TEST_F(ViewRefreshTest, BypassedOutputShowsFlatBandsButKeepsGains) {
  Core().Eq().EditBand(0, 2, 250, 1.0f, 6.0f);
  ASSERT_EQ(Core().Eq().ToggleBypass(0, Yes()), BypassOutcome::Bypassed);
  const BandRowView& row = View().bands[2];
  EXPECT_EQ(ui::ControlText(row.gain), "0.0");
  EXPECT_EQ(row.slider->value(), 0);
  EXPECT_FALSE(row.enable->IsChecked());
  EXPECT_EQ(Live().channels[0].bands[2].eqGain, 6.0f);
  ASSERT_EQ(m_window.curve->bands.size(), kBandSlots);
  EXPECT_EQ(m_window.curve->bands[2].gain, 0.0f);
  EXPECT_EQ(Text("btn_bypass"), "${restore_eq}");

  ASSERT_EQ(Core().Eq().ToggleBypass(0, Yes()), BypassOutcome::Restored);
  EXPECT_EQ(m_window.curve->bands[2].gain, 6.0f);
  EXPECT_EQ(ui::ControlText(row.gain), "6.0");
  EXPECT_EQ(Text("btn_bypass"), "${bypass_eq}");
}

TEST_F(ViewRefreshTest, OneEditRedrawsTheCurveOnceWithMarkersAndEveryOutputsCurve) {
  const int before = m_window.curve->refreshes;
  {
    // One user action: the view redraws once at its end.
    const ChangeHub::Batch action(Core().Changes());
    Core().Outputs().SelectOutput(3);
    Core().Outputs().SetShowCurve(5, true);
    Core().Crossovers().SetFrequency(3, true, 80);
    Core().Crossovers().SetFrequency(3, false, 5000);
  }
  FakeCurve& curve = *m_window.curve;
  EXPECT_EQ(curve.refreshes, before + 1);
  EXPECT_EQ(curve.hpHz, 80);
  EXPECT_EQ(curve.lpHz, 5000);
  EXPECT_EQ(curve.eqSize, EqSize(Live(), 3));
  EXPECT_EQ(curve.currentChannel, 3);
  ASSERT_EQ(curve.curves.size(), kOutputSlots);
  EXPECT_TRUE(curve.curves[5].shown);
  EXPECT_FALSE(curve.curves[4].shown);
  // Views into the mirror's own curves, not copies.
  EXPECT_EQ(curve.curves[3].decibels.data(), Core().Mirror().Response(3)->Response().data());
  EXPECT_EQ(curve.curves[3].frequencies.size(), kCurveSize);
}

TEST_F(ViewRefreshTest, AWholeRedrawAfterALoadShowsEveryAreaAndDelaysInWholeUnits) {
  // The mirror as a profile load leaves it, announced as the load announces it.
  Profile& live = Live();
  live.mainVolume = 25;
  live.currChannel = 2;
  live.channels[1].gain = -60.0f;
  live.channels[2].gain = -59.5f;
  live.channels[2].delay = 2.0f;
  live.channels[2].phase = 1;
  live.outputs[0] = kRoleFrontLeftTweeter;
  live.inputSource = SOURCE_OPT;
  live.inputs[SOURCE_OPT][2] = 0b0101;
  live.linkMode = 1;
  CoreTestAccess::Mirror(Core()).session.delayUnit = DelayUnit::Cm;
  SettleLinkState(live);
  Publish(Change{}.Add(kAspectEverything));

  const MainView& view = View();
  EXPECT_EQ(Text("edit_main_volume"), "25");
  EXPECT_EQ(Text("edit_ch_volume_1"), "${off}");
  EXPECT_EQ(Text("edit_ch_volume_2"), "-59dB");
  EXPECT_EQ(view.outputs[2].volume->value(), -595);
  EXPECT_EQ(Text("edit_ch_delay_2"), "69 cm");
  EXPECT_EQ(view.outputs[2].delay->value(), 2000);
  EXPECT_EQ(Text("ch_phase_2"), "${reverse phase}");
  EXPECT_EQ(Text("ch_output_btn_0"), "${front_left_tweeter}");
  EXPECT_FALSE(view.speakers[1]->isHidden());
  EXPECT_TRUE(view.speakers[6]->isHidden());
  EXPECT_TRUE(view.outputs[2].inputs[0]->IsChecked());
  EXPECT_FALSE(view.outputs[2].inputs[1]->IsChecked());
  // An optical source carries two inputs: boxes 3 and 4 are not offered.
  EXPECT_TRUE(view.outputs[2].inputs[2]->isHidden());
  EXPECT_FALSE(view.outputs[2].inputs[2]->isEnabled());
  // Link mode locks the roles and pairs the outputs.
  EXPECT_TRUE(view.lock->IsSelected());
  EXPECT_FALSE(view.outputs[0].roleButton->isEnabled());
  // The current output's selector shows it (with its linked partner).
  EXPECT_TRUE(view.outputs[2].selector->IsSelected());
  EXPECT_TRUE(view.outputs[3].selector->IsSelected());
  EXPECT_FALSE(view.outputs[1].selector->IsSelected());

  // A unit chosen afterwards shows the delays to the hundredth.
  Core().Outputs().SetDelayUnit(DelayUnit::Cm);
  EXPECT_EQ(Text("edit_ch_delay_2"), "69.20 cm");
}

TEST_F(ViewRefreshTest, AmpButtonNamesItsState) {
  Core().Main().SetAmp(false);
  EXPECT_EQ(Text("btn_amp_onoff"), "${amp_off}");
  Core().Main().SetAmp(true);
  EXPECT_EQ(Text("btn_amp_onoff"), "${amp_on}");
}

}  // namespace
}  // namespace qb

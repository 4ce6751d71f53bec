// What a new user meets in the main window, through real key and mouse events against the
// virtual box: typed values that must reach the box (or, when they are typos, nothing),
// a click on the curve that must change nothing, the output reset's two answers, a factory
// reset read back, and the controls that must show the mirror from the start.
#include <QTimer>

#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "windows/about_wnd.h"

namespace qb::test {
namespace {

class NewUserTest : public ConnectedWindowTest {
 protected:
  std::size_t CommandsOf(std::uint8_t id) {
    std::size_t n = 0;
    for (const sim::BoxCommand& c : Box().Commands()) n += c.packetType == DSP_PACKET && c.commandId == id;
    return n;
  }
  static QString Tr(const char* key) { return ui::Tr(QString::fromLatin1(key)); }
  double BoxGain(int output, int band) {
    return Box().State().live.outputs[At(output)].bands[At(band)].gainDb;
  }
};

// --- values typed -------------------------------------------------------------------------------

TEST_F(NewUserTest, EnterInABandGainOfTheGraphicEqualiserConfirmsIt) {
  ASSERT_FALSE(Controller().Mirror().session.parametricEq) << "the window starts in graphic mode";
  TypeInto(QStringLiteral("eq_gain_3"), QStringLiteral("4.5"), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(Live().channels[0].bands[3].eqGain, 4.5f);
  EXPECT_DOUBLE_EQ(BoxGain(0, 3), 4.5);
}

TEST_F(NewUserTest, WhatWasTypedIsConfirmedBeforeAnotherOutputIsChosen) {
  TypeInto(QStringLiteral("eq_gain_4"), QStringLiteral("-2.5"), Qt::Key_unknown);
  ClickOn(QStringLiteral("ch_enable_2"));
  TypeInto(QStringLiteral("edit_ch_volume_5"), QStringLiteral("-20"), Qt::Key_unknown);
  ClickOn(QStringLiteral("ch_enable_6"));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().currChannel, 6);
  EXPECT_FLOAT_EQ(Live().channels[0].bands[4].eqGain, -2.5f) << "the band of the output it was typed for";
  EXPECT_DOUBLE_EQ(BoxGain(0, 4), -2.5);
  EXPECT_FLOAT_EQ(Live().channels[2].bands[4].eqGain, 0.0f);
  EXPECT_DOUBLE_EQ(Box().State().live.outputs[5].volumeDb, -20.0);
}

TEST_F(NewUserTest, ATypoInANumberFieldChangesNothingAndShowsTheValueAgain) {
  TypeInto(QStringLiteral("edit_ch_volume_2"), QStringLiteral("-20"), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  const sim::Settings before = Box().State().live;
  for (const char* typo : {"abc", "", "dB"}) {
    TypeInto(QStringLiteral("edit_ch_volume_2"), QString::fromLatin1(typo), Qt::Key_Return);
    EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_2")), QStringLiteral("-20dB")) << typo;
  }
  TypeInto(QStringLiteral("edit_main_volume"), QStringLiteral("loud"), Qt::Key_Return);
  TypeInto(QStringLiteral("edit_ch_delay_1"), QStringLiteral("?"), Qt::Key_Return);
  TypeInto(QStringLiteral("lp_freq"), QStringLiteral("x"), Qt::Key_Return);
  TypeInto(QStringLiteral("eq_gain_2"), QStringLiteral("-"), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  EXPECT_FLOAT_EQ(Live().channels[2].gain, -20.0f);
  EXPECT_EQ(Live().channels[0].crossover.lp.fs, Profile{}.channels[0].crossover.lp.fs);
  // Leaving a field confirms what it shows, which the typo left as it was.
  EXPECT_TRUE(Box().State().live == before) << "a typo changes nothing in the box";
}

TEST_F(NewUserTest, AFieldTakesItsWholeTextOrNothing) {
  TypeInto(QStringLiteral("edit_ch_volume_2"), QStringLiteral("-2"), Qt::Key_Return);
  TypeInto(QStringLiteral("eq_gain_3"), QStringLiteral("-1,5"), Qt::Key_Return);  // a decimal comma
  TypeInto(QStringLiteral("lp_freq"), QStringLiteral("2.5k"), Qt::Key_Return);    // k keeps its fraction
  ASSERT_TRUE(Drain());
  EXPECT_DOUBLE_EQ(Box().State().live.outputs[2].volumeDb, -2.0);
  EXPECT_DOUBLE_EQ(BoxGain(0, 3), -1.5);
  EXPECT_EQ(Box().State().live.outputs[0].lowPass.freqHz, 2500);
  EXPECT_EQ(Live().channels[0].crossover.lp.fs, 2500);

  // Typos after a number: the whole field as before, nothing sent ("-7x2" was -7 dB).
  const sim::Settings before = Box().State().live;
  TypeInto(QStringLiteral("edit_ch_volume_2"), QStringLiteral("-7x2"), Qt::Key_Return);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_2")), QStringLiteral("-2dB"));
  TypeInto(QStringLiteral("eq_gain_3"), QStringLiteral("-4..5"), Qt::Key_Return);
  TypeInto(QStringLiteral("lp_freq"), QStringLiteral("3kx"), Qt::Key_Return);
  TypeInto(QStringLiteral("edit_ch_delay_1"), QStringLiteral("1.5 dB"), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  EXPECT_TRUE(Box().State().live == before) << "a typo changes nothing in the box";
  EXPECT_EQ(Live().channels[0].crossover.lp.fs, 2500);
}

// --- the curve ------------------------------------------------------------------------------------

TEST_F(NewUserTest, AClickOnABandPointChangesNothing) {
  auto* curve = Control<controls::EqualizerCurve>(QStringLiteral("equalizer"));
  ASSERT_NE(curve, nullptr);
  TypeInto(QStringLiteral("eq_gain_19"), QStringLiteral("3"), Qt::Key_Return);  // 1600 Hz, +3 dB
  ASSERT_TRUE(Drain());
  const EqBand before = Live().channels[0].bands[19];
  Box().ClearCommands();
  const controls::PixelPoint point = curve->Layout().points[19];
  QTest::mousePress(curve, Qt::LeftButton, {}, QPoint(point.x + 1, point.y + 1));
  QTest::mouseRelease(curve, Qt::LeftButton, {}, QPoint(point.x + 1, point.y + 1));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().channels[0].bands[19], before);
  EXPECT_EQ(CommandsOf(DSP_EQ_CH), 0u);
}

// --- resets -------------------------------------------------------------------------------------

TEST_F(NewUserTest, DefaultRestoresTheDefaultRolesAndEmptiedEmptiesThem) {
  messageAnswer = 0;  // "${cancel}"
  Box().ClearCommands();
  ClickOn(QStringLiteral("btn_reset_output"));
  EXPECT_EQ(messages.last(), Tr("${empty_output_tips}"));
  EXPECT_TRUE(messages.last().contains(Tr("${emptied}"))) << "the question names the button's word";
  ASSERT_TRUE(Drain());
  EXPECT_TRUE(Box().Commands().empty());
  messageAnswer = 1;  // "${default}"
  ClickOn(QStringLiteral("btn_reset_output"));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().outputs, Profile{}.outputs);
  EXPECT_EQ(Box().State().live.outputs[6].role, kRoleSubwooferLeft);
  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_0")), Tr("${front_left_full}"));
  messageAnswer = 2;  // "${emptied}"
  ClickOn(QStringLiteral("btn_reset_output"));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().outputs, PerOutput<int>{});
  EXPECT_EQ(Box().State().live.outputs[6].role, kRoleEmpty);
}

TEST_F(NewUserTest, AFactoryResetIsSeenAsTheRestartItIsAndTheBoxIsReadAgain) {
  TypeInto(QStringLiteral("edit_ch_volume_3"), QStringLiteral("-33"), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  ASSERT_FLOAT_EQ(Live().channels[3].gain, -33.0f);
  messageAnswer = 1;
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_reset_default")));
  // Off the bus and back: disconnected, then connected again with the factory settings.
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }, 5000));
  ASSERT_TRUE(WaitConnected());
  EXPECT_FLOAT_EQ(Live().channels[3].gain, 0.0f);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_3")), QStringLiteral("0dB"));
  EXPECT_TRUE(messages.contains(Tr("${device_reboot}")));
  // Once the box is back, the user is told the reset happened.
  EXPECT_TRUE(WaitFor([this] { return messages.contains(Tr("${factory_reset_done}")); }, 5000));
  EXPECT_EQ(messages.count(Tr("${factory_reset_done}")), 1);
}

// --- what the controls show ----------------------------------------------------------------------

TEST_F(NewUserTest, ControlsShowTheMirrorFromTheStart) {
  for (int o = 0; o < kOutputCount; ++o) {
    EXPECT_FALSE(Control<ui::CheckBox>(QStringLiteral("ch_show_%1").arg(o))->IsChecked()) << o;
  }
  // Output 1's high-pass is Linkwitz-Riley: its odd slopes are not offered, here or after
  // choosing another output.
  auto* slopes = Control<ui::Combo>(QStringLiteral("hp_slop"));
  ASSERT_EQ(Live().channels[0].crossover.hp.type, FILTER_TYPE_LINKWITZ_RILEY);
  EXPECT_FALSE(slopes->IsItemVisible(3));
  ClickOn(QStringLiteral("ch_enable_4"));
  ASSERT_EQ(Live().channels[4].crossover.hp.type, FILTER_TYPE_LINKWITZ_RILEY);
  EXPECT_FALSE(slopes->IsItemVisible(3));
  EXPECT_FALSE(slopes->IsItemVisible(5));
}

TEST_F(NewUserTest, EveryBandNumberOnTheCurveStaysLegible) {
  const auto expectApart = [this](const char* when) {
    controls::EqualizerCurve* curve = Curve();
    ASSERT_NE(curve, nullptr);
    const int bands = Controller().Mirror().EqSize(Live().currChannel);
    const auto& labels = curve->Layout().labels;
    for (int i = 0; i < bands; ++i)
      for (int j = 0; j < i; ++j)
        EXPECT_FALSE(labels[At(i)].Intersects(labels[At(j)])) << when << ": bands " << j + 1 << " and " << i + 1;
  };
  expectApart("at start-up");
  // Neighbours pulled apart and back together crowd their numbers.
  for (const auto& [band, gain] : {std::pair{8, "-2"}, std::pair{9, "-1.5"}, std::pair{10, "-2.5"}, std::pair{19, "-2"}})
    TypeInto(QStringLiteral("eq_gain_%1").arg(band), QString::fromLatin1(gain), Qt::Key_Return);
  ASSERT_TRUE(Drain());
  expectApart("after typed gains");
  if (const QByteArray shot = qgetenv("QB_MAIN_SCREENSHOT"); !shot.isEmpty()) window->grab().save(QString::fromLocal8Bit(shot));
}

class LinkedBoxTest : public NewUserTest {
 protected:
  void PrepareBox(sim::VirtualBox& box) override {
    box.Modify([](sim::BoxState& state) {
      state.live.link.on = 1;
      state.live.link.pairs = {{0, 1}, {2, 3}};
      state.live.lock = 1;
    });
  }
};

TEST_F(LinkedBoxTest, SynchronizeBoxesFollowTheLinkTheBoxReports) {
  for (int o = 0; o < kOutputCount; ++o)
    EXPECT_FALSE(Control<QWidget>(QStringLiteral("ch_synchronize_%1").arg(o))->isEnabled()) << o;
  Box().Modify([](sim::BoxState& state) {
    state.live.link.on = 0;
    state.live.link.pairs.clear();
    state.live.lock = 0;
  });
  ClickOn(QStringLiteral("btnConnect"));  // disconnect
  ClickOn(QStringLiteral("btnConnect"));  // and read the box again
  ASSERT_TRUE(WaitConnected());
  for (int o = 0; o < kOutputCount; ++o)
    EXPECT_TRUE(Control<QWidget>(QStringLiteral("ch_synchronize_%1").arg(o))->isEnabled()) << o;
}

// --- notices --------------------------------------------------------------------------------------

TEST_F(NewUserTest, UnpluggingClosesTheAboutWindowThatShowsTheBox) {
  QTimer::singleShot(200, [this] { QTest::keyClick(window.get(), Qt::Key_F8); });
  // A guard: if the unplug does not close it, the test ends it and fails.
  bool guardClosedIt = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&guardClosedIt] {
    guardClosedIt = true;
    ui::WindowBase::EndWindowsNamed(QStringLiteral("msgwnd"), 0);
  });
  guard.start(4000);
  // Returns once the about window has closed.
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_about")));
  EXPECT_FALSE(guardClosedIt);
  EXPECT_FALSE(Link().IsDeviceOpen());
}

// --- the virtual cable --------------------------------------------------------------------------

TEST_F(NewUserTest, F8AndF9ActAsACableWhileADialogIsOpen) {
  // F8 pressed in the about window: the box leaves, and the window that shows it closes.
  const auto pressInAbout = [](Qt::Key key) {
    QTimer::singleShot(200, [key] {
      if (auto* about = windows::test::OpenDialog<windows::CAboutWnd>()) QTest::keyClick(about, key);
    });
  };
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { ui::WindowBase::EndWindowsNamed(QStringLiteral("msgwnd"), 0); });
  pressInAbout(Qt::Key_F8);
  guard.start(4000);
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_about")));
  EXPECT_TRUE(guard.isActive()) << "F8 in the dialog left the box on the bus";
  EXPECT_FALSE(Box().IsPlugged());
  EXPECT_FALSE(Link().IsDeviceOpen());

  // F9 in the about window opened without a box: the box comes back and is read.
  pressInAbout(Qt::Key_F9);
  QTimer::singleShot(1500, [] {
    if (auto* about = windows::test::OpenDialog<windows::CAboutWnd>()) windows::test::Click(*about, "closebtn");
  });
  guard.start(6000);
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QStringLiteral("option_item_about")));
  EXPECT_TRUE(Box().IsPlugged());
  EXPECT_TRUE(WaitConnected());
}

TEST_F(NewUserTest, WhileTheBoxIsUnpluggedTheEditingPanelsTakeNoInput) {
  QTest::keyClick(window.get(), Qt::Key_F8);
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }));
  QWidget* mute = Control<QWidget>(QStringLiteral("ch_mute_0"));
  ASSERT_NE(mute, nullptr);
  EXPECT_FALSE(mute->isEnabled());
  const Profile before = Live();
  ClickOn(QStringLiteral("ch_mute_0"));
  EXPECT_EQ(Live(), before);
  EXPECT_FALSE(Controller().History().CanUndo());
  EXPECT_EQ(Box().State().live.outputs[0].mute, 0);

  QTest::keyClick(window.get(), Qt::Key_F9);
  ASSERT_TRUE(WaitConnected());
  EXPECT_TRUE(mute->isEnabled());
  ClickOn(QStringLiteral("ch_mute_0"));
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Box().State().live.outputs[0].mute, 1);
}

class OldFirmwareTest : public MainWindowTest {
 protected:
  sim::VirtualBoxConfig BoxConfig() override {
    sim::VirtualBoxConfig config;
    config.slaveVersion = 15;
    return config;
  }
};

TEST_F(OldFirmwareTest, TheUserIsToldTheFirmwareIsOutOfDate) {
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(WaitFor([this] { return !messages.isEmpty(); }));
  EXPECT_TRUE(messages.first().contains(QStringLiteral("v16.15"))) << messages.first().toStdString();
  EXPECT_TRUE(messages.first().contains(QStringLiteral("v16.16"))) << messages.first().toStdString();
}

}  // namespace
}  // namespace qb::test

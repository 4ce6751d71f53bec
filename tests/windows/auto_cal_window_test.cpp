// The calibration window against a virtual box, driven as a user drives it: the main
// window's button opens it, boxes and buttons are clicked, message boxes answered, and
// the box, the window and the main window's mirror show the outcome.

#include <QRegularExpression>
#include <QTest>

#include "controls/equalizer_curve_ac.h"
#include "tests/support/mirror_box_compare.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/progress.h"
#include "windows/auto_cal_wnd.h"

namespace qb::test {
namespace {

using windows::CAutoCalWnd;
using windows::test::Click;
using windows::test::OpenDialog;
using Set = controls::EqualizerCurveAc::Set;

class AutoCalWindowTest : public ConnectedWindowTest {
 protected:
  void AdjustOptions(MainWndOptions& options) override {
    options.calibration.pollPause = std::chrono::milliseconds(2);
    options.statusHoldMs = 60000;  // the status line is read after the box's read-back
  }

  /// Opens the window with the main window's button and runs `body` inside its modal loop;
  /// returns once the window is gone. `body` closes it.
  void WithWindow(const std::function<void(CAutoCalWnd&)>& body) {
    bool ran = false;
    QTimer turn;
    turn.setInterval(5);
    QObject::connect(&turn, &QTimer::timeout, [&] {
      CAutoCalWnd* cal = OpenDialog<CAutoCalWnd>();
      if (ran || !cal) return;
      ran = true;
      turn.stop();
      body(*cal);
    });
    turn.start();
    QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_irc")), Qt::LeftButton);
    const bool closed = WaitFor([&] { return ran && !OpenDialog<CAutoCalWnd>(); }, 30000);
    if (!closed) {
      for (ui::WindowBase* w : ui::WindowBase::LiveWindows())
        if (w->IsModalRunning()) w->Close(0);
    }
    ASSERT_TRUE(closed) << "the window opened, the steps ran and it closed";
  }

  static void Tick(CAutoCalWnd& cal, const QString& name, bool on) {
    auto* box = cal.Find<ui::CheckBox>(name);
    ASSERT_NE(box, nullptr) << name.toStdString();
    if (box->IsChecked() != on) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    EXPECT_EQ(box->IsChecked(), on) << name.toStdString();
  }
  /// Leaves only `outputs` ticked.
  static void ChooseOutputs(CAutoCalWnd& cal, std::initializer_list<int> outputs) {
    for (int n = 0; n < 8; ++n)
      Tick(cal, QStringLiteral("ch_checkbox_%1").arg(n), std::find(outputs.begin(), outputs.end(), n) != outputs.end());
  }
  static QString Tips(CAutoCalWnd& cal) { return ui::Tr(ui::ControlText(cal.FindControl(QStringLiteral("tips")))); }
  bool WaitRunOver(CAutoCalWnd& cal) {
    return WaitFor([&] { return !cal.Session().Running() && cal.Find<QWidget>(QStringLiteral("closebtn"))->isEnabled(); }, 20000);
  }
};

TEST_F(AutoCalWindowTest, ACalibrationOfThreeOutputsIsShownAppliedAndReadBackIntoTheMainWindow) {
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {0, 1, 3});
    Click(cal, "start_auto_cal");
    EXPECT_FALSE(cal.Find<QWidget>(QStringLiteral("closebtn"))->isEnabled());
    ASSERT_TRUE(WaitRunOver(cal));
    EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${irc_warning_tips}"))));
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_completed}")));
    EXPECT_EQ(cal.Find<ui::Progress>(QStringLiteral("progress"))->Value(), 100);
    // The distances are asked for once the run has completed: their answers come a moment later.
    const auto distancesShown = [&] {
      for (int n : {0, 1, 3}) {
        const QWidget* distance = cal.FindControl(QStringLiteral("ch_%1: ").arg(n));
        if (!distance || !distance->isVisible()) return false;
      }
      return true;
    };
    EXPECT_TRUE(WaitFor(distancesShown, 5000));
    for (int n : {0, 1, 3}) {
      QWidget* distance = cal.FindControl(QStringLiteral("ch_%1: ").arg(n));
      ASSERT_NE(distance, nullptr);
      // Metres, with their unit and two decimals ("0.95 m", never "0.950000").
      EXPECT_TRUE(QRegularExpression(QStringLiteral("^[01]\\.\\d\\d m$")).match(ui::ControlText(distance)).hasMatch())
          << ui::ControlText(distance).toStdString();
    }
    EXPECT_FALSE(cal.FindControl(QStringLiteral("ch_2: "))->isVisible());
    auto* curve = cal.Find<controls::EqualizerCurveAc>(QStringLiteral("equalizer_ac"));
    ASSERT_NE(curve, nullptr);
    EXPECT_TRUE(curve->Shown(Set::Measured, 1));
    EXPECT_FALSE(curve->Shown(Set::Measured, 2));
    EXPECT_FALSE(curve->Polyline(Set::Predicted, 3).empty());
    // Hiding the measured curves takes them off the display, the others stay.
    Tick(cal, QStringLiteral("display_spk"), false);
    EXPECT_FALSE(curve->Shown(Set::Measured, 1));
    EXPECT_TRUE(curve->Shown(Set::Correction, 1));
    Tick(cal, QStringLiteral("display_spk"), true);
    if (const QByteArray shot = qgetenv("QB_AUTOCAL_SCREENSHOT"); !shot.isEmpty()) cal.grab().save(QString::fromLocal8Bit(shot));

    Click(cal, "irc_save_data");
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_applyed}")));
    Click(cal, "closebtn");
  });
  EXPECT_EQ(Box().Calibration().applied, 1);
  // The result reached the box: the main window reads it back under the loading window, so
  // nothing can be edited in the meantime. The loading window runs its own loop; a timer sees it.
  bool loadingShown = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] { loadingShown = loadingShown || LoadingWindowShown(); });
  watch.start(1);
  ASSERT_TRUE(WaitFor([this] { return !Controller().Session().Busy() && !LoadingWindowShown(); }, 10000));
  watch.stop();
  EXPECT_TRUE(loadingShown);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
  EXPECT_EQ(Live().channels[3].bypass, 0) << "the correction is heard";
  Box().InspectCalibration([&](const sim::CalibrationSequence& c) {
    EXPECT_EQ(Live().channels[3].bands[0].freq, (*c.CorrectionOf(3))[0].freqHz);
  });
}

TEST_F(AutoCalWindowTest, AStoppedRunHasNothingToSaveAndClosingDiscards) {
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {0});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(WaitFor([&] { return Box().Calibration().polls >= 3; }));
    Click(cal, "start_auto_cal");  // now "Stop"
    ASSERT_TRUE(WaitRunOver(cal));
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_stoped}")));
    EXPECT_EQ(ui::Tr(ui::ControlText(cal.FindControl(QStringLiteral("start_auto_cal")))), ui::Tr(QStringLiteral("${start_irc}")));
    Click(cal, "irc_save_data");
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_start_tips}")));
    Box().ClearCommands();
    messages.clear();
    Click(cal, "closebtn");
    EXPECT_TRUE(messages.isEmpty()) << "nothing to apply: no question";
  });
  const auto commands = Box().Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front().commandId, DSP_IRC_CTRL);
  EXPECT_EQ(commands.front().payload[0], kIrcDiscard);
  EXPECT_EQ(Box().Calibration().applied, 0);
}

TEST_F(AutoCalWindowTest, ClosingAfterCompletionAsksAndDiscardsUnlessConfirmedAFailureShowsItsText) {
  Box().SetCalibrationConfig(sim::CalibrationConfig{.failureCode = IRC_FAIL_NO_MIC, .failAtPoll = 2});
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {4});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(WaitRunOver(cal));
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_failed_mic}")));

    Box().SetCalibrationConfig({});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(WaitRunOver(cal));
    messages.clear();
    messageAnswer = 0;
    Click(cal, "closebtn");
  });
  EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${irc_apply_tips}"))));
  EXPECT_EQ(Box().Calibration().discarded, 1);
  EXPECT_EQ(Box().Calibration().applied, 0);
}

TEST_F(AutoCalWindowTest, WithoutATestItemNothingStarts) {
  WithWindow([&](CAutoCalWnd& cal) {
    for (const char* item : {"irc_eq", "irc_delay", "irc_phase"}) Tick(cal, QString::fromLatin1(item), false);
    Box().ClearCommands();
    Click(cal, "start_auto_cal");
    EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${irc_option_warning_tips}"))));
    EXPECT_TRUE(Box().Commands().empty());
    EXPECT_FALSE(cal.Session().Running());
    Click(cal, "closebtn");
  });
}

TEST_F(AutoCalWindowTest, DuringARunTheChoicesAreLockedAndTheResultCoversOnlyTheChosenOutputs) {
  TypeInto(QStringLiteral("edit_ch_volume_5"), QStringLiteral("-3"));  // an edit the user could undo
  ASSERT_TRUE(Drain());
  ASSERT_TRUE(Controller().History().CanUndo());
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {0, 1});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(cal.Session().Running());
    // Clicks on an output, a test item and a voicing: none takes.
    for (const char* name : {"ch_checkbox_2", "ch_checkbox_1", "irc_delay"}) {
      auto* box = cal.Find<ui::CheckBox>(QString::fromLatin1(name));
      ASSERT_NE(box, nullptr) << name;
      const bool was = box->IsChecked();
      EXPECT_FALSE(box->isEnabled()) << name;
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
      EXPECT_EQ(box->IsChecked(), was) << name;
    }
    auto* voicing = cal.Find<QWidget>(QStringLiteral("audio_effect_3"));
    ASSERT_NE(voicing, nullptr);
    EXPECT_FALSE(voicing->isEnabled());
    QTest::mouseClick(voicing, Qt::LeftButton);
    ASSERT_TRUE(WaitRunOver(cal));
    EXPECT_EQ(cal.Session().Outputs(), 0b11u);
    EXPECT_TRUE(cal.Find<QWidget>(QStringLiteral("ch_checkbox_2"))->isEnabled()) << "unlocked once the run is over";
    auto* curve = cal.Find<controls::EqualizerCurveAc>(QStringLiteral("equalizer_ac"));
    EXPECT_FALSE(curve->Shown(Set::Measured, 2));
    Click(cal, "irc_cancel_data");
    Click(cal, "closebtn");
  });
  // The box is read back after the run: the edit made before can no longer be undone, and the
  // user is told so.
  EXPECT_TRUE(WaitFor([this] { return window->StatusText().contains(ui::Tr(QStringLiteral("${undo_emptied}"))); }, 10000))
      << window->StatusText().toStdString();
  EXPECT_FALSE(Controller().History().CanUndo());
}

TEST_F(AutoCalWindowTest, TheLegendNamesWhatIsShownAndOneOutputCanBeShownAlone) {
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {0, 3});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(WaitRunOver(cal));
    auto* curve = cal.Find<controls::EqualizerCurveAc>(QStringLiteral("equalizer_ac"));
    ASSERT_NE(curve, nullptr);
    const auto legendTexts = [curve] {
      QStringList texts;
      for (const auto& row : curve->Legend()) texts << row.text;
      return texts;
    };
    const QString output = ui::Tr(QStringLiteral("${output}"));
    const QStringList kinds{ui::Tr(QStringLiteral("${irc_show_measured}")), ui::Tr(QStringLiteral("${irc_show_correction}")),
                            ui::Tr(QStringLiteral("${irc_show_target}")), ui::Tr(QStringLiteral("${irc_show_predicted}"))};
    EXPECT_EQ(legendTexts(), QStringList({output + QStringLiteral(" 1"), output + QStringLiteral(" 4")}) + kinds);

    auto* shown = cal.Find<ui::Combo>(QStringLiteral("display_output"));
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(input::Choose(shown, 2)) << "an output not calibrated is not offered";
    ASSERT_TRUE(input::Choose(shown, 4));  // output 4 alone
    EXPECT_FALSE(curve->Shown(Set::Measured, 0));
    EXPECT_TRUE(curve->Shown(Set::Measured, 3));
    EXPECT_TRUE(curve->Shown(Set::Predicted, 3));
    EXPECT_EQ(legendTexts(), QStringList({output + QStringLiteral(" 4")}) + kinds);
    // The measured curves hidden: the legend no longer lists them.
    Tick(cal, QStringLiteral("display_spk"), false);
    EXPECT_FALSE(legendTexts().contains(kinds[0]));
    Tick(cal, QStringLiteral("display_spk"), true);
    ASSERT_TRUE(input::Choose(shown, 0));  // every output again
    EXPECT_TRUE(curve->Shown(Set::Measured, 0));
    if (const QByteArray shot = qgetenv("QB_AUTOCAL_SCREENSHOT"); !shot.isEmpty()) cal.grab().save(QString::fromLocal8Bit(shot));
    Click(cal, "irc_cancel_data");
    Click(cal, "closebtn");
  });
}

TEST_F(AutoCalWindowTest, UnplugDuringARunEndsItAndTheWindowCanBeClosed) {
  WithWindow([&](CAutoCalWnd& cal) {
    ChooseOutputs(cal, {0, 1});
    Click(cal, "start_auto_cal");
    ASSERT_TRUE(WaitFor([&] { return Box().Calibration().polls >= 3; }));
    Box().Unplug();
    ASSERT_TRUE(WaitRunOver(cal));
    EXPECT_EQ(Tips(cal), ui::Tr(QStringLiteral("${irc_box_left}")));
    Click(cal, "closebtn");
  });
}

}  // namespace
}  // namespace qb::test

// The Options menu's measurement items against the virtual box, through real input: an
// imported measurement is drawn with its prediction, which follows the band edits; the fit
// dialog shows its result on the curve before anything changes, Apply is one undo step that
// leaves the box as the mirror, Cancel changes nothing, and a graphic fit keeps graphic
// editing.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "controls/curve_overlay.h"
#include "dspmath/curve_grid.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "windows/eq_fit_wnd.h"

namespace qb::test {
namespace {

using controls::OverlayCurve;
using controls::OverlayLine;
using windows::CEqFitWnd;

class EqFitWindowTest : public ConnectedWindowTest {
 protected:
  void AdjustOptions(MainWndOptions& options) override {
    options.profilePathChooser = [this](int, int) { return path; };
  }
  void SetUp() override {
    ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    // A dialog a faulty test leaves waiting ends, so the failure shows instead of a hang.
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(20000);
    QObject::connect(&m_watchdog, &QTimer::timeout, [] {
      if (CEqFitWnd* dialog = windows::test::OpenDialog<CEqFitWnd>()) {
        ADD_FAILURE() << "the fit dialog was left open";
        dialog->Close(0);
      }
    });
    m_watchdog.start();
  }
  void TearDown() override {
    m_watchdog.stop();
    if (!HasFatalFailure()) ExpectBoxAsMirror();
    ConnectedWindowTest::TearDown();
  }

  /// Runs `action` on the fit dialog once it is open: the menu that opens it turns the event
  /// loop first, so the dialog is waited for rather than expected at the next turn.
  void WhenOpen(std::function<void(CEqFitWnd&)> action) {
    auto* poll = new QTimer(window.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, action = std::move(action)] {
      CEqFitWnd* dialog = windows::test::OpenDialog<CEqFitWnd>();
      if (!dialog) return;
      poll->stop();
      poll->deleteLater();
      action(*dialog);
    });
    poll->start();
  }
  /// A measurement program's text export of output 1: a 6 dB hump at 1 kHz and a 5 dB dip
  /// at 4 kHz on 85 dB.
  void WriteMeasurement() {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("* Measurement data measured by a measurement program\n* Freq(Hz) SPL(dB) Phase(degrees)\n");
    for (int k = 0; k <= 300; ++k) {
      const double hz = 20.0 * std::pow(1000.0, k / 300.0);
      const double db = 85.0 + 6.0 / (1.0 + std::pow(2.0 * std::log2(hz / 1000.0), 2.0)) -
                        5.0 / (1.0 + std::pow(3.0 * std::log2(hz / 4000.0), 2.0));
      file.write(QStringLiteral("%1 %2 0\n").arg(hz, 0, 'f', 3).arg(db, 0, 'f', 3).toLatin1());
    }
  }
  void Choose(const char* item) {
    ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QString::fromLatin1(item))) << item;
    ASSERT_TRUE(Drain());
  }
  void Import() {
    WriteMeasurement();
    Choose("option_item_measurement_import");
    ASSERT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
  }
  /// The curve drawn in `line` over the equaliser plot, or null.
  const OverlayCurve* Drawn(OverlayLine line) {
    for (const OverlayCurve& curve : Curve()->OverlayCurves())
      if (curve.line == line) return &curve;
    return nullptr;
  }
  static std::size_t GridPointAt(double hz) {
    const qb::Curve& grid = StandardCurveGrid().Frequencies();
    std::size_t k = 0;
    while (k + 1 < grid.size() && grid[k + 1] <= hz) ++k;
    return k;
  }

  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("measurement.txt"));
  QTimer m_watchdog;
};

constexpr OverlayLine kMeasured = OverlayLine::Solid;
constexpr OverlayLine kPredicted = OverlayLine::Dashed;
constexpr OverlayLine kTarget = OverlayLine::Dotted;

TEST_F(EqFitWindowTest, AnImportedMeasurementIsDrawnWithItsPredictionWhichFollowsTheBandsAndTheShowBoxes) {
  EXPECT_TRUE(Curve()->OverlayCurves().empty());
  Import();
  ASSERT_TRUE(Drawn(kMeasured) && Drawn(kPredicted));
  EXPECT_FALSE(Drawn(kTarget)) << "a target belongs to a fit";
  EXPECT_EQ(Drawn(kPredicted)->db, Drawn(kMeasured)->db) << "nothing changed since the measurement";
  EXPECT_TRUE(Control<QWidget>(QStringLiteral("curve_show_measured"))->isVisible());
  EXPECT_FALSE(Control<QWidget>(QStringLiteral("curve_show_target"))->isVisible());

  // A band lifted by hand lifts the prediction there, not the measurement.
  ClickOn(QStringLiteral("btn_arg_eq"));
  ASSERT_TRUE(Controller().Mirror().session.parametricEq);
  const qb::Curve measured = Drawn(kMeasured)->db;
  TypeInto(QStringLiteral("eq_freq_3"), QStringLiteral("2000"));
  TypeInto(QStringLiteral("eq_q_3"), QStringLiteral("2"));
  TypeInto(QStringLiteral("eq_gain_3"), QStringLiteral("6"));
  ASSERT_EQ(Live().channels[0].bypass, 0);
  ASSERT_TRUE(Drawn(kPredicted));
  const std::size_t k = GridPointAt(2000.0);
  EXPECT_NEAR(Drawn(kPredicted)->db[k] - Drawn(kMeasured)->db[k], 6.0, 0.3);
  EXPECT_EQ(Drawn(kMeasured)->db, measured);

  ClickOn(QStringLiteral("curve_show_predicted"));
  EXPECT_FALSE(Drawn(kPredicted));
  EXPECT_TRUE(Drawn(kMeasured));
  ClickOn(QStringLiteral("curve_show_predicted"));
  EXPECT_TRUE(Drawn(kPredicted));

  // Another output has no measurement: nothing is drawn for it.
  ClickOn(QStringLiteral("ch_enable_1"));
  ASSERT_EQ(Live().currChannel, 1);
  EXPECT_TRUE(Curve()->OverlayCurves().empty());
  EXPECT_FALSE(Control<QWidget>(QStringLiteral("curve_show_measured"))->isVisible());
}

TEST_F(EqFitWindowTest, AFitIsShownBeforeItIsAppliedAndAppliedAsOneUndoStep) {
  Import();
  const OutputChannel before = Live().channels[0];
  bool shown = false;
  WhenOpen([&](CEqFitWnd& dialog) {
    input::Type(dialog.Find<ui::Edit>(QStringLiteral("fit_bands")), QStringLiteral("6"));
    windows::test::Click(dialog, "fit_btn");
    EXPECT_TRUE(windows::test::Shown(dialog, "fit_result").startsWith(QStringLiteral("Residual ")))
        << windows::test::Shown(dialog, "fit_result").toStdString();
    EXPECT_TRUE(Drawn(kTarget) && Drawn(kPredicted) && Drawn(kMeasured));
    EXPECT_NE(Drawn(kPredicted)->db, Drawn(kMeasured)->db) << "the fit's prediction is drawn";
    EXPECT_EQ(Live().channels[0], before) << "a fit shown changes nothing";
    shown = true;
    windows::test::Click(dialog, "confirm_btn");
  });
  Choose("option_item_eq_fit");
  ASSERT_TRUE(shown);
  const OutputChannel& fitted = Live().channels[0];
  EXPECT_TRUE(Controller().Mirror().session.parametricEq);
  EXPECT_EQ(fitted.bypass, 0);
  int changed = 0;
  for (int b = 0; b < 6; ++b) changed += fitted.bands[At(b)].eqGain != 0.0f;
  EXPECT_GT(changed, 0);
  for (int b = 6; b < EqSize(Live(), 0); ++b) EXPECT_EQ(fitted.bands[At(b)].eqGain, 0.0f) << b;
  EXPECT_FALSE(Drawn(kTarget)) << "the preview ends with the dialog";
  ASSERT_TRUE(Drawn(kPredicted));
  EXPECT_NE(Drawn(kPredicted)->db, Drawn(kMeasured)->db) << "the prediction now follows the fitted bands";
  ExpectBoxAsMirror();

  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().channels[0], before);
  EXPECT_FALSE(Controller().History().CanUndo()) << "the fit was one step";
}

TEST_F(EqFitWindowTest, CancelChangesNothingAndAGraphicFitKeepsGraphicEditing) {
  Import();
  const OutputChannel before = Live().channels[0];
  WhenOpen([&](CEqFitWnd& dialog) {
    windows::test::Click(dialog, "fit_btn");
    EXPECT_TRUE(Drawn(kTarget));
    windows::test::Click(dialog, "cancel_btn");
  });
  Choose("option_item_eq_fit");
  EXPECT_EQ(Live().channels[0], before);
  EXPECT_FALSE(Controller().History().CanUndo());
  EXPECT_FALSE(Drawn(kTarget));

  ASSERT_FALSE(Controller().Mirror().session.parametricEq);
  WhenOpen([&](CEqFitWnd& dialog) {
    windows::test::Click(dialog, "fit_mode_geq");
    EXPECT_FALSE(dialog.Find<ui::Edit>(QStringLiteral("fit_bands"))->isEnabled()) << "the graphic bands are fixed";
    // Apply without a fit shown fits first and waits for a second Apply.
    windows::test::Click(dialog, "confirm_btn");
    EXPECT_TRUE(Drawn(kTarget));
    EXPECT_EQ(Live().channels[0], before);
    windows::test::Click(dialog, "confirm_btn");
  });
  Choose("option_item_eq_fit");
  EXPECT_FALSE(Controller().Mirror().session.parametricEq) << "a graphic fit keeps graphic editing";
  EXPECT_NE(Live().channels[0].bands, before.bands);
  for (int b = 0; b < EqSize(Live(), 0); ++b) EXPECT_EQ(Live().channels[0].bands[At(b)].freq, before.bands[At(b)].freq);
}

TEST_F(EqFitWindowTest, AFileThatCannotBeReadIsNamedWithItsLineAndAFitNeedsAMeasurement) {
  Choose("option_item_eq_fit");
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("Import a measurement"))) << messages[0].toStdString();

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("* header\n20 80 0\n30 eighty 0\n");
  file.close();
  Choose("option_item_measurement_import");
  ASSERT_EQ(messages.size(), 2);
  EXPECT_TRUE(messages[1].contains(QStringLiteral("line 3"))) << messages[1].toStdString();
  EXPECT_TRUE(Curve()->OverlayCurves().empty());
}

}  // namespace
}  // namespace qb::test

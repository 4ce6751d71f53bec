// The equaliser curve driven like a user would: pointer events on the widget, notifications
// caught by the window that holds it, values read back as the owner reads them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <cmath>
#include <vector>

#include "controls/equalizer_curve.h"
#include "dspmath/curve_grid.h"
#include "ui/control_text.h"
#include "ui/notification.h"
#include "ui/window_base.h"

namespace qb::controls {
namespace {

struct Record {
  ui::Event event;
  qintptr wParam;
  qintptr lParam;
  QString userData;
};

class RecordingWindow : public ui::WindowBase {
 public:
  QString ClassName() const override { return QStringLiteral("RecordingWindow"); }
  QString LayoutId() const override { return QStringLiteral("test"); }
  std::vector<Record> records;

 protected:
  void Notify(ui::Notification& n) override {
    records.push_back({n.event, n.wParam, n.lParam, ui::UserData(n.sender)});
  }
};

PixelPoint Centre(const PixelRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void SendMouse(QWidget* w, QEvent::Type type, PixelPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  const QPointF local(p.x, p.y);
  QMouseEvent event(type, local, w->mapToGlobal(local), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

/// Bands spread evenly over the axis, about 19 px apart on a 600 px plot, so labels never
/// overlap unless a test makes them.
std::vector<CurveBand> SpreadBands(int count) {
  std::vector<CurveBand> bands;
  for (int i = 0; i < count; ++i) {
    const double hz = 20.0 * std::pow(1000.0, (i + 0.5) / 31.0);
    bands.push_back({static_cast<float>((i % 5) - 2), 1.0f, static_cast<int>(hz), 1});
  }
  return bands;
}

class EqualizerCurveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    curve = new EqualizerCurve(&window);
    curve->setGeometry(0, 0, 600, 300);
    curve->SetScalePercent(100);
    bands = SpreadBands(10);
  }

  void Press(PixelPoint p) {
    SendMouse(curve, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  }
  void Drag(PixelPoint p) {
    SendMouse(curve, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
  }
  void Hover(PixelPoint p) { SendMouse(curve, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
  void Release(PixelPoint p) {
    SendMouse(curve, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
  }
  PixelPoint LabelCentre(int band) const {
    return Centre(curve->Layout().labels[static_cast<std::size_t>(band)]);
  }
  /// Every notification so far has this event, zero parameters and this user data.
  void ExpectAllRecords(ui::Event event, const QString& userData) const {
    for (const Record& r : window.records) {
      EXPECT_EQ(r.event, event);
      EXPECT_EQ(r.wParam, 0);
      EXPECT_EQ(r.lParam, 0);
      EXPECT_EQ(r.userData, userData);
    }
  }

  RecordingWindow window;
  EqualizerCurve* curve = nullptr;
  std::vector<CurveBand> bands;
};

TEST_F(EqualizerCurveTest, GraphicModeMovesABandOnlyVertically) {
  curve->SetDragAllDirection(false);
  curve->SetEqBands(bands, -1);
  const PixelPoint start = LabelCentre(3);
  const PixelPoint point = curve->Layout().points[3];

  Press(start);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kIndexCaptured);
  EXPECT_EQ(curve->CurrentIndex(), 3);
  EXPECT_EQ(ui::UserData(curve), "3");
  EXPECT_EQ(curve->cursor().shape(), Qt::SizeVerCursor);
  EXPECT_TRUE(window.records.empty());

  const PixelPoint to{start.x + 150, start.y - 60};
  Drag(to);
  EXPECT_EQ(curve->Band(3).frequency, bands[3].frequency);
  EXPECT_FLOAT_EQ(curve->Band(3).gain, curve->Axes().GainOfY(to.y));
  EXPECT_EQ(curve->Layout().points[3].x, point.x);
  ASSERT_EQ(window.records.size(), 1u);

  Release(to);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kNoCapture);
  EXPECT_EQ(curve->Band(3).frequency, bands[3].frequency);
  EXPECT_EQ(curve->Layout().points[3].x, point.x);
  EXPECT_EQ(curve->cursor().shape(), Qt::PointingHandCursor);
  ASSERT_EQ(window.records.size(), 2u);
  ExpectAllRecords(ui::Event::EqualizerEq, "3");

  // No Q handles in graphic mode: where they would be, nothing is grabbed.
  PixelRect left, right;
  QHandleRects(curve->Axes(), curve->Layout().points[3], curve->Band(3).q, 100, left, right);
  Press(Centre(right));
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kNoCapture);
}

TEST_F(EqualizerCurveTest, ParametricDragIsClampedAtThePlotEdges) {
  curve->SetDragAllDirection(true);
  curve->SetEqBands(bands, -1);
  Press(LabelCentre(5));
  EXPECT_EQ(curve->cursor().shape(), Qt::SizeAllCursor);

  struct Step {
    PixelPoint to;
    int hz;
    float db;
  } steps[] = {{{-400, -400}, 20, 12.0f}, {{5000, 5000}, 20000, -18.0f}, {{-3, 9999}, 20, -18.0f}};
  for (const Step& s : steps) {
    Drag(s.to);
    EXPECT_EQ(curve->Band(5).frequency, s.hz) << s.to.x;
    EXPECT_FLOAT_EQ(curve->Band(5).gain, s.db) << s.to.y;
  }
  EXPECT_EQ(window.records.size(), 3u);
  Release({9000, -9000});
  EXPECT_EQ(curve->Band(5).frequency, 20000);
  EXPECT_FLOAT_EQ(curve->Band(5).gain, 12.0f);
  EXPECT_EQ(curve->Layout().labels[5], (PixelRect{584, 0, 600, 16}));
  EXPECT_EQ(window.records.size(), 4u);
  ExpectAllRecords(ui::Event::EqualizerEq, "5");
}

TEST_F(EqualizerCurveTest, APressThatDoesNotMoveChangesAndRaisesNothing) {
  curve->SetDragAllDirection(true);
  curve->SetEqBands(bands, -1);
  const ui::CurveBand before = curve->DisplayBand(2);
  const PixelPoint p = LabelCentre(2);
  Press(p);
  const std::size_t afterPress = window.records.size();
  Drag(p);
  Drag(p);
  Release(p);
  EXPECT_EQ(window.records.size(), afterPress);
  EXPECT_EQ(curve->DisplayBand(2).freq, before.freq);
  EXPECT_EQ(curve->DisplayBand(2).gain, before.gain);
}

TEST_F(EqualizerCurveTest, ADragMovesThePointByWhatThePointerMoved) {
  curve->SetDragAllDirection(true);
  curve->SetEqBands(bands, -1);
  const PixelPoint centre = curve->Layout().points[2];
  // Grabbed off its centre: the point keeps that offset instead of jumping under the pointer.
  const PixelPoint grab{centre.x + 2, centre.y - 2};
  Press(grab);
  Drag({grab.x, grab.y + 10});
  Release({grab.x, grab.y + 10});
  EXPECT_EQ(curve->Layout().points[2].x, centre.x);
  EXPECT_EQ(curve->Layout().points[2].y, centre.y + 10);
}

TEST_F(EqualizerCurveTest, QHandleDragHoldsQBetweenLimits) {
  curve->SetDragAllDirection(true);
  curve->SetEqBands(bands, 2);
  EXPECT_EQ(ui::UserData(curve), "2");
  const int pointX = curve->Layout().points[2].x;
  const PixelRect right = curve->Layout().qRight;
  ASSERT_FALSE(right.IsEmpty());

  Press(Centre(right));
  ASSERT_EQ(curve->CaptureState(), EqualizerCurve::kFactorCaptured);
  EXPECT_EQ(curve->cursor().shape(), Qt::SizeHorCursor);
  Drag({pointX + 2000, 100});
  EXPECT_FLOAT_EQ(curve->Band(2).q, 0.5f);
  Drag({pointX, 100});
  EXPECT_FLOAT_EQ(curve->Band(2).q, 9.0f);
  Drag({pointX - 1, 100});  // still 9: no change, no notification
  EXPECT_EQ(window.records.size(), 2u);
  Release({pointX + 81, 100});
  EXPECT_FLOAT_EQ(curve->Band(2).q, 1.0f);
  EXPECT_EQ(curve->Band(2).frequency, bands[2].frequency);
  EXPECT_EQ(window.records.size(), 3u);
  ExpectAllRecords(ui::Event::EqualizerEq, "2");
}

TEST_F(EqualizerCurveTest, HighPassStopsShortOfLowPassAndReportsTheRelease) {
  curve->SetEqBands(bands, 4);
  curve->setCurEqHpLp(100, 1000);
  const CurveAxes& axes = curve->Axes();
  const PixelPoint h = Centre(curve->Layout().highPass);
  Press(h);
  ASSERT_EQ(curve->CaptureState(), EqualizerCurve::kHpCaptured);
  EXPECT_EQ(curve->CurrentIndex(), -1);
  int lastBelow = 100;
  const int endX = axes.XOfFrequency(2000);
  for (int x = h.x; x <= endX; ++x) {
    Drag({x, h.y});
    const int f = axes.FrequencyOfX(x);
    if (f < 1000) lastBelow = f;
    EXPECT_LT(curve->HpFreq(), 1000);
  }
  EXPECT_EQ(curve->HpFreq(), lastBelow);
  const std::size_t during = window.records.size();
  Release({endX, h.y});
  EXPECT_EQ(curve->HpFreq(), lastBelow);
  ASSERT_EQ(window.records.size(), during + 1);
  // The crossover drag left the band index as it was.
  ExpectAllRecords(ui::Event::EqualizerHp, "4");
}

TEST_F(EqualizerCurveTest, LowPassStopsShortOfHighPass) {
  curve->SetEqBands(bands, 1);
  curve->setCurEqHpLp(100, 1000);
  const CurveAxes& axes = curve->Axes();
  const PixelPoint l = Centre(curve->Layout().lowPass);
  Press(l);
  ASSERT_EQ(curve->CaptureState(), EqualizerCurve::kLpCaptured);
  for (int x = l.x; x >= axes.XOfFrequency(50); --x) Drag({x, l.y});
  EXPECT_GT(curve->LpFreq(), 100);
  EXPECT_LT(curve->LpFreq(), 110);
  Release({0, l.y});
  EXPECT_GT(curve->LpFreq(), 100);
  EXPECT_EQ(window.records.back().event, ui::Event::EqualizerLp);
  ExpectAllRecords(ui::Event::EqualizerLp, "1");
}

TEST_F(EqualizerCurveTest, HighPassWithoutALowPassHandleStillMoves) {
  curve->setCurEqHpLp(100, 30000);
  EXPECT_EQ(curve->HpFreq(), 100);
  EXPECT_EQ(curve->LpFreq(), -1);
  EXPECT_TRUE(curve->Layout().lowPass.IsEmpty());
  const PixelPoint h = Centre(curve->Layout().highPass);
  Press(h);
  const int x5k = curve->Axes().XOfFrequency(5000);
  Drag({x5k, h.y});
  EXPECT_EQ(curve->HpFreq(), curve->Axes().FrequencyOfX(x5k));
  Release({x5k, h.y});
  ASSERT_EQ(window.records.size(), 2u);
  // No band was ever current: the user data is still empty.
  ExpectAllRecords(ui::Event::EqualizerHp, "");
}

TEST_F(EqualizerCurveTest, RemovedCrossoverHandlesCannotBeGrabbed) {
  curve->setCurEqHpLp(100, 1000);
  const PixelPoint h = Centre(curve->Layout().highPass);
  const PixelPoint l = Centre(curve->Layout().lowPass);
  curve->setCurEqHpLp(-1, -1);
  EXPECT_EQ(curve->HpFreq(), -1);
  EXPECT_EQ(curve->LpFreq(), -1);
  Press(h);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kNoCapture);
  Release(h);
  Press(l);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kNoCapture);
  Release(l);
  EXPECT_TRUE(window.records.empty());
}

TEST_F(EqualizerCurveTest, TwoBandsOnOnePointKeepTheirOwnLabels) {
  bands[2] = bands[1];
  curve->SetEqBands(bands, -1);
  const PixelPoint p = LabelCentre(1);
  // The second number moves off the first, so each band is grabbed by its own.
  ASSERT_FALSE(curve->Layout().labels[1].Intersects(curve->Layout().labels[2]));
  Hover(p);
  EXPECT_EQ(curve->CurrentIndex(), 1);
  EXPECT_EQ(curve->cursor().shape(), Qt::PointingHandCursor);
  Hover({p.x + 1, p.y});  // still band 1: not raised again
  ASSERT_EQ(window.records.size(), 1u);
  ExpectAllRecords(ui::Event::EqualizerEq, "1");
  Hover({2, 2});
  EXPECT_EQ(curve->cursor().shape(), Qt::ArrowCursor);
  Press(p);
  EXPECT_EQ(curve->CurrentIndex(), 1);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kIndexCaptured);
  Release(p);
  Press(LabelCentre(2));
  EXPECT_EQ(curve->CurrentIndex(), 2);
}

TEST_F(EqualizerCurveTest, SlotsBeyondTheBandCountAreDead) {
  const std::vector<CurveBand> all = SpreadBands(31);
  curve->SetEqBands(all, -1);
  const PixelPoint old = LabelCentre(20);
  curve->SetEqBands(std::span<const CurveBand>(all).first(10), -1);
  EXPECT_EQ(curve->BandCount(), 10);
  Hover(old);
  Press(old);
  EXPECT_EQ(curve->CaptureState(), EqualizerCurve::kNoCapture);
  EXPECT_EQ(curve->CurrentIndex(), -1);
  EXPECT_TRUE(window.records.empty());
}

TEST_F(EqualizerCurveTest, SetEqBandsKeepsAtMost31AndSetsUserDataOnlyForAValidBand) {
  std::vector<CurveBand> many = SpreadBands(31);
  many.push_back({5.0f, 2.0f, 1234, 1});
  curve->SetEqBands(many, 31);
  EXPECT_EQ(curve->BandCount(), 31);
  EXPECT_EQ(curve->Band(31), CurveBand{});
  EXPECT_EQ(curve->Band(-1), CurveBand{});
  EXPECT_EQ(ui::UserData(curve), "");
  curve->SetEqBands(many, 30);
  EXPECT_EQ(ui::UserData(curve), "30");
  curve->SetEqBands(std::span<const CurveBand>(many).first(3), 7);
  EXPECT_EQ(ui::UserData(curve), "30");
  EXPECT_EQ(curve->CurrentIndex(), 7);
}

TEST_F(EqualizerCurveTest, BypassTextOnlyWhileEveryGainIsZeroAndNoLogo) {
  std::vector<CurveBand> flat = SpreadBands(5);
  for (CurveBand& b : flat) b.gain = 0.0f;
  curve->SetEqBands(flat, -1);
  EXPECT_TRUE(curve->ShowsBypassText());
  flat[4].gain = 0.1f;
  curve->SetEqBands(flat, -1);
  EXPECT_FALSE(curve->ShowsBypassText());
  flat[4].gain = 0.0f;
  curve->SetEqBands(flat, -1);
  ASSERT_TRUE(curve->SetAttribute("curvelogo", "common/no_such_logo.png"));
  EXPECT_FALSE(curve->ShowsBypassText());
}

TEST_F(EqualizerCurveTest, Attributes) {
  QString fourteen = "#FF000001";
  for (int i = 2; i <= 14; ++i) fourteen += QString(" #FF0000%1").arg(i, 2, 10, QLatin1Char('0'));
  EXPECT_TRUE(curve->SetAttribute("CurveColor", fourteen));
  ASSERT_EQ(curve->CurveColours().size(), 12u);
  EXPECT_EQ(curve->CurveColours()[11], 0xFF000012u);
  EXPECT_TRUE(curve->SetAttribute("BYPASSFONT", "3"));
  EXPECT_EQ(curve->BypassFont(), 3);
  EXPECT_TRUE(curve->SetAttribute("textcolor", "#FFA0B0C0"));
  EXPECT_EQ(curve->TextColour(), 0xFFA0B0C0u);
  EXPECT_FALSE(curve->SetAttribute("font", "x"));
  EXPECT_FALSE(curve->SetAttribute("nosuchattribute", "1"));
}

/// Pixels of the image that are close to `argb`.
int CountColour(const QImage& image, unsigned argb) {
  const QColor want = QColor::fromRgba(argb);
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
          std::abs(c.blue() - want.blue()) < 40) {
        ++n;
      }
    }
  }
  return n;
}

TEST_F(EqualizerCurveTest, CurvesAreDrawnOnlyWithinTheirFrequencyRange) {
  const Curve& grid = StandardCurveGrid().Frequencies();
  Curve plusSix;
  plusSix.fill(6.0);
  Curve minusSix;
  minusSix.fill(-6.0);
  Curve outside;
  for (std::size_t i = 0; i < kCurveSize; ++i) outside[i] = i % 2 ? 9.9 : 20100.5;
  Curve zeros{};
  ASSERT_TRUE(curve->SetAttribute("curvecolor", "#FFFF0000 #FF0000FF"));
  curve->SetEqBands({}, -1);

  QImage image(600, 300, QImage::Format_ARGB32_Premultiplied);
  auto render = [&] {
    image.fill(Qt::black);
    curve->render(&image);
  };

  // Output 2 selected, uncoloured: green; output 1 shown in its colour (blue).
  std::vector<ChannelCurveSource> sources(8);
  sources[1] = {&grid, &minusSix, true};
  sources[2] = {&grid, &plusSix, true};
  curve->SetChannelCurves(sources, 2);
  render();
  const int y6 = curve->Axes().YOfGain(6.0);
  EXPECT_GT(CountColour(image.copy(200, y6 - 2, 200, 5), EqualizerCurve::kSelectedCurve), 100);
  const int yMinus6 = curve->Axes().YOfGain(-6.0);
  EXPECT_GT(CountColour(image.copy(200, yMinus6 - 2, 200, 5), 0xFF0000FFu), 100);

  // The other outputs are painted once and reused: moving output 1's curve must still show
  // at its new place, and not at its old one.
  sources[1] = {&grid, &plusSix, true};
  sources[2] = {&grid, &minusSix, true};
  curve->SetChannelCurves(sources, 2);
  render();
  EXPECT_GT(CountColour(image.copy(200, y6 - 2, 200, 5), 0xFF0000FFu), 100);
  EXPECT_EQ(CountColour(image.copy(200, yMinus6 - 2, 200, 5), 0xFF0000FFu), 0);
  EXPECT_GT(CountColour(image.copy(200, yMinus6 - 2, 200, 5), EqualizerCurve::kSelectedCurve), 100);
  sources[1] = {&grid, &minusSix, true};
  sources[2] = {&grid, &plusSix, true};

  // Hidden output 1; output 2's points all outside 10..20100 Hz; then a curve of zeros.
  sources[1].show = false;
  sources[2] = {&outside, &plusSix, true};
  curve->SetChannelCurves(sources, 2);
  render();
  EXPECT_EQ(CountColour(image, EqualizerCurve::kSelectedCurve), 0);
  EXPECT_EQ(CountColour(image, 0xFF0000FFu), 0);
  sources[2] = {&zeros, &zeros, true};
  curve->SetChannelCurves(sources, 2);
  render();
  EXPECT_EQ(CountColour(image, EqualizerCurve::kSelectedCurve), 0);

  // An empty list changes nothing.
  curve->SetChannelCurves(std::span<const ChannelCurveSource>{}, 5);
  EXPECT_EQ(curve->SelectedChannel(), 2);
  EXPECT_EQ(curve->ChannelCount(), 8);
}

}  // namespace
}  // namespace qb::controls

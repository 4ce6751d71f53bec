// The calibration display: its +20..-20 dB axis, which curves it draws, and that a repaint
// without a change reuses what was painted.
#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <vector>

#include "controls/curve_geometry.h"
#include "controls/equalizer_curve_ac.h"

namespace qb::controls {
namespace {

using Set = EqualizerCurveAc::Set;

struct Curves {
  std::vector<double> hz{10.0, 20.0, 1000.0, 20000.0, 22000.0};
  std::vector<double> db{3.0, 5.0, 0.0, -5.0, 7.0};
};

std::vector<AcCurveView> Views(const Curves& c, std::initializer_list<bool> shown) {
  std::vector<AcCurveView> views;
  for (bool show : shown) views.push_back(AcCurveView{c.hz, c.db, show});
  return views;
}

void Render(QWidget& w) {
  QImage image(w.size(), QImage::Format_ARGB32);
  w.render(&image);
}

}  // namespace

TEST(CurveAcAxes, ZeroSitsInTheMiddleAndTwentyDecibelsAtTheEdges) {
  const CurveAxes axes(PixelRect{0, 0, 400, 200}, EqualizerCurveAc::kTopDb, EqualizerCurveAc::kBottomDb);
  EXPECT_EQ(axes.ZeroDbY(), 100.0f);
  EXPECT_EQ(axes.YOfGain(20.0), 0);
  EXPECT_EQ(axes.YOfGain(-20.0), 200);
  EXPECT_EQ(axes.YOfGain(-10.0), 150);
}

TEST(CurveAc, ShowsOnlyShownChannelsWithinTheAxisAndIgnoresAnEmptyList) {
  EqualizerCurveAc curve;
  curve.resize(400, 200);
  const Curves c;
  curve.SetMeasuredCurves(Views(c, {true, false}));
  EXPECT_EQ(curve.ChannelCount(Set::Measured), 2);
  EXPECT_TRUE(curve.Shown(Set::Measured, 0));
  EXPECT_FALSE(curve.Shown(Set::Measured, 1));
  EXPECT_TRUE(curve.Polyline(Set::Measured, 1).empty());
  // 10 Hz and 22 kHz lie outside the axis: three points, high to low, unsmoothed.
  const auto points = curve.Polyline(Set::Measured, 0);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points.front(), (PixelPoint{400, 150 - 25}));
  EXPECT_EQ(points.back(), (PixelPoint{0, 100 - 25}));
  // The target runs through all points but the last.
  curve.SetTargetCurves(Views(c, {true}));
  EXPECT_EQ(curve.Polyline(Set::Target, 0).size(), 2u);

  curve.SetMeasuredCurves({});
  EXPECT_EQ(curve.ChannelCount(Set::Measured), 2);
  // More than eight channels: the first eight are kept.
  curve.SetCorrectionCurves(Views(c, {true, true, true, true, true, true, true, true, true}));
  EXPECT_EQ(curve.ChannelCount(Set::Correction), EqualizerCurveAc::kMaxChannels);
}

TEST(CurveAc, RepaintsReuseTheCurvesUntilTheyChangeAndPointerInputDoesNothing) {
  EqualizerCurveAc curve;
  curve.resize(300, 150);
  const Curves c;
  curve.SetCorrectionCurves(Views(c, {true}));
  Render(curve);
  const int painted = curve.CurvePaints();
  Render(curve);
  Render(curve);
  EXPECT_EQ(curve.CurvePaints(), painted);
  QTest::mouseClick(&curve, Qt::LeftButton, {}, QPoint(150, 75));
  Render(curve);
  EXPECT_EQ(curve.CurvePaints(), painted);
  curve.SetPredictedCurves(Views(c, {true}));
  Render(curve);
  EXPECT_EQ(curve.CurvePaints(), painted + 1);
  curve.resize(320, 150);
  Render(curve);
  EXPECT_EQ(curve.CurvePaints(), painted + 2);
}

TEST(CurveAc, TakesTheLabelAttributesButNotTheEditableCurvesOwn) {
  EqualizerCurveAc curve;
  EXPECT_TRUE(curve.SetAttribute(QStringLiteral("Align"), QStringLiteral("center")));
  EXPECT_TRUE(curve.SetAttribute(QStringLiteral("textcolor"), QStringLiteral("#FF112233")));
  EXPECT_TRUE(curve.SetAttribute(QStringLiteral("textpadding"), QStringLiteral("1,2,3,4")));
  EXPECT_FALSE(curve.SetAttribute(QStringLiteral("font"), QStringLiteral("big")));
  for (const char* own : {"curvecolor", "curvelogo", "bypassfont"})
    EXPECT_FALSE(curve.SetAttribute(QString::fromLatin1(own), QStringLiteral("1"))) << own;
}

}  // namespace qb::controls

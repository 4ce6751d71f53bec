// The plot mapping, the handle layout, the hit order and the attribute parsers of the
// equaliser curve, without a widget.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "controls/curve_attributes.h"
#include "controls/curve_geometry.h"
#include "controls/curve_hit_test.h"
#include "controls/curve_layout.h"
#include "controls/equalizer_curve.h"
#include "dspmath/curve_grid.h"

namespace qb::controls {
namespace {

const PixelRect kPlot{0, 0, 600, 300};        // y0 = 120
const PixelRect kOffsetPlot{30, 10, 630, 310};  // same size, moved

TEST(CurveAxes, EdgesMapToTheAxisEnds) {
  for (const PixelRect& plot : {kPlot, kOffsetPlot}) {
    const CurveAxes axes(plot);
    SCOPED_TRACE(plot.left);
    EXPECT_EQ(axes.XOfFrequency(20), plot.left);
    EXPECT_EQ(axes.XOfFrequency(20000), plot.right);
    EXPECT_EQ(axes.FrequencyOfX(plot.left), 20);
    EXPECT_EQ(axes.FrequencyOfX(plot.right), 20000);
    EXPECT_FLOAT_EQ(axes.ZeroDbY(), static_cast<float>(plot.top + 120));
    EXPECT_EQ(axes.YOfGain(12.0), plot.top);
    EXPECT_EQ(axes.YOfGain(-18.0), plot.bottom);
    EXPECT_EQ(axes.YOfGain(0.0), plot.top + 120);
    EXPECT_FLOAT_EQ(axes.GainOfY(plot.top), 12.0f);
    EXPECT_FLOAT_EQ(axes.GainOfY(plot.bottom), -18.0f);
    EXPECT_FLOAT_EQ(axes.GainOfY(plot.top + 120), 0.0f);
    // One decade is a third of the width.
    EXPECT_NEAR(axes.XOfFrequency(200), plot.left + 200, 1);
    EXPECT_NEAR(axes.XOfFrequency(2000), plot.left + 400, 1);
  }
}

TEST(CurveAxes, RoundTripsStayWithinAPixel) {
  const CurveAxes axes(kOffsetPlot);
  for (int x = kOffsetPlot.left; x <= kOffsetPlot.right; ++x) {
    const int hz = axes.FrequencyOfX(x);
    ASSERT_GE(hz, 20);
    ASSERT_LE(hz, 20000);
    // Frequencies are whole Hz: near 20 Hz half a Hz spans two pixels of the log axis.
    const double roundingPx = 200.0 * std::log10(1.0 + 0.5 / hz);
    EXPECT_NEAR(axes.XOfFrequency(hz), x, 1.0 + roundingPx) << "x " << x;
  }
  for (int y = kOffsetPlot.top; y <= kOffsetPlot.bottom; ++y) {
    const float db = axes.GainOfY(y);
    ASSERT_GE(db, -18.0f);
    ASSERT_LE(db, 12.0f);
    EXPECT_NEAR(axes.YOfGain(db), y, 1) << "y " << y;
  }
}

TEST(CurveAxes, ClampKeepsEditingInsideThePlot) {
  const CurveAxes axes(kOffsetPlot);
  struct Case {
    PixelPoint in, out;
  } cases[] = {
      {{-500, -500}, {30, 10}},
      {{5000, 5000}, {630, 310}},
      {{100, 5000}, {100, 310}},
      {{-1, 100}, {30, 100}},
      {{300, 200}, {300, 200}},
  };
  for (const Case& c : cases) {
    const PixelPoint p = axes.Clamp(c.in);
    EXPECT_EQ(p, c.out) << c.in.x << "," << c.in.y;
    EXPECT_GE(axes.FrequencyOfX(p.x), 20);
    EXPECT_LE(axes.FrequencyOfX(p.x), 20000);
    EXPECT_GE(axes.GainOfY(p.y), -18.0f);
    EXPECT_LE(axes.GainOfY(p.y), 12.0f);
  }
}

TEST(CurveAxes, UnsetFrequenciesAndEmptyPlotsDoNotBlowUp) {
  const CurveAxes axes(kPlot);
  EXPECT_LT(axes.XOfFrequency(0.0), -100000);
  EXPECT_LT(axes.XOfFrequency(-5.0), -100000);
  const CurveAxes empty(PixelRect{});
  EXPECT_FALSE(empty.IsUsable());
  EXPECT_EQ(empty.FrequencyOfX(10), 20);
  EXPECT_FLOAT_EQ(empty.GainOfY(5), 0.0f);
  EXPECT_TRUE(axes.IsUsable());
}

TEST(HandleQ, HeldToItsRangeWhateverTheDistance) {
  struct Case {
    int x, pointX, scale;
    float q;
  } cases[] = {
      {381, 300, 100, 1.0f},    // 81 px at 100 %: Q 1
      {219, 300, 100, 1.0f},    // either side
      {340, 300, 100, 2.025f},  // 81 / 40
      {300, 300, 100, 9.0f},    // on the point: the 3 px minimum gives 27, held to 9
      {309, 300, 100, 9.0f},
      {1000, 300, 100, 0.5f},   // 162 px maximum
      {-5000, 300, 100, 0.5f},
      {421, 300, 150, 1.0f},    // 121 px at 150 %
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(QOfHandleX(c.x, c.pointX, c.scale), c.q, 1e-5) << c.x << " @" << c.scale;
  }
  EXPECT_FLOAT_EQ(QOfHandleX(300, 300, 1), 9.0f);  // both limits 0 at a tiny scale
}

TEST(PushedStart, BoxesTouchTheEdgeTheyWouldCross) {
  EXPECT_EQ(PushedStart(300, 16, 0, 600), 292);
  EXPECT_EQ(PushedStart(3, 16, 0, 600), 0);
  EXPECT_EQ(PushedStart(597, 16, 0, 600), 584);
  EXPECT_EQ(PushedStart(600, 16, 0, 600), 584);
}

TEST(CurvePolyline, StandardGridDrawsItsAudibleRangeOnly) {
  const Curve& grid = StandardCurveGrid().Frequencies();
  Curve flat{};
  const CurveAxes axes(kPlot);
  std::vector<PixelPoint> raw;
  BuildCurvePolyline(axes, grid, flat, false, raw);
  ASSERT_EQ(raw.size(), 386u);
  EXPECT_EQ(BezierSegmentCount(static_cast<int>(raw.size())), 128);
  // Walked from high to low frequency, every point on the 0 dB row.
  for (std::size_t i = 1; i < raw.size(); ++i) EXPECT_LE(raw[i].x, raw[i - 1].x);
  for (const PixelPoint& p : raw) EXPECT_EQ(p.y, 120);
  std::vector<PixelPoint> smooth;
  BuildCurvePolyline(axes, grid, flat, true, smooth);
  EXPECT_EQ(smooth.size(), 386u);
}

TEST(CurvePolyline, PointsOutside10To20100HzAreSkipped) {
  const std::vector<double> hz = {0.0, 5.0, 9.99, 10.0, 1000.0, 20100.0, 20100.5, 30000.0};
  const std::vector<double> db(hz.size(), 3.0);
  const CurveAxes axes(kPlot);
  std::vector<PixelPoint> points;
  BuildCurvePolyline(axes, hz, db, false, points);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].x, axes.XOfFrequency(20100.0));
  EXPECT_EQ(points[1].x, axes.XOfFrequency(1000.0));
  EXPECT_EQ(points[2].x, axes.XOfFrequency(10.0));

  const std::vector<double> zeros(512, 0.0);
  BuildCurvePolyline(axes, zeros, zeros, true, points);
  EXPECT_TRUE(points.empty());
  BuildCurvePolyline(axes, zeros, zeros, false, points);
  EXPECT_TRUE(points.empty());
}

TEST(CurvePolyline, SmoothingAveragesAndHoldsLeftOfThePlot) {
  // Ascending input, walked from the end: 2000 Hz, 1000 Hz, then 12 Hz left of the plot.
  const std::vector<double> hz = {12.0, 1000.0, 2000.0};
  const std::vector<double> db = {-18.0, 6.0, 0.0};
  const CurveAxes axes(kPlot);
  std::vector<PixelPoint> points;
  BuildCurvePolyline(axes, hz, db, true, points);
  ASSERT_EQ(points.size(), 3u);
  const int x2k = axes.XOfFrequency(2000.0);
  const int x1k = axes.XOfFrequency(1000.0);
  EXPECT_EQ(points[0], (PixelPoint{x2k, 120}));
  const PixelPoint avg{static_cast<int>(std::lround((x1k + x2k) * 0.5)),
                       static_cast<int>(std::lround((axes.YOfGain(6.0) + 120) * 0.5))};
  EXPECT_EQ(points[1], avg);
  EXPECT_EQ(points[2], avg);  // left of the plot: the running point again

  // A curve lying wholly left of the plot has no running point to repeat.
  const std::vector<double> low = {11.0, 12.0, 15.0};
  BuildCurvePolyline(axes, low, db, true, points);
  EXPECT_TRUE(points.empty());
}

TEST(BezierSegments, WholeSegmentsOverAllButTheLastPoint) {
  struct Case {
    int points, segments;
  } cases[] = {{0, 0}, {1, 0}, {2, 0}, {4, 0}, {5, 1}, {7, 1}, {8, 2}, {386, 128}};
  for (const Case& c : cases) EXPECT_EQ(BezierSegmentCount(c.points), c.segments) << c.points;
}

TEST(BandLayout, LabelsArePushedInsideThePlot) {
  const CurveAxes axes(kPlot);
  EXPECT_EQ(BandLabelRect(axes, {300, 150}, 100), (PixelRect{292, 142, 308, 158}));
  EXPECT_EQ(BandLabelRect(axes, {2, 1}, 100), (PixelRect{0, 0, 16, 16}));
  EXPECT_EQ(BandLabelRect(axes, {600, 300}, 100), (PixelRect{584, 284, 600, 300}));
  EXPECT_EQ(BandLabelRect(axes, {300, 150}, 150), (PixelRect{288, 138, 312, 162}));
}

/// No two of `labels` overlap, none covers an obstacle, and all lie inside `plot`.
void ExpectLegible(std::span<const PixelRect> labels, std::span<const PixelRect> obstacles, const PixelRect& plot) {
  for (std::size_t i = 0; i < labels.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(labels[i].Intersects(labels[j])) << "labels " << j + 1 << " and " << i + 1;
    for (const PixelRect& o : obstacles) EXPECT_FALSE(labels[i].Intersects(o)) << "label " << i + 1 << " on an axis text";
    EXPECT_TRUE(labels[i].left >= plot.left && labels[i].right <= plot.right && labels[i].top >= plot.top &&
                labels[i].bottom <= plot.bottom)
        << i + 1;
  }
}

TEST(BandLayout, LabelsStayOffEachOtherAndOffTheAxisTexts) {
  const CurveAxes axes(PixelRect{0, 0, 480, 200});
  const PixelRect zeroDbText{2, axes.YOfGain(0) - 11, 26, axes.YOfGain(0) + 2};
  const PixelRect hzText{2, 188, 36, 200};
  const std::array<PixelRect, 2> axisTexts{zeroDbText, hzText};
  const auto labelAt = [&](int hz, float db, int digits) {
    PixelRect r = BandLabelRect(axes, {axes.XOfFrequency(hz), axes.YOfGain(db)}, 100);
    if (digits == 2) r.right += 6;  // two-digit numbers are wider than the box
    return r;
  };

  // Start-up: the 31 bands flat on the third-octave frequencies, band 1 on the "0 dB" text.
  const std::array<int, 31> thirdOctaves = {20,   25,   31,   40,   50,   63,   80,    100,   125,   160,  200,
                                            250,  315,  400,  500,  630,  800,  1000,  1250,  1600,  2000, 2500,
                                            3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
  std::array<PixelRect, 31> flat{};
  for (std::size_t i = 0; i < flat.size(); ++i) flat[i] = labelAt(thirdOctaves[i], 0.0f, i >= 9 ? 2 : 1);
  PlaceBandLabels(flat, axisTexts, axes.Plot());
  ExpectLegible(flat, axisTexts, axes.Plot());

  // Close bands that are not neighbours in number: "20" dragged next to "9", two bands on one
  // frequency, and a third just above them.
  std::array<PixelRect, 20> close{};
  for (std::size_t i = 0; i < close.size(); ++i) close[i] = labelAt(thirdOctaves[i], -6.0f, i >= 9 ? 2 : 1);
  close[19] = labelAt(126, -5.5f, 2);
  close[9] = labelAt(125, -6.0f, 2);
  close[10] = labelAt(130, -4.5f, 2);
  PlaceBandLabels(close, axisTexts, axes.Plot());
  ExpectLegible(close, axisTexts, axes.Plot());
}

TEST(BandLayout, AFreeLabelKeepsItsPlaceOnItsPoint) {
  const CurveAxes axes(PixelRect{0, 0, 480, 200});
  std::array<PixelRect, 2> labels{BandLabelRect(axes, {200, 60}, 100), BandLabelRect(axes, {300, 120}, 100)};
  const std::array<PixelRect, 2> before = labels;
  PlaceBandLabels(labels, {}, axes.Plot());
  EXPECT_EQ(labels, before);
}

TEST(BandLayout, InfoTextPerMode) {
  const CurveBand band{3.0f, 1.41f, 1000, 1};
  EXPECT_EQ(BandInfoText(band, true), "1000 Hz 1.41 Q 3.0 dB");
  EXPECT_EQ(BandInfoText(band, false), "3.0 dB");
  EXPECT_EQ(BandInfoText(CurveBand{-12.3f, 9.0f, 20, 1}, true), "20 Hz 9.00 Q -12.3 dB");
}

TEST(BandLayout, InfoLabelAndQHandlesStayClearOfTheEdges) {
  const CurveAxes axes(kPlot);
  struct Case {
    int b;
    int infoTop, infoBottom, handleTop, handleBottom;
  } cases[] = {
      {5, 22, 37, 12, 20},      // near the top: fixed rows under it
      {150, 164, 179, 154, 162},  // middle: below the point
      {280, 251, 266, 268, 276},  // above bottom - 29: above the point
      {295, 263, 278, 280, 288},  // within 10 of the bottom: fixed rows over it
  };
  for (const Case& c : cases) {
    const PixelRect info = BandInfoRect(axes, {300, c.b}, true, 100);
    EXPECT_EQ(info.top, c.infoTop) << c.b;
    EXPECT_EQ(info.bottom, c.infoBottom) << c.b;
    EXPECT_EQ(info.Width(), 150);
    PixelRect left, right;
    QHandleRects(axes, {300, c.b}, 1.0f, 100, left, right);
    EXPECT_EQ(left, (PixelRect{215, c.handleTop, 223, c.handleBottom})) << c.b;
    EXPECT_EQ(right, (PixelRect{377, c.handleTop, 385, c.handleBottom})) << c.b;
  }
  EXPECT_EQ(BandInfoRect(axes, {10, 150}, true, 100).left, 0);
  EXPECT_EQ(BandInfoRect(axes, {590, 150}, false, 100).right, 600);
  EXPECT_EQ(BandInfoRect(axes, {590, 150}, false, 100).Width(), 50);
  // Q outside 0.5..9 puts the handles where the limit would.
  PixelRect l1, r1, l2, r2;
  QHandleRects(axes, {300, 150}, 40.0f, 100, l1, r1);
  QHandleRects(axes, {300, 150}, 9.0f, 100, l2, r2);
  EXPECT_EQ(l1, l2);
  EXPECT_EQ(r1, r2);
}

TEST(CrossoverLayout, HandlesSitBelowTheirRows) {
  const CurveAxes axes(kPlot);
  const PixelRect h = HighPassRect(axes, 200, 100);
  EXPECT_EQ(h, (PixelRect{193, axes.YOfGain(-8), 207, axes.YOfGain(-8) + 10}));
  const PixelRect l = LowPassRect(axes, 20000, 100);
  EXPECT_EQ(l, (PixelRect{586, axes.YOfGain(-11), 600, axes.YOfGain(-11) + 12}));
  EXPECT_TRUE(IsHandleFrequency(20));
  EXPECT_TRUE(IsHandleFrequency(20000));
  EXPECT_FALSE(IsHandleFrequency(19));
  EXPECT_FALSE(IsHandleFrequency(30000));
  EXPECT_FALSE(IsHandleFrequency(-1));
}

TEST(HitOrder, LowerBandWinsWhereLabelsOverlap) {
  const std::vector<PixelRect> labels = {
      {0, 0, 16, 16}, {100, 100, 116, 116}, {108, 108, 124, 124}, {108, 108, 124, 124}};
  CurveHitAreas areas;
  areas.labels = labels;
  EXPECT_EQ(HitOnPress(areas, {110, 110}), (CurveHit{CurveTarget::kBand, 1}));
  EXPECT_EQ(HitOnHover(areas, {110, 110}), (CurveHit{CurveTarget::kBand, 1}));
  EXPECT_EQ(HitOnPress(areas, {120, 120}), (CurveHit{CurveTarget::kBand, 2}));
  EXPECT_EQ(HitOnPress(areas, {50, 50}), CurveHit{});
  // A slot beyond the band count is not in the list and is never hit.
  areas.labels = std::span<const PixelRect>(labels.data(), 2);
  EXPECT_EQ(HitOnPress(areas, {120, 120}), CurveHit{});
}

TEST(HitOrder, PressPrefersQHandlesHoverPrefersLabels) {
  const std::vector<PixelRect> labels = {{200, 100, 216, 116}};
  CurveHitAreas areas;
  areas.labels = labels;
  areas.qLeft = {205, 105, 213, 113};
  areas.qRight = {300, 105, 308, 113};
  areas.highPass = {300, 105, 314, 115};
  areas.lowPass = {300, 105, 314, 117};
  areas.qHandles = true;
  EXPECT_EQ(HitOnPress(areas, {206, 106}).target, CurveTarget::kQHandle);
  EXPECT_EQ(HitOnHover(areas, {206, 106}), (CurveHit{CurveTarget::kBand, 0}));
  EXPECT_EQ(HitOnPress(areas, {301, 106}).target, CurveTarget::kQHandle);
  EXPECT_EQ(HitOnPress(areas, {310, 106}).target, CurveTarget::kHighPass);
  EXPECT_EQ(HitOnPress(areas, {310, 116}).target, CurveTarget::kLowPass);
  // Graphic mode (or no current band): the Q handles are not there.
  areas.qHandles = false;
  EXPECT_EQ(HitOnPress(areas, {206, 106}), (CurveHit{CurveTarget::kBand, 0}));
  EXPECT_EQ(HitOnPress(areas, {301, 106}).target, CurveTarget::kHighPass);
  // Removed handles have empty rects.
  areas.highPass = {};
  areas.lowPass = {};
  EXPECT_EQ(HitOnPress(areas, {301, 106}), CurveHit{});
  EXPECT_EQ(HitOnHover(areas, {0, 0}), CurveHit{});
}

TEST(CurveAttributes, ColourListKeepsTwelveAndRejectsGarbage) {
  std::vector<unsigned> colours;
  QString fourteen;
  for (unsigned i = 0; i < 14; ++i) {
    fourteen += (i ? " #" : "#") + QString::number(0xFF000000u + i, 16).toUpper();
  }
  ASSERT_TRUE(ParseCurveColourList(fourteen, 12, colours));
  ASSERT_EQ(colours.size(), 12u);
  EXPECT_EQ(colours[0], 0xFF000000u);
  EXPECT_EQ(colours[11], 0xFF00000Bu);
  ASSERT_TRUE(ParseCurveColourList("#FFEF0000 #ff00c000", 12, colours));
  EXPECT_EQ(colours, (std::vector<unsigned>{0xFFEF0000u, 0xFF00C000u}));
  EXPECT_FALSE(ParseCurveColourList("#FFEF0000 #zz", 12, colours));
  EXPECT_EQ(colours.size(), 2u);  // untouched
}

TEST(CurveAttributes, TextStyleBits) {
  using C = EqualizerCurve;
  unsigned s = C::kDefaultTextStyle;
  s = ApplyAlign(s, "left");
  EXPECT_EQ(s & (C::kStyleCenter | C::kStyleRight), 0u);
  s = ApplyAlign(s, "right");
  EXPECT_EQ(s & (C::kStyleCenter | C::kStyleRight), C::kStyleRight);
  s = ApplyVAlign(s, "bottom");
  EXPECT_EQ(s & (C::kStyleVCenter | C::kStyleBottom), C::kStyleBottom);
  s = ApplyWordBreak(s, "true");
  EXPECT_TRUE(s & C::kStyleWordBreak);
  EXPECT_FALSE(s & C::kStyleSingleLine);
  s = ApplyVAlign(s, "vcenter");
  EXPECT_EQ(s & (C::kStyleVCenter | C::kStyleBottom), C::kStyleVCenter);
  EXPECT_TRUE(s & C::kStyleSingleLine);
  s = ApplyFlag(s, C::kStyleEndEllipsis, "true");
  EXPECT_TRUE(s & C::kStyleEndEllipsis);
  s = ApplyFlag(s, C::kStyleEndEllipsis, "yes");
  EXPECT_FALSE(s & C::kStyleEndEllipsis);
  std::array<int, 4> padding{};
  EXPECT_TRUE(ParsePadding("1, 2,3,4", padding));
  EXPECT_EQ(padding, (std::array<int, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(ParsePadding("1,2,3", padding));
  EXPECT_FALSE(ParsePadding("1,2,x,4", padding));
}

}  // namespace
}  // namespace qb::controls

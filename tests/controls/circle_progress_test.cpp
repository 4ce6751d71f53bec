#include "controls/circle_progress.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <climits>
#include <cmath>

namespace qb::controls {
namespace {

struct SweepCase {
  int value;
  int minimum;
  int maximum;
  int degrees;
};

TEST(SweepDegrees, DividesTheValueByTheSpanAndCutsToWholeDegrees) {
  const SweepCase cases[] = {
      {0, 0, 100, 0},
      {25, 0, 100, 90},
      {100, 0, 100, 360},
      {100, 50, 150, 360},  // not offset by the minimum
      {75, 50, 150, 270},
      {33, 0, 100, 118},    // 118.8
      {1, 0, 7, 51},        // 51.43
      {50, -100, 100, 90},
      {-50, -100, 100, -90},
      {-1, -1000, 1000, 0},  // -0.18 is cut towards zero
      {1000, 0, 1, 360},     // never more than one turn
      {-1000, -1000, -999, -360},
      {INT_MAX, INT_MIN, INT_MAX, 179},  // a span wider than int: 179.99
      {10, 5, 5, 0},                     // empty range
      {10, 9, 5, 0},                     // inverted range
  };
  for (const SweepCase& c : cases) {
    EXPECT_EQ(SweepDegrees(c.value, c.minimum, c.maximum), c.degrees)
        << c.value << " in " << c.minimum << ".." << c.maximum;
  }
}

constexpr unsigned kBack = 0xFF0000FFu;  // blue
constexpr unsigned kFore = 0xFFFF0000u;  // red
constexpr int kSize = 100;

QImage Render(int minimum, int maximum, int value) {
  CircleProgress ring;
  ring.resize(kSize, kSize);
  ring.SetBackgroundColor(kBack);
  ring.SetForegroundColor(kFore);
  EXPECT_TRUE(ring.SetRange(minimum, maximum));
  ring.SetValue(value);
  return ring.grab().toImage();
}

/// A point in the middle of the ring (radius 45 of 50, the white disc has 40) at a clock
/// angle in degrees measured clockwise from three o'clock, as the ring is drawn.
QPoint RingPoint(double clockwiseDegrees) {
  const double radians = clockwiseDegrees * M_PI / 180.0;
  const double centre = kSize / 2.0;
  return QPoint(int(std::lround(centre + 45.0 * std::cos(radians))),
                int(std::lround(centre + 45.0 * std::sin(radians))));  // y grows downwards
}

unsigned Pixel(const QImage& image, QPoint p) { return image.pixelColor(p).rgba(); }

TEST(CircleProgressPaint, AQuarterStartsAtTheBottomAndRunsClockwiseTowardsTheLeft) {
  const QImage image = Render(0, 100, 25);
  ASSERT_EQ(image.size(), QSize(kSize, kSize));
  // Clockwise on screen from six o'clock runs through the lower left quadrant.
  EXPECT_EQ(Pixel(image, RingPoint(135)), kFore) << "lower left";
  EXPECT_EQ(Pixel(image, RingPoint(45)), kBack) << "lower right";
  EXPECT_EQ(Pixel(image, RingPoint(225)), kBack) << "upper left";
  EXPECT_EQ(Pixel(image, RingPoint(315)), kBack) << "upper right";
  // Either side of the starting edge at the bottom centre.
  EXPECT_EQ(Pixel(image, QPoint(45, 95)), kFore);
  EXPECT_EQ(Pixel(image, QPoint(55, 95)), kBack);
  EXPECT_EQ(Pixel(image, QPoint(kSize / 2, kSize / 2)), 0xFFFFFFFFu) << "white centre";
  EXPECT_EQ(Pixel(image, QPoint(kSize / 2, 15)), 0xFFFFFFFFu) << "white just inside the ring";
}

TEST(CircleProgressPaint, AValueOfTheSpanFillsTheWholeRingWhateverTheMinimum) {
  const QImage image = Render(50, 150, 100);
  for (const double angle : {0.0, 45.0, 89.0, 91.0, 135.0, 180.0, 225.0, 270.0, 315.0})
    EXPECT_EQ(Pixel(image, RingPoint(angle)), kFore) << angle << " degrees";
  EXPECT_EQ(Pixel(image, QPoint(kSize / 2, kSize / 2)), 0xFFFFFFFFu);
}

TEST(CircleProgressPaint, TheMinimumValueShowsOnlyTheBackgroundRing) {
  const QImage image = Render(0, 100, 0);
  for (const double angle : {0.0, 90.0, 180.0, 270.0})
    EXPECT_EQ(Pixel(image, RingPoint(angle)), kBack) << angle << " degrees";
}

TEST(CircleProgressPaint, AControlSmallerThanTheInsetIsAFullPieWithoutHole) {
  CircleProgress ring;
  ring.resize(16, 16);
  ring.SetBackgroundColor(kBack);
  ring.SetForegroundColor(kFore);
  ring.SetValue(100);
  const QImage image = ring.grab().toImage();
  EXPECT_EQ(Pixel(image, QPoint(8, 8)), kFore);
}

}  // namespace
}  // namespace qb::controls

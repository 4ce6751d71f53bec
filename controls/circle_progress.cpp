#include "controls/circle_progress.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qb::controls {
namespace {

constexpr int kFullTurn = 360;
/// QPainter's pie angles are in sixteenths of a degree.
constexpr int kQtAngleUnit = 16;
constexpr unsigned kOpaqueWhite = 0xFFFFFFFFu;

/// Qt measures pie angles counter-clockwise; the ring's angles are clockwise.
int ToQtAngle(int clockwiseDegrees) { return -clockwiseDegrees * kQtAngleUnit; }

}  // namespace

int SweepDegrees(int value, int minimum, int maximum) {
  // In 64 bits: maximum - minimum overflows int for ranges wider than half of it.
  const long long range = static_cast<long long>(maximum) - minimum;
  if (range <= 0) return 0;
  const double degrees = std::trunc(double(value) / double(range) * kFullTurn);
  return static_cast<int>(std::clamp(degrees, double(-kFullTurn), double(kFullTurn)));
}

CircleProgress::CircleProgress(QWidget* parent) : ui::Progress(parent) {}

void CircleProgress::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const QRect r = rect();

  painter.setBrush(QColor::fromRgba(BackgroundColor()));
  painter.drawPie(r, 0, kFullTurn * kQtAngleUnit);

  const int sweep = SweepDegrees(Value(), Minimum(), Maximum());
  if (sweep != 0) {
    painter.setBrush(QColor::fromRgba(ForegroundColor()));
    painter.drawPie(r, ToQtAngle(kStartDegrees), ToQtAngle(sweep));
  }

  const QRect inner = r.adjusted(kRingInset, kRingInset, -kRingInset, -kRingInset);
  if (!inner.isEmpty()) {
    painter.setBrush(QColor::fromRgba(kOpaqueWhite));
    painter.drawPie(inner, 0, kFullTurn * kQtAngleUnit);
  }

  PaintText(painter);
}

}  // namespace qb::controls

#pragma once
/// The progress control drawn as a ring: a full disc in the background colour, a pie in the
/// foreground colour that starts straight down and runs clockwise, and a white disc 10 px
/// inside the edge that leaves only the ring visible. The text is the progress bar's.

#include "ui/progress.h"

namespace qb::controls {

/// The ring's sweep in whole degrees, clockwise: trunc(value / (maximum - minimum) * 360).
/// The value is not offset by the minimum, so 100 in 50..150 is a full turn; ranges that
/// start at 0, the usual case, read the same either way. The result is limited to one turn either way; an empty or
/// inverted range gives 0.
int SweepDegrees(int value, int minimum, int maximum);

class CircleProgress : public ui::Progress {
  Q_OBJECT
 public:
  /// How far the white disc sits inside the control's edge on every side, in pixels.
  static constexpr int kRingInset = 10;
  /// Where the sweep starts, clockwise from three o'clock (straight down).
  static constexpr int kStartDegrees = 90;

  explicit CircleProgress(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace qb::controls

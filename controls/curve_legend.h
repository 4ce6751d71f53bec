#pragma once
/// The legend of the curves drawn over an equaliser plot: per curve a show box with its
/// name, beside a sample of its line in its colour. It sits in the plot's lower right corner,
/// above the frequency texts, and follows the plot's size and display scale. The boxes are
/// the skin's check boxes, so a click on one reaches the window's bindings like any control's;
/// what a box shows or hides is the owner's affair.

#include <QWidget>
#include <vector>

#include "controls/curve_overlay.h"

namespace qb::ui {
class CheckBox;
}

namespace qb::controls {

class EqualizerCurve;

class CurveLegend : public QWidget {
  Q_OBJECT
 public:
  /// An empty legend on `curve`, its parent; hidden until an entry is shown.
  explicit CurveLegend(EqualizerCurve* curve);

  /// Adds an entry, shown and checked: a box named `name` reading `text` (a language key).
  ui::CheckBox* AddEntry(const QString& name, const QString& text, unsigned argb, OverlayLine line);
  /// Shows or hides the entry of `box`; the legend holds the entries shown, and hides
  /// itself without any.
  void SetEntryShown(const ui::CheckBox* box, bool shown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Entry {
    ui::CheckBox* box = nullptr;
    unsigned argb = 0;
    OverlayLine line = OverlayLine::Solid;
    bool shown = true;
  };
  /// Lays the shown entries out and puts the legend in its corner.
  void Place();

  EqualizerCurve* m_curve;
  std::vector<Entry> m_entries;
};

}  // namespace qb::controls

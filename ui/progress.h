#pragma once
/// The skin's progress bar: minimum, maximum, value, background and foreground colours and
/// an optional text, painted as a horizontal bar. The circle progress paints the same data
/// as a ring.

#include <QWidget>

namespace qb::ui {

class Progress : public QWidget {
  Q_OBJECT
 public:
  explicit Progress(QWidget* parent = nullptr);

  int Minimum() const { return m_min; }
  int Maximum() const { return m_max; }
  int Value() const { return m_value; }
  /// The range must keep maximum above minimum; an empty range is refused.
  bool SetRange(int minimum, int maximum);
  /// Clamped to the range.
  void SetValue(int value);
  unsigned BackgroundColor() const { return m_bkColor; }
  unsigned ForegroundColor() const { return m_foreColor; }
  void SetBackgroundColor(unsigned argb);
  void SetForegroundColor(unsigned argb);
  QString DisplayText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void PaintText(class QPainter& painter);

 private:
  int m_min = 0;
  int m_max = 100;
  int m_value = 0;
  unsigned m_bkColor = 0xFF2A2F36;
  unsigned m_foreColor = 0xFF2EC4D6;
};

}  // namespace qb::ui

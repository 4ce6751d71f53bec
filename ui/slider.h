#pragma once
/// The skin's slider. A press starts a drag only on the thumb; a press elsewhere on the track
/// leaves the value alone. While the thumb is dragged each change raises "movevaluechanged"
/// (when the layout asks for it); the end of a drag raises "valuechanged", and so does each
/// wheel notch over an enabled slider (one step up or down). Keys do not move it.

#include <QSlider>

namespace qb::ui {

class Slider : public QSlider {
  Q_OBJECT
 public:
  explicit Slider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  void SetMoveNotify(bool on) { m_moveNotify = on; }
  /// Sets the value without any notification (the program's own updates).
  void SetValue(int value);
  int Step() const { return singleStep(); }
  void SetStep(int step) { setSingleStep(step); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool PressIsOnThumb(const QPoint& pos) const;
  bool m_moveNotify = false;
  bool m_programUpdate = false;
};

}  // namespace qb::ui

#include "ui/slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include "ui/notification.h"

namespace qb::ui {

Slider::Slider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
  setFocusPolicy(Qt::ClickFocus);
  setTracking(true);
  connect(this, &QSlider::valueChanged, this, [this] {
    if (!m_programUpdate && isSliderDown() && m_moveNotify)
      RaiseNotification(this, Event::MoveValueChanged, value());
  });
  connect(this, &QSlider::sliderReleased, this,
          [this] { RaiseNotification(this, Event::ValueChanged, value()); });
}

void Slider::SetValue(int v) {
  m_programUpdate = true;
  setValue(v);
  m_programUpdate = false;
}

bool Slider::PressIsOnThumb(const QPoint& pos) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  return handle.contains(pos);
}

void Slider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !PressIsOnThumb(event->position().toPoint())) {
    // A press on the track off the thumb neither jumps nor pages the value.
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  QSlider::mousePressEvent(event);
}

void Slider::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int delta = event->angleDelta().y();
  if (!isEnabled() || delta == 0) return;
  const int before = value();
  SetValue(before + (delta > 0 ? singleStep() : -singleStep()));
  RaiseNotification(this, Event::ValueChanged, value());
}

void Slider::keyPressEvent(QKeyEvent* event) { event->ignore(); }

}  // namespace qb::ui

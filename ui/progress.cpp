#include "ui/progress.h"

#include <QPainter>
#include <algorithm>

#include "ui/control_text.h"
#include "ui/language_tables.h"

namespace qb::ui {

Progress::Progress(QWidget* parent) : QWidget(parent) {}

bool Progress::SetRange(int minimum, int maximum) {
  if (maximum <= minimum) return false;
  m_min = minimum;
  m_max = maximum;
  SetValue(m_value);
  return true;
}

void Progress::SetValue(int value) {
  m_value = std::clamp(value, m_min, m_max);
  update();
}

void Progress::SetBackgroundColor(unsigned argb) {
  m_bkColor = argb;
  update();
}

void Progress::SetForegroundColor(unsigned argb) {
  m_foreColor = argb;
  update();
}

QString Progress::DisplayText() const { return Tr(ControlText(this)); }

void Progress::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  painter.fillRect(r, QColor::fromRgba(m_bkColor));
  const double fraction = double(m_value - m_min) / double(m_max - m_min);
  QRect done = r;
  done.setWidth(int(r.width() * fraction));
  painter.fillRect(done, QColor::fromRgba(m_foreColor));
  PaintText(painter);
}

void Progress::PaintText(QPainter& painter) {
  const QString text = DisplayText();
  if (text.isEmpty()) return;
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(rect(), Qt::AlignCenter, text);
}

}  // namespace qb::ui

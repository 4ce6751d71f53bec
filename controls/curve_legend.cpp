#include "controls/curve_legend.h"

#include <QEvent>
#include <QPainter>

#include "controls/curve_painting.h"
#include "controls/equalizer_curve.h"
#include "ui/buttons.h"
#include "ui/control_text.h"

namespace qb::controls {
namespace {

// Sizes at 100 % display scale.
constexpr int kRowHeight = 16;
constexpr int kPadding = 4;
constexpr int kSampleWidth = 18;
constexpr int kBoxWidth = 104;
/// Room left under the legend for the frequency texts along the plot's bottom edge.
constexpr int kAxisTextRoom = 14;
constexpr unsigned kPlate = 0xC0101418u;

}  // namespace

CurveLegend::CurveLegend(EqualizerCurve* curve) : QWidget(curve), m_curve(curve) {
  hide();
  curve->installEventFilter(this);
}

ui::CheckBox* CurveLegend::AddEntry(const QString& name, const QString& text, unsigned argb, OverlayLine line) {
  auto* box = new ui::CheckBox(this);
  box->setObjectName(name);
  box->SetChecked(true, false);
  ui::SetControlText(box, text);
  m_entries.push_back({box, argb, line, true});
  Place();
  return box;
}

void CurveLegend::SetEntryShown(const ui::CheckBox* box, bool shown) {
  bool changed = false;
  for (Entry& entry : m_entries) {
    if (entry.box != box || entry.shown == shown) continue;
    entry.shown = shown;
    changed = true;
  }
  if (changed) Place();
}

bool CurveLegend::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_curve && event->type() == QEvent::Resize) Place();
  return QWidget::eventFilter(watched, event);
}

void CurveLegend::Place() {
  const int scale = m_curve->ScalePercent();
  const int row = ScaledSize(kRowHeight, scale);
  const int padding = ScaledSize(kPadding, scale);
  const int sample = ScaledSize(kSampleWidth, scale);
  int y = padding;
  for (const Entry& entry : m_entries) {
    entry.box->setVisible(entry.shown);
    if (!entry.shown) continue;
    entry.box->setGeometry(padding + sample + padding, y, ScaledSize(kBoxWidth, scale), row);
    y += row;
  }
  const int width = 3 * padding + sample + ScaledSize(kBoxWidth, scale);
  const int height = y + padding;
  setGeometry(m_curve->width() - width - padding, m_curve->height() - height - ScaledSize(kAxisTextRoom, scale), width,
              height);
  setVisible(y > padding);
  update();
}

void CurveLegend::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillRect(rect(), Argb(kPlate));
  const int scale = m_curve->ScalePercent();
  const int padding = ScaledSize(kPadding, scale);
  const int sample = ScaledSize(kSampleWidth, scale);
  for (const Entry& entry : m_entries) {
    if (!entry.shown) continue;
    const int y = entry.box->geometry().center().y();
    painter.setPen(OverlayPen(entry.argb, entry.line, scale));
    painter.drawLine(padding, y, padding + sample, y);
  }
}

}  // namespace qb::controls

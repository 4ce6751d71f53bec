#include "controls/equalizer_curve_ac.h"

#include <QPainter>
#include <algorithm>

#include "controls/curve_attributes.h"
#include "controls/curve_painting.h"
#include "ui/skin.h"
#include "ui/window_base.h"

namespace qb::controls {
namespace {

constexpr std::array<int, 6> kGridLevels = {-15, -10, -5, 5, 10, 15};
/// -20 dB would sit on the frequencies along the bottom edge.
constexpr std::array<int, 4> kAxisLevels = {20, 10, 0, -10};
constexpr double kShownMinHz = 20.0;
constexpr double kShownMaxHz = 20000.0;

struct SetStyle {
  bool smooth;
  Qt::PenStyle pen;
  bool spline;     ///< cardinal spline, else Bezier segments
  bool dropLast;   ///< the spline runs through all points but the last
};
/// Measured, correction, target, predicted.
constexpr std::array<SetStyle, EqualizerCurveAc::kSets> kStyles = {{
    {false, Qt::SolidLine, true, false},
    {true, Qt::DashLine, false, false},
    {true, Qt::SolidLine, true, true},
    {false, Qt::DotLine, true, false},
}};

unsigned ColourOf(EqualizerCurveAc::Set set, int channel) {
  const auto i = static_cast<std::size_t>(channel);
  switch (set) {
    case EqualizerCurveAc::Set::Measured: return EqualizerCurveAc::kMeasuredColours[i];
    case EqualizerCurveAc::Set::Target: return EqualizerCurveAc::kTargetColour;
    default: return EqualizerCurveAc::kCorrectionColours[i];
  }
}

}  // namespace

EqualizerCurveAc::EqualizerCurveAc(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::ClickFocus); }

void EqualizerCurveAc::SetCurves(Set set, std::span<const AcCurveView> channels) {
  if (channels.empty()) return;
  CurveSet& target = m_sets[Index(set)];
  target.count = static_cast<int>(std::min<std::size_t>(channels.size(), kMaxChannels));
  for (std::size_t i = 0; i < kMaxChannels; ++i) {
    const bool used = i < static_cast<std::size_t>(target.count);
    target.frequencies[i].clear();
    target.decibels[i].clear();
    target.show[i] = used && channels[i].show;
    if (!used) continue;
    // A pair of unequal length is drawn as far as both reach.
    const std::size_t n = std::min(channels[i].frequencies.size(), channels[i].decibels.size());
    target.frequencies[i].assign(channels[i].frequencies.begin(), channels[i].frequencies.begin() + static_cast<std::ptrdiff_t>(n));
    target.decibels[i].assign(channels[i].decibels.begin(), channels[i].decibels.begin() + static_cast<std::ptrdiff_t>(n));
  }
  m_curvesStale = true;
  update();
}

bool EqualizerCurveAc::Shown(Set set, int channel) const {
  const CurveSet& s = m_sets[Index(set)];
  return channel >= 0 && channel < s.count && s.show[static_cast<std::size_t>(channel)];
}

std::vector<PixelPoint> EqualizerCurveAc::Polyline(Set set, int channel) const {
  std::vector<PixelPoint> points;
  if (!Shown(set, channel)) return points;
  const CurveSet& s = m_sets[Index(set)];
  const auto i = static_cast<std::size_t>(channel);
  const CurveAxes axes(PixelRect{0, 0, width(), height()}, kTopDb, kBottomDb);
  BuildCurvePolyline(axes, s.frequencies[i], s.decibels[i], kStyles[Index(set)].smooth, kShownMinHz, kShownMaxHz, points);
  if (kStyles[Index(set)].dropLast && !points.empty()) points.pop_back();
  return points;
}

int EqualizerCurveAc::ScalePercent() const {
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (const auto* window = qobject_cast<const ui::WindowBase*>(w)) return std::max(1, window->DisplayScale() * 100 / 96);
  }
  return 100;
}

// --- painting --------------------------------------------------------------------------------

void EqualizerCurveAc::PaintGrid(int scale) {
  const qreal ratio = devicePixelRatioF();
  m_grid = QPixmap(size() * ratio);
  m_grid.setDevicePixelRatio(ratio);
  m_grid.fill(m_hasBackground ? Argb(m_background) : palette().color(backgroundRole()));
  QPainter painter(&m_grid);
  // A one-pixel grid at every scale: it only guides the eye.
  PaintCurveGrid(painter, m_axes, kGridLevels, 1, kGridColour);
  PaintCurveAxisLabels(painter, m_axes, kAxisLevels, scale);
  m_gridSize = size();
  m_gridScale = scale;
}

void EqualizerCurveAc::PaintCurves(int scale) {
  const qreal ratio = devicePixelRatioF();
  m_curves = QPixmap(size() * ratio);
  m_curves.setDevicePixelRatio(ratio);
  m_curves.fill(Qt::transparent);
  QPainter painter(&m_curves);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const int width = std::max(1, ScaledSize(2, scale));
  // Measured first, then correction, target and the prediction on top.
  for (const Set set : {Set::Measured, Set::Correction, Set::Target, Set::Predicted}) {
    const SetStyle& style = kStyles[Index(set)];
    for (int ch = 0; ch < m_sets[Index(set)].count; ++ch) {
      const std::vector<PixelPoint> points = Polyline(set, ch);
      if (points.empty()) continue;
      painter.setPen(QPen(Argb(ColourOf(set, ch)), width, style.pen, Qt::FlatCap, Qt::RoundJoin));
      if (style.spline) DrawCardinalSpline(painter, points);
      else DrawBezier(painter, points);
    }
  }
  m_curvesStale = false;
  ++m_curvePaints;
}

void EqualizerCurveAc::paintEvent(QPaintEvent* /*event*/) {
  // The layout follows the control's rectangle at every paint; the layers only when it changed.
  m_axes = CurveAxes(PixelRect{0, 0, width(), height()}, kTopDb, kBottomDb);
  const int scale = ScalePercent();
  if (m_grid.isNull() || m_gridSize != size() || m_gridScale != scale) {
    PaintGrid(scale);
    m_curvesStale = true;
  }
  if (m_curvesStale) PaintCurves(scale);
  QPainter painter(this);
  painter.drawPixmap(0, 0, m_grid);
  painter.drawPixmap(0, 0, m_curves);
}

void EqualizerCurveAc::resizeEvent(QResizeEvent* event) {
  m_curvesStale = true;
  QWidget::resizeEvent(event);
}

void EqualizerCurveAc::focusInEvent(QFocusEvent* event) {
  m_focused = true;
  QWidget::focusInEvent(event);
}

void EqualizerCurveAc::focusOutEvent(QFocusEvent* event) {
  m_focused = false;
  QWidget::focusOutEvent(event);
}

bool EqualizerCurveAc::SetAttribute(const QString& name, const QString& value) {
  const QString key = name.toLower();
  // The label attributes are taken for the skin's sake; the display writes no label.
  static const QStringList kFlags = {QStringLiteral("align"),    QStringLiteral("valign"),
                                     QStringLiteral("endellipsis"), QStringLiteral("noprefix"),
                                     QStringLiteral("wordbreak"), QStringLiteral("autocalcwidth")};
  if (kFlags.contains(key)) return true;
  if (key == QLatin1String("font")) {
    bool ok = false;
    value.trimmed().toInt(&ok);
    return ok;
  }
  unsigned colour = 0;
  if (key == QLatin1String("textcolor") || key == QLatin1String("disabledtextcolor"))
    return ui::ParseSkinColor(value.trimmed(), colour);
  if (key == QLatin1String("textpadding")) {
    std::array<int, 4> padding{};
    return ParsePadding(value, padding);
  }
  if (key == QLatin1String("bkcolor")) {
    m_hasBackground = ui::ParseSkinColor(value.trimmed(), m_background);
    m_grid = QPixmap();
    update();
    return m_hasBackground;
  }
  return false;
}

}  // namespace qb::controls

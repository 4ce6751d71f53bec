#include "controls/equalizer_curve_ac.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "controls/curve_attributes.h"
#include "controls/curve_painting.h"
#include "ui/language_tables.h"
#include "ui/skin.h"
#include "ui/window_base.h"

namespace qb::controls {
namespace {

constexpr std::array<int, 6> kAcGridLevels = {-15, -10, -5, 5, 10, 15};
/// -20 dB would sit on the frequencies along the bottom edge.
constexpr std::array<int, 4> kAcAxisLevels = {20, 10, 0, -10};
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

/// The legend's texts of the four kinds of curve, in the order of the sets.
constexpr std::array<const char*, EqualizerCurveAc::kSets> kKindTexts = {
    "${irc_show_measured}", "${irc_show_correction}", "${irc_show_target}", "${irc_show_predicted}"};
/// The line a kind's legend row shows when its colour is each output's own.
constexpr unsigned kLegendLine = 0xFFD5DAE0u;
constexpr unsigned kLegendPlate = 0xC0121418u;
constexpr unsigned kLegendEdge = 0xFF363C45u;

unsigned ColourOf(EqualizerCurveAc::Set set, int channel) {
  const auto i = static_cast<std::size_t>(channel);
  switch (set) {
    case EqualizerCurveAc::Set::Measured: return EqualizerCurveAc::kMeasuredColours[i];
    case EqualizerCurveAc::Set::Target: return EqualizerCurveAc::kTargetColour;
    default: return EqualizerCurveAc::kCorrectionColours[i];
  }
}

}  // namespace

EqualizerCurveAc::EqualizerCurveAc(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  for (int ch = 0; ch < kMaxChannels; ++ch) m_channelNames[static_cast<std::size_t>(ch)] = QString::number(ch + 1);
}

void EqualizerCurveAc::SetChannelNames(std::span<const QString> names) {
  for (std::size_t ch = 0; ch < names.size() && ch < m_channelNames.size(); ++ch) m_channelNames[ch] = names[ch];
  m_curvesStale = true;
  update();
}

std::vector<EqualizerCurveAc::LegendRow> EqualizerCurveAc::Legend() const {
  std::vector<LegendRow> rows;
  std::array<bool, kSets> kindShown{};
  for (int ch = 0; ch < kMaxChannels; ++ch) {
    bool any = false;
    for (const Set set : {Set::Measured, Set::Correction, Set::Target, Set::Predicted}) {
      // Only what is drawn: a chosen output has no curve before its run has measured it.
      if (!Shown(set, ch) || m_sets[Index(set)].decibels[static_cast<std::size_t>(ch)].empty()) continue;
      any = true;
      kindShown[Index(set)] = true;
    }
    if (any)
      rows.push_back({ui::Tr(m_channelNames[static_cast<std::size_t>(ch)]), ColourOf(Set::Measured, ch), Qt::SolidLine, ch});
  }
  for (const Set set : {Set::Measured, Set::Correction, Set::Target, Set::Predicted}) {
    if (!kindShown[Index(set)]) continue;
    // The target has one colour of its own; the other kinds take each output's colour.
    const unsigned colour = set == Set::Target ? kTargetColour : kLegendLine;
    rows.push_back({ui::Tr(QString::fromLatin1(kKindTexts[Index(set)])), colour, kStyles[Index(set)].pen, -1});
  }
  return rows;
}

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
  PaintCurveGrid(painter, m_axes, kAcGridLevels, 1, kGridColour);
  PaintCurveAxisLabels(painter, m_axes, kAcAxisLevels, scale);
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
  PaintLegend(painter, scale);
  m_curvesStale = false;
  ++m_curvePaints;
}

void EqualizerCurveAc::PaintLegend(QPainter& painter, int scale) const {
  const std::vector<LegendRow> rows = Legend();
  if (rows.empty()) return;
  QFont font = painter.font();
  font.setPixelSize(std::max(1, ScaledSize(10, scale)));
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const int pad = ScaledSize(6, scale);
  const int rowHeight = metrics.height() + ScaledSize(2, scale);
  const int sample = ScaledSize(22, scale);
  // Outputs in the first column, kinds of curve in the second, each as wide as its texts.
  std::array<std::vector<const LegendRow*>, 2> columns;
  std::array<int, 2> widths{};
  for (const LegendRow& row : rows) {
    const std::size_t c = row.channel >= 0 ? 0 : 1;
    columns[c].push_back(&row);
    widths[c] = std::max(widths[c], sample + pad / 2 + metrics.horizontalAdvance(row.text));
  }
  const int gap = !columns[0].empty() && !columns[1].empty() ? 2 * pad : 0;
  const int width = pad + widths[0] + gap + widths[1] + pad;
  const int height = pad + static_cast<int>(std::max(columns[0].size(), columns[1].size())) * rowHeight + pad / 2;
  const PixelRect& plot = m_axes.Plot();
  const QRect plate(plot.right - pad - width, plot.top + pad, width, height);
  painter.setPen(QPen(Argb(kLegendEdge), 1));
  painter.setBrush(Argb(kLegendPlate));
  painter.drawRoundedRect(plate, 3, 3);
  painter.setBrush(Qt::NoBrush);
  int x = plate.left() + pad;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    int y = plate.top() + pad;
    for (const LegendRow* row : columns[c]) {
      const int middle = y + rowHeight / 2;
      if (row->channel >= 0) {
        // An output's colour as a swatch.
        painter.fillRect(QRect(x, middle - rowHeight / 4, sample, std::max(2, rowHeight / 2)), Argb(row->colour));
      } else {
        painter.setPen(QPen(Argb(row->colour), std::max(1, ScaledSize(2, scale)), row->pen, Qt::FlatCap));
        painter.drawLine(x, middle, x + sample, middle);
      }
      painter.setPen(Argb(kLegendLine));
      painter.drawText(QPoint(x + sample + pad / 2, y + (rowHeight + metrics.ascent() - metrics.descent()) / 2), row->text);
      y += rowHeight;
    }
    if (!columns[c].empty()) x += widths[c] + gap;
  }
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

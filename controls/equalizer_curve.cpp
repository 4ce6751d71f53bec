#include "controls/equalizer_curve.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "controls/curve_attributes.h"
#include "controls/curve_hit_test.h"
#include "controls/curve_painting.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"
#include "ui/notification.h"
#include "ui/skin.h"
#include "ui/window_base.h"

// Step-by-step drag traces, off unless enabled with QT_LOGGING_RULES="qb.curve.debug=true".
Q_LOGGING_CATEGORY(lcCurve, "qb.curve", QtWarningMsg)

namespace qb::controls {

namespace {

constexpr std::array<int, 5> kGridLevels = {-15, -10, -5, 5, 10};
constexpr std::array<int, 5> kAxisLevels = {10, 5, 0, -5, -10};

QRect ToQRect(const PixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

PixelPoint ToPixel(const QPointF& p) {
  const QPoint q = p.toPoint();
  return {q.x(), q.y()};
}

/// Qt drawing flags for the toolkit's text style bits.
int QtTextFlags(unsigned style) {
  int flags = 0;
  if (style & EqualizerCurve::kStyleCenter) {
    flags |= Qt::AlignHCenter;
  } else if (style & EqualizerCurve::kStyleRight) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  if (style & EqualizerCurve::kStyleVCenter) {
    flags |= Qt::AlignVCenter;
  } else if (style & EqualizerCurve::kStyleBottom) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if (style & EqualizerCurve::kStyleWordBreak) flags |= Qt::TextWordWrap;
  return flags;
}

void DrawStyledText(QPainter& painter, const QRect& rect, const QString& text, unsigned style) {
  QString shown = text;
  if ((style & EqualizerCurve::kStyleEndEllipsis) && !(style & EqualizerCurve::kStyleWordBreak)) {
    shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, rect.width());
  }
  painter.drawText(rect, QtTextFlags(style), shown);
}

}  // namespace

EqualizerCurve::EqualizerCurve(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  m_polyline.reserve(kCurveSize);
}

// --- owner side ---------------------------------------------------------------------------

void EqualizerCurve::SetEqBands(std::span<const CurveBand> bands, int current) {
  m_bandCount = static_cast<int>(std::min(bands.size(), kCurveBandSlots));
  std::copy_n(bands.begin(), m_bandCount, m_bands.begin());
  m_allGainsZero = std::all_of(m_bands.begin(), m_bands.begin() + m_bandCount,
                               [](const CurveBand& b) { return b.gain == 0.0f; });
  m_currentIndex = current;
  if (current >= 0 && current < m_bandCount) ui::SetUserData(this, QString::number(current));
  FullLayout();
  update();
}

void EqualizerCurve::setCurEqHpLp(int hp, int lp) {
  m_hpFreq = IsHandleFrequency(hp) ? hp : -1;
  m_lpFreq = IsHandleFrequency(lp) ? lp : -1;
  if (m_hpFreq != -1) qCDebug(lcCurve, "setCurEqHpLp mHpFreq(%d)", m_hpFreq);
  if (m_lpFreq != -1) qCDebug(lcCurve, "setCurEqHpLp mHpFreq(%d)", m_lpFreq);
  LayoutCrossovers();
  update();
}

void EqualizerCurve::SetChannelCurves(std::span<const ChannelCurveSource> channels,
                                      int selected) {
  if (channels.empty()) return;
  const int count = static_cast<int>(std::min<std::size_t>(channels.size(), kMaxChannels));
  // Only a change to another output's curve (or which output is on top) repaints the
  // backdrop; the usual drag step changes the selected output alone.
  bool othersChanged = count != m_channelCount || selected != m_selectedChannel;
  for (std::size_t i = 0; i < kMaxChannels; ++i) {
    Curve frequencies{};
    Curve decibels{};
    bool show = false;
    if (i < static_cast<std::size_t>(count)) {
      const ChannelCurveSource& source = channels[i];
      show = source.show;
      if (source.frequencies) frequencies = *source.frequencies;
      if (source.decibels) decibels = *source.decibels;
    }
    if (static_cast<int>(i) != selected &&
        (show != m_show[i] || frequencies != m_frequencies[i] || decibels != m_decibels[i]))
      othersChanged = true;
    m_show[i] = show;
    m_frequencies[i] = frequencies;
    m_decibels[i] = decibels;
  }
  m_channelCount = count;
  m_selectedChannel = selected;
  if (othersChanged) ++m_backdropGeneration;
  update();
}

void EqualizerCurve::SetDragAllDirection(bool on) {
  m_dragAllDirection = on;
  update();
}

void EqualizerCurve::SetScalePercent(int percent) {
  m_scaleOverride = std::max(0, percent);
  m_layoutDone = false;
  update();
}

void EqualizerCurve::SetOverlayCurves(std::vector<OverlayCurve> curves) {
  if (curves == m_overlay) return;
  m_overlay = std::move(curves);
  update();
}

CurveBand EqualizerCurve::Band(int i) const {
  if (i < 0 || i >= kCurveMaxBands) return {};
  return m_bands[static_cast<std::size_t>(i)];
}

int EqualizerCurve::ScalePercent() const {
  if (m_scaleOverride > 0) return m_scaleOverride;
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (const auto* window = qobject_cast<const ui::WindowBase*>(w)) {
      return std::max(1, window->DisplayScale() * 100 / 96);
    }
  }
  return 100;
}

void EqualizerCurve::ChannelPolyline(int channel, std::vector<PixelPoint>& out) const {
  out.clear();
  if (channel < 0 || channel >= m_channelCount) return;
  const auto i = static_cast<std::size_t>(channel);
  BuildCurvePolyline(m_axes, m_frequencies[i], m_decibels[i], channel != m_selectedChannel, out);
}

// --- layout -------------------------------------------------------------------------------

bool EqualizerCurve::HasCurrentBand() const {
  return m_currentIndex >= 0 && m_currentIndex < kCurveMaxBands;
}

void EqualizerCurve::FullLayout() {
  m_axes = CurveAxes(PixelRect{0, 0, width(), height()});
  if (m_axes.IsUsable()) m_layoutDone = true;
  for (int i = 0; i < m_bandCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    m_layout.points[k] = {m_axes.XOfFrequency(m_bands[k].frequency),
                          m_axes.YOfGain(m_bands[k].gain)};
  }
  LayoutLabels();
  LayoutCurrentBand();
  LayoutCrossovers();
}

void EqualizerCurve::LayoutLabels() {
  const int scale = ScalePercent();
  const QFontMetrics metrics = fontMetrics();
  const PixelRect& plot = m_axes.Plot();
  for (int i = 0; i < m_bandCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    PixelRect label = BandLabelRect(m_axes, m_layout.points[k], scale);
    // As wide as the number drawn in it, so two numbers never touch without overlapping.
    const int width = std::max(label.Width(), metrics.horizontalAdvance(QString::number(i + 1)) + ScaledSize(3, scale));
    label.left = PushedStart(m_layout.points[k].x, width, plot.left, plot.right);
    label.right = label.left + width;
    m_layout.labels[k] = label;
  }
  // The numbers stay off each other and off the axis texts ("0 dB" lies under band 1 at start-up).
  std::vector<PixelRect> axisTexts;
  for (const AxisLabel& text : CurveAxisLabels(font(), m_axes, kAxisLevels, scale)) axisTexts.push_back(text.box);
  PlaceBandLabels(std::span<PixelRect>(m_layout.labels.data(), static_cast<std::size_t>(m_bandCount)), axisTexts,
                  m_axes.Plot());
}

void EqualizerCurve::LayoutCurrentBand() {
  if (!HasCurrentBand()) return;
  const int scale = ScalePercent();
  const auto k = static_cast<std::size_t>(m_currentIndex);
  const PixelPoint point = m_layout.points[k];
  LayoutLabels();
  m_layout.infoText = BandInfoText(m_bands[k], m_dragAllDirection);
  m_layout.info = BandInfoRect(m_axes, point, m_dragAllDirection, scale);
  if (m_dragAllDirection) {
    QHandleRects(m_axes, point, m_bands[k].q, scale, m_layout.qLeft, m_layout.qRight);
  }
}

void EqualizerCurve::LayoutCrossovers() {
  const int scale = ScalePercent();
  m_layout.highPass = m_hpFreq != -1 ? HighPassRect(m_axes, m_hpFreq, scale) : PixelRect{};
  m_layout.lowPass = m_lpFreq != -1 ? LowPassRect(m_axes, m_lpFreq, scale) : PixelRect{};
}

// --- painting -----------------------------------------------------------------------------

void EqualizerCurve::PaintBackdrop(QPainter& painter, int scale) {
  const PixelRect& plot = m_axes.Plot();
  const QRect area = ToQRect(plot);
  if (m_hasBackground) {
    painter.fillRect(area, Argb(m_background));
  } else if (autoFillBackground()) {
    painter.fillRect(area, palette().color(backgroundRole()));
  }

  // Border and grid: crisp one-pixel lines, so no antialiasing yet.
  PaintCurveGrid(painter, m_axes, kGridLevels, ScaledSize(1, scale), kGridColour);

  PaintCurveAxisLabels(painter, m_axes, kAxisLevels, scale);

  if (!m_logoImage.IsEmpty()) {
    const QRect dest = m_logoImage.dest.isNull() ? area : m_logoImage.dest;
    m_logo.Draw(painter, dest, m_logoImage.source);
  } else if (m_allGainsZero) {
    painter.setPen(Argb(kBypassTextColour));
    DrawStyledText(painter, QRect(QPoint(plot.left, plot.top + 40), QPoint(plot.right, plot.bottom)),
                   ui::Tr(QStringLiteral("${all_bypass}")), m_textStyle);
  }

  painter.setRenderHint(QPainter::Antialiasing, true);
  const auto colours = static_cast<int>(m_curveColours.size());
  const bool selectedHasColour = m_selectedChannel >= 0 && m_selectedChannel < colours;
  const int otherWidth = ScaledSize(selectedHasColour ? 2 : 3, scale);
  for (int i = 0; i < m_channelCount; ++i) {
    if (i == m_selectedChannel || !m_show[static_cast<std::size_t>(i)]) continue;
    const unsigned colour =
        i < colours ? m_curveColours[static_cast<std::size_t>(i)] : kUncolouredCurve;
    ChannelPolyline(i, m_polyline);
    painter.setPen(QPen(Argb(colour), otherWidth, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    DrawBezier(painter, m_polyline);
  }
}

void EqualizerCurve::paintEvent(QPaintEvent* /*event*/) {
  qCDebug(lcCurve, "DoPaint!!");
  if (!m_layoutDone) {
    FullLayout();
  } else {
    LayoutCurrentBand();
    LayoutCrossovers();
  }
  const int scale = ScalePercent();
  const PixelRect& plot = m_axes.Plot();

  const QString bypassText = ui::Tr(QStringLiteral("${all_bypass}"));
  const BackdropKey key{size(), plot.left, plot.top, plot.right, plot.bottom, scale,
                        m_selectedChannel, m_allGainsZero, bypassText, m_backdropGeneration};
  if (m_backdrop.isNull() || !(key == m_backdropKey)) {
    const qreal ratio = devicePixelRatioF();
    m_backdrop = QPixmap(size() * ratio);
    m_backdrop.setDevicePixelRatio(ratio);
    m_backdrop.fill(Qt::transparent);
    QPainter backdrop(&m_backdrop);
    backdrop.setFont(font());  // the axis texts in the font the band labels are laid out against
    PaintBackdrop(backdrop, scale);
    m_backdropKey = key;
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, m_backdrop);
  PaintOverlayCurves(painter, m_axes, m_overlay, scale);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const auto colours = static_cast<int>(m_curveColours.size());
  const bool selectedHasColour = m_selectedChannel >= 0 && m_selectedChannel < colours;
  if (m_selectedChannel >= 0 && m_selectedChannel < m_channelCount) {
    const unsigned colour = selectedHasColour
                                ? m_curveColours[static_cast<std::size_t>(m_selectedChannel)]
                                : kSelectedCurve;
    ChannelPolyline(m_selectedChannel, m_polyline);
    painter.setPen(QPen(Argb(colour), ScaledSize(2, scale), Qt::SolidLine, Qt::FlatCap,
                        Qt::BevelJoin));
    DrawBezier(painter, m_polyline);
  }

  for (int i = 0; i < m_bandCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const QRect label = ToQRect(m_layout.labels[k]);
    const QColor colour = Argb(i == m_currentIndex ? kHighlight : kLabelColour);
    const PixelPoint point = m_layout.points[k];
    if (!label.contains(point.x, point.y)) {
      // A number moved off its point to stay legible: the point itself is marked.
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour);
      const int r = ScaledSize(2, scale);
      painter.drawEllipse(QPoint(point.x, point.y), r, r);
      painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(colour);
    DrawStyledText(painter, label, QString::number(i + 1), m_textStyle);
  }

  if (HasCurrentBand()) {
    // On a plate of its own, so the value reads clearly over numbers and curves.
    painter.fillRect(ToQRect(m_layout.info), Argb(kValuePlate));
    painter.setPen(Argb(kHighlight));
    DrawStyledText(painter, ToQRect(m_layout.info), QString::fromStdString(m_layout.infoText),
                   m_textStyle);
    if (m_dragAllDirection) {
      painter.setPen(QPen(Argb(kHighlight), ScaledSize(1, scale)));
      painter.drawRect(ToQRect(m_layout.qLeft));
      painter.drawRect(ToQRect(m_layout.qRight));
    }
  }

  if (m_hpFreq != -1) {
    painter.setPen(Argb(m_capture == kHpCaptured ? kHighlight : kLabelColour));
    DrawStyledText(painter, ToQRect(m_layout.highPass), QStringLiteral("H"), m_textStyle);
  }
  if (m_lpFreq != -1) {
    painter.setPen(Argb(m_capture == kLpCaptured ? kHighlight : kLabelColour));
    DrawStyledText(painter, ToQRect(m_layout.lowPass), QStringLiteral("L"), m_textStyle);
  }
}

void EqualizerCurve::resizeEvent(QResizeEvent* event) {
  // Every position follows from the plot rectangle: lay out again at the next paint.
  m_layoutDone = false;
  QWidget::resizeEvent(event);
}

// --- pointer ------------------------------------------------------------------------------

void EqualizerCurve::MakeCurrent(int band) {
  m_currentIndex = band;
  ui::SetUserData(this, QString::number(band));
}

void EqualizerCurve::Raise(ui::Event event) { ui::RaiseNotification(this, event, 0, 0); }

namespace {

CurveHitAreas AreasOf(const CurveLayout& layout, int bandCount, bool qHandles) {
  CurveHitAreas areas;
  areas.labels = std::span<const PixelRect>(layout.labels.data(),
                                            static_cast<std::size_t>(bandCount));
  areas.qHandles = qHandles;
  areas.qLeft = layout.qLeft;
  areas.qRight = layout.qRight;
  areas.highPass = layout.highPass;
  areas.lowPass = layout.lowPass;
  return areas;
}

}  // namespace

void EqualizerCurve::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const PixelPoint pointer = ToPixel(event->position());
    const CurveHit hit =
        HitOnPress(AreasOf(m_layout, m_bandCount, m_dragAllDirection && HasCurrentBand()), pointer);
    m_pressAt = pointer;
    m_grabOffset = {};
    m_moved = false;
    switch (hit.target) {
      case CurveTarget::kQHandle:
        setCursor(Qt::SizeHorCursor);
        m_capture = kFactorCaptured;
        break;
      case CurveTarget::kBand: {
        MakeCurrent(hit.band);
        const PixelPoint centre = m_layout.points[static_cast<std::size_t>(hit.band)];
        m_grabOffset = {pointer.x - centre.x, pointer.y - centre.y};
        m_capture = kIndexCaptured;
        setCursor(m_dragAllDirection ? Qt::SizeAllCursor : Qt::SizeVerCursor);
        update();
        break;
      }
      case CurveTarget::kHighPass:
      case CurveTarget::kLowPass:
        setCursor(Qt::SizeHorCursor);
        m_currentIndex = -1;
        m_capture = hit.target == CurveTarget::kHighPass ? kHpCaptured : kLpCaptured;
        update();
        break;
      case CurveTarget::kNone:
        break;
    }
  }
  QWidget::mousePressEvent(event);
}

void EqualizerCurve::mouseMoveEvent(QMouseEvent* event) {
  const PixelPoint pointer = ToPixel(event->position());
  if (m_capture != kNoCapture) {
    if (!m_moved && pointer == m_pressAt) return;  // a move event that moved nothing
    m_moved = true;
  }
  switch (m_capture) {
    case kNoCapture:
      HoverAt(pointer);
      break;
    case kIndexCaptured:
      DragBandTo(pointer);
      break;
    case kFactorCaptured:
      DragFactorTo(pointer);
      break;
    case kHpCaptured:
      DragHighPassTo(pointer);
      break;
    case kLpCaptured:
      DragLowPassTo(pointer);
      break;
  }
}

void EqualizerCurve::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ReleaseAt(ToPixel(event->position()));
  QWidget::mouseReleaseEvent(event);
}

void EqualizerCurve::focusInEvent(QFocusEvent* event) {
  m_focused = true;
  QWidget::focusInEvent(event);
}

void EqualizerCurve::focusOutEvent(QFocusEvent* event) {
  m_focused = false;
  QWidget::focusOutEvent(event);
}

void EqualizerCurve::HoverAt(PixelPoint p) {
  const CurveHit hit =
      HitOnHover(AreasOf(m_layout, m_bandCount, m_dragAllDirection && HasCurrentBand()), p);
  switch (hit.target) {
    case CurveTarget::kBand:
      setCursor(Qt::PointingHandCursor);
      if (hit.band != m_currentIndex) {
        MakeCurrent(hit.band);
        Raise(ui::Event::EqualizerEq);
        update();
      }
      break;
    case CurveTarget::kQHandle:
    case CurveTarget::kHighPass:
    case CurveTarget::kLowPass:
      setCursor(Qt::SizeHorCursor);
      break;
    case CurveTarget::kNone:
      setCursor(Qt::ArrowCursor);
      break;
  }
}

void EqualizerCurve::DragBandTo(PixelPoint pointer) {
  if (!HasCurrentBand()) return;
  const PixelPoint c = m_axes.Clamp({pointer.x - m_grabOffset.x, pointer.y - m_grabOffset.y});
  const auto k = static_cast<std::size_t>(m_currentIndex);
  PixelPoint& point = m_layout.points[k];
  if (m_dragAllDirection) point.x = c.x;
  point.y = c.y;
  const int f = m_axes.FrequencyOfX(point.x);
  const float g = m_axes.GainOfY(c.y);
  CurveBand& band = m_bands[k];
  qCDebug(lcCurve, "freq (%d) gain(%.2f) ", f, static_cast<double>(g));
  qCDebug(lcCurve, "INDEX_CAPTURED move x(%d) y(%d) ", c.x, c.y);
  bool changed = false;
  if (std::fabs(band.gain - g) > 0.001f) {
    band.gain = g;
    changed = true;
  }
  if (m_dragAllDirection && band.frequency != f) {
    band.frequency = f;
    changed = true;
  }
  update();
  if (changed) Raise(ui::Event::EqualizerEq);
}

void EqualizerCurve::DragFactorTo(PixelPoint pointer) {
  if (!HasCurrentBand()) return;
  const PixelPoint c = m_axes.Clamp(pointer);
  const auto k = static_cast<std::size_t>(m_currentIndex);
  const int pointX = m_layout.points[k].x;
  qCDebug(lcCurve, "FACTOR_CAPTURED index %d move x(%d) y(%d) ", m_currentIndex, c.x, c.y);
  qCDebug(lcCurve, "len (%d) ", c.x - pointX);
  qCDebug(lcCurve, "abs len (%d) ", std::abs(c.x - pointX));
  const float q = QOfHandleX(c.x, pointX, ScalePercent());
  CurveBand& band = m_bands[k];
  if (std::fabs(band.q - q) >= 0.01f) {
    band.q = q;
    update();
    Raise(ui::Event::EqualizerEq);
  }
}

void EqualizerCurve::DragHighPassTo(PixelPoint pointer) {
  const PixelPoint c = m_axes.Clamp(pointer);
  const int f = m_axes.FrequencyOfX(c.x);
  qCDebug(lcCurve, "HP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)", c.x, c.y,
          m_currentIndex, m_hpFreq);
  if (HighPassMayTake(f, m_lpFreq) && f != m_hpFreq) {
    m_hpFreq = f;
    update();
    Raise(ui::Event::EqualizerHp);
  }
}

void EqualizerCurve::DragLowPassTo(PixelPoint pointer) {
  const PixelPoint c = m_axes.Clamp(pointer);
  const int f = m_axes.FrequencyOfX(c.x);
  qCDebug(lcCurve, "LP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)", c.x, c.y,
          m_currentIndex, m_lpFreq);
  if (LowPassMayTake(f, m_hpFreq) && f != m_lpFreq) {
    m_lpFreq = f;
    update();
    Raise(ui::Event::EqualizerLp);
  }
}

void EqualizerCurve::ReleaseAt(PixelPoint pointer) {
  const Capture capture = m_capture;
  // The capture ends before the owner hears of the release, so what it pushes back in
  // answer is laid out and painted as settled values.
  m_capture = kNoCapture;
  // A click that did not move leaves every value as it was: the pixel a value is read back
  // from is never exactly the value.
  const bool moved = m_moved || pointer != m_pressAt;
  m_moved = false;
  if (capture == kIndexCaptured) pointer = {pointer.x - m_grabOffset.x, pointer.y - m_grabOffset.y};
  const PixelPoint c = m_axes.Clamp(pointer);
  const int f = m_axes.FrequencyOfX(c.x);
  if (!moved) {
    setCursor(capture == kIndexCaptured ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
    return;
  }
  switch (capture) {
    case kIndexCaptured: {
      setCursor(Qt::PointingHandCursor);
      if (!HasCurrentBand()) break;
      const auto k = static_cast<std::size_t>(m_currentIndex);
      PixelPoint& point = m_layout.points[k];
      if (m_dragAllDirection) point.x = c.x;
      point.y = c.y;
      CurveBand& band = m_bands[k];
      if (m_dragAllDirection) band.frequency = m_axes.FrequencyOfX(point.x);
      band.gain = m_axes.GainOfY(c.y);
      LayoutLabels();
      qCDebug(lcCurve, "freq (%d) gain(%.2f) ", band.frequency, static_cast<double>(band.gain));
      qCDebug(lcCurve, "INDEX_CAPTURED up x(%d) y(%d) ", c.x, c.y);
      update();
      Raise(ui::Event::EqualizerEq);
      break;
    }
    case kFactorCaptured:
      setCursor(Qt::ArrowCursor);
      if (!HasCurrentBand()) break;
      m_bands[static_cast<std::size_t>(m_currentIndex)].q = QOfHandleX(
          c.x, m_layout.points[static_cast<std::size_t>(m_currentIndex)].x, ScalePercent());
      qCDebug(lcCurve, "FACTOR_CAPTURED move x(%d) y(%d) ", c.x, c.y);
      update();
      Raise(ui::Event::EqualizerEq);
      break;
    case kHpCaptured:
      setCursor(Qt::ArrowCursor);
      if (HighPassMayTake(f, m_lpFreq)) m_hpFreq = f;
      qCDebug(lcCurve, "HP_CAPTURED move x(%d) y(%d) mHpFreq(%d)", c.x, c.y, m_hpFreq);
      update();
      Raise(ui::Event::EqualizerHp);
      break;
    case kLpCaptured:
      setCursor(Qt::ArrowCursor);
      if (LowPassMayTake(f, m_hpFreq)) m_lpFreq = f;
      qCDebug(lcCurve, "HP_CAPTURED move x(%d) y(%d) mLpFreq(%d)", c.x, c.y, m_lpFreq);
      update();
      Raise(ui::Event::EqualizerLp);
      break;
    case kNoCapture:
      break;
  }
}

// --- attributes ---------------------------------------------------------------------------

bool EqualizerCurve::ParseCurveColours(const QString& value) {
  return ParseCurveColourList(value, kMaxCurveColours, m_curveColours);
}

bool EqualizerCurve::ParseLogo(const QString& value) {
  ImageDescription image;
  if (!ParseImageDescription(value, image)) return false;
  m_logoImage = image;
  m_logo = SkinPicture();
  QByteArray bytes;
  // A picture missing from the skin still counts as a logo (no bypass text), drawn as nothing.
  if (!image.IsEmpty() && ui::ReadSkinFile(image.path, bytes)) m_logo.Load(image.path, bytes);
  return true;
}

bool EqualizerCurve::SetAttribute(const QString& name, const QString& value) {
  ++m_backdropGeneration;  // colours, fonts and the logo are painted into the backdrop
  const QString key = name.toLower();
  bool ok = true;
  if (key == QLatin1String("align")) {
    m_textStyle = ApplyAlign(m_textStyle, value);
  } else if (key == QLatin1String("valign")) {
    m_textStyle = ApplyVAlign(m_textStyle, value);
  } else if (key == QLatin1String("endellipsis")) {
    m_textStyle = ApplyFlag(m_textStyle, kStyleEndEllipsis, value);
  } else if (key == QLatin1String("noprefix")) {
    m_textStyle = ApplyFlag(m_textStyle, kStyleNoPrefix, value);
  } else if (key == QLatin1String("wordbreak")) {
    m_textStyle = ApplyWordBreak(m_textStyle, value);
  } else if (key == QLatin1String("font")) {
    m_labelFont = value.trimmed().toInt(&ok);
  } else if (key == QLatin1String("bypassfont")) {
    m_bypassFont = value.trimmed().toInt(&ok);
  } else if (key == QLatin1String("textcolor")) {
    ok = ui::ParseSkinColor(value.trimmed(), m_textColour);
  } else if (key == QLatin1String("disabledtextcolor")) {
    ok = ui::ParseSkinColor(value.trimmed(), m_disabledTextColour);
  } else if (key == QLatin1String("bkcolor")) {
    ok = ui::ParseSkinColor(value.trimmed(), m_background);
    m_hasBackground = ok;
  } else if (key == QLatin1String("textpadding")) {
    ok = ParsePadding(value, m_textPadding);
  } else if (key == QLatin1String("autocalcwidth")) {
    m_autoCalcWidth = value == QLatin1String("true");
  } else if (key == QLatin1String("curvecolor")) {
    ok = ParseCurveColours(value);
  } else if (key == QLatin1String("curvelogo")) {
    ok = ParseLogo(value);
  } else {
    return false;
  }
  update();
  return ok;
}

}  // namespace qb::controls

#pragma once
/// The equaliser curve of the main window: the response curves of up to eight outputs on a
/// 20 Hz..20 kHz / -18..+12 dB plot, one numbered point per band of the current output, the
/// current band's value label with two Q handles (parametric mode), and the "H"/"L" handles
/// of the crossover filters. Dragging edits the control's own copy of the values and reports
/// every change as a notification ("equalizer_eq", "equalizer_hp", "equalizer_lp", wParam =
/// lParam = 0); the owner reads the values back, applies them and pushes the recomputed
/// bands and curves in again. Between two pushes the control's values may run ahead of the
/// owner's.
///
/// The control's user data is the index of the current band, written when a band becomes
/// current (button down on its label, hovering it, SetEqBands with a valid current band). A
/// crossover drag leaves it alone, so its notifications carry the last band index.

#include <QString>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <span>
#include <vector>

#include "controls/curve_geometry.h"
#include "controls/curve_layout.h"
#include "controls/curve_overlay.h"
#include "controls/skin_picture.h"
#include "dspmath/curve_constants.h"
#include "ui/notification.h"
#include "ui/attribute_sink.h"
#include "ui/equalizer_display.h"

namespace qb::controls {

/// One output's curves as the owner hands them over. A null pointer leaves that curve flat
/// at zero frequency, which draws nothing.
struct ChannelCurveSource {
  const Curve* frequencies = nullptr;  ///< Hz, CurvePoints values
  const Curve* decibels = nullptr;     ///< dB, same index
  bool show = false;                   ///< draw it when it is not the selected output
};

class EqualizerCurve : public QWidget, public ui::AttributeSink, public ui::EqualizerDisplay {
  Q_OBJECT
 public:
  /// What a pointer drag is editing.
  enum Capture {
    kNoCapture = 0,
    kIndexCaptured = 1,   ///< a band point
    kFactorCaptured = 2,  ///< a Q handle of the current band
    kHpCaptured = 3,      ///< the high-pass handle
    kLpCaptured = 4,      ///< the low-pass handle
  };

  static constexpr int kMaxChannels = 8;
  static constexpr int kMaxCurveColours = 12;
  static constexpr unsigned kGridColour = 0xFF444444u;
  static constexpr unsigned kUncolouredCurve = 0xFF646464u;
  static constexpr unsigned kSelectedCurve = 0xFF00C000u;
  static constexpr unsigned kHighlight = 0xFFFF0000u;
  static constexpr unsigned kLabelColour = 0xFFFFFFFFu;
  /// The plate under the current band's values.
  static constexpr unsigned kValuePlate = 0xD0101418u;
  static constexpr unsigned kBypassTextColour = 0x77777777u;

  /// Text style bits of the skin toolkit, as the label attributes set them.
  static constexpr unsigned kStyleCenter = 0x1;
  static constexpr unsigned kStyleRight = 0x2;
  static constexpr unsigned kStyleVCenter = 0x4;
  static constexpr unsigned kStyleBottom = 0x8;
  static constexpr unsigned kStyleWordBreak = 0x10;
  static constexpr unsigned kStyleSingleLine = 0x20;
  static constexpr unsigned kStyleNoPrefix = 0x800;
  static constexpr unsigned kStyleEndEllipsis = 0x8000;
  /// Centred both ways on a single line.
  static constexpr unsigned kDefaultTextStyle = kStyleCenter | kStyleVCenter | kStyleSingleLine;

  explicit EqualizerCurve(QWidget* parent = nullptr);

  /// The layout element name and the class name the skin knows the control by.
  static QString InterfaceName() { return QStringLiteral("Curve"); }
  static QString ClassName() { return QStringLiteral("EqualizerCurve"); }

  // --- owner side -----------------------------------------------------------------------

  /// Copies the first min(size, 31) bands (that is the band count), notes whether every one
  /// of them has a gain of exactly 0, makes `current` the current band (-1 = none) and, when
  /// it is a valid band, the user data; then lays out every band point again and repaints.
  void SetEqBands(std::span<const CurveBand> bands, int current);

  // The owner's view of the control (ui::EqualizerDisplay): the same data in the owner's
  // types, converted on the way in.
  void SetBands(std::span<const ui::CurveBand> bands, int eqSize, int selectedBand) override;
  void SetCrossoverMarkers(int hpHz, int lpHz) override { setCurEqHpLp(hpHz, lpHz); }
  void SetChannelCurves(std::span<const ui::ChannelCurveView> channels, int currentChannel) override;
  void Refresh() override { update(); }
  /// Crossover handles: a frequency within 20..20000 Hz shows its handle there, anything else
  /// (-1 by convention) removes it. Each handle is judged by its own value.
  void setCurEqHpLp(int hp, int lp);
  /// Stores the curves of the first min(size, 8) outputs (the rest become zero), their show
  /// flags and the selected output, whose curve is drawn on top, unsmoothed. Does nothing
  /// for an empty list.
  void SetChannelCurves(std::span<const ChannelCurveSource> channels, int selected);
  /// true: parametric mode (a band drag changes frequency and gain; Q handles exist);
  /// false: graphic mode (a band drag changes the gain only).
  void SetDragAllDirection(bool on) override;
  /// Display scale in percent for every scaled size; 0 (the default) follows the window's.
  void SetScalePercent(int percent);
  /// Curves drawn over the other outputs' curves and under the current output's (a
  /// measurement, its prediction); an empty list draws none.
  void SetOverlayCurves(std::vector<OverlayCurve> curves);
  const std::vector<OverlayCurve>& OverlayCurves() const { return m_overlay; }

  // --- reading back (after a notification) ----------------------------------------------

  int BandCount() const { return m_bandCount; }
  /// Band i as the control holds it now; a zero band outside 0..30.
  CurveBand Band(int i) const;
  /// Band(i) in the owner's type (ui::EqualizerDisplay).
  ui::CurveBand DisplayBand(int i) const override;
  /// Crossover handle frequencies, -1 when there is no handle.
  int HpFreq() const override { return m_hpFreq; }
  int LpFreq() const override { return m_lpFreq; }
  /// The current band, -1 = none.
  int CurrentIndex() const { return m_currentIndex; }
  bool DragAllDirection() const { return m_dragAllDirection; }
  Capture CaptureState() const { return m_capture; }
  bool AllGainsZero() const { return m_allGainsZero; }
  bool HasFocusFlag() const { return m_focused; }
  int ScalePercent() const;
  int ChannelCount() const { return m_channelCount; }
  int SelectedChannel() const { return m_selectedChannel; }

  /// The geometry the control painted last (or laid out since); the plot is the control's
  /// own rectangle.
  const CurveLayout& Layout() const { return m_layout; }
  const CurveAxes& Axes() const { return m_axes; }

  /// Polyline the painter draws for output i: unsmoothed for the selected output, smoothed
  /// for the others; empty for an output outside the curves in use.
  void ChannelPolyline(int channel, std::vector<PixelPoint>& out) const;
  /// True when painting shows the "${all_bypass}" text (every gain 0 and no logo).
  bool ShowsBypassText() const { return m_allGainsZero && m_logoImage.IsEmpty(); }

  // --- layout attributes ----------------------------------------------------------------

  /// "align", "valign", "endellipsis", "noprefix", "wordbreak", "font", "textcolor",
  /// "disabledtextcolor", "textpadding", "autocalcwidth", "bypassfont", "curvecolor",
  /// "curvelogo" and "bkcolor" (names in any case). False for any other name, and for a
  /// value that is no number, colour or image description where one is required.
  bool SetAttribute(const QString& name, const QString& value) override;

  const std::vector<unsigned>& CurveColours() const { return m_curveColours; }
  unsigned TextStyle() const { return m_textStyle; }
  int LabelFont() const { return m_labelFont; }
  int BypassFont() const { return m_bypassFont; }
  unsigned TextColour() const { return m_textColour; }
  unsigned DisabledTextColour() const { return m_disabledTextColour; }
  const std::array<int, 4>& TextPadding() const { return m_textPadding; }
  bool AutoCalcWidth() const { return m_autoCalcWidth; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool HasCurrentBand() const;
  void FullLayout();
  /// Every band's label from its point, moved apart where they crowd.
  void LayoutLabels();
  void LayoutCurrentBand();
  void LayoutCrossovers();
  void MakeCurrent(int band);
  void Raise(ui::Event event);

  void HoverAt(PixelPoint p);
  void DragBandTo(PixelPoint pointer);
  void DragFactorTo(PixelPoint pointer);
  void DragHighPassTo(PixelPoint pointer);
  void DragLowPassTo(PixelPoint pointer);
  void ReleaseAt(PixelPoint pointer);

  bool ParseCurveColours(const QString& value);
  bool ParseLogo(const QString& value);

  std::array<CurveBand, kCurveBandSlots> m_bands{};
  int m_bandCount = 0;
  int m_currentIndex = -1;
  bool m_dragAllDirection = false;
  Capture m_capture = kNoCapture;
  /// Where the press that started the capture was, how far from the grabbed band point's
  /// centre, and whether the pointer has moved since: a press alone changes nothing, and a
  /// drag moves the point by what the pointer moved, not onto the pointer.
  PixelPoint m_pressAt{};
  PixelPoint m_grabOffset{};
  bool m_moved = false;
  int m_hpFreq = -1;
  int m_lpFreq = -1;
  bool m_allGainsZero = false;

  /// Background, grid, logo or bypass text and the curves of the other outputs, painted once
  /// and reused while none of them changes: a band drag repaints only the current output.
  struct BackdropKey {
    QSize size;
    int plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
    int scale = 0;
    int selected = -1;
    bool allGainsZero = false;
    QString bypassText;
    std::uint64_t generation = 0;
    bool operator==(const BackdropKey&) const = default;
  };
  void PaintBackdrop(QPainter& painter, int scale);
  QPixmap m_backdrop;
  BackdropKey m_backdropKey;
  std::uint64_t m_backdropGeneration = 1;  ///< bumped when other outputs' curves or the look change
  bool m_layoutDone = false;
  bool m_focused = false;
  int m_scaleOverride = 0;

  CurveAxes m_axes;
  CurveLayout m_layout;

  std::array<Curve, kMaxChannels> m_frequencies{};
  std::array<Curve, kMaxChannels> m_decibels{};
  std::array<bool, kMaxChannels> m_show{};
  int m_channelCount = 0;
  int m_selectedChannel = 0;

  std::vector<OverlayCurve> m_overlay;

  std::vector<unsigned> m_curveColours;
  unsigned m_textStyle = kDefaultTextStyle;
  int m_labelFont = -1;
  int m_bypassFont = -1;
  unsigned m_textColour = 0;
  unsigned m_disabledTextColour = 0;
  std::array<int, 4> m_textPadding{};
  bool m_autoCalcWidth = false;
  bool m_hasBackground = false;
  unsigned m_background = 0;
  ImageDescription m_logoImage;
  SkinPicture m_logo;

  mutable std::vector<PixelPoint> m_polyline;  ///< reused by every paint
};

}  // namespace qb::controls

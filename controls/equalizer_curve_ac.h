#pragma once
/// The calibration window's curve display: on a 20 Hz..20 kHz / +20..-20 dB plot, per
/// output the spectrum the box measured (solid), the correction it computed (dashed), the
/// target it aims at (solid, one colour for all) and the response predicted after the
/// correction (dotted). A legend in the top right corner names the colour of each output
/// shown and the line of each kind of curve shown. It shows only: it takes no pointer input
/// and raises no notification.
///
/// The grid is painted once per size and the curves once per change: a repaint that
/// changes nothing only copies the two cached layers.

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <array>
#include <span>
#include <vector>

#include "controls/curve_geometry.h"
#include "ui/attribute_sink.h"

class QPainter;

namespace qb::controls {

/// One output's curve as the owner hands it over: frequencies in Hz and levels in dB, the
/// same length; read during the call.
struct AcCurveView {
  std::span<const double> frequencies;
  std::span<const double> decibels;
  bool show = false;
};

class EqualizerCurveAc : public QWidget, public ui::AttributeSink {
  Q_OBJECT
 public:
  static constexpr int kMaxChannels = 8;
  static constexpr int kTopDb = 20;
  static constexpr int kBottomDb = -20;
  static constexpr unsigned kGridColour = 0xFF444444u;
  static constexpr unsigned kTargetColour = 0xFFE00068u;
  static constexpr std::array<unsigned, kMaxChannels> kMeasuredColours = {
      0xFFEF0000u, 0xFFEF7030u, 0xFFEFEF27u, 0xFFA7EF3Au, 0xFF009E9Eu, 0xFF0000D3u, 0xFF7600EFu, 0xFFE00068u};
  static constexpr std::array<unsigned, kMaxChannels> kCorrectionColours = {
      0xFFFF0000u, 0xFFFF8040u, 0xFFFFFF37u, 0xFFB7FF4Au, 0xFF00AEAEu, 0xFF0000E3u, 0xFF8600FFu, 0xFFF00078u};

  enum class Set { Measured = 0, Correction = 1, Target = 2, Predicted = 3 };
  static constexpr int kSets = 4;

  /// One row of the legend: an output in its colour, or a kind of curve with its line.
  struct LegendRow {
    QString text;       ///< resolved in the current language
    unsigned colour = 0;
    Qt::PenStyle pen = Qt::SolidLine;
    int channel = -1;   ///< the output, or -1 for a kind of curve
  };

  explicit EqualizerCurveAc(QWidget* parent = nullptr);

  static QString InterfaceName() { return QStringLiteral("CurveAc"); }
  static QString ClassName() { return QStringLiteral("EqualizerCurveAc"); }

  /// Each replaces its set with the first min(size, 8) curves and their show flags; an
  /// empty list changes nothing.
  void SetMeasuredCurves(std::span<const AcCurveView> channels) { SetCurves(Set::Measured, channels); }
  void SetCorrectionCurves(std::span<const AcCurveView> channels) { SetCurves(Set::Correction, channels); }
  void SetTargetCurves(std::span<const AcCurveView> channels) { SetCurves(Set::Target, channels); }
  /// The measured response with the correction added, on the measured points.
  void SetPredictedCurves(std::span<const AcCurveView> channels) { SetCurves(Set::Predicted, channels); }
  void SetCurves(Set set, std::span<const AcCurveView> channels);

  int ChannelCount(Set set) const { return m_sets[Index(set)].count; }
  bool Shown(Set set, int channel) const;
  /// The polyline painted for `channel` of `set` (empty when it is hidden or outside the
  /// set), in the control's current size.
  std::vector<PixelPoint> Polyline(Set set, int channel) const;
  /// The outputs' names in the legend (texts or language keys; "1".."8" unless set).
  void SetChannelNames(std::span<const QString> names);
  /// What the legend lists: every output with a curve drawn, in order, then every kind of
  /// curve drawn (its text from "${irc_show_measured}" .. "${irc_show_predicted}").
  std::vector<LegendRow> Legend() const;
  /// How often the curves layer was painted: a repaint without a change reuses it.
  int CurvePaints() const { return m_curvePaints; }
  const CurveAxes& Axes() const { return m_axes; }

  /// The label attributes of the curve control ("align", "valign", "endellipsis",
  /// "noprefix", "wordbreak", "font", "textcolor", "disabledtextcolor", "textpadding",
  /// "autocalcwidth") and "bkcolor"; false for any other name.
  bool SetAttribute(const QString& name, const QString& value) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  struct CurveSet {
    std::array<std::vector<double>, kMaxChannels> frequencies;
    std::array<std::vector<double>, kMaxChannels> decibels;
    std::array<bool, kMaxChannels> show{};
    int count = 0;
  };
  static std::size_t Index(Set set) { return static_cast<std::size_t>(set); }
  int ScalePercent() const;
  void PaintGrid(int scale);
  void PaintCurves(int scale);
  void PaintLegend(QPainter& painter, int scale) const;

  std::array<CurveSet, kSets> m_sets{};
  std::array<QString, kMaxChannels> m_channelNames{};
  CurveAxes m_axes;
  bool m_hasBackground = false;
  unsigned m_background = 0;
  bool m_focused = false;

  QPixmap m_grid;
  QSize m_gridSize;
  int m_gridScale = 0;
  QPixmap m_curves;
  bool m_curvesStale = true;
  int m_curvePaints = 0;
};

}  // namespace qb::controls

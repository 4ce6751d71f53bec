#pragma once
/// Where the equaliser plot puts its handles: the numbered band points and their labels, the
/// current band's value label and Q handles, and the "H"/"L" crossover handles. Pure
/// geometry on top of CurveAxes; the widget keeps one CurveLayout and paints from it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "controls/curve_geometry.h"

namespace qb::controls {

/// Bands one curve holds.
inline constexpr int kCurveMaxBands = 31;
inline constexpr std::size_t kCurveBandSlots = static_cast<std::size_t>(kCurveMaxBands);

/// One equaliser band as the owner hands it over and reads it back.
struct CurveBand {
  float gain = 0.0f;        ///< dB
  float q = 0.0f;
  int frequency = 0;        ///< Hz
  std::uint8_t enable = 0;  ///< 1 = on
  bool operator==(const CurveBand&) const = default;
};

struct CurveLayout {
  std::array<PixelPoint, kCurveBandSlots> points{};  ///< drawn position of each band
  std::array<PixelRect, kCurveBandSlots> labels{};   ///< hit area and text box of each band
  PixelRect info{};                                  ///< current band's value label
  std::string infoText;
  PixelRect qLeft{};
  PixelRect qRight{};
  PixelRect highPass{};  ///< empty while there is no high-pass handle
  PixelRect lowPass{};   ///< empty while there is no low-pass handle
};

/// The label box of a band point: scaled 16 x 16, centred on the point, pushed inside the plot.
PixelRect BandLabelRect(const CurveAxes& axes, PixelPoint point, int scalePercent);

/// Places the band labels, in band order, so that every number stays legible: a label that
/// would overlap a label placed before it or one of `obstacles` (the axis texts) moves to
/// the nearest free place around its point, trying half a label's steps up and down first,
/// then sideways. Bands crowd together (equal gains towards the high frequencies, two bands
/// on one frequency), and at start-up band 1 sits on the "0 dB" text. The labels are the
/// bands' hit areas too, so a number is grabbed where it is drawn. Labels stay in `plot`;
/// one that finds no free place within reach keeps the place that overlaps least.
void PlaceBandLabels(std::span<PixelRect> labels, std::span<const PixelRect> obstacles, const PixelRect& plot);

/// The current band's value text: graphic mode "%.1f dB" of the gain; parametric mode
/// "<Hz> Hz <Q> Q <gain> dB" with Q to two decimals and the gain to one.
std::string BandInfoText(const CurveBand& band, bool parametric);

/// The value label of the current band: scaled 150 wide (parametric) or 50 wide (graphic),
/// centred on the point's x and pushed inside the plot; vertically near the point, below it
/// unless that would leave the plot.
PixelRect BandInfoRect(const CurveAxes& axes, PixelPoint point, bool parametric,
                       int scalePercent);

/// The two Q handles of a band at `point` with quality `q`: small boxes left and right of the
/// point, round(81 / Q) pixels away at 100 % scale (Q held to 0.5..9.0), just below the point
/// (above it near the bottom edge).
void QHandleRects(const CurveAxes& axes, PixelPoint point, float q, int scalePercent,
                  PixelRect& left, PixelRect& right);

/// The "H" handle (scaled 14 x 10 below the -8 dB row) and the "L" handle (scaled 14 wide,
/// scaled 10 + 2 high, below the -11 dB row), centred on the frequency's x inside the plot.
PixelRect HighPassRect(const CurveAxes& axes, int hz, int scalePercent);
PixelRect LowPassRect(const CurveAxes& axes, int hz, int scalePercent);

/// True for a crossover frequency that gets a handle (20..20000 Hz).
bool IsHandleFrequency(int hz);

}  // namespace qb::controls

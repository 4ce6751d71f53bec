#pragma once
/// What the main window's curve control ("equalizer") is given by its owner: the current
/// output's bands, its crossover corners, and the response curves of all eight outputs.
/// The controller draws through this interface only, so it needs neither the control's
/// class nor a copy of the curves: the curve views point into the owner's own arrays and
/// are read during the call.

#include <cstdint>
#include <span>

namespace qb::ui {

/// One band of the current output as the control shows it.
struct CurveBand {
  int freq = 0;              ///< Hz
  float q = 0.0f;
  std::uint8_t enable = 0;   ///< 1 = on
  float gain = 0.0f;         ///< dB; 0 for a band that the box does not apply
};

/// One output's curves: a frequency axis in Hz and the response in dB at each of its points
/// (the same length, the standard grid's point count).
struct ChannelCurveView {
  std::span<const double> frequencies;
  std::span<const double> decibels;
  bool shown = false;  ///< drawn although it is not the current output
};

class EqualizerDisplay {
 public:
  virtual ~EqualizerDisplay() = default;

  /// The bands of the current output (at most 31; `eqSize` of them are in use) and the
  /// band to mark as current, -1 for none.
  virtual void SetBands(std::span<const CurveBand> bands, int eqSize, int selectedBand) = 0;
  /// Corner frequencies of the high-pass and low-pass handles; a value outside 20..20000 Hz
  /// removes that handle.
  virtual void SetCrossoverMarkers(int hpHz, int lpHz) = 0;
  /// The curves of every output (index = output) and the output drawn on top.
  virtual void SetChannelCurves(std::span<const ChannelCurveView> channels, int currentChannel) = 0;
  /// Repaints with what was set.
  virtual void Refresh() = 0;

  // Reading back after one of the control's notifications: a drag edits the control's own
  // copy, which may have run ahead of what was set. A display that cannot be edited keeps
  // the defaults (a zero band, no handles) and raises no notification to read them after.

  /// Band i as the control holds it now; a zero band for an index it does not hold.
  virtual CurveBand DisplayBand(int i) const {
    (void)i;
    return {};
  }
  /// Frequencies of the high-pass and low-pass handles now; -1 for no handle.
  virtual int HpFreq() const { return -1; }
  virtual int LpFreq() const { return -1; }
  /// true: parametric mode (a band drag moves frequency and gain, Q can be dragged);
  /// false: graphic mode (a band drag changes its gain only).
  virtual void SetDragAllDirection(bool on) { (void)on; }
};

}  // namespace qb::ui

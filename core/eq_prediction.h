#pragma once
/// What an output's equaliser does to a measurement taken through it, with the program's
/// own curve math on the measurement's own frequencies.
///
/// A measurement is taken through the output as it is: its crossover and its current bands
/// are in it. Swapping the equaliser for new bands therefore predicts
///     predicted = measured - current equaliser curve + new equaliser curve,
/// while the crossover, already in the measurement, stays as it is and bounds the range an
/// equaliser may lift.

#include <cstddef>
#include <span>
#include <vector>

#include "core/fit_target.h"
#include "core/measured_response.h"
#include "core/profile.h"
#include "dspmath/curve_constants.h"

namespace qb {

struct FrequencyRange {
  double lowHz = 0.0;
  double highHz = 0.0;
};

/// The frequencies an output passes: from its high-pass corner to its low-pass corner, each
/// filter counting while it is drawn (not bypassed, slope above 0); 20 Hz and 20000 Hz stand
/// for a filter that is off.
FrequencyRange PassBandOf(const OutputChannel& channel);

/// The curve of `bands` at `freqHz`, each band applied at its gain (as EqEditor::ImportBands
/// leaves imported bands: enabled, the equaliser on unless they are all flat).
std::vector<double> EqCurveAt(std::span<const EqBand> bands, std::span<const double> freqHz);

/// The output's equaliser curve as it plays now: the bands in use that are enabled, flat
/// while the equaliser is bypassed.
std::vector<double> CurrentEqCurveAt(const OutputChannel& channel, std::span<const double> freqHz);

/// measured - current + new at each of the measurement's frequencies.
std::vector<double> PredictedResponse(const MeasuredResponse& measured, const OutputChannel& channel,
                                      std::span<const EqBand> newBands);

/// A curve on the standard curve grid (CurveGrid), defined at the `count` points from
/// `first` on: those inside the frequencies it was taken from. Other points hold 0.
struct GridCurve {
  Curve db{};
  std::size_t first = 0;
  std::size_t count = 0;
};

/// `db` at `freqHz` (ascending) moved onto the standard grid, between neighbouring points
/// on a logarithmic axis.
GridCurve OnCurveGrid(std::span<const double> freqHz, std::span<const double> db);

/// The three curves a fit is shown with, on the output's curve grid.
struct EqFitCurves {
  GridCurve measured;
  GridCurve predicted;  ///< with `newBands` in place of the current equaliser
  GridCurve target;
};

/// The curves for `output` of `live` (an output outside 0..7 gives empty curves).
EqFitCurves FitCurvesOf(const Profile& live, int output, const MeasuredResponse& measured, const FitTarget& target,
                        std::span<const EqBand> newBands);

}  // namespace qb

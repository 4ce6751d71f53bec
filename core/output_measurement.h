#pragma once
/// A measurement imported for one output, kept beside the output's settings it was taken
/// through, so that what is shown and fitted stays right while the output is edited after the
/// measurement was made.
///
/// The measurement heard the output as it was then: its crossover and its equaliser. Shown
/// now, the predicted response swaps both for what the output has now:
///     predicted = measured - response it was taken through + response now,
/// so it is the measurement itself until something changes, and follows every band, bypass
/// and crossover edit. A fit treats the measurement the same way: the crossover it was taken
/// through is swapped for the output's present one, and the equaliser it was taken through
/// is the current equaliser the fit replaces (eq_prediction.h).
///
/// Plain values: nothing here changes the profile or talks to the box.

#include <span>
#include <vector>

#include "core/eq_fit.h"
#include "core/eq_prediction.h"
#include "core/fit_target.h"
#include "core/measured_response.h"
#include "core/profile.h"

namespace qb {

struct OutputMeasurement {
  int output = 0;
  MeasuredResponse response;
  /// The output's settings the measurement was taken through.
  OutputChannel through;
  /// Their response on the curve grid (crossover and equaliser, as the display draws it).
  Curve throughDb{};
  /// The measurement on the curve grid.
  GridCurve measured;
  /// The measurement's mean level over the output's pass band when it was imported: the
  /// level the curves are drawn relative to (a measured SPL of 85 dB sits near 0 dB).
  double referenceDb = 0.0;
};

/// `response`, measured through `output` (0..7) of `live` as it is now, ready to keep.
OutputMeasurement MeasurementOf(const Profile& live, int output, MeasuredResponse response);

/// The response of `channel` on the curve grid, as the display draws it.
Curve DisplayResponseOf(const OutputChannel& channel);

/// The crossover's curve of `channel` at `freqHz` (its drawn filters, as the display draws
/// them), in dB.
std::vector<double> CrossoverCurveAt(const OutputChannel& channel, std::span<const double> freqHz);

/// The measurement as it would be through `now`'s crossover and the equaliser it was taken
/// through.
MeasuredResponse WithCrossoverOf(const OutputMeasurement& measurement, const OutputChannel& now);

/// `live` with the measured output's equaliser (bands, band count, bypass) as the
/// measurement heard it: the profile FitEqualizer and FitCurvesOf take the current
/// equaliser from.
Profile AsMeasured(const Profile& live, const OutputMeasurement& measurement);

/// The predicted curve of the measured output as `live` has it now, on the curve grid, in
/// absolute dB: at each grid point the measurement, less the response it was taken through,
/// plus the output's response now. Empty for a measurement of no output.
GridCurve LiveCurveOf(const Profile& live, const OutputMeasurement& measurement);

/// FitEqualizer for the measured output of `live`, on the measurement as explained above.
EqFitOutcome FitMeasurement(const Profile& live, const OutputMeasurement& measurement, const FitTarget& target,
                            const EqFitRequest& request);

/// FitCurvesOf the same way: the curves with `bands` in place of the output's equaliser.
EqFitCurves FitPreviewOf(const Profile& live, const OutputMeasurement& measurement, const FitTarget& target,
                         std::span<const EqBand> bands);

}  // namespace qb

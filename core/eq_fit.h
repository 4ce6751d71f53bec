#pragma once
/// An output's equaliser fitted to a measurement taken through it, within the box's limits.
///
/// The fit chooses new bands so that the predicted response (eq_prediction.h) follows the
/// target over the fit range, up to a level offset: it minimises the standard deviation of
/// (measured + new equaliser - current equaliser - target) there, and reports the offset
/// apart without applying it. The fit range is the range asked for, narrowed to the
/// output's pass band and to the measurement: no band is placed below the high-pass or above
/// the low-pass corner.
///
/// Parametric mode places N bands anywhere in the range; graphic mode keeps the graphic
/// equaliser's fixed frequencies (those of a reset, third octaves for 31 bands) and their Q,
/// and fits the gains of the bands inside the range, the others staying flat. Every band
/// lies within the box's ranges and exactly on what the box stores: whole hertz, Q and gain
/// in tenths, no gain above the boost limit. The same input gives the same bands.
///
/// The result is ready for EqEditor::ImportBands, which applies it as one step (one undo
/// step under a gesture); nothing here changes the profile.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/eq_prediction.h"
#include "core/fit_target.h"
#include "core/measured_response.h"
#include "core/profile.h"

namespace qb {

enum class EqFitMode { Parametric, Graphic };

/// The boost limit a fit starts with, in dB.
inline constexpr double kDefaultMaxBoostDb = 6.0;
/// A fit range narrower than this many measurement points has too little to go on.
inline constexpr std::size_t kMinFitPoints = 8;

struct EqFitRequest {
  EqFitMode mode = EqFitMode::Parametric;
  /// Parametric mode: bands to place, 1 .. the output's bands; 0 for all of them.
  int bands = 0;
  /// No band gains more than this, 0 .. the box's largest gain.
  double maxBoostDb = kDefaultMaxBoostDb;
  /// The range to fit, before it is narrowed to the pass band and the measurement.
  double lowHz = kMinFrequencyHz;
  double highHz = kMaxFrequencyHz;
};

struct EqFitResult {
  int output = 0;
  EqFitMode mode = EqFitMode::Parametric;
  /// The new bands, enabled, for ImportBands: the fitted ones in parametric mode (sorted by
  /// frequency), every band in use in graphic mode.
  std::vector<EqBand> bands;
  /// Standard deviation (over the measurement's points in the fit range, dividing by their
  /// count) of measured + new - current - target, in dB.
  double residualDb = 0.0;
  /// The same figure for the equaliser as it is now (measured - target).
  double residualBeforeDb = 0.0;
  /// Mean of target - predicted over the fit range: the level to add to the output to meet
  /// the target. Not applied.
  double levelDb = 0.0;
  FrequencyRange range;
  std::size_t points = 0;  ///< measurement points in the fit range
};

struct EqFitOutcome {
  std::optional<EqFitResult> fit;
  std::string error;  ///< why there is no fit, when there is none
};

/// Fits the equaliser of `output` of `live` to `target`, `measured` having been taken
/// through that output as `live` has it now.
EqFitOutcome FitEqualizer(const Profile& live, int output, const MeasuredResponse& measured, const FitTarget& target,
                          const EqFitRequest& request);

/// The graphic equaliser's fixed bands of an output with `eqSize` bands, flat.
std::vector<EqBand> GraphicBands(int eqSize);

}  // namespace qb

#pragma once
/// Peaking bands fitted to a wanted equaliser curve, within limits and on steps.
///
/// The wanted curve is given at the points of a PointGrid, up to a constant: the fit
/// minimises the variance of (sum of the band curves - wanted) over the points, so a level
/// offset costs no band. Of equally good fits it prefers the one whose sum has no needless
/// level, and the sum of the bands, not only each band, stays at or below the largest gain
/// (the boost limit): bands that lift together would otherwise eat the headroom the limit
/// keeps (band_set.h). Every band ends inside the limits and exactly on the steps (whole
/// hertz, `qStep`, `gainStepDb`), because the box stores nothing finer.
///
/// The bands are placed one by one where the remaining error has its largest area, each
/// tried at the few largest areas and kept where it helps most; all bands are then refined
/// together (Levenberg-Marquardt on log frequency, log Q and gain, bounded), put on the
/// steps, and refined once more step by step. There is no randomness: the same input gives
/// the same bands, bit for bit, on the same build.

#include <span>
#include <vector>

#include "dspmath/point_grid.h"

namespace qb {

/// What a band may be. Frequencies in Hz (whole hertz at the end), gains in dB.
struct PeakingFitLimits {
  double minHz = 0.0;
  double maxHz = 0.0;
  double minQ = 0.0;
  double maxQ = 0.0;
  double qStep = 0.0;
  double minGainDb = 0.0;
  double maxGainDb = 0.0;
  double gainStepDb = 0.0;
};

struct PeakingBand {
  double freqHz = 1000.0;
  double q = 1.0;
  double gainDb = 0.0;

  bool operator==(const PeakingBand&) const = default;
};

/// Places `count` bands (at least 1) so that their curves add up to `wantedDb` (one value
/// per point of `points`) as closely as the limits allow; sorted by frequency. Bands that
/// cannot improve the fit any more are returned flat (0 dB). Limits that leave no step
/// inside them (minHz above maxHz after rounding, and so on) give flat bands at the nearest
/// allowed values.
std::vector<PeakingBand> FitPeakingBands(const PointGrid& points, std::span<const double> wantedDb, int count,
                                         const PeakingFitLimits& limits);

/// The gains alone of `bands`, whose frequencies and Q stay as given: the graphic
/// equaliser's fixed bands. A band whose `adjustable` entry is false stays at 0 dB.
std::vector<PeakingBand> FitBandGains(const PointGrid& points, std::span<const double> wantedDb,
                                      std::span<const PeakingBand> bands, const std::vector<bool>& adjustable,
                                      const PeakingFitLimits& limits);

/// Standard deviation over the points of (sum of the band curves - wanted): what the fit
/// minimises, in dB.
double FitDeviationDb(const PointGrid& points, std::span<const double> wantedDb, std::span<const PeakingBand> bands);

}  // namespace qb

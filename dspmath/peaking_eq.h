#pragma once
/// One parametric equaliser band: a peaking second-order section and its response.

#include <span>

#include "dspmath/section_response.h"

namespace qb {

/// Designs the peaking section of a band at `centre` Hz with `gainDb` and quality `q` for
/// `sampleRate`. The gain at the centre is exactly `gainDb` (to rounding); 0 dB gives a
/// section whose numerator equals its denominator. Cuts scale the bandwidth term by the
/// linear gain, so a cut of -G dB is the reciprocal of the boost of +G dB.
/// Inputs the formulas cannot take give the identity section (flat 0 dB): q <= 0, centre <= 0,
/// a centre at or above sampleRate / 2, a sample rate <= 0, or any value that is not finite
/// or that makes a coefficient not finite.
SectionCoeffs DesignPeakingEq(double sampleRate, double centre, double gainDb, double q);

/// DesignPeakingEq followed by EvalSectionsDb of that one order-2 section on `grid` into `db`.
/// A band shown flat (disabled, bypassed) is asked for with gainDb = 0.
/// Returns false and leaves `db` untouched when EvalSectionsDb would.
bool PeakingCurve(double sampleRate, double centre, double gainDb, double q,
                  std::span<const double> grid, std::span<double> db);

/// The band's level in dB at one frequency `hz` (0 < hz < sampleRate / 2), for responses
/// sampled off the standard grid (a measured spectrum's own points).
double PeakingDbAt(double sampleRate, double centre, double gainDb, double q, double hz);

}  // namespace qb

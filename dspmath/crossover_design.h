#pragma once
/// Crossover high-pass and low-pass filters of the Butterworth, Linkwitz-Riley and Bessel
/// families, orders 1 to 8, as cascades of at most four first- and second-order sections,
/// always designed for CurveSampleRate.

#include <array>
#include <span>

#include "dspmath/section_response.h"

namespace qb {

/// Family codes as the box and the channel model use them.
inline constexpr int kFamilyButterworth = 1;
inline constexpr int kFamilyLinkwitzRiley = 2;
inline constexpr int kFamilyBessel = 3;

/// Lowest and highest order a crossover is designed with.
inline constexpr int kMinCrossoverOrder = 1;
inline constexpr int kMaxCrossoverOrder = 8;

/// Kind of one slot of a crossover section table; the values are those of the table.
enum class SlotKind : int { Empty = -1, FirstOrder = 0, SecondOrder = 1 };

/// One slot: shape value v, cosine c = cos(w) of the slot's normalised frequency w, kind.
struct CrossoverSlot {
  double v = 0.0;
  double c = 1.0;
  SlotKind kind = SlotKind::Empty;
};

/// Second-order slots first, then at most one first-order slot, then empty slots.
using CrossoverTable = std::array<CrossoverSlot, 4>;

/// Designs one crossover filter at CurveSampleRate.
/// - The order is raised by one when odd for Linkwitz-Riley, then clamped to 1..8.
/// - A family code other than Linkwitz-Riley or Bessel designs a Butterworth filter.
/// - The corner is clamped to 0.0025 .. 22000 Hz (a NaN corner counts as the low limit);
///   Bessel slot frequencies derived from it are clamped to the same range.
/// Damping and frequency factors come from fixed ten-digit tables, not from formulas.
CrossoverTable DesignCrossover(bool lowPass, double corner, int order, int family);

/// Coefficients of a non-empty slot for a low-pass or high-pass filter: unity gain in the
/// pass band (0 dB at DC for a low-pass, at half the sample rate for a high-pass).
/// An empty slot gives the identity section.
SectionCoeffs CrossoverSectionCoeffs(const CrossoverSlot& slot, bool lowPass);

/// Response in dB of one crossover filter on `grid`: the low-pass when which == 1, else the
/// high-pass. Each non-empty slot is evaluated as a section of its own and the dB values are
/// added, so the floor rule of PowerToDb applies per section: a section at or below -80 dB
/// at a point contributes kFloorDb there. `sampleRate` is accepted and ignored: the design
/// always uses CurveSampleRate.
/// Returns false and leaves `db` untouched when EvalSectionsDb would.
bool CrossoverCurve(int which, double sampleRate, double corner, int order, int family,
                    std::span<const double> grid, std::span<double> db);

}  // namespace qb

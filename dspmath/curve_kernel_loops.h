#pragma once
/// The bodies of the curve loops, included by one source file per instruction set
/// (curve_kernels_*.cpp), each compiled with that set's flags. Everything here has internal
/// linkage and calls no library code: a copy built for AVX2 must never be the one the linker
/// keeps for a baseline caller. Only the tables these files export are seen outside.
///
/// The files are compiled with -ffp-contract=off, so the squared magnitude is rounded the
/// same way by every set and the floor rule picks the same points; the logarithm uses FMA
/// explicitly where the set has it (fast_log.h).

#include <cstddef>

#include "dspmath/curve_constants.h"
#include "dspmath/curve_kernels.h"
#include "dspmath/fast_log.h"
#include "dspmath/section_response.h"

namespace qb {
namespace {

constexpr double kDbPerNeper = 10.0 / 2.302585092994045684017991454684364208;  // 10/ln(10)
// Power that stands in for a point under the floor: its logarithm is exactly kFloorDb in
// real arithmetic, and the snap below makes it exactly so in floating point.
constexpr double kFloorStandIn = 1e-40;
// Any value below this came from kFloorStandIn: a point above the floor is above -80 dB.
constexpr double kFloorDetect = -200.0;

// The loops are kept free of calls and branches and work on restrict-qualified pointers, so
// the compiler vectorises each of them for the set it is compiled for. The squared magnitude
// and its logarithm are separate loops: in one loop the compiler folds the logarithm of the
// stand-in to a constant and branches around it, and a loop with a branch is not vectorised.

/// out[k] = the section's squared magnitude at phi[k], or kFloorStandIn when that is at or
/// below kFloorPower (or not a number).
void SectionPowerOrStandIn(const double* __restrict phi, const SectionPowerQuadratics& q,
                           double* __restrict out) {
  const SectionPowerQuadratics c = q;
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    const double x = phi[k];
    const double p = (c.n0 + x * (c.n1 + x * c.n2)) / (c.d0 + x * (c.d1 + x * c.d2));
    out[k] = p > kFloorPower ? p : kFloorStandIn;
  }
}

/// values[k] = 10*log10(values[k]), the stand-in's within rounding of kFloorDb.
void PowerToDbInPlace(double* __restrict values) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    values[k] = kDbPerNeper * FastLn(values[k]);
  }
}

/// A value from PowerToDbInPlace, the stand-in's made exactly kFloorDb. Kept out of the
/// logarithm's loop: the extra select there measured slower on SSE2 and AVX2.
inline double SnapFloor(double db) {
  return db < kFloorDetect ? kFloorDb : db;
}

void LoopSectionDb(const double* __restrict phi, const SectionPowerQuadratics& q,
                   double* __restrict out) {
  SectionPowerOrStandIn(phi, q, out);
  PowerToDbInPlace(out);
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    out[k] = SnapFloor(out[k]);
  }
}

void LoopAddSectionDb(const double* __restrict phi, const SectionPowerQuadratics& q,
                      double* __restrict sum) {
  double db[kCurveSize];
  SectionPowerOrStandIn(phi, q, db);
  PowerToDbInPlace(db);
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    sum[k] += SnapFloor(db[k]);
  }
}

void LoopAddCurve(const double* __restrict curve, double* __restrict sum) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    sum[k] += curve[k];
  }
}

/// Adds four curves per pass, so the total is read and written once per four curves rather
/// than once per curve. Each point still gets its additions in the order of the curves.
void LoopSumCurves(const double* const* curves, std::size_t count, double* __restrict total) {
  for (std::size_t k = 0; k < kCurveSize; ++k) {
    total[k] = 0.0;
  }
  std::size_t c = 0;
  for (; c + 4 <= count; c += 4) {
    const double* __restrict c0 = curves[c];
    const double* __restrict c1 = curves[c + 1];
    const double* __restrict c2 = curves[c + 2];
    const double* __restrict c3 = curves[c + 3];
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      total[k] = (((total[k] + c0[k]) + c1[k]) + c2[k]) + c3[k];
    }
  }
  for (; c < count; ++c) {
    LoopAddCurve(curves[c], total);
  }
}

constexpr CurveKernels MakeCurveKernels(const char* name) {
  return {name, LoopSectionDb, LoopAddSectionDb, LoopAddCurve, LoopSumCurves};
}

}  // namespace
}  // namespace qb

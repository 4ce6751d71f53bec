#pragma once
/// The loops that every curve spends its time in, compiled once per instruction set, and the
/// choice of the set the processor runs them with.
///
/// A portable build may only assume the baseline of its architecture (SSE2 on x86-64), which
/// leaves most of a newer processor's vector units idle. On x86-64 the loops are also built
/// for AVX2 with FMA and for AVX-512; the first use picks the widest set the processor and
/// the operating system support, so one binary runs on any x86-64 machine. Other
/// architectures get the portable loops alone.
///
/// Every set gives the same points on the floor (the squared magnitude is computed without
/// fused operations, so its bits and the floor decision do not depend on the set); above the
/// floor the sets differ only in the rounding of the logarithm, far below 1e-9 dB. Within one
/// set the incremental and the full path of a channel give identical bits.

#include <cstddef>

namespace qb {

/// |N|^2 = n0 + n1 phi + n2 phi^2 and |D|^2 likewise: one section's squared magnitude as a
/// quadratic in phi = sin^2(theta/2) (see CurveGrid).
struct SectionPowerQuadratics {
  double n0;
  double n1;
  double n2;
  double d0;
  double d1;
  double d2;
};

/// One instruction set's loops. Every array has kCurveSize points.
struct CurveKernels {
  /// Name shown by the benchmarks and test messages.
  const char* name;
  /// out[k] = the section's response in dB at phi[k], with the floor rule of PowerToDb.
  void (*sectionDb)(const double* phi, const SectionPowerQuadratics& q, double* out);
  /// sum[k] += the section's response in dB at phi[k], as sectionDb gives it.
  void (*addSectionDb)(const double* phi, const SectionPowerQuadratics& q, double* sum);
  /// sum[k] += curve[k].
  void (*addCurve)(const double* curve, double* sum);
  /// total[k] = 0 + curves[0][k] + curves[1][k] + ... in that order (0 when count is 0), the
  /// same bits as adding the curves one after the other with addCurve.
  void (*sumCurves)(const double* const* curves, std::size_t count, double* total);
};

/// The instruction sets the loops are built for, narrowest first.
enum class CurveKernelSet {
  Portable,  ///< the architecture's baseline; always available
  Avx2Fma,   ///< x86-64 with AVX2 and FMA
  Avx512,    ///< x86-64 with AVX-512 (foundation, DQ and VL)
};

/// The loops of `set`, or nullptr when this build has none for it or the processor lacks it.
const CurveKernels* CurveKernelsFor(CurveKernelSet set);

/// The widest set that CurveKernelsFor gives on this processor.
CurveKernelSet BestCurveKernelSet();

/// The loops every curve computation uses: the best set unless UseCurveKernels chose another.
const CurveKernels& ActiveCurveKernels();

/// Makes `set` the one ActiveCurveKernels gives, for tests and benchmarks that compare the
/// sets. Returns false, changing nothing, when CurveKernelsFor(set) is nullptr. Curves already
/// computed keep their bits: switch before building the curves you compare.
bool UseCurveKernels(CurveKernelSet set);

}  // namespace qb

#include "dspmath/curve_kernels.h"

#include <atomic>

namespace qb {

// Defined by curve_kernels_<set>.cpp, each compiled for its instruction set. Only their
// tables are read here: nothing of a wider set runs before the processor has been asked.
extern const CurveKernels kPortableCurveKernels;
#if defined(QB_CURVE_KERNELS_X86)
extern const CurveKernels kAvx2FmaCurveKernels;
extern const CurveKernels kAvx512CurveKernels;
#endif

namespace {

#if defined(QB_CURVE_KERNELS_X86)
/// True when the processor and the operating system both support `set` (the compiler's
/// feature test also checks that the system saves the wide registers).
bool ProcessorRuns(CurveKernelSet set) {
  __builtin_cpu_init();
  switch (set) {
    case CurveKernelSet::Portable:
      return true;
    case CurveKernelSet::Avx2Fma:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case CurveKernelSet::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
             __builtin_cpu_supports("avx512vl");
  }
  return false;
}
#endif

std::atomic<const CurveKernels*>& Active() {
  // Chosen on first use; thread-safe through the static's initialisation.
  static std::atomic<const CurveKernels*> active{CurveKernelsFor(BestCurveKernelSet())};
  return active;
}

}  // namespace

const CurveKernels* CurveKernelsFor(CurveKernelSet set) {
  switch (set) {
    case CurveKernelSet::Portable:
      return &kPortableCurveKernels;
#if defined(QB_CURVE_KERNELS_X86)
    case CurveKernelSet::Avx2Fma:
      return ProcessorRuns(set) ? &kAvx2FmaCurveKernels : nullptr;
    case CurveKernelSet::Avx512:
      return ProcessorRuns(set) ? &kAvx512CurveKernels : nullptr;
#endif
    default:
      return nullptr;
  }
}

CurveKernelSet BestCurveKernelSet() {
  for (CurveKernelSet set : {CurveKernelSet::Avx512, CurveKernelSet::Avx2Fma}) {
    if (CurveKernelsFor(set) != nullptr) {
      return set;
    }
  }
  return CurveKernelSet::Portable;
}

const CurveKernels& ActiveCurveKernels() {
  return *Active().load(std::memory_order_relaxed);
}

bool UseCurveKernels(CurveKernelSet set) {
  const CurveKernels* kernels = CurveKernelsFor(set);
  if (kernels == nullptr) {
    return false;
  }
  Active().store(kernels, std::memory_order_relaxed);
  return true;
}

}  // namespace qb

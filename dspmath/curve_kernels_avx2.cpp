// The curve loops for x86-64 with AVX2 and FMA, compiled with -mavx2 -mfma; used only once
// the processor has reported both.
#include "dspmath/curve_kernel_loops.h"

namespace qb {

extern const CurveKernels kAvx2FmaCurveKernels = MakeCurveKernels("avx2+fma");

}  // namespace qb

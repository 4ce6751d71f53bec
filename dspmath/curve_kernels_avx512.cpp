// The curve loops for x86-64 with AVX-512 (foundation, DQ, VL) and 512-bit vectors; used only
// once the processor has reported all three.
#include "dspmath/curve_kernel_loops.h"

namespace qb {

extern const CurveKernels kAvx512CurveKernels = MakeCurveKernels("avx512");

}  // namespace qb

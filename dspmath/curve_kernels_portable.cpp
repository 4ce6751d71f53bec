// The curve loops for the architecture's baseline, the ones every processor can run.
#include "dspmath/curve_kernel_loops.h"

namespace qb {

extern const CurveKernels kPortableCurveKernels = MakeCurveKernels("portable");

}  // namespace qb

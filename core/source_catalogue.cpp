#include "core/source_catalogue.h"

#include <array>

#include "core/profile.h"

namespace qb {
namespace {

/// Indexed by InputSource: opt, coax, bt, aux, low, hi, dmp, udp, scp.
constexpr std::array<int, kInputSourceCount> kInputsOfSource = {2, 2, 2, 0, 0, 6, 2, 0, 0};
static_assert(SOURCE_HI == 5 && SOURCE_DMP == 6 && SOURCE_SCP == 8);

}  // namespace

int InputsOfSource(int source) { return IsSource(source) ? kInputsOfSource[At(source)] : 0; }

bool SelectorOffersSource(int source) { return InputsOfSource(source) > 0; }

}  // namespace qb

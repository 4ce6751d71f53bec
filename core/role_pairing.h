#pragma once
/// Left/right pairs of outputs for link mode, found from the outputs' speaker roles. An
/// output pairs with the first other output holding its role's counterpart on the other
/// side (front left tweeter with front right tweeter, ...). The outputs form two groups,
/// 0..5 and 6..7, and a pair never spans both.

#include "core/profile.h"

namespace qb {

/// The counterpart of `role` on the other side, or 0 when the role has none (empty, the
/// centre roles, the single subwoofer) or is no role at all.
int CounterpartRole(int role);

/// True when some output has a partner in its own group.
bool IsLinkable(const PerOutput<int>& roles);

/// The partner of every output, -1 for an output without one. Partners are not forced to
/// be mutual: with two outputs of the same role both take the first counterpart.
PerOutput<int> PairOutputs(const PerOutput<int>& roles);

}  // namespace qb

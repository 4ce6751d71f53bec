#pragma once
/// Left/right pairs of outputs for link mode, found from the outputs' speaker roles. An
/// output pairs with the first other output holding its role's mirror on the other side
/// (MirrorRole: front left tweeter with front right tweeter, ...). The outputs form two
/// groups, the first kEqGroupOutputs and the rest, and a pair never spans both.

#include "core/profile.h"

namespace qb {

/// True when some output has a partner in its own group.
bool IsLinkable(const PerOutput<int>& roles);

/// The partner of every output, -1 for an output without one. Partners are not forced to
/// be mutual: with two outputs of the same role both take the first counterpart.
PerOutput<int> PairOutputs(const PerOutput<int>& roles);

}  // namespace qb

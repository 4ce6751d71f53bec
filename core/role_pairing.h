#pragma once
/// Left/right pairs of outputs for link mode, found from the outputs' speaker roles. An
/// output pairs with the first other output holding its role's mirror on the other side
/// (MirrorRole: front left tweeter with front right tweeter, ...). The outputs form two
/// groups, the first kEqGroupOutputs and the rest, and a pair never spans both.

#include <cstdint>
#include <vector>

#include "core/profile.h"

namespace qb {

/// True when some output has a partner in its own group.
bool IsLinkable(const PerOutput<int>& roles);

/// The partner of every output, -1 for an output without one. Partners are not forced to
/// be mutual: with two outputs of the same role both take the first counterpart.
PerOutput<int> PairOutputs(const PerOutput<int>& roles);

/// Copies an output's bands (as many as the target uses), crossover (through the filter
/// setters) and EQ bypass onto another output of the same profile: link mode's copy step.
void CopyOutputSettings(Profile& profile, int from, int to);

/// A settings set as linking leaves it, for one that arrives whole (a file): while linked,
/// the outputs are locked, partners follow from the roles and each pair's left output (the
/// smaller role code) has copied its settings onto its right partner; unlinked, no partners.
void SettleLinkState(Profile& profile);

/// The pairs a link command carries for `profile`: each left output, then its partner.
std::vector<std::uint8_t> LinkCommandPairs(const Profile& profile);

}  // namespace qb

#pragma once
/// Who follows an EQ, bypass or crossover edit of an output: the synchronize group and the
/// linked partner. Shared by the band and the crossover editing services.

#include <cstddef>
#include <vector>

#include "core/profile.h"

namespace qb {

/// Outputs that take part in synchronized EQ, bypass and crossover edits: 1..6.
inline constexpr int kEqGroupOutputs = 6;

/// The synchronize group members that follow an edit of `output`, `output` itself left out:
/// the flagged outputs among the first kEqGroupOutputs, provided `output` is flagged and one
/// of them; none otherwise.
struct EqGroup {
  int members[kEqGroupOutputs] = {};
  int count = 0;
  const int* begin() const { return members; }
  const int* end() const { return members + count; }
};
EqGroup EqGroupOf(const Profile& profile, int output);

/// The linked partner of `output` while link mode is on; -1 without link mode or partner.
int LinkedPartnerOf(const Profile& profile, int output);

/// Everyone who follows an edit of `output`: the group members, then the linked partner.
std::vector<int> FollowersOf(const Profile& profile, int output);

}  // namespace qb

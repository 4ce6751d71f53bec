#include "core/eq_coupling.h"

namespace qb {
EqGroup EqGroupOf(const Profile& profile, int output) {
  EqGroup group;
  if (output < 0 || output >= kEqGroupOutputs || profile.synchronize[At(output)] != 1) return group;
  for (int i = 0; i < kEqGroupOutputs; ++i)
    if (i != output && profile.synchronize[At(i)] == 1) group.members[group.count++] = i;
  return group;
}

int LinkedPartnerOf(const Profile& profile, int output) {
  if (profile.linkMode != 1 || !IsOutput(output)) return -1;
  const int partner = profile.linkOutputs[At(output)];
  return (IsOutput(partner) && partner != output) ? partner : -1;
}

std::vector<int> FollowersOf(const Profile& profile, int output) {
  const EqGroup group = EqGroupOf(profile, output);
  std::vector<int> followers(group.begin(), group.end());
  if (const int partner = LinkedPartnerOf(profile, output); partner >= 0) followers.push_back(partner);
  return followers;
}

}  // namespace qb

#include "core/role_pairing.h"

#include "core/eq_coupling.h"
#include "core/role_catalogue.h"

namespace qb {
namespace {

bool SameGroup(int a, int b) { return (a < kEqGroupOutputs) == (b < kEqGroupOutputs); }

/// The first output other than `output` whose role is `role`, or -1.
int FirstOtherWithRole(const PerOutput<int>& roles, int output, int role) {
  for (int j = 0; j < kOutputCount; ++j) {
    if (j != output && roles[static_cast<std::size_t>(j)] == role) return j;
  }
  return -1;
}

}  // namespace

bool IsLinkable(const PerOutput<int>& roles) {
  for (int i = 0; i < kOutputCount; ++i) {
    const int mirror = MirrorRole(roles[static_cast<std::size_t>(i)]);
    if (mirror == 0) continue;
    const int j = FirstOtherWithRole(roles, i, mirror);
    if (j >= 0 && SameGroup(i, j)) return true;
  }
  return false;
}

PerOutput<int> PairOutputs(const PerOutput<int>& roles) {
  PerOutput<int> partners{};
  for (int b = 0; b < kOutputCount; ++b) {
    int& partner = partners[static_cast<std::size_t>(b)];
    partner = -1;
    const int mirror = MirrorRole(roles[static_cast<std::size_t>(b)]);
    if (mirror == 0) continue;
    // The first counterpart within b's own group: one in the other group does not hide a
    // later one in b's group.
    for (int i = 0; i < kOutputCount; ++i) {
      if (i != b && SameGroup(b, i) && roles[static_cast<std::size_t>(i)] == mirror) {
        partner = i;
        break;
      }
    }
  }
  return partners;
}

void CopyOutputSettings(Profile& profile, int from, int to) {
  if (!IsOutput(from) || !IsOutput(to) || from == to) return;
  const OutputChannel& source = profile.channels[At(from)];
  OutputChannel& target = profile.channels[At(to)];
  const int bands = EqSize(profile, to);
  for (int b = 0; b < bands; ++b) target.bands[At(b)] = source.bands[At(b)];
  // Through the setters, so the copy keeps the filter rules (and the bypass flags follow
  // the slopes).
  target.crossover.hp.SetType(source.crossover.hp.type);
  target.crossover.lp.SetType(source.crossover.lp.type);
  target.crossover.hp.SetFs(source.crossover.hp.fs);
  target.crossover.lp.SetFs(source.crossover.lp.fs);
  target.crossover.hp.SetSlope(source.crossover.hp.slope);
  target.crossover.lp.SetSlope(source.crossover.lp.slope);
  target.bypass = source.bypass;
}

std::vector<std::uint8_t> LinkCommandPairs(const Profile& profile) {
  std::vector<std::uint8_t> pairs;
  if (profile.linkMode != 1) return pairs;
  for (int i = 0; i < kOutputCount; ++i) {
    const int partner = profile.linkOutputs[At(i)];
    if (!IsOutput(partner) || profile.outputs[At(i)] >= profile.outputs[At(partner)]) continue;
    pairs.push_back(Byte(i));
    pairs.push_back(Byte(partner));
  }
  return pairs;
}

void SettleLinkState(Profile& profile) {
  if (profile.linkMode != 1) {
    profile.linkMode = 0;
    profile.linkOutputs.fill(-1);
    return;
  }
  profile.lockMode = 1;
  profile.linkOutputs = PairOutputs(profile.outputs);
  const std::vector<std::uint8_t> pairs = LinkCommandPairs(profile);
  for (std::size_t k = 0; k + 1 < pairs.size(); k += 2) CopyOutputSettings(profile, pairs[k], pairs[k + 1]);
}

}  // namespace qb

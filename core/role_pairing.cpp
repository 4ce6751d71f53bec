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

}  // namespace qb

// Left/right pairs of outputs for link mode.
#include <gtest/gtest.h>

#include "core/role_pairing.h"

namespace qb {
namespace {

constexpr PerOutput<int> kDefaultRoles = {kRoleFrontLeftFull,  kRoleFrontRightFull, kRoleRearLeftFull,
                                          kRoleRearRightFull,  kRoleCenterTweeter,  kRoleCenterWoofer,
                                          kRoleSubwooferLeft,  kRoleSubwooferRight};

TEST(RolePairingTest, DefaultRolesPairFrontRearAndSubwoofers) {
  EXPECT_EQ(PairOutputs(kDefaultRoles), (PerOutput<int>{1, 0, 3, 2, -1, -1, 7, 6}));
  EXPECT_TRUE(IsLinkable(kDefaultRoles));
}

TEST(RolePairingTest, PairsNeverCrossTheGroups) {
  PerOutput<int> roles{};
  roles[0] = kRoleFrontLeftFull;
  roles[6] = kRoleFrontRightFull;
  EXPECT_EQ(PairOutputs(roles), (PerOutput<int>{-1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_FALSE(IsLinkable(roles));

  // A counterpart in the other group does not hide a later one in the output's own group.
  roles[3] = kRoleFrontRightFull;
  EXPECT_EQ(PairOutputs(roles)[0], 3);
  EXPECT_EQ(PairOutputs(roles)[6], -1);
}

TEST(RolePairingTest, LinkableLooksAtTheFirstCounterpartOnly) {
  // Outputs 1 and 7 are counterparts in different groups; a counterpart for output 7 in
  // its own group makes the roles linkable.
  PerOutput<int> roles{};
  roles[7] = kRoleFrontLeftFull;
  roles[1] = kRoleFrontRightFull;
  EXPECT_FALSE(IsLinkable(roles));
  roles[6] = kRoleFrontRightFull;
  EXPECT_TRUE(IsLinkable(roles));
}

TEST(RolePairingTest, DuplicateRolesAllTakeTheFirstCounterpart) {
  PerOutput<int> roles{};
  roles[0] = kRoleFrontLeftTweeter;
  roles[1] = kRoleFrontLeftTweeter;
  roles[2] = kRoleFrontRightTweeter;
  const PerOutput<int> partners = PairOutputs(roles);
  EXPECT_EQ(partners[0], 2);
  EXPECT_EQ(partners[1], 2);
  EXPECT_EQ(partners[2], 0);
}

}  // namespace
}  // namespace qb

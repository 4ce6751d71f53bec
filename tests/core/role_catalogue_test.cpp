// The catalogue of output roles: menu items, texts and counterparts.
#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>

#include "core/role_catalogue.h"
#include "core/role_pairing.h"
#include "core/profile.h"

namespace qb {
namespace {

TEST(RoleCatalogueTest, EntriesAreInCodeOrderWithDistinctItemNames) {
  const auto catalogue = RoleCatalogue();
  ASSERT_EQ(catalogue.size(), static_cast<std::size_t>(kRoleCount));
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < catalogue.size(); ++i) {
    EXPECT_EQ(catalogue[i].code, static_cast<int>(i));
    EXPECT_TRUE(names.insert(catalogue[i].menuItem).second) << catalogue[i].menuItem;
    EXPECT_TRUE(catalogue[i].fullText.starts_with("${")) << i;
    EXPECT_TRUE(catalogue[i].shortText.starts_with("${")) << i;
  }
}

TEST(RoleCatalogueTest, EveryMenuItemNamesItsRole) {
  for (const RoleEntry& entry : RoleCatalogue()) EXPECT_EQ(RoleCode(entry.menuItem), entry.code) << entry.menuItem;
  EXPECT_EQ(RoleCode("output_item_empty"), kRoleEmpty);
  EXPECT_EQ(RoleCode("output_menu_front_left_high_freq"), kRoleFrontLeftTweeter);
  EXPECT_EQ(RoleCode("output_menu_rear_right_all_freq"), kRoleRearRightFull);
  EXPECT_EQ(RoleCode("output_menu_center_low_freq"), kRoleCenterWoofer);
  EXPECT_EQ(RoleCode("output_menu_subwoof_low"), kRoleSubwoofer);
}

TEST(RoleCatalogueTest, NamesOutsideTheCatalogueHaveNoCode) {
  // Submenus share the prefix of the role items but are no roles.
  for (const char* name : {"output_menu_front", "output_menu_front_left", "output_menu_rear_right",
                           "output_menu_center", "output_menu_subwoof", "", "output_menu_front_left_high_freq ",
                           "OUTPUT_ITEM_EMPTY"})
    EXPECT_EQ(RoleCode(name), -1) << '"' << name << '"';
}

TEST(RoleCatalogueTest, MirrorsAreSymmetricAndLeftHasTheSmallerCode) {
  for (int role = 0; role < kRoleCount; ++role) {
    const int other = MirrorRole(role);
    if (other == 0) continue;
    EXPECT_EQ(MirrorRole(other), role) << role;
    EXPECT_NE(other, role);
    const bool left = RoleText(role).find("left") != std::string_view::npos;
    EXPECT_EQ(left, role < other) << role;
  }
  for (const int role : std::initializer_list<int>{kRoleEmpty, kRoleCenterTweeter, kRoleCenterWoofer, kRoleCenterFull, kRoleSubwoofer, -1,
                   kRoleCount, 255})
    EXPECT_EQ(MirrorRole(role), 0) << role;
}

TEST(RoleCatalogueTest, TextsOfButtonAndMenu) {
  struct Case {
    int code;
    std::string_view full;
    std::string_view shortText;
  };
  for (const Case& c : {Case{kRoleEmpty, "${empty}", "${empty}"},
                        Case{kRoleFrontLeftMidTweeter, "${front_left_mid_twee}", "${midrange_tweeter}"},
                        Case{kRoleFrontRightFull, "${front_right_full}", "${full}"},
                        Case{kRoleCenterWoofer, "${center_woofer}", "${midrange}"},
                        Case{kRoleSubwooferRight, "${right_subwoofer_freq}", "${right_subwoofer}"},
                        Case{kRoleSubwoofer, "${subwoofer_freq}", "${woofer}"},
                        // A stored code outside the catalogue shows as the empty role.
                        Case{-1, "${empty}", "${empty}"}, Case{kRoleCount, "${empty}", "${empty}"}}) {
    EXPECT_EQ(RoleText(c.code), c.full) << c.code;
    EXPECT_EQ(RoleShortText(c.code), c.shortText) << c.code;
  }
}

}  // namespace
}  // namespace qb

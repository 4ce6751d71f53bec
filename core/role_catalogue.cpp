#include "core/role_catalogue.h"

#include <array>
#include <cstddef>

#include "core/profile.h"

namespace qb {
namespace {

constexpr std::array<RoleEntry, kRoleCount> kRoles{{
    {kRoleEmpty, "output_item_empty", "${empty}", "${empty}", 0},
    {kRoleFrontLeftTweeter, "output_menu_front_left_high_freq", "${tweeter}", "${front_left_tweeter}", 7},
    {kRoleFrontLeftMidrange, "output_menu_front_left_mid_freq", "${midrange}", "${front_left_midrange}", 8},
    {kRoleFrontLeftWoofer, "output_menu_front_left_low_freq", "${woofer}", "${front_left_woofer}", 9},
    {kRoleFrontLeftMidTweeter, "output_menu_front_left_mid_high_freq", "${midrange_tweeter}",
     "${front_left_mid_twee}", 10},
    {kRoleFrontLeftMidWoofer, "output_menu_front_left_mid_low_freq", "${midrange_woofer}",
     "${front_left_mid_woof}", 11},
    {kRoleFrontLeftFull, "output_menu_front_left_all_freq", "${full}", "${front_left_full}", 12},
    {kRoleFrontRightTweeter, "output_menu_front_right_high_freq", "${tweeter}", "${front_right_tweeter}", 1},
    {kRoleFrontRightMidrange, "output_menu_front_right_mid_freq", "${midrange}", "${front_right_midrange}", 2},
    {kRoleFrontRightWoofer, "output_menu_front_right_low_freq", "${woofer}", "${front_right_woofer}", 3},
    {kRoleFrontRightMidTweeter, "output_menu_front_right_mid_high_freq", "${midrange_tweeter}",
     "${front_right_mid_twee}", 4},
    {kRoleFrontRightMidWoofer, "output_menu_front_right_mid_low_freq", "${midrange_woofer}",
     "${front_right_mid_woof}", 5},
    {kRoleFrontRightFull, "output_menu_front_right_all_freq", "${full}", "${front_right_full}", 6},
    {kRoleRearLeftTweeter, "output_menu_rear_left_high_freq", "${tweeter}", "${rear_left_tweeter}", 16},
    {kRoleRearLeftWoofer, "output_menu_rear_left_low_freq", "${woofer}", "${rear_left_woofer}", 17},
    {kRoleRearLeftFull, "output_menu_rear_left_all_freq", "${full}", "${rear_left_full}", 18},
    {kRoleRearRightTweeter, "output_menu_rear_right_high_freq", "${tweeter}", "${rear_right_tweeter}", 13},
    {kRoleRearRightWoofer, "output_menu_rear_right_low_freq", "${woofer}", "${rear_right_woofer}", 14},
    {kRoleRearRightFull, "output_menu_rear_right_all_freq", "${full}", "${rear_right_full}", 15},
    {kRoleCenterTweeter, "output_menu_center_high_freq", "${tweeter}", "${center_tweeter}", 0},
    {kRoleCenterWoofer, "output_menu_center_low_freq", "${midrange}", "${center_woofer}", 0},
    {kRoleCenterFull, "output_menu_center_all_freq", "${full}", "${center_full}", 0},
    {kRoleSubwooferLeft, "output_menu_subwoof_left", "${left_subwoofer}", "${left_subwoofer_freq}", 23},
    {kRoleSubwooferRight, "output_menu_subwoof_right", "${right_subwoofer}", "${right_subwoofer_freq}", 22},
    {kRoleSubwoofer, "output_menu_subwoof_low", "${woofer}", "${subwoofer_freq}", 0},
}};

const RoleEntry& EntryOf(int code) {
  const bool known = code >= 0 && code < kRoleCount;
  return kRoles[static_cast<std::size_t>(known ? code : kRoleEmpty)];
}

}  // namespace

std::span<const RoleEntry> RoleCatalogue() { return kRoles; }

int RoleCode(std::string_view itemName) {
  for (const RoleEntry& entry : kRoles)
    if (entry.menuItem == itemName) return entry.code;
  return -1;
}

std::string_view RoleText(int code) { return EntryOf(code).fullText; }

std::string_view RoleShortText(int code) { return EntryOf(code).shortText; }

int MirrorRole(int code) { return EntryOf(code).mirror; }

int SubwooferPartnerRole(int role) {
  if (role == kRoleSubwooferLeft) return kRoleSubwooferRight;
  if (role == kRoleSubwooferRight) return kRoleSubwooferLeft;
  return 0;
}

}  // namespace qb

#pragma once
/// The catalogue of output roles: for every `OutputRole` code the name of its item in the
/// output menu, the short text the menu shows, the full text the output's button shows and
/// the role on the other side of the car. Plain data, shared by the menu, the output buttons,
/// the speaker pictures and link mode.

#include <span>
#include <string_view>

namespace qb {

struct RoleEntry {
  int code;                    ///< OutputRole, equal to the entry's index
  std::string_view menuItem;   ///< item name in "xml/output_menu.xml"
  std::string_view shortText;  ///< language key shown in the menu
  std::string_view fullText;   ///< language key shown on the output's button
  int mirror;                  ///< counterpart role on the other side, 0 for none
};

/// The 25 entries in code order (0 = empty .. 24 = single subwoofer).
std::span<const RoleEntry> RoleCatalogue();

/// Code of the role whose menu item is named `itemName`; -1 for a name outside the
/// catalogue (submenus, separators, anything else).
int RoleCode(std::string_view itemName);

/// Full text key of `code` (the output button's text). A code outside the catalogue reads
/// as the empty role, whose crossover it also gets.
std::string_view RoleText(int code);

/// Short text key of `code` (the menu's text); the empty role's for a code outside.
std::string_view RoleShortText(int code);

/// The counterpart of `code` on the other side; 0 when it has none or is no role.
int MirrorRole(int code);

/// The role that shares its volume with `role` (the other subwoofer of the pair), or 0.
int SubwooferPartnerRole(int role);

}  // namespace qb

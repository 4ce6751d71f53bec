#pragma once
/// The words the command line uses for the box's codes: speaker roles, input sources,
/// filter families. Shared by the argument parser (word to code) and the output (code to
/// word), so a value printed by `get` can always be typed back into `set`.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qb::cli {

/// Role name for `code` (0..24), e.g. "front-left-tweeter"; "unknown" outside.
std::string_view RoleName(int code);
/// Code of a role name; nothing for a word that names no role.
std::optional<int> RoleFromName(std::string_view name);

/// Source name for InputSource `source` (0..8), e.g. "hi"; "unknown" outside.
std::string_view SourceName(int source);
std::optional<int> SourceFromName(std::string_view name);

/// Family name for a filter family code (1..3); "unknown" outside.
std::string_view FamilyName(int code);
std::optional<int> FamilyFromName(std::string_view name);

/// Every role, source or family name as a comma-separated list for help texts, broken
/// into lines of at most 80 characters, each continuation line indented by `indent`.
std::string AllRoleNames(std::size_t indent = 0);
std::string AllSourceNames(std::size_t indent = 0);
std::string AllFamilyNames(std::size_t indent = 0);

}  // namespace qb::cli

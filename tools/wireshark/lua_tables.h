#pragma once
/// The code tables of the Wireshark dissector (quorelbox.lua), written as Lua from
/// devicelink's own: packet types, operations, acknowledgement status, filter selectors and
/// families, input sources and every command with the names of its reply, setter and query.
/// The dissector holds them between two marker lines; a test compares that block with
/// what this makes, so the dissector cannot drift from the link, and
/// `wireshark-lua-tables --write FILE` rewrites the block after a change.

#include <optional>
#include <string>
#include <string_view>

namespace qb::wireshark {

inline constexpr std::string_view kTablesBegin = "-- BEGIN GENERATED TABLES\n";
inline constexpr std::string_view kTablesEnd = "-- END GENERATED TABLES\n";

/// The Lua text that belongs between the markers (markers not included).
std::string LuaTables();

/// The text between the markers of `script`; nothing when a marker is missing.
std::optional<std::string> TablesIn(std::string_view script);

/// `script` with the text between its markers replaced by `tables`; nothing when a marker
/// is missing.
std::optional<std::string> WithTables(std::string_view script, std::string_view tables);

}  // namespace qb::wireshark

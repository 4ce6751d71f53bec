#pragma once
/// What mends a box that is plugged in but that this user may not open: the program's udev
/// rule gives the user at the seat its node, and one command applies the rule to a box that
/// is already plugged in. The window, the command-line tool and the README name the same
/// rule and the same command, so they are spelled once, here.

#include <string_view>

namespace qb {

/// The rule's file name, as the package installs it.
inline constexpr std::string_view kUdevRuleFile = "70-quorelbox.rules";
/// Where the package puts the rule (by hand it goes to /etc/udev/rules.d).
inline constexpr std::string_view kUdevRuleFolder = "/usr/lib/udev/rules.d";
/// Reloads the rules and replays the hidraw nodes through them, so no replug is needed.
inline constexpr std::string_view kAccessFixCommand =
    "sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw";

}  // namespace qb

#pragma once
/// The virtual box of the simulate mode as a front end opens it: factory-fresh, or kept in
/// a state file between runs (`--simulate-state FILE`) so a tune prepared offline survives
/// and consecutive command-line calls see the same box.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/virtual_hid.h"

namespace qb::sim {

struct SimulatedBox {
  std::shared_ptr<VirtualHidBackend> backend;
  /// The state file; empty when the box is not kept.
  std::string statePath;
};

/// How the virtual box presents itself, chosen on the command line so that every firmware
/// path (an outdated box, one left in its loader) can be tried by hand.
struct SimulatedBoxIdentity {
  std::optional<std::uint8_t> model;          ///< --simulate-model N
  std::optional<std::uint8_t> masterVersion;  ///< --simulate-firmware X.Y
  std::optional<std::uint8_t> slaveVersion;
  bool loader = false;                        ///< --simulate-loader: only its loader runs
};

/// Reads "X.Y" (each 0..255, decimal) into the identity's versions; false leaves it as it was.
bool ParseSimulatedFirmware(std::string_view text, SimulatedBoxIdentity& identity);
/// Reads a model number 0..255.
bool ParseSimulatedModel(std::string_view text, SimulatedBoxIdentity& identity);
/// The options' help lines, shared by the program and the command-line tool.
inline constexpr const char* kSimulatedIdentityHelp =
    "  --simulate-firmware X.Y the virtual box reports firmware X.Y (older than 16.16 asks\n"
    "                          for the forced update)\n"
    "  --simulate-loader       the virtual box sits in its loader, as an interrupted\n"
    "                          upgrade leaves it\n"
    "  --simulate-model N      the virtual box reports model N (79 is the ZX7140K)\n";

/// Makes the virtual box. With a `statePath`, its state comes from that file; a missing
/// file gives a factory-fresh box that will be saved there. False with a one-line message
/// when the file is damaged: the front end must refuse to start and leave the file as it is.
bool OpenSimulatedBox(const std::string& statePath, SimulatedBox& box, std::string* error,
                      const SimulatedBoxIdentity& identity = {});

/// Writes the box's state to its file (nothing to do without one). False with a message
/// when it cannot be written; the file then still holds the state saved before.
bool SaveSimulatedBox(const SimulatedBox& box, std::string* error);

}  // namespace qb::sim

#pragma once
/// The virtual box of the simulate mode as a front end opens it: factory-fresh, or kept in
/// a state file between runs (`--simulate-state FILE`) so a tune prepared offline survives
/// and consecutive command-line calls see the same box.

#include <memory>
#include <string>

#include "simulator/virtual_hid.h"

namespace qb::sim {

struct SimulatedBox {
  std::shared_ptr<VirtualHidBackend> backend;
  /// The state file; empty when the box is not kept.
  std::string statePath;
};

/// Makes the virtual box. With a `statePath`, its state comes from that file; a missing
/// file gives a factory-fresh box that will be saved there. False with a one-line message
/// when the file is damaged: the front end must refuse to start and leave the file as it is.
bool OpenSimulatedBox(const std::string& statePath, SimulatedBox& box, std::string* error);

/// Writes the box's state to its file (nothing to do without one). False with a message
/// when it cannot be written; the file then still holds the state saved before.
bool SaveSimulatedBox(const SimulatedBox& box, std::string* error);

}  // namespace qb::sim

#pragma once
/// The box's side of the DSP parameter setters: every OP_SET of packet type DSP_PACKET
/// that changes a setting (calibration commands excepted; they belong to the calibration
/// sequence). The changed setting is acknowledged with OP_ACK ACK_READY; a value the box
/// cannot take (scene, source or selector out of range) leaves the state alone and is
/// answered ACK_NOT_READY; a payload too short for its own header is dropped unanswered,
/// as a box firmware drops a frame it cannot parse.

#include "simulator/box_context.h"

namespace qb::sim {

/// Handles `command` if it is a DSP setter this box knows. Returns false for anything else.
bool HandleDspSet(const BoxCommand& command, BoxContext& box);

}  // namespace qb::sim

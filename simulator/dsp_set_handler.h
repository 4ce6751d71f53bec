#pragma once
/// The box's side of the DSP parameter setters: every OP_SET of packet type DSP_PACKET
/// that changes a setting (calibration commands excepted; they belong to the calibration
/// sequence). The changed setting is acknowledged with OP_ACK ACK_READY; a value the box
/// cannot take (scene, source or selector out of range) leaves the state alone and is
/// answered ACK_NOT_READY; a payload too short for its own header is dropped unanswered,
/// as a box firmware drops a frame it cannot parse.

#include <cstdint>
#include <optional>

#include "simulator/box_context.h"

namespace qb::sim {

/// Handles `command` if it is a DSP setter this box knows. Returns false for anything else.
bool HandleDspSet(const BoxCommand& command, BoxContext& box);

/// The settings a DSP setter writes into, from its scene byte (0 the live settings, 1..10 a
/// stored scene); nothing for a setter of the box as a whole (source, main and subwoofer
/// volume, main mute, amplifier, memory words, calibration, ...) and for anything that is
/// not a DSP setter.
std::optional<std::uint8_t> SetterScene(const BoxCommand& command);

}  // namespace qb::sim

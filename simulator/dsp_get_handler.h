#pragma once
/// The box's side of the DSP queries: every OP_GET of packet type DSP_PACKET (calibration
/// queries excepted) is answered with one OP_UPDATE data report in the layout the program
/// decodes, for the scene, source, channel and band range asked.
///
/// Ranges are answered as far as the box has channels or bands and as far as one reply
/// frame holds them (58 payload bytes); the reply's own last channel or band says how far
/// that is. A query about a blank scene slot answers its header and 0xFF value bytes, as
/// erased flash reads. A query for a scene or source number the box does not have, or
/// whose payload is too short for its header, gets no answer.

#include "simulator/box_context.h"

namespace qb::sim {

/// Answers `command` if it is a DSP query this box knows. Returns false for anything else.
bool HandleDspGet(const BoxCommand& command, BoxContext& box);

}  // namespace qb::sim

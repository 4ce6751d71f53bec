#pragma once
/// The box's side of the karaoke commands (KTV_PACKET ids 1..10): a setter stores the bare
/// value and is acknowledged; a query is answered with the value at the start of the
/// payload, where the program takes it from (echo delay as two bytes, big-endian; bass and
/// treble gain as signed bytes).

#include "simulator/box_context.h"

namespace qb::sim {

/// Handles `command` if it is a karaoke command. Returns false for anything else.
bool HandleKaraoke(const BoxCommand& command, BoxContext& box);

}  // namespace qb::sim

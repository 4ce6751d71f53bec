#pragma once
/// The box's side of scene storage (FLASH_PACKET ids 8..15), behaving like its flash:
/// - SetSceneName(n, name) keeps the name for the next save of scene n; the stored name
///   changes only when the scene is saved.
/// - SaveScene(n, 0) copies the live settings into slot n; SaveScene(n, 1) commits slot n
///   as the scene-addressed commands before it wrote it (the whole-configuration write-back
///   fills each slot that way first); a blank slot committed that way takes the live
///   settings. Either makes the slot valid under the last name set for it; (n, 0) also
///   makes n the current scene. Acknowledged OP_ACK ACK_READY, n.
/// - ReadScene(from, to) copies `from` into `to` (0 = live): (n, 0) loads scene n and makes
///   it current; (0, 0) changes nothing; (n, 255) only prepares n for reading, which the
///   box's queries can do at any time. A slot that was never saved cannot be loaded
///   (ACK_NOT_READY). Acknowledged OP_ACK status, from.
/// - DeleteScene(n) erases slot n, name included, to 0xFF bytes and clears its valid bit;
///   the current scene becomes 0 if it was n. Acknowledged OP_ACK ACK_READY, n.
/// - Queries: the name (scene, 16 bytes), the current scene, the valid mask (16-bit
///   big-endian, bit n - 1 for scene n), and the raw scene data blocks.

#include "simulator/box_context.h"

namespace qb::sim {

/// Handles `command` if it is a scene command. Returns false for anything else (the
/// DSP-flash upgrade ids 3..5 belong to the upgrade receiver).
bool HandleScene(const BoxCommand& command, BoxContext& box);

}  // namespace qb::sim

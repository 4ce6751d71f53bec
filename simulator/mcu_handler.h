#pragma once
/// The box's side of the MCU_PACKET system commands: handshake, versions, password and
/// remark, device text, power-off and ignition delays, reboot and factory default, and the
/// PC-connected notice (which the box takes silently: the program does not wait for it, so
/// an answer would be read as the reply to the next command).
///
/// In its loader (VirtualBoxConfig::applicationMode false) the box answers only the
/// handshake, with status MCU_HANDSHAKE_UPGRADE_ONLY; upgrade commands belong to the
/// upgrade receiver extension.

#include "simulator/box_context.h"

namespace qb::sim {

/// Handles `command` if it is an MCU system command this box knows. Returns false for
/// anything else.
bool HandleMcu(const BoxCommand& command, BoxContext& box);

/// The handshake reply: status (0 normal, MCU_HANDSHAKE_UPGRADE_ONLY in the loader), model,
/// master and slave version.
std::vector<std::uint8_t> HandshakePayload(const VirtualBoxConfig& config);

}  // namespace qb::sim

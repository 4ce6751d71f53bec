#pragma once
/// Writing whole settings sets into the box, as a loaded profile file asks: one settings set
/// into the live settings, or ten scenes with their names (each saved as it was written)
/// followed by the live settings. Runs on a task: most commands are sent at once and wait
/// for their acknowledgement; the order and the scene numbers are fixed, because the box
/// stores a scene as the scene-addressed commands left it.

#include <chrono>
#include <string_view>

#include "core/profile.h"
#include "core/profile_file.h"

namespace qb {

class DeviceLink;

/// The live settings from `profile`: main volume and mute, each output's filters (low-pass,
/// then high-pass) and bands, the roles, trims, mutes, phases, delays and EQ bypasses, the
/// routing of every source, lock and link, all at once; then the mix levels, queued. The
/// input source, amplifier, compressor and karaoke values are not sent.
void SetReadCurProfileToMCU(DeviceLink& link, const Profile& profile);

/// The scenes `whole` holds (each output's filters and bands, the output arrays, the routing
/// of every source, lock and link at once, the mix levels queued, the name in `codePage`,
/// then the scene saved as written); a slot the file keeps empty is deleted unless it is in
/// `emptyBefore` already; then the live settings from `whole.current`, queued. Stops when
/// the box leaves. Each scene is saved only once its queued mix levels have been sent: the
/// box stores a scene as its commands left it when the save arrives.
void SetReadWholeProfileToMCU(DeviceLink& link, const WholeProfile& whole, std::string_view codePage,
                              std::uint16_t emptyBefore);

/// Waits until the link has sent every queued command (or given up on it), at most `limit`.
void WaitForQueuedCommands(DeviceLink& link, std::chrono::steady_clock::duration limit);

}  // namespace qb

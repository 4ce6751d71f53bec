#pragma once
/// The queries that read one settings set of the box (the live settings, scene 0, or a stored
/// scene 1..10) in the orders the read-out and the scene read fix. They run on a task: each
/// query waits for its report, and the replies are applied on the owning thread in the
/// order they were asked for.

#include "core/profile.h"

namespace qb {

class DeviceLink;

/// Every output's bands of `scene`, eight a query, up to each output's band count.
void ReadEqualizers(DeviceLink& link, std::uint8_t scene, const PerOutput<int>& eqSizes);
/// Trims, mutes and phases of `scene`'s eight outputs.
void ReadLevels(DeviceLink& link, std::uint8_t scene);
/// The routing masks of every source, then the mix levels of every source's inputs.
void ReadRouting(DeviceLink& link, std::uint8_t scene);
/// Stored scene `scene` (1..10): the box selects it, then its roles, link, lock, filters,
/// bypass, bands, levels, delays and routing are asked for, and the name of scenes 1..9
/// (the read-out that follows a whole read asks for scene 10's).
void ReadStoredScene(DeviceLink& link, std::uint8_t scene, const PerOutput<int>& eqSizes);

}  // namespace qb

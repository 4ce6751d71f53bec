#pragma once
/// The defaults of the mirror: a fresh settings set, the band frequency tables and the
/// crossover each speaker role starts with.

#include <span>

#include "core/profile.h"

namespace qb {

/// Fills `profile` with the settings of a box that was never read: the default roles 6, 12,
/// 15, 18, 19, 20, 22, 23 with their crossovers, every equaliser bypassed with 31 flat
/// third-octave bands, default routing, mix levels 100, main volume -5 and the default
/// karaoke, compressor, noise-threshold and power-off values.
/// Values that describe the connected box or the running session rather than a settings set
/// are left as they are: `model`, `mainVersion` and `slaveVersion` (a failed file load
/// resets the live profile while the box stays connected), the MCU status, the
/// automatic-effect value and the synchronize flags (the main view clears those itself).
/// A newly constructed Profile has all of them at their defaults, `model` -1 included.
void ResetProfileDefaults(Profile& profile);

/// Resets the first `count` bands of `row` to gain 0 dB, Q 5.8, enabled, at the frequencies
/// of the table that fits the count: octaves for up to 11 bands, half octaves for up to 21,
/// third octaves above. Band i takes entry i of the table. A count above the row's size is
/// held to it; a count of 0 or below changes nothing.
void ResetBands(std::span<EqBand> row, int count);

/// The crossover a role starts with (both filters Linkwitz-Riley, `bpType` from the slopes).
/// A role outside 0..24 counts as the empty role 0.
Crossover RoleDefaultCrossover(int role);

}  // namespace qb

#pragma once
/// The queued commands that carry one setting of a live output from the mirror to the box.
/// Each reads the value from `profile`, so what the box receives is always what the mirror
/// holds. Queued commands reach the box only while the link's queue is on (connected).

#include "core/profile.h"

namespace qb {

class DeviceLink;

/// Trim_Ctrl with the output's negated volume: the box takes the attenuation.
void SendTrim(DeviceLink& link, const Profile& profile, int output);
/// Trim_Ctrl for all eight outputs in one command.
void SendAllTrims(DeviceLink& link, const Profile& profile);
void SendMute(DeviceLink& link, const Profile& profile, int output);
void SendPhase(DeviceLink& link, const Profile& profile, int output);
void SendDelay(DeviceLink& link, const Profile& profile, int output);
/// EQ_Ctrl for band `band` with its frequency and Q and the gain it applies: its stored
/// gain, or 0 while the band is disabled.
void SendBand(DeviceLink& link, const Profile& profile, int output, int band);
/// Filter_Ctrl for the high-pass or low-pass filter; the box takes the selector codes of its
/// catalogue (1 high-pass, 2 low-pass), and a bypassed filter goes out with slope 0, which
/// is what switches it off in the box.
void SendFilter(DeviceLink& link, const Profile& profile, int output, bool highPass);
void SendBypass(DeviceLink& link, const Profile& profile, int output);
/// CH_Type_Ctrl with the output's role, then both of its filters.
void SendRoleAndCrossover(DeviceLink& link, const Profile& profile, int output);
/// Mix_Ch_Ctrl with the input mask of `source` on `output`: the box routes by the mask
/// alone, whatever the levels say.
void SendInputMask(DeviceLink& link, const Profile& profile, int source, int output);
/// Main_Volume_Ctrl with the attenuation of the main volume position (held to the slider).
void SendMainVolume(DeviceLink& link, const Profile& profile);
/// CH_Lock_Ctrl with `locked`.
void SendLock(DeviceLink& link, int locked);
/// CH_Link_Ctrl with `linked` and the pairs (from, to, from, to ...).
void SendLink(DeviceLink& link, int linked, std::span<const std::uint8_t> pairs);

}  // namespace qb

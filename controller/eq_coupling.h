#pragma once
/// Who follows an EQ, bypass or crossover edit of the current output, and the queued commands
/// that carry one output's band, filter or bypass to the box. Shared by the band and the
/// crossover editing operations.

#include <cstddef>

#include "controller/profile.h"

namespace qb {

class DeviceLink;

/// Outputs that take part in synchronized EQ, bypass and crossover edits: 1..6.
inline constexpr int kEqGroupOutputs = 6;

/// The synchronize group members that follow an edit of `output`, `output` itself left out:
/// the flagged outputs among the first kEqGroupOutputs, provided `output` is flagged and one
/// of them; none otherwise.
struct EqGroup {
  int members[kEqGroupOutputs] = {};
  int count = 0;
  const int* begin() const { return members; }
  const int* end() const { return members + count; }
};
EqGroup EqGroupOf(const Profile& profile, int output);

/// The linked partner of `output` while link mode is on; -1 without link mode or partner.
int LinkedPartnerOf(const Profile& profile, int output);

/// EQ_Ctrl (queued, live scene) for band `band` of `output` with its frequency and Q and the
/// gain it applies: its stored gain, or 0 while the band is disabled.
void SendBand(DeviceLink& link, const Profile& profile, int output, int band);
/// Filter_Ctrl (queued, live scene) for the high-pass or low-pass filter of `output`.
void SendFilter(DeviceLink& link, const Profile& profile, int output, bool highPass);
/// PEQ_Bypass_Ctrl (queued, live scene) for `output` with its bypass flag.
void SendBypass(DeviceLink& link, const Profile& profile, int output);

}  // namespace qb

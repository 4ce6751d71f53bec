#include "core/profile.h"

#include <algorithm>

#include "core/profile_defaults.h"

namespace qb {

void CrossoverFilter::SetFs(int hz) {
  fs = (hz < kMinFrequencyHz || hz > kMaxFrequencyHz) ? kMinFrequencyHz : hz;
}

void CrossoverFilter::SetType(int code) {
  type = (code < FILTER_TYPE_BUTTERWORTH || code > FILTER_TYPE_BESSEL) ? FILTER_TYPE_BUTTERWORTH
                                                                       : code;
}

void CrossoverFilter::SetSlope(int code) {
  slope = code < 0 ? FILTER_SLOPE_OFF : code;
  bypass = slope == FILTER_SLOPE_OFF ? 1 : 0;
}

int BpTypeFor(int hpSlope, int lpSlope) {
  const bool hpOn = hpSlope != 0;
  const bool lpOn = lpSlope != 0;
  if (hpOn && lpOn) {
    return kBpBandPass;
  }
  if (hpOn) {
    return kBpHighPass;
  }
  return lpOn ? kBpLowPass : kBpNone;
}

int KtvSlot(int kind) {
  // Indexed by kind - 1, in the order of the karaoke kinds on the wire.
  static constexpr std::array<std::size_t, kKtvValues> kSlotOfKind{
      kKtvMicVolume,   kKtvMusicVolume, kKtvHowling,       kKtvEchoLevel, kKtvEchoDelay,
      kKtvReverbLevel, kKtvReverbTime,  kKtvVoiceChanger,  kKtvBassGain,  kKtvTrebleGain};
  if (kind < KTV_MIC_VOL || kind > KTV_TREBLE_GAIN) {
    return -1;
  }
  return static_cast<int>(kSlotOfKind[static_cast<std::size_t>(kind - KTV_MIC_VOL)]);
}

Profile::Profile() {
  ResetProfileDefaults(*this);
}

std::span<EqBand> Bands(Profile& profile, int output) {
  if (!IsOutput(output)) {
    return {};
  }
  return profile.channels[static_cast<std::size_t>(output)].bands;
}

std::span<const EqBand> Bands(const Profile& profile, int output) {
  if (!IsOutput(output)) {
    return {};
  }
  return profile.channels[static_cast<std::size_t>(output)].bands;
}

int EqSize(const Profile& profile, int output) {
  if (!IsOutput(output)) {
    return 0;
  }
  return std::clamp(profile.channels[static_cast<std::size_t>(output)].eqSize, 0, kMaxEqBands);
}

bool IsRoleInUse(const Profile& profile, int role) {
  return std::find(profile.outputs.begin(), profile.outputs.end(), role) !=
         profile.outputs.end();
}

}  // namespace qb

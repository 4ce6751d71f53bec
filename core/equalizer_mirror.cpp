#include "core/equalizer_mirror.h"

namespace qb {

Profile* EqualizerMirror::ProfileForScene(int scene) {
  if (scene == kLiveScene) {
    return &currentProfile;
  }
  if (scene >= kFirstStoredScene && scene <= kLastStoredScene) {
    return &scenes[static_cast<std::size_t>(scene - kFirstStoredScene)];
  }
  return nullptr;
}

const Profile* EqualizerMirror::ProfileForScene(int scene) const {
  return const_cast<EqualizerMirror*>(this)->ProfileForScene(scene);
}

bool EqualizerMirror::ComputeChannelResponse(int output, bool bypassed, int pointCount) const {
  if (pointCount != CurvePoints) {
    return false;
  }
  return qb::ComputeChannelResponse(currentProfile, output, bypassed, m_responses);
}

void EqualizerMirror::ComputeAllChannelResponses() const {
  for (int output = 0; output < kOutputCount; ++output) {
    const bool bypassed = currentProfile.channels[static_cast<std::size_t>(output)].bypass != 0;
    qb::ComputeChannelResponse(currentProfile, output, bypassed, m_responses);
  }
}

}  // namespace qb

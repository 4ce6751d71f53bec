#pragma once
// The profile the profile-file targets read into: unlike a fresh profile wherever the files
// carry something, so a partial store of a refused text shows.
#include "core/profile.h"

namespace qb::fuzz {

inline Profile MarkedProfile() {
  Profile p;
  p.mainVolume = 17;
  p.currChannel = 3;
  p.channels[2].eqSize = 5;
  p.channels[6].bands[4].freq = 777;
  p.inputs[8][7] = 9;
  p.linkOutputs[1] = 4;
  return p;
}

}  // namespace qb::fuzz

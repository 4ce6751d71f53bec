#include "controller/eq_coupling.h"

#include <array>
#include <cstdint>

#include "devicelink/dsp_setters.h"

namespace qb {
namespace {

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

}  // namespace

EqGroup EqGroupOf(const Profile& profile, int output) {
  EqGroup group;
  if (output < 0 || output >= kEqGroupOutputs || profile.synchronize[At(output)] != 1) return group;
  for (int i = 0; i < kEqGroupOutputs; ++i)
    if (i != output && profile.synchronize[At(i)] == 1) group.members[group.count++] = i;
  return group;
}

int LinkedPartnerOf(const Profile& profile, int output) {
  if (profile.linkMode != 1 || !IsOutput(output)) return -1;
  const int partner = profile.linkOutputs[At(output)];
  return (IsOutput(partner) && partner != output) ? partner : -1;
}

void SendBand(DeviceLink& link, const Profile& profile, int output, int band) {
  const auto bands = Bands(profile, output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& b = bands[At(band)];
  EQ_Ctrl(link, kLiveScene, 0, Byte(output), Byte(band), b.freq, b.eqFactor, b.enable == 1 ? b.eqGain : 0.0f,
          false);
}

void SendFilter(DeviceLink& link, const Profile& profile, int output, bool highPass) {
  if (!IsOutput(output)) return;
  const Crossover& crossover = profile.channels[At(output)].crossover;
  const CrossoverFilter& filter = highPass ? crossover.hp : crossover.lp;
  // The box takes the selector codes of its catalogue: 1 high-pass, 2 low-pass.
  Filter_Ctrl(link, kLiveScene, 0, Byte(output), highPass ? FILTER_SELECT_HIGH_PASS : FILTER_SELECT_LOW_PASS,
              filter.fs, Byte(filter.slope), Byte(filter.type), false);
}

void SendBypass(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  const std::array<std::uint8_t, 1> value{profile.channels[At(output)].bypass};
  PEQ_Bypass_Ctrl(link, kLiveScene, 0, Byte(output), Byte(output), value, false);
}

}  // namespace qb

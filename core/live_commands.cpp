#include "core/live_commands.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/output_levels.h"
#include "devicelink/dsp_setters.h"

namespace qb {
namespace {

/// The output's own one-value command range: first = last = output.
template <typename Value, typename Setter>
void SendOne(DeviceLink& link, int output, Value value, Setter setter) {
  const std::array<Value, 1> values{value};
  setter(link, kLiveScene, kAllSources, Byte(output), Byte(output), values, false);
}

}  // namespace

void SendTrim(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, -profile.channels[At(output)].gain, Trim_Ctrl);
}

void SendAllTrims(DeviceLink& link, const Profile& profile) {
  std::array<float, kOutputSlots> trims{};
  for (std::size_t o = 0; o < trims.size(); ++o) trims[o] = -profile.channels[o].gain;
  Trim_Ctrl(link, kLiveScene, kAllSources, 0, Byte(kOutputCount - 1), trims, false);
}

void SendMute(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, Byte(profile.channels[At(output)].mute), Mute_Ch_Ctrl);
}

void SendPhase(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, Byte(profile.channels[At(output)].phase), Phase_Ctrl);
}

void SendDelay(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, profile.channels[At(output)].delay, Delay_Ctrl);
}

void SendBand(DeviceLink& link, const Profile& profile, int output, int band) {
  const auto bands = Bands(profile, output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& b = bands[At(band)];
  EQ_Ctrl(link, kLiveScene, kAllSources, Byte(output), Byte(band), b.freq, b.eqFactor,
          b.enable == 1 ? b.eqGain : 0.0f, false);
}

void SendFilter(DeviceLink& link, const Profile& profile, int output, bool highPass) {
  if (!IsOutput(output)) return;
  const Crossover& crossover = profile.channels[At(output)].crossover;
  const CrossoverFilter& filter = highPass ? crossover.hp : crossover.lp;
  const int slope = filter.bypass != 0 ? FILTER_SLOPE_OFF : filter.slope;
  Filter_Ctrl(link, kLiveScene, kAllSources, Byte(output),
              highPass ? FILTER_SELECT_HIGH_PASS : FILTER_SELECT_LOW_PASS, filter.fs, Byte(slope),
              Byte(filter.type), false);
}

void SendBypass(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, profile.channels[At(output)].bypass, PEQ_Bypass_Ctrl);
}

void SendRoleAndCrossover(DeviceLink& link, const Profile& profile, int output) {
  if (!IsOutput(output)) return;
  SendOne(link, output, Byte(profile.outputs[At(output)]), CH_Type_Ctrl);
  SendFilter(link, profile, output, true);
  SendFilter(link, profile, output, false);
}

void SendInputMask(DeviceLink& link, const Profile& profile, int source, int output) {
  if (!IsSource(source) || !IsOutput(output)) return;
  const std::array<std::uint32_t, 1> masks{static_cast<std::uint32_t>(profile.inputs[At(source)][At(output)])};
  Mix_Ch_Ctrl(link, kLiveScene, Byte(source), Byte(output), Byte(output), masks, false);
}

void SendMainVolume(DeviceLink& link, const Profile& profile) {
  const int position = std::clamp(profile.mainVolume, 0, kMainVolumeTopStep);
  // The box takes the attenuation 6 - dB.
  Main_Volume_Ctrl(link, static_cast<float>(MainVolumeAttenuation(position, 0)), false);
}

void SendLock(DeviceLink& link, int locked) { CH_Lock_Ctrl(link, kLiveScene, Byte(locked), false); }

void SendLink(DeviceLink& link, int linked, std::span<const std::uint8_t> pairs) {
  CH_Link_Ctrl(link, kLiveScene, Byte(linked), pairs.size() / 2, pairs, false);
}

}  // namespace qb

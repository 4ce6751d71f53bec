#include "core/profile_writeback.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "core/box_reads.h"
#include "core/source_catalogue.h"
#include "core/code_page.h"
#include "core/output_levels.h"
#include "core/role_pairing.h"
#include "devicelink/device_link.h"
#include "devicelink/dsp_setters.h"
#include "devicelink/link_timing.h"
#include "devicelink/scene_commands.h"
#include "shell/log.h"

namespace qb {
namespace {

/// How long a scene's queued mix levels may take to reach the box before the scene is saved.
constexpr auto kSceneDrainLimit = std::chrono::seconds(20);

/// Where a settings set goes: a scene number and whether its commands are sent at once.
struct Destination {
  std::uint8_t scene;
  bool immediate;
};

template <typename T>
using OutputValues = std::array<T, kOutputSlots>;

void SendFilter(DeviceLink& link, const OutputChannel& channel, int output, bool highPass, Destination to) {
  const CrossoverFilter& filter = highPass ? channel.crossover.hp : channel.crossover.lp;
  // A bypassed filter goes out with slope 0, which is what switches it off in the box.
  const int slope = filter.bypass != 0 ? FILTER_SLOPE_OFF : filter.slope;
  Filter_Ctrl(link, to.scene, kAllSources, Byte(output), highPass ? FILTER_SELECT_HIGH_PASS : FILTER_SELECT_LOW_PASS,
              filter.fs, Byte(slope), Byte(filter.type), to.immediate);
}

/// Each output's low-pass and high-pass filter, then its bands in use. A switched-off band
/// goes out flat, as the live editing sends it: the box has no band switch, and the gain
/// the user turned off must not be heard.
void SendFiltersAndBands(DeviceLink& link, const Profile& profile, Destination to) {
  for (int o = 0; o < kOutputCount; ++o) {
    const OutputChannel& channel = profile.channels[At(o)];
    SendFilter(link, channel, o, false, to);
    SendFilter(link, channel, o, true, to);
    const auto bands = Bands(profile, o).first(At(EqSize(profile, o)));
    for (std::size_t b = 0; b < bands.size(); ++b) {
      const EqBand& band = bands[b];
      EQ_Ctrl(link, to.scene, kAllSources, Byte(o), Byte(static_cast<int>(b)), band.freq, band.eqFactor,
              band.enable == 1 ? band.eqGain : 0.0f, to.immediate);
    }
  }
}

/// Roles, trims, mutes, phases, delays and EQ bypasses of the eight outputs.
void SendOutputArrays(DeviceLink& link, const Profile& profile, Destination to) {
  OutputValues<std::uint8_t> roles{}, mutes{}, phases{}, bypasses{};
  OutputValues<float> trims{}, delays{};
  for (std::size_t o = 0; o < kOutputSlots; ++o) {
    const OutputChannel& channel = profile.channels[o];
    roles[o] = Byte(profile.outputs[o]);
    trims[o] = -channel.gain;  // the box takes the attenuation
    mutes[o] = Byte(channel.mute);
    phases[o] = Byte(channel.phase);
    delays[o] = channel.delay;
    bypasses[o] = channel.bypass;
  }
  CH_Type_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, roles, to.immediate);
  Trim_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, trims, to.immediate);
  Mute_Ch_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, mutes, to.immediate);
  Phase_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, phases, to.immediate);
  Delay_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, delays, to.immediate);
  PEQ_Bypass_Ctrl(link, to.scene, kAllSources, 0, kLastOutput, bypasses, to.immediate);
}

void SendMasks(DeviceLink& link, const Profile& profile, int source, Destination to) {
  if (!IsSource(source)) return;
  OutputValues<std::uint32_t> masks{};
  for (std::size_t o = 0; o < kOutputSlots; ++o) masks[o] = static_cast<std::uint32_t>(profile.inputs[At(source)][o]);
  Mix_Ch_Ctrl(link, to.scene, Byte(source), 0, kLastOutput, masks, to.immediate);
}

/// The routing of every source. A whole configuration carries each source's routing for
/// every scene, but no input source: sending only one source's would drop the others and
/// pick that one from whatever the mirror held.
void SendAllMasks(DeviceLink& link, const Profile& profile, Destination to) {
  for (int source = 0; source < static_cast<int>(kInputSourceCount); ++source) SendMasks(link, profile, source, to);
}

/// The mix levels of every source's inputs, queued.
void SendMixLevels(DeviceLink& link, const Profile& profile, std::uint8_t scene) {
  for (int source = 0; source < static_cast<int>(kInputSourceCount); ++source) {
    for (int input = 0; input < InputsOfSource(source); ++input) {
      OutputValues<std::uint8_t> levels{};
      for (std::size_t o = 0; o < kOutputSlots; ++o) levels[o] = Byte(profile.inputMixVolume[At(source)][At(input)][o]);
      Input_Mix_Trim_Ctrl(link, scene, Byte(source), Byte(input), 0, kLastOutput, levels, false);
    }
  }
}

/// Lock, then link with its pairs, after everything the link would copy has been written.
void SendLinkState(DeviceLink& link, const Profile& profile, Destination to) {
  CH_Lock_Ctrl(link, to.scene, Byte(profile.lockMode), to.immediate);
  const std::vector<std::uint8_t> pairs = LinkCommandPairs(profile);
  CH_Link_Ctrl(link, to.scene, Byte(profile.linkMode), pairs.size() / 2, pairs, to.immediate);
}

void SendMainVolume(DeviceLink& link, const Profile& profile, bool immediate) {
  Main_Volume_Ctrl(link, static_cast<float>(MainVolumeAttenuation(profile.mainVolume, 0)), immediate);
  Mute_Ctrl(link, Byte(profile.mainVolumeMute), immediate);
}

}  // namespace

void WaitForQueuedCommands(DeviceLink& link, std::chrono::steady_clock::duration limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (link.UnfinishedCommands() != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void SetReadCurProfileToMCU(DeviceLink& link, const Profile& profile) {
  LogPrintA("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
  const Destination live{kLiveScene, true};
  SendMainVolume(link, profile, true);
  SendFiltersAndBands(link, profile, live);
  SendOutputArrays(link, profile, live);
  // The file holds every source's routing: the box must too, or switching the source later
  // plays routing the window does not show.
  SendAllMasks(link, profile, live);
  SendLinkState(link, profile, live);
  SendMixLevels(link, profile, kLiveScene);
}

void SetReadWholeProfileToMCU(DeviceLink& link, const WholeProfile& whole, std::string_view codePage,
                              std::uint16_t emptyBefore) {
  LogPrintA("%s\n", "EqualizerManager::SetReadWholeProfileToMCU");
  LogLocalTime();
  for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
    if (!link.IsDeviceOpen()) return;  // the box left: nothing more can reach it
    const auto slot = static_cast<std::uint16_t>(1u << (n - kFirstStoredScene));
    if ((whole.valid & slot) == 0) {
      // A slot the file keeps empty is emptied, not filled with defaults.
      if ((emptyBefore & slot) == 0) DeleteScene(link, Byte(n));
      continue;
    }
    const Profile& scene = whole.scenes[At(n - kFirstStoredScene)];
    LogPrintA("set scene(%d)\n", n);
    LogLocalTime();
    const Destination to{Byte(n), true};
    SendFiltersAndBands(link, scene, to);
    SendOutputArrays(link, scene, to);
    SendAllMasks(link, scene, to);
    SendLinkState(link, scene, to);
    SendMixLevels(link, scene, Byte(n));
    // Queued, the mix levels would otherwise reach the box after the save below and land in
    // a scene it has already stored.
    WaitForQueuedCommands(link, kSceneDrainLimit);
    const SceneName& name = whole.names[At(n - kFirstStoredScene)];
    const std::string bytes = ToCodePage(std::u16string_view(name.data()), codePage);
    SetSceneName(link, Byte(n),
                 std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    SaveScene(link, Byte(n), true);
    LogLocalTime();
  }
  const Destination live{kLiveScene, false};
  SendMainVolume(link, whole.current, false);
  SendFiltersAndBands(link, whole.current, live);
  SendOutputArrays(link, whole.current, live);
  SendAllMasks(link, whole.current, live);
  SendLinkState(link, whole.current, live);
  SendMixLevels(link, whole.current, kLiveScene);
  LogLocalTime();
}

}  // namespace qb

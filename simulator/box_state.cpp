#include "simulator/box_state.h"

#include <algorithm>
#include <span>

namespace qb::sim {

const std::array<std::uint16_t, kEqBands> kThirdOctaveHz = {
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,  200,   250,   315,   400,   500,  630,
    800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

namespace {

/// The eight outputs of a typical car installation: front and rear full range, a tweeter,
/// a woofer and two subwoofers, with the crossovers their roles call for.
struct OutputPreset {
  std::uint8_t role;
  std::uint16_t hpHz;
  std::uint8_t hpSlope;
  std::uint16_t lpHz;
  std::uint8_t lpSlope;
  std::uint16_t distance;
};
constexpr std::array<OutputPreset, 8> kOutputPresets = {{
    {6, 20, 4, 20000, 0, 110},
    {12, 20, 4, 20000, 0, 115},
    {15, 20, 4, 20000, 0, 160},
    {18, 20, 4, 20000, 0, 165},
    {19, 4000, 4, 20000, 0, 95},
    {20, 80, 4, 500, 4, 98},
    {22, 20, 4, 70, 4, 210},
    {23, 20, 4, 70, 4, 215},
}};

/// Routing masks of outputs 1..8: two-channel sources feed input 1 left, input 2 right;
/// the four-channel sources (low, hi) bring inputs 3 and 4 to outputs 3 and 4.
constexpr std::array<std::uint16_t, 8> kTwoChannelMasks = {1, 2, 1, 2, 3, 3, 1, 2};
constexpr std::array<std::uint16_t, 8> kFourChannelMasks = {1, 2, 4, 8, 3, 3, 1, 2};

/// Q of a band at rest, as the program resets its bands.
constexpr double kFlatQ = 5.8;

void FlatBands(std::span<EqBand> bands) {
  for (std::size_t b = 0; b < bands.size(); ++b) bands[b] = FlatBand(b);
}

}  // namespace

EqBand FlatBand(std::size_t band) { return EqBand{kThirdOctaveHz[band % kEqBands], kFlatQ, 0.0}; }

Settings FactorySettings() {
  Settings s;
  for (std::size_t o = 0; o < kMaxOutputs; ++o) {
    OutputChannel& out = s.outputs[o];
    FlatBands(out.bands);
    if (o < kOutputPresets.size()) {
      const OutputPreset& p = kOutputPresets[o];
      out.role = p.role;
      out.highPass = Filter{FILTER_TYPE_LINKWITZ_RILEY, p.hpHz, p.hpSlope};
      out.lowPass = Filter{FILTER_TYPE_LINKWITZ_RILEY, p.lpHz, p.lpSlope};
      out.speakerDistance = p.distance;
    } else {
      out.lowPass.freqHz = 20000;
    }
  }
  for (std::size_t src = 0; src < kInputSourceCount; ++src) {
    SourceSettings& source = s.sources[src];
    const bool fourChannel = src == SOURCE_LOW || src == SOURCE_HI;
    const auto& masks = fourChannel ? kFourChannelMasks : kTwoChannelMasks;
    std::copy(masks.begin(), masks.end(), source.mixMask.begin());
    for (auto& row : source.mixTrim) row.fill(100);
    for (InputChannel& in : source.inputs) FlatBands(in.eq);
  }
  return s;
}

BoxState FactoryState() {
  BoxState state;
  state.live = FactorySettings();
  for (SceneSlot& slot : state.scenes) {
    slot.erased = true;
    slot.valid = false;
    slot.name.fill(kErasedByte);
    slot.block.fill(kErasedByte);
    slot.settings = state.live;
  }
  SceneSlot& first = state.scenes[0];
  first.erased = false;
  first.valid = true;
  first.name.fill(0);
  const char kDefaultName[] = "Default";
  std::copy(kDefaultName, kDefaultName + sizeof kDefaultName - 1, first.name.begin());
  state.currentScene = kFirstStoredScene;

  state.karaoke[KTV_MIC_VOL] = 60;
  state.karaoke[KTV_MUSIC_VOL] = 60;
  state.karaoke[KTV_ECHO_DELAY] = 200;
  for (std::size_t i = 0; i < kMaxInputs; ++i) {
    state.inputNoiseDb[i] = -75.5 - static_cast<double>(i % 4) * 0.5;
  }
  return state;
}

Settings* BoxState::SettingsOf(std::uint8_t scene) {
  if (scene == kLiveScene) return &live;
  SceneSlot* slot = Slot(scene);
  return slot ? &slot->settings : nullptr;
}

const Settings* BoxState::SettingsOf(std::uint8_t scene) const {
  if (scene == kLiveScene) return &live;
  const SceneSlot* slot = Slot(scene);
  return slot ? &slot->settings : nullptr;
}

SceneSlot* BoxState::Slot(std::uint8_t scene) {
  if (scene < kFirstStoredScene || scene > kLastStoredScene) return nullptr;
  return &scenes[scene - kFirstStoredScene];
}

const SceneSlot* BoxState::Slot(std::uint8_t scene) const {
  if (scene < kFirstStoredScene || scene > kLastStoredScene) return nullptr;
  return &scenes[scene - kFirstStoredScene];
}

bool BoxState::IsErased(std::uint8_t scene) const {
  const SceneSlot* slot = Slot(scene);
  return slot != nullptr && slot->erased;
}

std::uint16_t BoxState::ValidMask() const {
  std::uint16_t mask = 0;
  for (std::size_t i = 0; i < kSceneSlots; ++i) {
    if (scenes[i].valid) mask = static_cast<std::uint16_t>(mask | (1u << i));
  }
  return mask;
}

}  // namespace qb::sim

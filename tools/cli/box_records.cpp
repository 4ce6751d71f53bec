#include "tools/cli/box_records.h"

#include <cmath>
#include <cstdio>

#include "core/box_limits.h"
#include "core/box_session.h"
#include "core/eq_coupling.h"
#include "core/output_editor.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_text.h"

namespace qb::cli {
namespace {

/// Inputs a routing row can switch and a mix level can be set for.
constexpr int kRoutedInputs = kBoxInputs;

template <typename Number>
Value Plain(Number number) {
  return Value(static_cast<double>(number));
}

std::string FirmwareText(const Profile& live) {
  if (live.mainVersion < 0) return "unknown";
  return std::to_string(live.mainVersion) + "." + std::to_string(live.slaveVersion);
}

Value FilterRecord(const CrossoverFilter& filter) {
  Record record;
  record.Add("freqHz", Measure(filter.fs, 0, "Hz")).Label("frequency");
  record.Add("type", FamilyName(filter.type));
  record.Add("slope", Value(filter.slope).Spelled(filter.slope == 0 ? "0 (off)" : std::to_string(filter.slope)));
  return record;
}

Value OutputRecord(const EqualizerMirror& mirror, int output, bool whole) {
  const Profile& live = mirror.currentProfile;
  const OutputChannel& channel = live.channels[At(output)];
  Record record;
  AddOutputNumber(record, output);
  AddRole(record, live.outputs[At(output)]);
  record.Add("volumeDb", VolumeDb(channel)).Label("volume");
  record.Add("mute", OnOff(channel.mute != 0));
  record.Add("phase", Phase(channel));
  record.Add("delayMs", DelayMs(channel)).Label("delay");
  if (!whole) return record;
  const int partner = LinkedPartnerOf(live, output);
  record.Add("linkedTo", partner >= 0 ? Value(partner + 1) : Value());
  record.Add("crossover", CrossoverRecord(channel));
  record.Add("eqSize", channel.eqSize).Label("bands in use");
  record.Add("eqBypass", OnOff(channel.bypass != 0));
  List bands;
  const auto row = mirror.Bands(output).first(At(mirror.EqSize(output)));
  for (std::size_t b = 0; b < row.size(); ++b) bands.Add(BandRecord(row[b], static_cast<int>(b)));
  record.Add("bands", std::move(bands));
  return record;
}

/// Per source, which inputs feed each output (bit K-1: input K) and the mix levels.
Value RoutingRecord(const Profile& live) {
  List sources;
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    Record source;
    source.Add("source", SourceName(static_cast<int>(s)));
    List masks;
    List levels;
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      masks.Add(Plain(live.inputs[s][o]));
      List row;
      for (std::size_t i = 0; i < kRoutedInputs; ++i) row.Add(Plain(live.inputMixVolume[s][i][o]));
      levels.Add(std::move(row));
    }
    source.Add("inputMasks", std::move(masks)).Label("input masks (per output)");
    source.Add("mixLevels", std::move(levels)).Label("mix levels (per output, inputs 1..6)");
    sources.Add(std::move(source));
  }
  return sources;
}

Value ScenesRecord(const EqualizerMirror& mirror) {
  List scenes;
  for (int n = 1; n <= kSceneCount; ++n) {
    Record scene;
    scene.Add("scene", n);
    scene.Add("name", SceneNameValue(mirror, n));
    scene.Add("valid", (mirror.sceneValid >> (n - 1) & 1u) != 0);
    scenes.Add(std::move(scene));
  }
  return scenes;
}

}  // namespace

double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  return rounded == 0.0 ? 0.0 : rounded;  // no "-0"
}

Field& AddOutputNumber(Record& record, int output) { return record.Add("output", output + 1); }

void AddRole(Record& record, int role) {
  record.Add("role", RoleName(role));
  record.Add("roleCode", role).JsonOnly();
}

Value VolumeDb(const OutputChannel& channel) { return Measure(Rounded(channel.gain, 1), 1, "dB"); }
Value DelayMs(const OutputChannel& channel) { return Measure(DelayMicros(channel) / 1000.0, 3, "ms"); }
Value Phase(const OutputChannel& channel) { return channel.phase != 0 ? "inverted" : "normal"; }

Value CrossoverRecord(const OutputChannel& channel) {
  Record record;
  record.Add("highPass", FilterRecord(channel.crossover.hp)).Label("high-pass");
  record.Add("lowPass", FilterRecord(channel.crossover.lp)).Label("low-pass");
  return record;
}

Value BandRecord(const EqBand& band, int index) {
  char gain[32];
  std::snprintf(gain, sizeof gain, "%+.1f dB", Rounded(band.eqGain, 2));
  Record record;
  record.Add("band", index + 1);
  record.Add("freqHz", Measure(band.freq, 0, "Hz")).Label("frequency");
  record.Add("q", Measure(Rounded(band.eqFactor, 2), 2)).Label("Q");
  record.Add("gainDb", Value(Rounded(band.eqGain, 2)).Spelled(gain)).Label("gain");
  record.Add("enabled", OnOff(band.enable != 0));
  return record;
}

Value SceneNameValue(const EqualizerMirror& mirror, int scene) {
  const qb::SceneName& slot = mirror.sceneNames[At(scene - 1)];
  const std::string name = Utf8Name(std::u16string_view(slot.data(), slot.size()));
  return name.empty() ? Value(name).Spelled("(empty)") : Value(name);
}

int CurrentScene(const EqualizerMirror& mirror) {
  const int scene = mirror.currentScene;
  return scene >= 1 && scene <= kSceneCount ? scene : 0;
}

Record StateRecord(const EqualizerMirror& mirror, bool whole) {
  const Profile& live = mirror.currentProfile;
  Record state;
  state.Add("ok", true).JsonOnly();
  state.Add("connection", ConnectionStateName(mirror.session.connection));
  const std::string model = std::to_string(live.model) + (live.model == kBoxModel ? " (ZX7140K)" : "");
  state.Add("model", Value(live.model).Spelled(model));
  state.Add("firmware", FirmwareText(live));
  state.Add("source", SourceName(live.inputSource));
  state.Add("mainVolume", Value(live.mainVolume)
                              .Spelled(std::to_string(live.mainVolume) + " of " + std::to_string(kMainVolumeTopStep)));
  state.Add("mainMute", OnOff(live.mainVolumeMute != 0));
  state.Add("amplifier", OnOff(live.ampOn != 0));
  state.Add("link", OnOff(live.linkMode == 1));
  state.Add("lock", OnOff(live.lockMode == 1));
  List outputs;
  for (int o = 0; o < kOutputCount; ++o) outputs.Add(OutputRecord(mirror, o, whole));
  state.Add("outputs", std::move(outputs));
  if (!whole) return state;
  state.Add("routing", RoutingRecord(live))
      .Label("routing (inputs that feed each output, as bits: input K is bit K-1)");
  state.Add("scenes", ScenesRecord(mirror));
  char mask[16];
  std::snprintf(mask, sizeof mask, "0x%03x", static_cast<unsigned>(mirror.sceneValid));
  state.Add("sceneValidMask", Plain(mirror.sceneValid).Spelled(mask));
  return state;
}

}  // namespace qb::cli

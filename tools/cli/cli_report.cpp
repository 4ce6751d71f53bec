#include "tools/cli/cli_report.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>

#include "core/box_limits.h"
#include "core/eq_coupling.h"
#include "core/source_catalogue.h"
#include "core/calibration_data.h"
#include "core/device_access.h"
#include "core/equalizer_mirror.h"
#include "core/output_editor.h"
#include "tools/cli/cli_names.h"

namespace qb::cli {
namespace {

constexpr std::string_view kProgram = "quorelbox-cli: ";
/// Inputs a routing row can switch and a mix level can be set for.
constexpr int kRoutedInputs = kBoxInputs;

struct JsonDelete {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDelete>;

std::string Printed(const Json& document) {
  char* text = cJSON_Print(document.get());
  if (text == nullptr) return "{\"ok\":false,\"error\":\"out of memory\",\"code\":1}\n";
  std::string result(text);
  cJSON_free(text);
  return result + "\n";
}

/// Floats of the mirror printed as the box resolves them, not as 5.80000019.
double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  return rounded == 0.0 ? 0.0 : rounded;  // no "-0"
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Str(std::string_view text) { return std::string(text); }
const char* OnOff(int value) { return value != 0 ? "on" : "off"; }
const char* PhaseName(int phase) { return phase != 0 ? "inverted" : "normal"; }

const Profile& Live(const EqualizerMirror& mirror) { return mirror.currentProfile; }
const OutputChannel& Channel(const EqualizerMirror& mirror, int output) {
  return Live(mirror).channels[At(output)];
}
double VolumeDb(const OutputChannel& channel) { return Rounded(channel.gain, 1); }
double DelayMs(const OutputChannel& channel) { return DelayMicros(channel) / 1000.0; }

std::string Firmware(const Profile& live) {
  if (live.mainVersion < 0) return "unknown";
  return Format("%d.%d", live.mainVersion, live.slaveVersion);
}

std::string SceneNameOf(const EqualizerMirror& mirror, int scene) {
  const SceneName& name = mirror.sceneNames[At(scene - 1)];
  return Utf8Name(std::u16string_view(name.data(), name.size()));
}

bool SceneValid(const EqualizerMirror& mirror, int scene) { return (mirror.sceneValid >> (scene - 1) & 1u) != 0; }

/// The box's current scene, 0 for none.
int CurrentScene(const EqualizerMirror& mirror) {
  const int scene = mirror.currentScene;
  return scene >= 1 && scene <= kSceneCount ? scene : 0;
}

/// Whether input `input` (1..6) of `source` feeds `output`, and the trim kept for it.
struct MixState {
  bool on = false;
  int trim = 0;
};
MixState MixCellOf(const Profile& live, int source, int input, int output) {
  if (!IsSource(source)) return {};
  return {(live.inputs[At(source)][At(output)] >> (input - 1) & 1) != 0,
          live.inputMixVolume[At(source)][At(input - 1)][At(output)]};
}
int MixInputs(int source) { return InputsOfSource(source); }

std::string ProfileKindText(ProfileKind kind) {
  return kind == ProfileKind::Whole ? "every scene and the live settings" : "the live settings";
}

// --- JSON ---------------------------------------------------------------------------------

void AddFilter(cJSON* parent, const char* name, const CrossoverFilter& filter) {
  cJSON* json = cJSON_AddObjectToObject(parent, name);
  cJSON_AddNumberToObject(json, "freqHz", filter.fs);
  cJSON_AddStringToObject(json, "type", Str(FamilyName(filter.type)).c_str());
  cJSON_AddNumberToObject(json, "slope", filter.slope);
}

void AddCrossover(cJSON* parent, const OutputChannel& channel) {
  cJSON* json = cJSON_AddObjectToObject(parent, "crossover");
  AddFilter(json, "highPass", channel.crossover.hp);
  AddFilter(json, "lowPass", channel.crossover.lp);
}

cJSON* BandJson(const EqBand& band, int index) {
  cJSON* json = cJSON_CreateObject();
  cJSON_AddNumberToObject(json, "band", index + 1);
  cJSON_AddNumberToObject(json, "freqHz", band.freq);
  cJSON_AddNumberToObject(json, "q", Rounded(band.eqFactor, 2));
  cJSON_AddNumberToObject(json, "gainDb", Rounded(band.eqGain, 2));
  cJSON_AddBoolToObject(json, "enabled", band.enable != 0);
  return json;
}

void AddRole(cJSON* json, int role) {
  cJSON_AddStringToObject(json, "role", Str(RoleName(role)).c_str());
  cJSON_AddNumberToObject(json, "roleCode", role);
}

cJSON* OutputJson(const EqualizerMirror& mirror, int output, bool whole) {
  const Profile& live = Live(mirror);
  const OutputChannel& channel = Channel(mirror, output);
  cJSON* json = cJSON_CreateObject();
  cJSON_AddNumberToObject(json, "output", output + 1);
  AddRole(json, live.outputs[At(output)]);
  cJSON_AddNumberToObject(json, "volumeDb", VolumeDb(channel));
  cJSON_AddBoolToObject(json, "mute", channel.mute != 0);
  cJSON_AddStringToObject(json, "phase", PhaseName(channel.phase));
  cJSON_AddNumberToObject(json, "delayMs", DelayMs(channel));
  if (!whole) return json;
  const int partner = LinkedPartnerOf(live, output);
  if (partner >= 0) cJSON_AddNumberToObject(json, "linkedTo", partner + 1);
  else cJSON_AddNullToObject(json, "linkedTo");
  AddCrossover(json, channel);
  cJSON_AddNumberToObject(json, "eqSize", channel.eqSize);
  cJSON_AddBoolToObject(json, "eqBypass", channel.bypass != 0);
  cJSON* bands = cJSON_AddArrayToObject(json, "bands");
  const auto row = mirror.Bands(output).first(At(mirror.EqSize(output)));
  for (std::size_t b = 0; b < row.size(); ++b) cJSON_AddItemToArray(bands, BandJson(row[b], static_cast<int>(b)));
  return json;
}

Json StateJson(const EqualizerMirror& mirror, bool whole) {
  const Profile& live = Live(mirror);
  Json json(cJSON_CreateObject());
  cJSON* root = json.get();
  cJSON_AddBoolToObject(root, "ok", true);
  cJSON_AddStringToObject(root, "connection", ConnectionStateName(mirror.session.connection));
  cJSON_AddNumberToObject(root, "model", live.model);
  cJSON_AddStringToObject(root, "firmware", Firmware(live).c_str());
  cJSON_AddStringToObject(root, "source", Str(SourceName(live.inputSource)).c_str());
  cJSON_AddNumberToObject(root, "mainVolume", live.mainVolume);
  cJSON_AddBoolToObject(root, "mainMute", live.mainVolumeMute != 0);
  cJSON_AddBoolToObject(root, "amplifier", live.ampOn != 0);
  cJSON_AddBoolToObject(root, "link", live.linkMode == 1);
  cJSON_AddBoolToObject(root, "lock", live.lockMode == 1);
  cJSON* outputs = cJSON_AddArrayToObject(root, "outputs");
  for (int o = 0; o < kOutputCount; ++o) cJSON_AddItemToArray(outputs, OutputJson(mirror, o, whole));
  if (!whole) return json;

  cJSON* routing = cJSON_AddArrayToObject(root, "routing");
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    cJSON* source = cJSON_CreateObject();
    cJSON_AddStringToObject(source, "source", Str(SourceName(static_cast<int>(s))).c_str());
    cJSON* masks = cJSON_AddArrayToObject(source, "inputMasks");
    cJSON* levels = cJSON_AddArrayToObject(source, "mixLevels");
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      cJSON_AddItemToArray(masks, cJSON_CreateNumber(live.inputs[s][o]));
      cJSON* row = cJSON_CreateArray();
      for (std::size_t i = 0; i < kRoutedInputs; ++i)
        cJSON_AddItemToArray(row, cJSON_CreateNumber(live.inputMixVolume[s][i][o]));
      cJSON_AddItemToArray(levels, row);
    }
    cJSON_AddItemToArray(routing, source);
  }
  cJSON* scenes = cJSON_AddArrayToObject(root, "scenes");
  for (int n = 0; n < kSceneCount; ++n) {
    cJSON* scene = cJSON_CreateObject();
    cJSON_AddNumberToObject(scene, "scene", n + 1);
    const SceneName& name = mirror.sceneNames[At(n)];
    cJSON_AddStringToObject(scene, "name", Utf8Name(std::u16string_view(name.data(), name.size())).c_str());
    cJSON_AddBoolToObject(scene, "valid", (mirror.sceneValid >> n & 1u) != 0);
    cJSON_AddItemToArray(scenes, scene);
  }
  cJSON_AddNumberToObject(root, "sceneValidMask", mirror.sceneValid);
  return json;
}

Json SetJson(const EqualizerMirror& mirror, const SetRequest& set) {
  const Profile& live = Live(mirror);
  Json json(cJSON_CreateObject());
  cJSON* root = json.get();
  cJSON_AddBoolToObject(root, "ok", true);
  const auto output = [&](int o) -> const OutputChannel& {
    cJSON_AddNumberToObject(root, "output", o + 1);
    return Channel(mirror, o);
  };
  struct Visitor {
    cJSON* root;
    const EqualizerMirror& mirror;
    const Profile& live;
    decltype(output)& out;
    void operator()(const SetOutputVolume& s) { cJSON_AddNumberToObject(root, "volumeDb", VolumeDb(out(s.output))); }
    void operator()(const SetOutputMute& s) { cJSON_AddBoolToObject(root, "mute", out(s.output).mute != 0); }
    void operator()(const SetOutputPhase& s) {
      cJSON_AddStringToObject(root, "phase", PhaseName(out(s.output).phase));
    }
    void operator()(const SetOutputDelay& s) { cJSON_AddNumberToObject(root, "delayMs", DelayMs(out(s.output))); }
    void operator()(const SetOutputRole& s) {
      const OutputChannel& channel = out(s.output);
      AddRole(root, live.outputs[At(s.output)]);
      cJSON_AddNumberToObject(root, "volumeDb", VolumeDb(channel));
      AddCrossover(root, channel);
    }
    void operator()(const SetOutputInput& s) {
      out(s.output);
      const int source = live.inputSource;
      const int mask = IsSource(source) ? live.inputs[At(source)][At(s.output)] : 0;
      cJSON_AddStringToObject(root, "source", Str(SourceName(source)).c_str());
      cJSON_AddNumberToObject(root, "input", s.input);
      cJSON_AddBoolToObject(root, "on", (mask >> (s.input - 1) & 1) != 0);
      cJSON_AddNumberToObject(root, "inputMask", mask);
      if (IsSource(source))
        cJSON_AddNumberToObject(root, "mixLevel", live.inputMixVolume[At(source)][At(s.input - 1)][At(s.output)]);
    }
    void operator()(const SetBand& s) {
      const OutputChannel& channel = out(s.output);
      cJSON_AddItemToObject(root, "band", BandJson(channel.bands[At(s.band)], s.band));
      cJSON_AddBoolToObject(root, "eqBypass", channel.bypass != 0);
    }
    void operator()(const SetCrossover& s) { AddCrossover(root, out(s.output)); }
    void operator()(const SetSource&) {
      cJSON_AddStringToObject(root, "source", Str(SourceName(live.inputSource)).c_str());
    }
    void operator()(const SetMainVolume&) { cJSON_AddNumberToObject(root, "mainVolume", live.mainVolume); }
    void operator()(const SetMainMute&) { cJSON_AddBoolToObject(root, "mainMute", live.mainVolumeMute != 0); }
  };
  std::visit(Visitor{root, mirror, live, output}, set);
  return json;
}

Json MixJson(const EqualizerMirror& mirror, int source, const std::optional<MixCell>& cell) {
  const Profile& live = Live(mirror);
  Json json(cJSON_CreateObject());
  cJSON* root = json.get();
  cJSON_AddBoolToObject(root, "ok", true);
  cJSON_AddStringToObject(root, "source", Str(SourceName(source)).c_str());
  const auto add = [&live, source](cJSON* parent, int input, int output) {
    const MixState state = MixCellOf(live, source, input, output);
    cJSON_AddBoolToObject(parent, "on", state.on);
    cJSON_AddNumberToObject(parent, "trim", state.trim);
  };
  if (cell) {
    cJSON_AddNumberToObject(root, "input", cell->input);
    cJSON_AddNumberToObject(root, "output", cell->output + 1);
    add(root, cell->input, cell->output);
    cJSON_AddNumberToObject(root, "inputMask", live.inputs[At(source)][At(cell->output)]);
    return json;
  }
  cJSON_AddBoolToObject(root, "current", source == live.inputSource);
  cJSON_AddNumberToObject(root, "inputCount", MixInputs(source));
  cJSON* outputs = cJSON_AddArrayToObject(root, "outputs");
  for (int o = 0; o < kOutputCount; ++o) {
    cJSON* output = cJSON_CreateObject();
    cJSON_AddNumberToObject(output, "output", o + 1);
    cJSON_AddNumberToObject(output, "inputMask", live.inputs[At(source)][At(o)]);
    cJSON* inputs = cJSON_AddArrayToObject(output, "inputs");
    for (int in = 1; in <= MixInputs(source); ++in) {
      cJSON* input = cJSON_CreateObject();
      cJSON_AddNumberToObject(input, "input", in);
      add(input, in, o);
      cJSON_AddItemToArray(inputs, input);
    }
    cJSON_AddItemToArray(outputs, output);
  }
  return json;
}

Json ScenesJson(const EqualizerMirror& mirror) {
  Json json(cJSON_CreateObject());
  cJSON* root = json.get();
  cJSON_AddBoolToObject(root, "ok", true);
  const int current = CurrentScene(mirror);
  if (current != 0) cJSON_AddNumberToObject(root, "current", current);
  else cJSON_AddNullToObject(root, "current");
  cJSON* scenes = cJSON_AddArrayToObject(root, "scenes");
  for (int n = 1; n <= kSceneCount; ++n) {
    cJSON* scene = cJSON_CreateObject();
    const std::string name = SceneNameOf(mirror, n);
    cJSON_AddNumberToObject(scene, "scene", n);
    cJSON_AddStringToObject(scene, "name", name.c_str());
    cJSON_AddBoolToObject(scene, "empty", name.empty());
    cJSON_AddBoolToObject(scene, "valid", SceneValid(mirror, n));
    cJSON_AddBoolToObject(scene, "current", n == current);
    cJSON_AddItemToArray(scenes, scene);
  }
  return json;
}

Json SceneJson(const EqualizerMirror& mirror, const SceneRequest& request) {
  // A load changed the live settings: the answer is the new state, as `status` gives it.
  Json json = request.action == SceneAction::Load ? StateJson(mirror, false) : Json(cJSON_CreateObject());
  cJSON* root = json.get();
  if (request.action != SceneAction::Load) cJSON_AddBoolToObject(root, "ok", true);
  const char* action = request.action == SceneAction::Load   ? "loaded"
                       : request.action == SceneAction::Save ? "saved"
                                                             : "deleted";
  cJSON_AddStringToObject(root, "action", action);
  cJSON_AddNumberToObject(root, "scene", request.scene);
  cJSON_AddStringToObject(root, "name", SceneNameOf(mirror, request.scene).c_str());
  return json;
}

Json ProfileJson(const ProfileRequest& request) {
  Json json(cJSON_CreateObject());
  cJSON* root = json.get();
  cJSON_AddBoolToObject(root, "ok", true);
  cJSON_AddStringToObject(root, "action", request.save ? "saved" : "loaded");
  cJSON_AddStringToObject(root, "kind", request.kind == ProfileKind::Whole ? "whole" : "scene");
  cJSON_AddStringToObject(root, "file", request.path.c_str());
  return json;
}

// --- text ----------------------------------------------------------------------------------

std::string FilterText(const CrossoverFilter& filter) {
  return Format("%d Hz %s slope %d%s", filter.fs, Str(FamilyName(filter.type)).c_str(), filter.slope,
                filter.slope == 0 ? " (off)" : "");
}

std::string CrossoverText(const OutputChannel& channel) {
  return "high-pass " + FilterText(channel.crossover.hp) + ", low-pass " + FilterText(channel.crossover.lp);
}

std::string BandText(const EqBand& band, int index) {
  return Format("band %d: %d Hz, Q %.2f, %+.1f dB, %s", index + 1, band.freq, Rounded(band.eqFactor, 2),
                Rounded(band.eqGain, 2), OnOff(band.enable));
}

std::string InputList(int mask) {
  std::string text;
  for (int i = 0; i < kRoutedInputs; ++i) {
    if ((mask >> i & 1) == 0) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(i + 1);
  }
  return text.empty() ? "-" : text;
}

std::string StateText(const EqualizerMirror& mirror, bool whole) {
  const Profile& live = Live(mirror);
  std::string text;
  text += Format("connection   %s\n", ConnectionStateName(mirror.session.connection));
  text += Format("model        %d%s\n", live.model, live.model == kBoxModel ? " (ZX7140K)" : "");
  text += Format("firmware     %s\n", Firmware(live).c_str());
  text += Format("source       %s\n", Str(SourceName(live.inputSource)).c_str());
  text += Format("main volume  %d of %d, mute %s\n", live.mainVolume, kMainVolumeTopStep, OnOff(live.mainVolumeMute));
  text += Format("amplifier    %s\n", OnOff(live.ampOn));
  text += Format("link/lock    link %s, lock %s\n", OnOff(live.linkMode == 1), OnOff(live.lockMode == 1));
  text += Format("\n%-7s %-24s %9s %-5s %-9s %9s\n", "output", "role", "volume", "mute", "phase", "delay");
  for (int o = 0; o < kOutputCount; ++o) {
    const OutputChannel& channel = Channel(mirror, o);
    text += Format("%-7d %-24s %6.1f dB %-5s %-9s %6.3f ms\n", o + 1, Str(RoleName(live.outputs[At(o)])).c_str(),
                   VolumeDb(channel), OnOff(channel.mute), PhaseName(channel.phase), DelayMs(channel));
  }
  if (!whole) return text;

  for (int o = 0; o < kOutputCount; ++o) {
    const OutputChannel& channel = Channel(mirror, o);
    text += Format("\noutput %d (%s)\n", o + 1, Str(RoleName(live.outputs[At(o)])).c_str());
    const int partner = LinkedPartnerOf(live, o);
    if (partner >= 0) text += Format("  linked to output %d\n", partner + 1);
    text += "  crossover  " + CrossoverText(channel) + "\n";
    text += Format("  equaliser  %d bands in use%s\n", channel.eqSize, channel.bypass != 0 ? ", bypassed" : "");
    const auto row = mirror.Bands(o).first(At(mirror.EqSize(o)));
    for (std::size_t b = 0; b < row.size(); ++b) text += "    " + BandText(row[b], static_cast<int>(b)) + "\n";
  }
  text += "\nrouting (inputs that feed each output; mix levels of inputs 1..6)\n";
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    text += Format("  source %s%s\n", Str(SourceName(static_cast<int>(s))).c_str(),
                   static_cast<int>(s) == live.inputSource ? " (current)" : "");
    for (std::size_t o = 0; o < kOutputSlots; ++o) {
      text += Format("    output %zu  inputs %-12s mix", o + 1, InputList(live.inputs[s][o]).c_str());
      for (std::size_t i = 0; i < kRoutedInputs; ++i) text += Format(" %3d", live.inputMixVolume[s][i][o]);
      text += "\n";
    }
  }
  text += Format("\nscenes (valid mask 0x%03x)\n", static_cast<unsigned>(mirror.sceneValid));
  for (int n = 0; n < kSceneCount; ++n) {
    const SceneName& name = mirror.sceneNames[At(n)];
    const std::string utf8 = Utf8Name(std::u16string_view(name.data(), name.size()));
    text += Format("  %2d  ", n + 1) + (utf8.empty() ? "-" : utf8);
    if ((mirror.sceneValid >> n & 1u) != 0) text += "  (valid)";
    text += "\n";
  }
  return text;
}

std::string SetText(const EqualizerMirror& mirror, const SetRequest& set) {
  const Profile& live = Live(mirror);
  const auto prefix = [](int output) { return Format("output %d ", output + 1); };
  struct Visitor {
    const EqualizerMirror& mirror;
    const Profile& live;
    decltype(prefix)& on;
    std::string operator()(const SetOutputVolume& s) {
      return on(s.output) + Format("volume %.1f dB", VolumeDb(Channel(mirror, s.output)));
    }
    std::string operator()(const SetOutputMute& s) {
      return on(s.output) + "mute " + OnOff(Channel(mirror, s.output).mute);
    }
    std::string operator()(const SetOutputPhase& s) {
      return on(s.output) + "phase " + PhaseName(Channel(mirror, s.output).phase);
    }
    std::string operator()(const SetOutputDelay& s) {
      return on(s.output) + Format("delay %.3f ms", DelayMs(Channel(mirror, s.output)));
    }
    std::string operator()(const SetOutputRole& s) {
      const OutputChannel& channel = Channel(mirror, s.output);
      return on(s.output) + "role " + Str(RoleName(live.outputs[At(s.output)])) +
             Format(", volume %.1f dB\n", VolumeDb(channel)) + on(s.output) + "crossover " + CrossoverText(channel);
    }
    std::string operator()(const SetOutputInput& s) {
      const int source = live.inputSource;
      const int mask = IsSource(source) ? live.inputs[At(source)][At(s.output)] : 0;
      return on(s.output) + "source " + Str(SourceName(source)) + Format(" input %d ", s.input) +
             OnOff(mask >> (s.input - 1) & 1) + " (inputs " + InputList(mask) + ")";
    }
    std::string operator()(const SetBand& s) {
      const OutputChannel& channel = Channel(mirror, s.output);
      return on(s.output) + BandText(channel.bands[At(s.band)], s.band) +
             (channel.bypass != 0 ? " (equaliser bypassed)" : "");
    }
    std::string operator()(const SetCrossover& s) {
      return on(s.output) + "crossover " + CrossoverText(Channel(mirror, s.output));
    }
    std::string operator()(const SetSource&) { return "source " + Str(SourceName(live.inputSource)); }
    std::string operator()(const SetMainVolume&) {
      return Format("main volume %d of %d", live.mainVolume, kMainVolumeTopStep);
    }
    std::string operator()(const SetMainMute&) { return Str("main mute ") + OnOff(live.mainVolumeMute); }
  };
  return std::visit(Visitor{mirror, live, prefix}, set) + "\n";
}

std::string MixText(const EqualizerMirror& mirror, int source, const std::optional<MixCell>& cell) {
  const Profile& live = Live(mirror);
  const std::string name = "source " + Str(SourceName(source));
  if (cell) {
    const MixState state = MixCellOf(live, source, cell->input, cell->output);
    return name + Format(" input %d output %d ", cell->input, cell->output + 1) + OnOff(state.on) +
           Format(", trim %d\n", state.trim);
  }
  const int inputs = MixInputs(source);
  const std::string current = source == live.inputSource ? " (current)" : "";
  if (inputs == 0) return name + current + " has no inputs to mix\n";
  std::string text = name + current + ": the trim of each input on each output, - where it does not feed it\n";
  text += Format("%-8s", "");
  for (int o = 0; o < kOutputCount; ++o) text += Format("  out %d", o + 1);
  text += "\n";
  for (int in = 1; in <= inputs; ++in) {
    text += Format("input %d ", in);
    for (int o = 0; o < kOutputCount; ++o) {
      const MixState state = MixCellOf(live, source, in, o);
      text += state.on ? Format("%7d", state.trim) : Format("%7s", "-");
    }
    text += "\n";
  }
  return text;
}

std::string ScenesText(const EqualizerMirror& mirror) {
  const int current = CurrentScene(mirror);
  std::string text = "scene  name\n";
  for (int n = 1; n <= kSceneCount; ++n) {
    const std::string name = SceneNameOf(mirror, n);
    text += Format("%5d  ", n) + (name.empty() ? "(empty)" : name);
    if (n == current) text += "  (current)";
    text += "\n";
  }
  if (current == 0) text += "no scene is current\n";
  return text;
}

std::string SceneText(const EqualizerMirror& mirror, const SceneRequest& request) {
  const std::string name = SceneNameOf(mirror, request.scene);
  const std::string named = name.empty() ? "" : " \"" + name + "\"";
  switch (request.action) {
    case SceneAction::Load: return Format("scene %d", request.scene) + named + " loaded\n\n" + StateText(mirror, false);
    case SceneAction::Save: return Format("scene %d saved as", request.scene) + named + "\n";
    case SceneAction::Delete: return Format("scene %d deleted\n", request.scene);
  }
  return {};
}

}  // namespace

namespace {

/// The failure of Failure, with `extra` adding fields to the JSON document.
RunResult FailureWith(int code, std::string_view message, bool json, const std::function<void(cJSON*)>& extra) {
  std::string line(message);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  RunResult result;
  result.code = code;
  result.err = Str(kProgram) + line + "\n";
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", false);
    cJSON_AddStringToObject(document.get(), "error", line.c_str());
    cJSON_AddNumberToObject(document.get(), "code", code);
    if (extra) extra(document.get());
    result.out = Printed(document);
  }
  return result;
}

}  // namespace

RunResult Failure(int code, std::string_view message, bool json) { return FailureWith(code, message, json, {}); }

RunResult NoAccessFailure(std::string_view node, bool json) {
  const std::string message = "no permission to open the ZX7140K's node " + Str(node) +
                              " (reading and writing it is needed): install the udev rule of Quorelbox, " +
                              Str(kUdevRuleFile) + " (the package puts it in " + Str(kUdevRuleFolder) +
                              "; by hand, copy packaging/udev/" + Str(kUdevRuleFile) +
                              " to /etc/udev/rules.d), then run: " + Str(kAccessFixCommand);
  return FailureWith(kExitNoAccess, message, json, [node](cJSON* document) {
    cJSON_AddStringToObject(document, "node", Str(node).c_str());
    cJSON_AddStringToObject(document, "fix", Str(kAccessFixCommand).c_str());
  });
}

void Warn(RunResult& result, std::string_view message) {
  result.err += Str(kProgram) + "warning: " + Str(message) + "\n";
}

std::string Report(const EqualizerMirror& mirror, Command command, const SetRequest& set, bool json) {
  if (command == Command::Set) return json ? Printed(SetJson(mirror, set)) : SetText(mirror, set);
  const bool whole = command == Command::Get;
  return json ? Printed(StateJson(mirror, whole)) : StateText(mirror, whole);
}

std::string MixReport(const EqualizerMirror& mirror, int source, const std::optional<MixCell>& cell, bool json) {
  return json ? Printed(MixJson(mirror, source, cell)) : MixText(mirror, source, cell);
}

std::string ScenesReport(const EqualizerMirror& mirror, bool json) {
  return json ? Printed(ScenesJson(mirror)) : ScenesText(mirror);
}

std::string SceneReport(const EqualizerMirror& mirror, const SceneRequest& request, bool json) {
  return json ? Printed(SceneJson(mirror, request)) : SceneText(mirror, request);
}

std::string ProfileReport(const ProfileRequest& request, bool json) {
  if (json) return Printed(ProfileJson(request));
  if (request.save) return ProfileKindText(request.kind) + " saved to " + request.path + "\n";
  return request.path + " loaded into the box (" + ProfileKindText(request.kind) + ")\n";
}

std::string MemReport(const MemRequest& request, std::uint32_t data, bool json) {
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", true);
    cJSON_AddStringToObject(document.get(), "action", request.write ? "write" : "read");
    cJSON_AddNumberToObject(document.get(), "address", request.address);
    cJSON_AddNumberToObject(document.get(), "data", data);
    return Printed(document);
  }
  if (request.write) return Format("wrote 0x%08x to address 0x%08x\n", data, request.address);
  return Format("address 0x%08x  data 0x%08x\n", request.address, data);
}

std::string CalibrationReport(const CalibrationData& data, std::uint16_t outputs, const float* distances,
                              int eqMode, bool applied, bool json) {
  const char* target = eqMode == 1 ? "B" : "A";
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", true);
    cJSON_AddStringToObject(document.get(), "target", target);
    cJSON_AddBoolToObject(document.get(), "applied", applied);
    cJSON* list = cJSON_AddArrayToObject(document.get(), "outputs");
    for (int n = 0; n < kCalibrationChannels; ++n) {
      if (!(outputs & (1u << n))) continue;
      cJSON* output = cJSON_CreateObject();
      cJSON_AddNumberToObject(output, "output", n + 1);
      if (distances[n] >= 0.0f) cJSON_AddNumberToObject(output, "distance", Rounded(distances[n], 2));
      cJSON* bands = cJSON_AddArrayToObject(output, "correction");
      for (int b = 0; b < kReportedCorrectionBands; ++b) cJSON_AddItemToArray(bands, BandJson(data.CorrectionBands(n)[At(b)], b));
      cJSON* points = cJSON_AddArrayToObject(output, "measured");
      for (const MeasuredPoint& point : data.MeasuredPoints(n)) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddNumberToObject(entry, "freqHz", point.freqHz);
        cJSON_AddNumberToObject(entry, "gainDb", Rounded(point.gainDb, 2));
        cJSON_AddItemToArray(points, entry);
      }
      cJSON_AddItemToArray(list, output);
    }
    return Printed(document);
  }
  std::string text = Format("target %s, result %s\n", target, applied ? "applied" : "discarded");
  for (int n = 0; n < kCalibrationChannels; ++n) {
    if (!(outputs & (1u << n))) continue;
    text += Format("output %d", n + 1);
    if (distances[n] >= 0.0f) text += Format("  distance %.2f", double{distances[n]});
    text += "\n";
    for (int b = 0; b < kReportedCorrectionBands; ++b) {
      const EqBand& band = data.CorrectionBands(n)[At(b)];
      text += Format("  band %2d  %5d Hz  Q %4.2f  %+5.1f dB\n", b + 1, band.freq, double{band.eqFactor}, double{band.eqGain});
    }
  }
  return text;
}

std::string FirmwareReport(const std::string& path, const std::string& kind, std::uint32_t bytes, int model,
                           int mainVersion, int slaveVersion, bool application, bool json) {
  const std::string firmware = std::to_string(mainVersion) + "." + std::to_string(slaveVersion);
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", true);
    cJSON_AddStringToObject(document.get(), "file", path.c_str());
    cJSON_AddStringToObject(document.get(), "kind", kind.c_str());
    cJSON_AddNumberToObject(document.get(), "bytes", bytes);
    cJSON_AddNumberToObject(document.get(), "model", model);
    cJSON_AddStringToObject(document.get(), "firmware", firmware.c_str());
    cJSON_AddBoolToObject(document.get(), "application", application);
    return Printed(document);
  }
  if (!application)
    return Format("upgraded the %s firmware from %s (%u bytes); the box is still in its loader\n", kind.c_str(),
                  path.c_str(), bytes);
  return Format("upgraded the %s firmware from %s (%u bytes); the box now runs firmware %s\n", kind.c_str(),
                path.c_str(), bytes, firmware.c_str());
}

std::string EqImportReport(const EqRequest& request, std::size_t bands, const std::vector<std::string>& skipped,
                           bool json) {
  const int output = request.output.value_or(0) + 1;
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", true);
    cJSON_AddStringToObject(document.get(), "action", "import");
    cJSON_AddNumberToObject(document.get(), "output", output);
    cJSON_AddStringToObject(document.get(), "file", request.path.c_str());
    cJSON_AddNumberToObject(document.get(), "bands", static_cast<double>(bands));
    cJSON* lines = cJSON_AddArrayToObject(document.get(), "skipped");
    for (const std::string& line : skipped) cJSON_AddItemToArray(lines, cJSON_CreateString(line.c_str()));
    return Printed(document);
  }
  std::string text = Format("%zu filters of %s became the bands of output %d\n", bands, request.path.c_str(), output);
  for (const std::string& line : skipped) text += "  skipped " + line + "\n";
  return text;
}

std::string EqExportReport(const EqRequest& request, const std::string& text, bool json) {
  if (json) {
    Json document(cJSON_CreateObject());
    cJSON_AddBoolToObject(document.get(), "ok", true);
    cJSON_AddStringToObject(document.get(), "action", "export");
    if (request.output) cJSON_AddNumberToObject(document.get(), "output", *request.output + 1);
    else cJSON_AddStringToObject(document.get(), "output", "all");
    if (request.path.empty()) cJSON_AddStringToObject(document.get(), "text", text.c_str());
    else cJSON_AddStringToObject(document.get(), "file", request.path.c_str());
    return Printed(document);
  }
  if (request.path.empty()) return text;
  const std::string which = request.output ? "output " + std::to_string(*request.output + 1) : "every output";
  return "the bands of " + which + " written to " + request.path + "\n";
}

std::string ProfileProblem(ProfileFileResult result, const std::string& path) {
  switch (result) {
    case ProfileFileResult::Ok: break;
    case ProfileFileResult::OpenError: return "cannot open " + path;
    case ProfileFileResult::NotJson:
      return path + " is not a profile file (it does not read as JSON); nothing was changed";
    case ProfileFileResult::LoadError: return path + " is damaged or incomplete; nothing was changed";
    case ProfileFileResult::ModelMismatch: return path + " is a profile for another model";
    case ProfileFileResult::CreateError: return "cannot write " + path + "; an older file was left as it was";
    case ProfileFileResult::BoxLeft: return "the box left before every scene was read; " + path + " was not written";
  }
  return path + ": unexpected profile file result";
}

std::string Utf8Name(std::u16string_view name) {
  std::string text;
  const auto put = [&text](char32_t c) {
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xE0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (c >> 18));
      text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  constexpr char32_t kReplacement = 0xFFFD;
  for (std::size_t i = 0; i < name.size() && name[i] != 0; ++i) {
    const char32_t unit = name[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      put(0x10000 + ((unit - 0xD800) << 10) + (name[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      put(kReplacement);
    } else {
      put(unit);
    }
  }
  return text;
}

}  // namespace qb::cli

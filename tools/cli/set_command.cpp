// set: one setting of the box through the editing service that owns its rules, then the
// value as the mirror now holds it (the service may have held it to a rule).
#include "core/box_limits.h"
#include "tools/cli/box_records.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_names.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

std::optional<SetRequest> Finished(Words& words, const SetRequest& request, std::string_view after) {
  words.ExpectEnd(after);
  if (words.Failed()) return std::nullopt;
  return request;
}

std::optional<SetRequest> ParseSetOutput(Words& words) {
  const auto output = words.Output();
  const auto field = words.Next("what to set on the output (volume, mute, phase, delay, role, input)");
  if (!output || !field) return std::nullopt;
  const std::string after = "set output " + std::string(*field);
  if (*field == "volume") {
    // A fraction is refused rather than cut: the box keeps output volumes in whole dB.
    const auto word = words.Peek();
    if (word && Decimal(*word) && !WholeNumber(*word))
      return words.Fail("output volume is set in whole dB, not " + Quoted(*word));
    const auto db = words.Int("output volume (dB)", kOutputOffDb, kMaxOutputVolumeDb);
    if (db) return Finished(words, SetOutputVolume{*output, *db}, after);
  } else if (*field == "mute") {
    const auto on = words.Switch("output mute");
    if (on) return Finished(words, SetOutputMute{*output, *on}, after);
  } else if (*field == "phase") {
    const auto inverted = words.Choice("output phase", "inverted", "normal");
    if (inverted) return Finished(words, SetOutputPhase{*output, *inverted}, after);
  } else if (*field == "delay") {
    const auto ms = words.Real("output delay (ms)", 0.0, kMaxEditDelayMs);
    if (ms) return Finished(words, SetOutputDelay{*output, *ms}, after);
  } else if (*field == "role") {
    const auto role = words.Role();
    if (role) return Finished(words, SetOutputRole{*output, *role}, after);
  } else if (*field == "input") {
    const auto input = words.Int("input", 1, kBoxInputs);
    const auto on = words.Switch("input switch");
    if (input && on) return Finished(words, SetOutputInput{*output, *input, *on}, after);
  } else {
    return words.Fail("unknown output setting " + Quoted(*field) + " (volume, mute, phase, delay, role, input)");
  }
  return std::nullopt;
}

std::optional<SetRequest> ParseSetBand(Words& words) {
  const auto output = words.Output();
  const auto band = words.Int("band", 1, static_cast<int>(kBandSlots));
  if (!output || !band) return std::nullopt;
  SetBand request{*output, *band - 1, {}, {}, {}, {}};
  const auto once = [&words](bool given, std::string_view key) {
    if (given) words.Fail("band " + std::string(key) + " given twice");
  };
  while (!words.Failed() && !words.AtEnd()) {
    const auto key = words.Next("band value");
    if (*key == "freq") {
      once(request.freq.has_value(), *key);
      request.freq = words.Int("band frequency (Hz)", kMinFrequencyHz, kMaxFrequencyHz);
    } else if (*key == "q") {
      once(request.q.has_value(), *key);
      request.q = words.Real("band Q", double{kMinBandQ}, double{kMaxBandQ});
    } else if (*key == "gain") {
      once(request.gain.has_value(), *key);
      request.gain = words.Real("band gain (dB)", double{kMinBandGainDb}, double{kMaxBandGainDb});
    } else if (*key == "enable") {
      once(request.enable.has_value(), *key);
      request.enable = words.Switch("band enable");
    } else {
      words.Fail("unknown band value " + Quoted(*key) + " (freq, q, gain, enable)");
    }
  }
  if (words.Failed()) return std::nullopt;
  if (!request.freq && !request.q && !request.gain && !request.enable)
    return words.Fail("set band needs at least one of freq, q, gain, enable");
  return request;
}

std::optional<SetRequest> ParseSetCrossover(Words& words) {
  const auto output = words.Output();
  const auto highPass = words.Choice("filter", "hp", "lp");
  if (!output || !highPass) return std::nullopt;
  SetCrossover request{*output, *highPass, {}, {}, {}};
  const auto once = [&words](bool given, std::string_view key) {
    if (given) words.Fail("crossover " + std::string(key) + " given twice");
  };
  while (!words.Failed() && !words.AtEnd()) {
    const auto key = words.Next("crossover value");
    if (*key == "freq") {
      once(request.freq.has_value(), *key);
      request.freq = words.Int("crossover frequency (Hz)", kMinFrequencyHz, kMaxFrequencyHz);
    } else if (*key == "slope") {
      once(request.slope.has_value(), *key);
      request.slope = words.Int("crossover slope", 0, kMaxSlope);
    } else if (*key == "type") {
      once(request.family.has_value(), *key);
      request.family = words.Family();
    } else {
      words.Fail("unknown crossover value " + Quoted(*key) + " (freq, slope, type)");
    }
  }
  if (words.Failed()) return std::nullopt;
  if (!request.freq && !request.slope && !request.family)
    return words.Fail("set crossover needs at least one of freq, slope, type");
  return request;
}

std::optional<SetRequest> ParseSet(Words& words) {
  const auto what = words.Next("what to set (output, band, crossover, source, main)");
  if (!what) return std::nullopt;
  if (*what == "output") return ParseSetOutput(words);
  if (*what == "band") return ParseSetBand(words);
  if (*what == "crossover") return ParseSetCrossover(words);
  if (*what == "source") {
    const auto source = words.Source();
    if (!source) return std::nullopt;
    return Finished(words, SetSource{*source}, "set source");
  }
  if (*what == "main") {
    const auto field = words.Next("main volume or main mute");
    if (!field) return std::nullopt;
    const std::string after = "set main " + std::string(*field);
    if (*field == "volume") {
      const auto step = words.Int("main volume", 0, kMainVolumeTopStep);
      if (step) return Finished(words, SetMainVolume{*step}, after);
      return std::nullopt;
    }
    if (*field == "mute") {
      const auto on = words.Switch("main mute");
      if (on) return Finished(words, SetMainMute{*on}, after);
      return std::nullopt;
    }
    return words.Fail("unknown main setting " + Quoted(*field) + " (volume, mute)");
  }
  return words.Fail("unknown setting " + Quoted(*what) + " (output, band, crossover, source, main)");
}

void ParseSetInto(Words& words, Invocation& invocation) {
  if (auto request = ParseSet(words)) invocation.set = std::move(*request);
}

std::string SetHelp() {
  return "Usage: quorelbox-cli [OPTIONS] set SETTING ...\n"
         "\n"
         "  set output N volume DB         whole dB, -60 (off) .. 0\n"
         "  set output N mute on|off\n"
         "  set output N phase normal|inverted\n"
         "  set output N delay MS          0 .. 15 ms (the box keeps whole microseconds)\n"
         "  set output N role NAME|CODE    speaker role (code 0..24); the output takes the\n"
         "                                 role's default crossover\n"
         "  set output N input K on|off    input K (1..6) of the current source feeds output N\n"
         "  set band N B [freq HZ] [q Q] [gain DB] [enable on|off]\n"
         "                                 equaliser band B (1..31) of output N; at least one\n"
         "                                 value, the others keep the band's: freq 20..20000,\n"
         "                                 q 0.5..9, gain -18..12 dB\n"
         "  set crossover N hp|lp [freq HZ] [slope S] [type TYPE]\n"
         "                                 high-pass or low-pass filter of output N: freq\n"
         "                                 20..20000, slope 0 (off) .. 8, type one of\n"
         "                                 " + AllFamilyNames(33) + " or 1..3\n"
         "  set source NAME                " + AllSourceNames(33) + "\n"
         "  set main volume STEP           main volume position 0 (off) .. 40\n"
         "  set main mute on|off\n"
         "\n"
         "Numbers outside these ranges are refused as bad arguments (exit 2), never held\n"
         "to the range, so nothing reaches the box that was not asked for. The box's own\n"
         "rules still apply and are reported back: a high-pass frequency stays at or below\n"
         "the low-pass one (and the other way round), linked outputs and a subwoofer pair\n"
         "follow an edit. A band switched off reaches the box at 0 dB: the box keeps no\n"
         "switch, so a later run reads the band as on at 0 dB.\n"
         "The reply shows the value as the program now holds it for the box.\n"
         "\n"
         "Roles: " + AllRoleNames(7) + "\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the core's calls -------------------------------------------------------------------------

/// Why `set` cannot be made on this box, or nothing: which bands an output uses only the
/// read box says.
std::string Unusable(const EqualizerMirror& mirror, const SetRequest& set) {
  const auto* band = std::get_if<SetBand>(&set);
  if (!band || band->band < mirror.EqSize(band->output)) return {};
  return "output " + std::to_string(band->output + 1) + " uses bands 1.." +
         std::to_string(mirror.EqSize(band->output)) + ", not " + std::to_string(band->band + 1);
}

/// Calls the service for `set`. The services keep every rule (ranges, linked partners,
/// groups) and queue the commands.
void Apply(EqualizerManager& core, const SetRequest& set) {
  struct Visitor {
    EqualizerManager& m;
    void operator()(const SetOutputVolume& s) { m.Outputs().SetVolumeDb(s.output, s.db); }
    void operator()(const SetOutputMute& s) { m.Outputs().SetMute(s.output, s.on); }
    void operator()(const SetOutputPhase& s) { m.Outputs().SetPhase(s.output, s.inverted); }
    void operator()(const SetOutputDelay& s) {
      // The delay is typed in ms whatever unit a window last showed.
      if (m.Mirror().session.delayUnit != DelayUnit::Ms) m.Outputs().SetDelayUnit(DelayUnit::Ms);
      m.Outputs().SetDelayTyped(s.output, s.ms);
    }
    void operator()(const SetOutputRole& s) { m.Routing().SetRole(s.output, s.role); }
    void operator()(const SetOutputInput& s) { m.Routing().SetInput(s.output, s.input, s.on); }
    void operator()(const SetBand& s) {
      const OutputChannel& channel = m.CurrentProfile().channels[At(s.output)];
      const EqBand& band = channel.bands[At(s.band)];
      const bool wasEnabled = band.enable == 1;
      if (s.freq || s.q || s.gain) {
        // A value not given stays as the band has it. A switched-off band keeps its gain
        // for later, so that gain is the one to keep; it only applies once the band is
        // back on, and the switch is restored below. A bypassed equaliser is edited from
        // flat, as in the window.
        const float keptGain = channel.bypass != 0 ? 0.0f : band.eqGain;
        m.Eq().EditBand(s.output, s.band, s.freq.value_or(band.freq), s.q ? static_cast<float>(*s.q) : band.eqFactor,
                        s.gain ? static_cast<float>(*s.gain) : keptGain);
      }
      const bool wantEnabled = s.enable.value_or(wasEnabled);
      if ((band.enable == 1) != wantEnabled) m.Eq().ToggleBandEnable(s.output, s.band);
    }
    void operator()(const SetCrossover& s) {
      if (s.family) m.Crossovers().SetType(s.output, s.highPass, *s.family);
      if (s.slope) m.Crossovers().SetSlope(s.output, s.highPass, *s.slope);
      if (s.freq) m.Crossovers().SetFrequency(s.output, s.highPass, *s.freq);
    }
    void operator()(const SetSource& s) { m.Routing().SetSource(s.source); }
    void operator()(const SetMainVolume& s) { m.Main().SetMainVolume(s.step); }
    void operator()(const SetMainMute& s) { m.Main().SetMainMute(s.on); }
  };
  std::visit(Visitor{core}, set);
}

// --- the record -------------------------------------------------------------------------------

/// The value `set` changed, as the mirror now holds it.
Value SetRecord(const EqualizerMirror& mirror, const SetRequest& set) {
  const Profile& live = mirror.currentProfile;
  Record record;
  record.Add("ok", true).JsonOnly();
  const auto output = [&](int o) -> const OutputChannel& {
    AddOutputNumber(record, o);
    return live.channels[At(o)];
  };
  struct Visitor {
    Record& r;
    const Profile& live;
    decltype(output)& out;
    void operator()(const SetOutputVolume& s) { r.Add("volumeDb", VolumeDb(out(s.output))).Label("volume"); }
    void operator()(const SetOutputMute& s) { r.Add("mute", OnOff(out(s.output).mute != 0)); }
    void operator()(const SetOutputPhase& s) { r.Add("phase", Phase(out(s.output))); }
    void operator()(const SetOutputDelay& s) { r.Add("delayMs", DelayMs(out(s.output))).Label("delay"); }
    void operator()(const SetOutputRole& s) {
      const OutputChannel& channel = out(s.output);
      AddRole(r, live.outputs[At(s.output)]);
      r.Add("volumeDb", VolumeDb(channel)).Label("volume");
      r.Add("crossover", CrossoverRecord(channel));
    }
    void operator()(const SetOutputInput& s) {
      out(s.output);
      const int source = live.inputSource;
      const int mask = IsSource(source) ? live.inputs[At(source)][At(s.output)] : 0;
      r.Add("source", SourceName(source));
      r.Add("input", s.input);
      r.Add("on", OnOff((mask >> (s.input - 1) & 1) != 0)).Label("");
      r.Add("inputMask", mask);
      if (IsSource(source))
        r.Add("mixLevel", static_cast<double>(live.inputMixVolume[At(source)][At(s.input - 1)][At(s.output)]));
    }
    void operator()(const SetBand& s) {
      const OutputChannel& channel = out(s.output);
      r.Add("band", BandRecord(channel.bands[At(s.band)], s.band));
      r.Add("eqBypass", OnOff(channel.bypass != 0));
    }
    void operator()(const SetCrossover& s) { r.Add("crossover", CrossoverRecord(out(s.output))); }
    void operator()(const SetSource&) { r.Add("source", SourceName(live.inputSource)); }
    void operator()(const SetMainVolume&) {
      r.Add("mainVolume", Value(live.mainVolume).Spelled(std::to_string(live.mainVolume) + " of " +
                                                          std::to_string(kMainVolumeTopStep)));
    }
    void operator()(const SetMainMute&) { r.Add("mainMute", OnOff(live.mainVolumeMute != 0)); }
  };
  std::visit(Visitor{record, live, output}, set);
  return record;
}

Outcome Set(BoxRun& box, const Invocation& invocation) {
  if (std::string problem = Unusable(box.Mirror(), invocation.set); !problem.empty())
    return Outcome::Failed(kExitBadArgument, problem);
  Apply(box.Core(), invocation.set);
  if (std::string problem = box.Drain(); !problem.empty()) return Outcome::Failed(kExitBoxRefused, problem);
  return Outcome::Done(SetRecord(box.Mirror(), invocation.set));
}

}  // namespace

constinit const CommandFamily kSetCommand{Command::Set, "set", ParseSetInto, SetHelp, Set};

}  // namespace qb::cli

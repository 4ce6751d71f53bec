#include "tools/cli/cli_args.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/box_limits.h"
#include "core/scene_names.h"
#include "core/source_catalogue.h"
#include "core/number_text.h"
#include "core/profile.h"
#include "tools/cli/cli_names.h"

namespace qb::cli {
namespace {

constexpr int kOutputs = kOutputCount;
constexpr int kBands = static_cast<int>(kBandSlots);
constexpr int kLastRole = kRoleCount - 1;

constexpr std::string_view kCommandList =
    "status, get, set, scenes, scene, profile, mix, mem, calibrate, firmware or eq";

std::string Quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

/// from_chars takes no leading '+', which people type for gains.
std::string_view WithoutPlus(std::string_view word) {
  if (word.size() > 1 && word.front() == '+' && word[1] != '-') word.remove_prefix(1);
  return word;
}

std::optional<int> WholeNumber(std::string_view word) {
  word = WithoutPlus(word);
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
  return value;
}

std::optional<double> Decimal(std::string_view word) {
  word = WithoutPlus(word);
  double value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  // from_chars reads "inf" and "nan"; neither is a setting.
  if (word.empty() || error != std::errc{} || end != word.data() + word.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

/// The words of one command, read front to back. The first problem found is kept as the
/// run's error; every read after it fails, so callers check once at the end.
class Words {
 public:
  Words(std::span<const std::string_view> words, std::string& error) : m_words(words), m_error(error) {}

  bool Failed() const { return !m_error.empty(); }
  bool AtEnd() const { return m_next >= m_words.size(); }
  std::optional<std::string_view> Peek() const {
    if (Failed() || AtEnd()) return std::nullopt;
    return m_words[m_next];
  }

  std::optional<std::string_view> Next(std::string_view what) {
    if (Failed()) return std::nullopt;
    if (AtEnd()) return Fail("missing " + std::string(what));
    return m_words[m_next++];
  }

  std::optional<int> Int(std::string_view what, int low, int high) {
    const auto word = Next(what);
    if (!word) return std::nullopt;
    const auto value = WholeNumber(*word);
    if (value && *value >= low && *value <= high) return value;
    return Fail(std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not " + Quoted(*word));
  }

  std::optional<double> Real(std::string_view what, double low, double high) {
    const auto word = Next(what);
    if (!word) return std::nullopt;
    const auto value = Decimal(*word);
    if (value && *value >= low && *value <= high) return value;
    char range[64];
    std::snprintf(range, sizeof range, " must be a number from %g to %g, not ", low, high);
    return Fail(std::string(what) + range + Quoted(*word));
  }

  /// One of two words: true for `yes`, false for `no`.
  std::optional<bool> Choice(std::string_view what, std::string_view yes, std::string_view no) {
    const auto word = Next(what);
    if (!word) return std::nullopt;
    if (*word == yes) return true;
    if (*word == no) return false;
    return Fail(std::string(what) + " must be " + std::string(yes) + " or " + std::string(no) + ", not " +
                Quoted(*word));
  }
  std::optional<bool> Switch(std::string_view what) { return Choice(what, "on", "off"); }

  /// Output numbers and band numbers as users count them, returned 0-based.
  std::optional<int> Output() {
    const auto n = Int("output", 1, kOutputs);
    return n ? std::optional<int>(*n - 1) : std::nullopt;
  }

  void ExpectEnd(std::string_view after) {
    if (Failed() || AtEnd()) return;
    Fail("unexpected " + Quoted(m_words[m_next]) + " after " + std::string(after));
  }

  /// Records `message` as the error unless one is already kept; always returns nothing.
  std::nullopt_t Fail(std::string message) {
    if (m_error.empty()) m_error = std::move(message);
    return std::nullopt;
  }

 private:
  std::span<const std::string_view> m_words;
  std::size_t m_next = 0;
  std::string& m_error;
};

std::optional<int> RoleWord(Words& words) {
  const auto word = words.Next("role");
  if (!word) return std::nullopt;
  if (const auto code = WholeNumber(*word)) {
    if (*code >= 0 && *code <= kLastRole) return code;
    return words.Fail("role code must be from 0 to " + std::to_string(kLastRole) + ", not " + Quoted(*word));
  }
  if (const auto role = RoleFromName(*word)) return role;
  return words.Fail("unknown role " + Quoted(*word) + " (see 'set --help' for the names)");
}

std::optional<int> FamilyWord(Words& words) {
  const auto word = words.Next("filter type");
  if (!word) return std::nullopt;
  if (const auto code = WholeNumber(*word)) {
    if (*code >= 1 && *code <= 3) return code;
    return words.Fail("filter type code must be from 1 to 3, not " + Quoted(*word));
  }
  if (const auto family = FamilyFromName(*word)) return family;
  return words.Fail("unknown filter type " + Quoted(*word) + " (" + AllFamilyNames() + ")");
}

std::optional<int> SourceWord(Words& words) {
  const auto word = words.Next("source");
  if (!word) return std::nullopt;
  if (const auto source = SourceFromName(*word)) return source;
  return words.Fail("unknown source " + Quoted(*word) + " (" + AllSourceNames() + ")");
}

/// `request` when nothing follows it, else nothing (the error names what followed).
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
    const auto role = RoleWord(words);
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
  const auto band = words.Int("band", 1, kBands);
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
      request.family = FamilyWord(words);
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
    const auto source = SourceWord(words);
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

std::optional<MixRequest> ParseMix(Words& words) {
  MixRequest request;
  if (words.AtEnd()) return request;
  request.source = SourceWord(words);
  if (!request.source) return std::nullopt;
  if (words.AtEnd()) return request;
  const auto action = words.Next("what to do with the mix (set)");
  if (*action != "set") return words.Fail("unknown mix action " + Quoted(*action) + " (set)");
  const int inputs = InputsOfSource(*request.source);
  if (inputs == 0)
    return words.Fail("source " + std::string(SourceName(*request.source)) + " has no inputs to mix");
  const auto input = words.Int("input", 1, inputs);
  const auto output = words.Output();
  const auto value = words.Next("on, off or a trim from 0 to " + std::to_string(kFullMixLevel));
  if (!input || !output || !value) return std::nullopt;
  MixCell cell{*input, *output, *value == "on", std::nullopt};
  if (*value != "on" && *value != "off") {
    const auto trim = WholeNumber(*value);
    if (!trim || *trim < 0 || *trim > kFullMixLevel)
      return words.Fail("mix cell must be on, off or a trim from 0 to " + std::to_string(kFullMixLevel) + ", not " +
                        Quoted(*value));
    cell.trim = trim;
  }
  request.set = cell;
  words.ExpectEnd("mix " + std::string(SourceName(*request.source)) + " set");
  if (words.Failed()) return std::nullopt;
  return request;
}

std::optional<std::u16string> SceneNameWord(Words& words) {
  const auto word = words.Next("scene name");
  if (!word) return std::nullopt;
  const auto name = Utf16FromUtf8(*word);
  if (!name) return words.Fail("scene name is not valid UTF-8 text");
  // What the box's code page and the other scenes say is asked once the box is open.
  if (const SceneNameProblem problem = SceneNameTextProblem(*name); problem != SceneNameProblem::None)
    return words.Fail("scene name " + Quoted(*word) + ": " + SceneNameProblemText({problem}));
  return name;
}

std::optional<SceneRequest> ParseScene(Words& words) {
  const auto action = words.Next("what to do with the scene (load, save, delete)");
  if (!action) return std::nullopt;
  SceneRequest request;
  if (*action == "load") {
    request.action = SceneAction::Load;
  } else if (*action == "save") {
    request.action = SceneAction::Save;
  } else if (*action == "delete") {
    request.action = SceneAction::Delete;
  } else {
    return words.Fail("unknown scene action " + Quoted(*action) + " (load, save, delete)");
  }
  const auto scene = words.Int("scene", 1, kSceneCount);
  if (!scene) return std::nullopt;
  request.scene = *scene;
  if (request.action == SceneAction::Save) {
    auto name = SceneNameWord(words);
    if (!name) return std::nullopt;
    request.name = std::move(*name);
  }
  words.ExpectEnd("scene " + std::string(*action));
  if (words.Failed()) return std::nullopt;
  return request;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char lower, char c) { return std::tolower(static_cast<unsigned char>(c)) == lower; });
}

std::optional<ProfileRequest> ParseProfile(Words& words) {
  const auto action = words.Choice("profile action", "save", "load");
  if (!action) return std::nullopt;
  const auto path = words.Next("profile FILE");
  if (!path) return std::nullopt;
  ProfileRequest request{*action, ProfileKind::Scene, std::string(*path)};
  if (EndsWithNoCase(*path, ".spf")) {
    request.kind = ProfileKind::Scene;
  } else if (EndsWithNoCase(*path, ".wpf")) {
    request.kind = ProfileKind::Whole;
  } else {
    return words.Fail("profile file " + Quoted(*path) +
                      " must end in .spf (the live settings) or .wpf (every scene and the live settings)");
  }
  words.ExpectEnd(std::string("profile ") + (*action ? "save " : "load ") + "FILE");
  if (words.Failed()) return std::nullopt;
  return request;
}

/// A memory address or word as C writes numbers. The whole word must be the number: a
/// script's typo ("0x1g", "08") is refused, never read as the digits before it.
std::optional<std::uint32_t> MemoryNumber(Words& words, std::string_view what) {
  const auto word = words.Next(what);
  if (!word) return std::nullopt;
  if (word->empty() || NumberTextLength(*word) != word->size())
    return words.Fail(std::string(what) + " must be a number (31, 0x1f or 037), not " + Quoted(*word));
  const auto value = ParseNumberText(*word);
  if (!value) return words.Fail(std::string(what) + " " + Quoted(*word) + " does not fit in 32 bits (at most 0xffffffff)");
  return value;
}

std::optional<MemRequest> ParseMem(Words& words) {
  const auto write = words.Choice("mem action", "write", "read");
  if (!write) return std::nullopt;
  MemRequest request{*write, 0, 0};
  const auto address = MemoryNumber(words, "ADDR");
  const auto data = *write ? MemoryNumber(words, "DATA") : std::optional<std::uint32_t>(0);
  if (!address || !data) return std::nullopt;
  request.address = *address;
  request.data = *data;
  words.ExpectEnd(*write ? "mem write ADDR DATA" : "mem read ADDR");
  if (words.Failed()) return std::nullopt;
  return request;
}

std::optional<int> ModuleList(Words& words) {
  const auto word = words.Next("modules");
  if (!word) return std::nullopt;
  int modules = 0;
  std::string_view rest = *word;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view name = rest.substr(0, comma);
    if (name == "eq") modules |= 1;
    else if (name == "delay") modules |= 2;
    else if (name == "phase") modules |= 4;
    else return words.Fail("modules are eq, delay and phase, separated by commas, not " + Quoted(*word));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  if (modules == 0) return words.Fail("name at least one module: eq, delay or phase");
  return modules;
}

std::optional<CalibrateRequest> ParseCalibrate(Words& words) {
  CalibrateRequest request;
  while (const auto word = words.Peek()) {
    if (*word == "modules") {
      words.Next("modules");
      if (const auto modules = ModuleList(words)) request.modules = *modules;
    } else if (*word == "target") {
      words.Next("target");
      const auto b = words.Choice("target", "b", "a");
      if (b) request.eqMode = *b ? 1 : 0;
    } else if (const auto output = words.Output()) {
      request.outputs = static_cast<std::uint16_t>(request.outputs | (1u << *output));
    }
  }
  if (words.Failed()) return std::nullopt;
  return request;
}

std::optional<EqRequest> ParseEq(Words& words) {
  const auto importing = words.Choice("eq action", "import", "export");
  if (!importing) return std::nullopt;
  EqRequest request;
  request.importing = *importing;
  if (!*importing && words.Peek() == std::optional<std::string_view>("all")) {
    words.Next("output");
  } else {
    const auto output = words.Output();
    if (!output) return std::nullopt;
    request.output = *output;
  }
  if (*importing || !words.AtEnd()) {
    const auto path = words.Next("FILE");
    if (!path) return std::nullopt;
    request.path = std::string(*path);
  }
  words.ExpectEnd(*importing ? "eq import OUTPUT FILE" : "eq export OUTPUT [FILE]");
  if (words.Failed()) return std::nullopt;
  return request;
}

std::optional<Command> CommandOf(std::string_view word) {
  if (word == "status") return Command::Status;
  if (word == "get") return Command::Get;
  if (word == "set") return Command::Set;
  if (word == "scenes") return Command::Scenes;
  if (word == "scene") return Command::Scene;
  if (word == "profile") return Command::Profile;
  if (word == "mix") return Command::Mix;
  if (word == "mem") return Command::Mem;
  if (word == "calibrate") return Command::Calibrate;
  if (word == "firmware") return Command::Firmware;
  if (word == "eq") return Command::Eq;
  return std::nullopt;
}

}  // namespace

ParseResult ParseArguments(std::span<const std::string_view> args) {
  ParseResult result;
  Invocation invocation;
  std::string error;
  std::vector<std::string_view> words;
  std::optional<std::string_view> resultChoice;
  // Options may stand before or after the command ("status --json" reads naturally), so they
  // are taken out first. Option words start with "--"; a negative number has one dash.
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--json") {
      invocation.json = true;
    } else if (arg == "--simulate") {
      invocation.simulate = true;
    } else if (arg == "--simulate-state") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (error.empty()) error = "--simulate-state needs a FILE";
      } else {
        invocation.statePath = std::string(args[++i]);
        invocation.simulate = true;
      }
    } else if (arg == "--simulate-firmware" || arg == "--simulate-model") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (error.empty()) error = std::string(arg) + (arg == "--simulate-model" ? " needs N" : " needs X.Y");
      } else {
        (arg == "--simulate-model" ? invocation.simulateModel : invocation.simulateFirmware) = std::string(args[++i]);
        invocation.simulate = true;
      }
    } else if (arg == "--simulate-loader") {
      invocation.simulateLoader = true;
      invocation.simulate = true;
    } else if (arg == "--trace") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (error.empty()) error = "--trace needs a FILE";
      } else {
        invocation.tracePath = std::string(args[++i]);
      }
    } else if (arg == "--yes") {
      invocation.firmware.yes = true;
    } else if (arg == "--partial") {
      invocation.partial = true;
    } else if (arg == "--help" || arg == "-h") {
      invocation.help = true;
    } else if (arg == "--apply" || arg == "--discard") {
      // Only a calibration has a result to keep or drop; checked once the command is known.
      if (resultChoice && *resultChoice != arg && error.empty()) error = "--apply and --discard exclude each other";
      resultChoice = arg;
    } else if (arg.starts_with("--")) {
      if (error.empty()) error = "unknown option " + Quoted(arg) + " (see --help)";
    } else {
      words.push_back(arg);
    }
  }
  result.json = invocation.json;
  if (!error.empty()) {
    result.error = std::move(error);
    return result;
  }
  if (words.empty()) {
    if (!invocation.help) {
      result.error = "no command given (" + std::string(kCommandList) + "; see --help)";
      return result;
    }
    result.invocation = std::move(invocation);
    return result;
  }
  invocation.command = CommandOf(words.front());
  if (!invocation.command) {
    result.error = "unknown command " + Quoted(words.front()) + " (" + std::string(kCommandList) + "; see --help)";
    return result;
  }
  if (resultChoice && *invocation.command != Command::Calibrate) {
    result.error = Quoted(*resultChoice) + " belongs to calibrate";
    return result;
  }
  // Help for a command is shown whatever else follows it: someone asking is often halfway
  // through typing the rest.
  if (invocation.help) {
    result.invocation = std::move(invocation);
    return result;
  }
  Words rest{std::span<const std::string_view>(words).subspan(1), error};
  if (*invocation.command == Command::Set) {
    auto request = ParseSet(rest);
    if (request) invocation.set = std::move(*request);
  } else if (*invocation.command == Command::Scene) {
    auto request = ParseScene(rest);
    if (request) invocation.scene = std::move(*request);
  } else if (*invocation.command == Command::Profile) {
    auto request = ParseProfile(rest);
    if (request) invocation.profile = std::move(*request);
  } else if (*invocation.command == Command::Mix) {
    auto request = ParseMix(rest);
    if (request) invocation.mix = *request;
  } else if (*invocation.command == Command::Mem) {
    if (auto request = ParseMem(rest)) invocation.mem = *request;
  } else if (*invocation.command == Command::Calibrate) {
    if (auto request = ParseCalibrate(rest)) invocation.calibrate = *request;
    invocation.calibrate.apply = resultChoice == std::string_view("--apply");
  } else if (*invocation.command == Command::Firmware) {
    if (const auto file = rest.Next("the firmware FILE")) invocation.firmware.path = std::string(*file);
    rest.ExpectEnd("firmware FILE");
  } else if (*invocation.command == Command::Eq) {
    if (auto request = ParseEq(rest)) invocation.eq = std::move(*request);
  } else {
    rest.ExpectEnd(words.front());
  }
  if (error.empty() && invocation.partial && !(*invocation.command == Command::Eq && invocation.eq.importing))
    error = "--partial is only for eq import";
  if (!error.empty()) {
    result.error = std::move(error);
    return result;
  }
  result.invocation = std::move(invocation);
  return result;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
      length = 1, code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1Fu, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0Fu, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07u, lowest = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

std::string HelpText(std::optional<Command> command) {
  if (!command) {
    return "Usage: quorelbox-cli [--simulate] [--simulate-state FILE] [--trace FILE] [--json]\n"
           "                    COMMAND [ARGS]\n"
           "       quorelbox-cli --help | quorelbox-cli COMMAND --help\n"
           "\n"
           "Reads and changes the live settings of a ZX7140K audio processor over USB\n"
           "(vendor 0483, product 5750) without a window.\n"
           "\n"
           "Commands:\n"
           "  status   connection, model, firmware, source, main volume and the eight outputs\n"
           "  get      every live setting: status plus equalisers, crossovers, routing, scenes\n"
           "  set      change one setting (see 'quorelbox-cli set --help')\n"
           "  scenes   the ten scenes stored in the box: number, name, which one is current\n"
           "  scene    load, save or delete a stored scene (see 'quorelbox-cli scene --help')\n"
           "  profile  save the box to a profile file or load one into it (.spf, .wpf; see\n"
           "           'quorelbox-cli profile --help')\n"
           "  mix      which inputs of a source feed which output, at what trim; change one\n"
           "           (see 'quorelbox-cli mix --help')\n"
           "  mem      read or write one 32-bit word of the DSP's memory, a service tool (see\n"
           "           'quorelbox-cli mem --help')\n"
           "  calibrate  measure the room through the box's microphone and correct the outputs\n"
           "           (see 'quorelbox-cli calibrate --help')\n"
           "  firmware upgrade the box from a firmware image file (see 'quorelbox-cli firmware\n"
           "           --help')\n"
           "  eq       import a measurement tool's filter text into an output's equaliser, or\n"
           "           export the bands as one (see 'quorelbox-cli eq --help')\n"
           "\n"
           "Options (before or after the command):\n"
           "  --simulate             talk to the built-in virtual box instead of a real one\n"
           "  --simulate-state FILE  the same, the virtual box kept in FILE between runs; a\n"
           "                         missing FILE starts a factory-fresh box (implies --simulate)\n"
           "  --simulate-firmware X.Y  the virtual box reports firmware X.Y (implies --simulate)\n"
           "  --simulate-loader      the virtual box sits in its loader (implies --simulate)\n"
           "  --simulate-model N     the virtual box reports model N (implies --simulate)\n"
           "  --trace FILE           append every report to and from the box, with its time,\n"
           "                         to FILE: a pcap capture as Linux usbmon records one, for\n"
           "                         Wireshark or tshark (tools/wireshark/quorelbox.lua)\n"
           "  --json                 print exactly one JSON document on standard output\n"
           "  --partial              eq import: take the usable filters when some are not\n"
           "  --help                 this text, or a command's own with COMMAND --help\n"
           "\n"
           "Outputs are numbered 1..8 and equaliser bands 1..31, as the window shows them.\n"
           "\n"
           "Exit status:\n"
           "  0  done\n"
           "  1  other failure: a profile file cannot be read, is damaged, is for another model\n"
           "     or cannot be written; the state file is damaged (it is left as it is) or\n"
           "     cannot be saved; the --trace FILE cannot be written or is another kind of file\n"
           "  2  bad argument: unknown command, option or name, missing or malformed value, a\n"
           "     number out of range (output not 1..8, band not 1..31, scene not 1..10, ...),\n"
           "     a scene name that is empty, too long or another scene's, a profile file that\n"
           "     does not end in .spf or .wpf, a memory address or word that is no number or\n"
           "     needs more than 32 bits\n"
           "     (1 also: a filter text that cannot be read or written, or whose filters cannot\n"
           "     all be used without --partial)\n"
           "  3  no box: nothing could be opened (plugged in and switched on?)\n"
           "  4  box refused: it did not answer the handshake, is another model, sits in its\n"
           "     boot loader, left before the command was done, did not confirm a scene save,\n"
           "     did not answer a memory read or took no commands for a memory write\n"
           "  5  no access: a box is plugged in but this user may not open its node; the\n"
           "     error names the node and the udev rule and command that fix it\n"
           "Errors are one line on standard error, \"quorelbox-cli: ...\"; with --json standard\n"
           "output also gets {\"ok\":false,\"error\":\"...\",\"code\":N} (code 5 adds \"node\"\n"
           "and \"fix\").\n";
  }
  switch (*command) {
    case Command::Status:
      return "Usage: quorelbox-cli [OPTIONS] status\n"
             "\n"
             "Connects, reads the box and prints: the connection state, model, firmware version\n"
             "(and DSP flash version), input source, main volume (position 0..40) and mute, the\n"
             "amplifier switch, link and lock, and per output its role, volume (dB), mute,\n"
             "phase and delay (ms). With --json one object with the same fields.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Get:
      return "Usage: quorelbox-cli [OPTIONS] get\n"
             "\n"
             "Prints every live setting the program keeps for the box: everything 'status'\n"
             "shows, plus per output the bands in use (eqSize), the equaliser bypass, every band\n"
             "in use (frequency Hz, Q, gain dB, enabled), the crossover (high-pass and low-pass:\n"
             "frequency, type, slope) and the linked partner; per source the routing masks (bit\n"
             "K-1 set: input K feeds the output) and mix levels (0..100) of inputs 1..6; the\n"
             "stored scene names (UTF-8) and the scene-valid mask. With --json one object.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Set:
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
    case Command::Mix:
      return "Usage: quorelbox-cli [OPTIONS] mix [SOURCE]\n"
             "       quorelbox-cli [OPTIONS] mix SOURCE set INPUT OUTPUT on|off|TRIM\n"
             "\n"
             "  mix [SOURCE]          for every input of SOURCE (default: the current source)\n"
             "                        and every output: whether the input feeds the output, and\n"
             "                        its trim (0..100); as the mixer window shows them\n"
             "  mix SOURCE set INPUT OUTPUT on|off|TRIM\n"
             "                        one cell, as the mixer window changes it: on routes the\n"
             "                        input to the output (a trim of 0 becomes 100), off stops\n"
             "                        it and sets its trim to 0, a TRIM from 1 to 100 sets the\n"
             "                        trim and routes the input, 0 stops it\n"
             "\n"
             "SOURCE is one of " + AllSourceNames(17) + ".\n"
             "Inputs count from 1: the digital sources and Bluetooth have 2, hi 6; aux, low,\n"
             "udp and scp have none to mix. Outputs are 1..8. With --json one object.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Scenes:
      return "Usage: quorelbox-cli [OPTIONS] scenes\n"
             "\n"
             "Lists the ten scenes stored in the box: number, name (a slot without a name is\n"
             "shown as empty) and which one the box reports as current. With --json one object:\n"
             "\"current\" (null for none) and \"scenes\", each with scene, name, empty, valid\n"
             "(the box says the slot holds settings) and current.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Scene:
      return "Usage: quorelbox-cli [OPTIONS] scene load|save|delete N [NAME]\n"
             "\n"
             "  scene load N          the box copies scene N (1..10) into its live settings,\n"
             "                        which are read back and shown as 'status' shows them;\n"
             "                        an empty scene is refused\n"
             "  scene save N NAME     stores the live settings as scene N named NAME, over what\n"
             "                        scene N held; NAME is 1..7 characters (one beyond U+FFFF\n"
             "                        counts as two) that the box's code page can hold, and no\n"
             "                        other scene may have it\n"
             "  scene delete N        clears scene N and its name\n"
             "\n"
             "Each waits up to 20 s for the box. A refused NAME or an empty scene to load is a\n"
             "bad argument (exit 2) and leaves the box as it was; a save the box does not\n"
             "confirm is exit 4.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Profile:
      return "Usage: quorelbox-cli [OPTIONS] profile save|load FILE\n"
             "\n"
             "  profile save FILE.spf  writes the live settings to FILE\n"
             "  profile save FILE.wpf  reads every scene and the live settings back from the box\n"
             "                         and writes them, with the scene names, to FILE\n"
             "  profile load FILE.spf  writes FILE's settings into the box's live settings\n"
             "  profile load FILE.wpf  writes FILE's ten scenes, their names and its live\n"
             "                         settings into the box\n"
             "\n"
             "The extension (.spf or .wpf, in any case) says what the file holds; any other\n"
             "is a bad argument (exit 2). Neither kind holds the input source, the amplifier\n"
             "or the karaoke settings; a load leaves those as they are. A file is read in full\n"
             "before anything is sent: one that cannot be read, is damaged or belongs to\n"
             "another model changes nothing (exit 1). A file that cannot be written is left as\n"
             "it was (exit 1). A whole configuration may take up to a minute either way.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Firmware:
      return "Usage: quorelbox-cli [OPTIONS] firmware FILE [--yes]\n"
             "\n"
             "Upgrades the box from a firmware image file: FILE's name says its kind\n"
             "(...MCU_UPG.BIN, ...FLASH_UPG.BIN, ...BL_UPG.BIN or ...UPG_FW.BIN, any letter\n"
             "case), as tools/fwimage names them. The image is checked first (kind, model 79,\n"
             "size, checksum): a file that fails is refused before the box hears anything.\n"
             "Then it asks before going on (--yes: it does not), sends the image with a\n"
             "progress bar on standard error, follows the box through its restart and prints\n"
             "the firmware the box reports afterwards. A box in its loader is upgraded too.\n"
             "Firmware packages for the vendor's download tool are not sent: that tool runs\n"
             "only on Windows. With --json one object: file, kind, bytes, and after the\n"
             "restart model, firmware and application (false: still in its loader).\n"
             "Exit status: 1 the file cannot be read, is no image or not for this box, or the\n"
             "question was not answered yes; 3 no box; 4 the box refused or failed the upgrade\n"
             "or did not come back in time.\n";
    case Command::Mem:
      return "Usage: quorelbox-cli [OPTIONS] mem read ADDR\n"
             "       quorelbox-cli [OPTIONS] mem write ADDR DATA\n"
             "\n"
             "  mem read ADDR         prints the 32-bit word at ADDR of the DSP's memory\n"
             "  mem write ADDR DATA   writes the 32-bit word DATA to ADDR\n"
             "\n"
             "A service tool for people who know the DSP's memory map: a write goes straight\n"
             "into the running DSP, past every rule the other commands keep. ADDR and DATA\n"
             "are written as in C: 0x1f hexadecimal, 037 octal, 31 decimal. A word that is not\n"
             "wholly a number, or a number above 0xffffffff, is a bad argument (exit 2) and\n"
             "nothing is sent. Words are printed as 0x and eight hexadecimal digits; with\n"
             "--json, \"address\" and \"data\" are plain numbers. A read the box does not\n"
             "answer is exit 4.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Calibrate:
      return "Usage: quorelbox-cli [OPTIONS] calibrate [OUTPUT...] [modules LIST] [target a|b]\n"
             "                                        [--apply | --discard]\n"
             "\n"
             "Runs the box's room calibration: test tones through each chosen output (1..8;\n"
             "none named: every output with a speaker role), measured by the box's microphone\n"
             "at the listening place. modules: eq, delay and phase, comma-separated (all three\n"
             "when not named). target: the voicing the correction aims at, a (default) or b.\n"
             "A progress line shows each phase on a terminal. Prints per output the distance\n"
             "and the correction bands; with --json also the 121 measured points. The box keeps\n"
             "the result with --apply (into the outputs' equalisers, and delays with the delay\n"
             "module); otherwise it is discarded. A calibration the box reports as failed, or a\n"
             "box that leaves during it, is exit 4.\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
    case Command::Eq:
      return "Usage: quorelbox-cli [OPTIONS] eq import OUTPUT FILE [--partial]\n"
             "       quorelbox-cli [OPTIONS] eq export OUTPUT|all [FILE]\n"
             "\n"
             "  eq import OUTPUT FILE   FILE's peaking filters become OUTPUT's first bands, in\n"
             "                          order (the other bands go flat, editing turns\n"
             "                          parametric); a linked partner or a synchronized group\n"
             "                          follows, as in the window\n"
             "  eq export OUTPUT [FILE] the bands in use as filter lines, with a header naming\n"
             "                          the output and its role; 'all' writes every output;\n"
             "                          without FILE the text goes to standard output\n"
             "\n"
             "FILE is a filter text as room-measurement tools export it and system equalisers\n"
             "read it: \"Filter 1: ON PK Fc 63.0 Hz Gain -5.0 dB Q 4.00\". Other lines are\n"
             "ignored, OFF filters and type None skipped, a decimal comma accepted. A filter\n"
             "of another type, a value outside the box's ranges (20..20000 Hz, Q 0.5..9,\n"
             "-18..12 dB) or more filters than the output's bands is reported by line, and\n"
             "nothing is changed (exit 1) unless --partial takes the rest. With --json the\n"
             "import reports the bands set and the lines skipped; an export to standard\n"
             "output puts the text in \"text\".\n"
             "Exit status as in 'quorelbox-cli --help'.\n";
  }
  return {};
}

}  // namespace qb::cli

#pragma once
/// The command line of quorelbox-cli: what a run was asked to do, read and checked in full
/// before any box is touched, and the help texts. Outputs and bands are numbered from 1 on
/// the command line, as the window shows them; an Invocation holds the core's 0-based
/// indices, so nothing after parsing converts again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace qb::cli {

struct SetOutputVolume { int output; int db; };
struct SetOutputMute { int output; bool on; };
struct SetOutputPhase { int output; bool inverted; };
struct SetOutputDelay { int output; double ms; };
struct SetOutputRole { int output; int role; };
/// `input` is 1..6, as the routing service takes it.
struct SetOutputInput { int output; int input; bool on; };
struct SetBand {
  int output;
  int band;
  std::optional<int> freq;
  std::optional<double> q;
  std::optional<double> gain;
  std::optional<bool> enable;
};
struct SetCrossover {
  int output;
  bool highPass;
  std::optional<int> freq;
  std::optional<int> slope;
  std::optional<int> family;
};
struct SetSource { int source; };
struct SetMainVolume { int step; };
struct SetMainMute { bool on; };

using SetRequest = std::variant<SetOutputVolume, SetOutputMute, SetOutputPhase, SetOutputDelay, SetOutputRole,
                                SetOutputInput, SetBand, SetCrossover, SetSource, SetMainVolume, SetMainMute>;

/// Scenes keep their numbers 1..10: the scene service counts them as the box does.
enum class SceneAction { Load, Save, Delete };
struct SceneRequest {
  SceneAction action = SceneAction::Load;
  int scene = 1;
  std::u16string name;  ///< save only: a name SceneNameTextProblem accepts
};

/// A profile file's kind follows its extension, as in the window's file dialogs.
enum class ProfileKind {
  Scene,  ///< .spf: the live settings
  Whole,  ///< .wpf: the ten scenes, their names and the live settings
};
struct ProfileRequest {
  bool save = false;
  ProfileKind kind = ProfileKind::Scene;
  std::string path;
};

/// `mix [SOURCE]` shows a source's mix; `mix SOURCE set INPUT OUTPUT on|off|TRIM` changes
/// one cell of it as the mixer window does. `input` is 1..the source's inputs, as the
/// routing service takes it; `output` is 0-based.
struct MixCell {
  int input = 1;
  int output = 0;
  bool on = false;
  std::optional<int> trim;  ///< a trim 0..100 instead of on/off (0 stops the routing)
};
struct MixRequest {
  std::optional<int> source;  ///< none: the box's current source
  std::optional<MixCell> set;
};

enum class Command { Status, Get, Set, Scenes, Scene, Profile, Mix, Mem, Calibrate, Firmware, Eq };

/// `eq fit OUTPUT MEASUREMENT [--target FILE|flat|a|b] [--bands N] [--geq] [--max-boost DB]
/// [--apply]`: the output's equaliser fitted to a measurement taken through it.
struct EqFitArgs {
  std::string target = "flat";  ///< "flat", "a", "b" (any case) or a house curve file
  std::optional<int> bands;     ///< parametric bands, 1..31; none: every band of the output
  bool graphic = false;         ///< --geq: the graphic equaliser's fixed bands, gains only
  double maxBoostDb = 6.0;
  bool apply = false;           ///< --apply: the bands go into the output; else nothing is sent
};

/// `eq import OUTPUT FILE`: a filter text into one output's bands; `eq export OUTPUT|all
/// [FILE]`: bands as a filter text, to FILE or standard output; `eq fit` (EqFitArgs) with
/// the measurement in `path`.
struct EqRequest {
  bool importing = false;
  bool fitting = false;       ///< `eq fit` (`importing` is false)
  std::optional<int> output;  ///< 0-based; none: every output (export only)
  std::string path;           ///< empty: standard output (export only)
  EqFitArgs fit;
};

/// One word of the DSP's memory: read it, or write `data` to it.
struct MemRequest {
  bool write = false;
  std::uint32_t address = 0;
  std::uint32_t data = 0;
};

/// `calibrate [OUTPUT...] [modules LIST] [target a|b] [--apply | --discard]`.
struct CalibrateRequest {
  std::uint16_t outputs = 0;  ///< bit n: output n (0-based); 0 = every output with a speaker
  int modules = 7;            ///< 1 equaliser, 2 delay, 4 phase
  int eqMode = 0;             ///< 0 target A, 1 target B
  bool apply = false;         ///< keep the result in the box; otherwise it is discarded
};

/// `firmware FILE`: upgrade the box from an image file.
struct FirmwareRequest {
  std::string path;
  bool yes = false;  ///< --yes: no question before the box is touched
};

struct Invocation {
  bool simulate = false;
  std::string statePath;  ///< --simulate-state FILE; implies simulate
  /// How the virtual box presents itself (--simulate-firmware X.Y, --simulate-model N,
  /// --simulate-loader); each implies simulate. Kept as typed: the simulator reads them.
  std::string simulateFirmware;
  std::string simulateModel;
  bool simulateLoader = false;
  /// --trace FILE: every report to and from the box is appended to FILE, a pcap capture
  /// as usbmon records one; empty: no trace.
  std::string tracePath;
  bool json = false;
  /// Show help instead of running: the general text without a command, else the
  /// command's own.
  bool help = false;
  std::optional<Command> command;
  SetRequest set{SetMainMute{false}};  ///< what `set` changes; unused by other commands
  SceneRequest scene;                  ///< for `scene`
  ProfileRequest profile;              ///< for `profile`
  MixRequest mix;                      ///< for `mix`
  MemRequest mem;                      ///< for `mem`
  CalibrateRequest calibrate;          ///< for `calibrate`
  FirmwareRequest firmware;            ///< for `firmware`
  EqRequest eq;                        ///< for `eq`
  /// --partial: an import takes the filters it can use when some cannot be used.
  bool partial = false;
};

struct ParseResult {
  std::optional<Invocation> invocation;
  std::string error;  ///< one line, set when `invocation` is empty
  bool json = false;  ///< --json was seen, so even a refusal is answered in JSON
};

/// Reads the arguments after the program name: the options here, the command's own words
/// by its family (commands.h).
ParseResult ParseArguments(std::span<const std::string_view> args);

/// The help text for `command` (its family's), or the general one without.
std::string HelpText(std::optional<Command> command);

}  // namespace qb::cli

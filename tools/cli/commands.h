#pragma once
/// The commands of quorelbox-cli, one family per file (status and get, set, scenes and scene,
/// profile, mix, mem, calibrate, firmware, eq). A family names its command word, reads its
/// arguments into the Invocation, gives its help text and runs: a few calls into the core on
/// the box the runner has connected, then the record of what the box now holds or what was
/// done. The core keeps every rule; a family only reads, calls and reports.

#include <span>
#include <string>
#include <string_view>

#include "tools/cli/cli_args.h"
#include "tools/cli/cli_result.h"

namespace qb::cli {

class BoxRun;
class Words;

/// An option of one command alone ("--bands N" of eq fit). It may stand anywhere on the
/// line, as the general options may; the runner hands it, with its value, to the command's
/// words after the command's own.
struct CommandOption {
  std::string_view name;
  std::string_view value;  ///< what its value is called ("N"); empty for a switch
};

struct CommandFamily {
  Command command;
  std::string_view word;
  /// Reads the words after the command word into `invocation`; a problem is kept in `words`.
  void (*parse)(Words& words, Invocation& invocation);
  std::string (*help)();
  Outcome (*run)(BoxRun& box, const Invocation& invocation);
  /// Opens the box itself (firmware: a box in its loader is welcome); the others run on a
  /// box the runner has connected and read.
  bool opensTheBox = false;
  /// The options only this family takes, and whose they are in messages ("eq fit").
  std::span<const CommandOption> options{};
  std::string_view optionsOwner{};
};

extern const CommandFamily kStatusCommand;
extern const CommandFamily kGetCommand;
extern const CommandFamily kSetCommand;
extern const CommandFamily kScenesCommand;
extern const CommandFamily kSceneCommand;
extern const CommandFamily kProfileCommand;
extern const CommandFamily kMixCommand;
extern const CommandFamily kMemCommand;
extern const CommandFamily kCalibrateCommand;
extern const CommandFamily kFirmwareCommand;
extern const CommandFamily kEqCommand;

/// The family of `word`, or null.
const CommandFamily* CommandNamed(std::string_view word);
const CommandFamily& FamilyOf(Command command);
/// "status, get, set, ... or eq".
std::string CommandList();

/// The family whose option `name` is, or null.
const CommandFamily* FamilyOfOption(std::string_view name);
/// The option `name` of any family, or null.
const CommandOption* CommandOptionNamed(std::string_view name);

/// Reads `eq fit`'s words (after "fit") into `request` (eq_fit_command.cpp).
void ParseEqFit(Words& words, EqRequest& request);
/// eq fit's part of eq's help text, and its run.
std::string EqFitHelp();
Outcome RunEqFit(BoxRun& box, const EqRequest& request);
/// For families without arguments: refuses any word after the command.
void NoArguments(Words& words, Invocation& invocation);

}  // namespace qb::cli

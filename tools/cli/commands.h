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

/// For families without arguments: refuses any word after the command.
void NoArguments(Words& words, Invocation& invocation);

}  // namespace qb::cli

#include "tools/cli/cli_args.h"

#include <vector>

#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

std::string GeneralHelp() {
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
         "  eq       import a measurement tool's filter text into an output's equaliser,\n"
         "           export the bands as one, or fit the equaliser to a measurement (see\n"
         "           'quorelbox-cli eq --help')\n"
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
         "  --apply                calibrate: keep the result; eq fit: send the fitted bands\n"
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
         "     all be used without --partial; a measurement or house curve that cannot be\n"
         "     read, or a measurement that cannot be fitted)\n"
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

}  // namespace

ParseResult ParseArguments(std::span<const std::string_view> args) {
  ParseResult result;
  Invocation invocation;
  std::string error;
  std::vector<std::string_view> words;
  /// Options of one command, with their values, in the order given.
  std::vector<std::string_view> commandOptions;
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
    } else if (const CommandOption* option = CommandOptionNamed(arg)) {
      commandOptions.push_back(arg);
      if (option->value.empty()) continue;
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        if (error.empty()) error = std::string(arg) + " needs " + std::string(option->value);
      } else {
        commandOptions.push_back(args[++i]);
      }
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
      result.error = "no command given (" + CommandList() + "; see --help)";
      return result;
    }
    result.invocation = std::move(invocation);
    return result;
  }
  const CommandFamily* family = CommandNamed(words.front());
  if (!family) {
    result.error = "unknown command " + Quoted(words.front()) + " (" + CommandList() + "; see --help)";
    return result;
  }
  invocation.command = family->command;
  // --apply keeps a calibration's result and sends a fit; --discard is a calibration's alone.
  const bool fitApply = *invocation.command == Command::Eq && resultChoice == std::string_view("--apply");
  if (resultChoice && *invocation.command != Command::Calibrate && !fitApply) {
    result.error = Quoted(*resultChoice) + " belongs to calibrate" + (*resultChoice == "--apply" ? " and eq fit" : "");
    return result;
  }
  for (const std::string_view option : commandOptions) {
    const CommandFamily* owner = option.starts_with("--") ? FamilyOfOption(option) : nullptr;
    if (owner && owner != family) {
      result.error = Quoted(option) + " belongs to " + std::string(owner->optionsOwner);
      return result;
    }
  }
  // Help for a command is shown whatever else follows it: someone asking is often halfway
  // through typing the rest.
  if (invocation.help) {
    result.invocation = std::move(invocation);
    return result;
  }
  // The command's own options follow its words.
  words.insert(words.end(), commandOptions.begin(), commandOptions.end());
  Words rest{std::span<const std::string_view>(words).subspan(1), error};
  family->parse(rest, invocation);
  if (*invocation.command == Command::Calibrate)
    invocation.calibrate.apply = resultChoice == std::string_view("--apply");
  if (fitApply) {
    if (error.empty() && !invocation.eq.fitting) error = "'--apply' belongs to calibrate and eq fit";
    invocation.eq.fit.apply = true;
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

std::string HelpText(std::optional<Command> command) {
  return command ? FamilyOf(*command).help() : GeneralHelp();
}

}  // namespace qb::cli

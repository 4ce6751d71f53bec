#include "tools/cli/commands.h"

#include "tools/cli/cli_words.h"

namespace qb::cli {
namespace {

/// Every command, in the order the help lists them.
constinit const CommandFamily* const kCommands[] = {
    &kStatusCommand, &kGetCommand,       &kSetCommand,      &kScenesCommand, &kSceneCommand, &kProfileCommand,
    &kMixCommand,    &kMemCommand,       &kCalibrateCommand, &kFirmwareCommand, &kEqCommand,
};

}  // namespace

const CommandFamily* CommandNamed(std::string_view word) {
  for (const CommandFamily* family : kCommands)
    if (family->word == word) return family;
  return nullptr;
}

const CommandFamily& FamilyOf(Command command) {
  for (const CommandFamily* family : kCommands)
    if (family->command == command) return *family;
  return kStatusCommand;  // unreachable: every Command has its family
}

const CommandFamily* FamilyOfOption(std::string_view name) {
  for (const CommandFamily* family : kCommands)
    for (const CommandOption& option : family->options)
      if (option.name == name) return family;
  return nullptr;
}

const CommandOption* CommandOptionNamed(std::string_view name) {
  const CommandFamily* family = FamilyOfOption(name);
  if (!family) return nullptr;
  for (const CommandOption& option : family->options)
    if (option.name == name) return &option;
  return nullptr;
}

std::string CommandList() {
  std::string list;
  const std::size_t count = std::size(kCommands);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) list += i + 1 == count ? " or " : ", ";
    list += kCommands[i]->word;
  }
  return list;
}

void NoArguments(Words& words, Invocation& invocation) {
  words.ExpectEnd(FamilyOf(*invocation.command).word);
}

}  // namespace qb::cli

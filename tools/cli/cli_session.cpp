#include "tools/cli/cli_session.h"

#include "tools/cli/box_run.h"
#include "tools/cli/commands.h"

namespace qb::cli {

RunResult RunSession(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
                     const SessionOptions& options) {
  if (!invocation.command) return Failure(kExitBadArgument, "no command given", invocation.json);
  const CommandFamily& family = FamilyOf(*invocation.command);
  BoxRun box(std::move(backend), plug, options);
  Outcome outcome;
  if (family.opensTheBox) {
    outcome = family.run(box, invocation);
  } else if (std::optional<Outcome> refused = box.Connect()) {
    outcome = std::move(*refused);
  } else {
    // The record is made before leaving: disconnecting clears what the mirror says about the box.
    outcome = family.run(box, invocation);
  }
  box.Leave();
  return Written(outcome, box.Warnings(), invocation.json);
}

}  // namespace qb::cli

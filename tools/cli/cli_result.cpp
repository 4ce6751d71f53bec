#include "tools/cli/cli_result.h"

#include "core/device_access.h"
#include "tools/cli/record_writers.h"

namespace qb::cli {
namespace {

constexpr std::string_view kProgram = "quorelbox-cli: ";

/// `message` on one line: a line break inside would split the error a script reads.
std::string OneLine(std::string_view message) {
  std::string line(message);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

RunResult Failed(int code, std::string_view message, const Record& details, bool json) {
  const std::string line = OneLine(message);
  RunResult result;
  result.code = code;
  result.err = std::string(kProgram) + line + "\n";
  if (json) {
    Record document;
    document.Add("ok", false);
    document.Add("error", line);
    document.Add("code", code);
    document.Append(details);
    result.out = WriteJson(std::move(document));
  }
  return result;
}

}  // namespace

Outcome Outcome::Done(Value record) {
  Outcome outcome;
  outcome.record = std::move(record);
  return outcome;
}

Outcome Outcome::Failed(int code, std::string problem) {
  Outcome outcome;
  outcome.code = code;
  outcome.problem = std::move(problem);
  return outcome;
}

Outcome NoAccess(std::string_view node) {
  const std::string text(node);
  Outcome outcome = Outcome::Failed(
      kExitNoAccess, "no permission to open the ZX7140K's node " + text +
                         " (reading and writing it is needed): install the udev rule of Quorelbox, " +
                         std::string(kUdevRuleFile) + " (the package puts it in " + std::string(kUdevRuleFolder) +
                         "; by hand, copy packaging/udev/" + std::string(kUdevRuleFile) +
                         " to /etc/udev/rules.d), then run: " + std::string(kAccessFixCommand));
  outcome.details.Add("node", text);
  outcome.details.Add("fix", kAccessFixCommand);
  return outcome;
}

RunResult Written(const Outcome& outcome, std::string_view warnings, bool json) {
  RunResult result;
  if (outcome.Ok()) {
    result.out = json ? WriteJson(outcome.record) : WriteText(outcome.record);
  } else {
    result = Failed(outcome.code, outcome.problem, outcome.details, json);
  }
  result.err.insert(0, warnings);
  return result;
}

RunResult Failure(int code, std::string_view message, bool json) { return Failed(code, message, Record{}, json); }

std::string Warning(std::string_view message) {
  return std::string(kProgram) + "warning: " + std::string(message) + "\n";
}

}  // namespace qb::cli

#pragma once
/// How a run of quorelbox-cli ends: its exit status, what a command hands back (a record, or
/// why it failed) and the output made of it. A failure is one line on standard error,
/// "quorelbox-cli: <message>", plus the document {"ok":false,"error":...,"code":...} on
/// standard output with --json. Output is gathered in a RunResult and written by main, so
/// the runner can be exercised in-process.

#include <string>
#include <string_view>

#include "tools/cli/record.h"

namespace qb::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,      ///< a file cannot be used, the state file damaged or not saved
  kExitBadArgument = 2,
  kExitNoBox = 3,        ///< nothing could be opened
  kExitBoxRefused = 4,   ///< opened, but no usable ZX7140K session came of it
  kExitNoAccess = 5,     ///< a box is there, but this user may not open its node
};

struct RunResult {
  int code = kExitOk;
  std::string out;  ///< for standard output
  std::string err;  ///< for standard error
};

/// What a command did: the record of its result, or the exit status and one line saying
/// why it failed (and fields the JSON error document adds).
struct Outcome {
  int code = kExitOk;
  Value record;
  std::string problem;
  Record details;

  static Outcome Done(Value record);
  static Outcome Failed(int code, std::string problem);
  bool Ok() const { return code == kExitOk; }
};

/// A box this user may not open: the failure names the refused `node`, the udev rule and
/// the command that applies it; the JSON document also carries "node" and "fix".
Outcome NoAccess(std::string_view node);

/// The output of `outcome`: its record in text or JSON on standard output, or its failure.
/// `warnings` (lines made by Warning) come first on standard error either way.
RunResult Written(const Outcome& outcome, std::string_view warnings, bool json);
/// A run that failed before any command ran.
RunResult Failure(int code, std::string_view message, bool json);
/// "quorelbox-cli: warning: <message>" and a line break.
std::string Warning(std::string_view message);

}  // namespace qb::cli

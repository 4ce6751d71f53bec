#pragma once
/// What quorelbox-cli prints: the mirror of the box as text or JSON (status, get), the
/// value a `set` left in the mirror, the scenes and what a scene or profile command did,
/// and failures as one line on standard error (plus an error document on standard output
/// with --json). Output is gathered in a RunResult and written by main, so the runner can
/// be exercised in-process.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/profile_file.h"
#include "tools/cli/cli_args.h"

namespace qb {
class CalibrationData;
class EqualizerMirror;
}

namespace qb::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,      ///< state file damaged or not saved
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

/// A failed run: "quorelbox-cli: <message>" on stderr and, with `json`, the document
/// {"ok":false,"error":...,"code":...} on stdout. Line breaks in `message` become blanks.
RunResult Failure(int code, std::string_view message, bool json);
/// A box this user may not open: the failure names the refused `node`, the udev rule and the
/// command that applies it; with `json` the document also carries "node" and "fix".
RunResult NoAccessFailure(std::string_view node, bool json);
/// Adds "quorelbox-cli: warning: <message>" to the run's stderr.
void Warn(RunResult& result, std::string_view message);

/// The document for `command` as the mirror now holds it: the state for status and get,
/// the value `set` changed for set.
std::string Report(const EqualizerMirror& mirror, Command command, const SetRequest& set, bool json);

/// The mix of `source`: per output, which inputs feed it and each input's trim; with
/// `cell`, only that cell after it was changed.
std::string MixReport(const EqualizerMirror& mirror, int source, const std::optional<MixCell>& cell, bool json);

/// The ten scenes as the mirror holds them and the one the box reported as current.
std::string ScenesReport(const EqualizerMirror& mirror, bool json);
/// What a `scene` command left: the live state after a load (as `status` shows it), the
/// scene and its name after a save, the cleared slot after a delete.
std::string SceneReport(const EqualizerMirror& mirror, const SceneRequest& request, bool json);
/// What a `profile` command did with its file.
std::string ProfileReport(const ProfileRequest& request, bool json);
/// The memory word a `mem` command read (`data`) or wrote.
std::string MemReport(const MemRequest& request, std::uint32_t data, bool json);
/// What a calibration found: per measured output (bit n of `outputs`) its distance when
/// one was reported (negative: none), its correction bands and, with `json`, the measured
/// points; and whether the box keeps the result.
std::string CalibrationReport(const CalibrationData& data, std::uint16_t outputs, const float* distances,
                              int eqMode, bool applied, bool json);

/// What a `firmware` command did: the file, its kind and size, and what the box reports
/// after its restart (`application` false: it is still in its loader).
std::string FirmwareReport(const std::string& path, const std::string& kind, std::uint32_t bytes, int model,
                           int mainVersion, int slaveVersion, bool application, bool json);
/// One line saying why `path` could not be read or written (`result` is not Ok).
std::string ProfileProblem(ProfileFileResult result, const std::string& path);

/// What `eq import` did: `bands` filters became bands of the output, the `skipped` lines
/// (as ProblemLines gives them) were left out.
std::string EqImportReport(const EqRequest& request, std::size_t bands, const std::vector<std::string>& skipped,
                           bool json);
/// What `eq export` did: the filter text itself when it goes to standard output, else where
/// it was written.
std::string EqExportReport(const EqRequest& request, const std::string& text, bool json);

/// A scene name slot (UTF-16, zero-terminated) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Name(std::u16string_view name);

}  // namespace qb::cli

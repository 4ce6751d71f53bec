#pragma once
/// The runner of quorelbox-cli: one run against one box. It connects and reads the box
/// through the core, hands the command's family (commands.h) the box, writes the record the
/// family gives back as text or JSON, and leaves the box as the window does (the box is told
/// the PC has gone). The backend is a parameter so the same runner talks to hidapi, to the
/// virtual box of --simulate, or to whatever a test hands it.

#include <chrono>
#include <functional>
#include <string_view>
#include <memory>
#include <string>

#include "core/auto_cal_thread.h"
#include "devicelink/hid_transport.h"
#include "devicelink/link_timing.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/cli_result.h"

namespace qb {
class PlugSwitch;
}

namespace qb::cli {

struct SessionOptions {
  /// How long opening and reading the box may take before it counts as refusing.
  std::chrono::milliseconds connectTimeout{10000};
  /// How long a change may take to reach the box. The link waits up to 10 s for each
  /// acknowledgement, so this covers a few lost ones before giving up.
  std::chrono::milliseconds drainTimeout{30000};
  /// How long a scene load, save or delete may take, the read-back of a load included.
  std::chrono::milliseconds sceneTimeout{20000};
  /// How long a profile file's settings may take to reach the box, or every scene to be
  /// read back for a whole configuration.
  std::chrono::milliseconds transferTimeout{60000};
  LinkTimings timings{};
  /// The calibration's polling pace.
  CalibrationTimings calibration{};
  /// Told the phase and progress of a running calibration as one line of text; a
  /// terminal shows it in place.
  std::function<void(std::string_view line)> progress;
  /// `firmware`: asks the question and answers whether to go on (not asked with --yes;
  /// without it the answer is no).
  std::function<bool(const std::string& question)> confirm;
  /// `firmware`: each progress value 0..100 of the transfer, for a progress bar; -1 when
  /// the transfer has ended.
  std::function<void(int percent)> firmwareProgress;
  /// `firmware`: how long the box may take to come back after the upgrade.
  std::chrono::milliseconds restartTimeout{60000};
};

/// Runs the command of `invocation` (not help, already answered) on the box behind
/// `backend`. `plug`, when given, tells the run that the box left the bus (the virtual box
/// can; hidapi has no such signal without a device monitor).
RunResult RunSession(const Invocation& invocation, std::shared_ptr<HidBackend> backend, PlugSwitch* plug,
                     const SessionOptions& options = {});

}  // namespace qb::cli

// calibrate: the box's room calibration run through the core's calibration session, as
// the calibration window runs it, its progress told as it goes and its result kept or dropped.
#include <array>
#include <cstdio>

#include "core/calibration_data.h"
#include "tools/cli/box_records.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// A calibration of eight outputs takes a few minutes; one still going after this has
/// stalled (a box that reports a failure this program does not know keeps polling).
constexpr auto kCalibrationLimit = 15min;

// --- the words --------------------------------------------------------------------------------

std::optional<int> ModuleList(Words& words) {
  const auto word = words.Next("modules");
  if (!word) return std::nullopt;
  int modules = 0;
  std::string_view rest = *word;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view name = rest.substr(0, comma);
    if (name == "eq") modules |= 1;
    else if (name == "delay") modules |= 2;
    else if (name == "phase") modules |= 4;
    else return words.Fail("modules are eq, delay and phase, separated by commas, not " + Quoted(*word));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  if (modules == 0) return words.Fail("name at least one module: eq, delay or phase");
  return modules;
}

std::optional<CalibrateRequest> ParseCalibrate(Words& words) {
  CalibrateRequest request;
  while (const auto word = words.Peek()) {
    if (*word == "modules") {
      words.Next("modules");
      if (const auto modules = ModuleList(words)) request.modules = *modules;
    } else if (*word == "target") {
      words.Next("target");
      const auto b = words.Choice("target", "b", "a");
      if (b) request.eqMode = *b ? 1 : 0;
    } else if (const auto output = words.Output()) {
      request.outputs = static_cast<std::uint16_t>(request.outputs | (1u << *output));
    }
  }
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseCalibrateInto(Words& words, Invocation& invocation) {
  if (auto request = ParseCalibrate(words)) invocation.calibrate = *request;
}

std::string CalibrateHelp() {
  return "Usage: quorelbox-cli [OPTIONS] calibrate [OUTPUT...] [modules LIST] [target a|b]\n"
         "                                        [--apply | --discard]\n"
         "\n"
         "Runs the box's room calibration: test tones through each chosen output (1..8;\n"
         "none named: every output with a speaker role), measured by the box's microphone\n"
         "at the listening place. modules: eq, delay and phase, comma-separated (all three\n"
         "when not named). target: the voicing the correction aims at, a (default) or b.\n"
         "A progress line shows each phase on a terminal. Prints per output the distance\n"
         "and the correction bands; with --json also the 121 measured points. The box keeps\n"
         "the result with --apply (into the outputs' equalisers, and delays with the delay\n"
         "module); otherwise it is discarded. A calibration the box reports as failed, or a\n"
         "box that leaves during it, is exit 4.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the run ----------------------------------------------------------------------------------

/// The phase and result texts of a calibration as the terminal shows them.
std::string_view CalibrationText(std::string_view key) {
  static constexpr std::pair<std::string_view, std::string_view> kTexts[] = {
      {"${start_irc_tips}", "starting"},
      {"${detect_speaker}", "detecting the speakers"},
      {"${detect_level}", "measuring the levels"},
      {"${detect_location}", "locating the speakers"},
      {"${adjust_ch_volume}", "adjusting the channel levels"},
      {"${compensate_eq}", "computing the EQ compensation"},
      {"${test_freq_response}", "measuring the frequency response"},
      {"${irc_completed}", "completed"},
      {"${irc_failed_level}", "the signal level is out of range"},
      {"${irc_failed_mic}", "no microphone signal was detected"},
      {"${irc_failed_speaker}", "a speaker could not be detected"},
      {"${irc_failed_delay}", "the delay could not be measured"},
      {"${irc_failed_ch_volume}", "the channel levels could not be adjusted"},
      {"${irc_failed_eq}", "the EQ compensation could not be computed"},
  };
  for (const auto& [k, text] : kTexts)
    if (k == key) return text;
  return key;
}

/// What the run has heard from the session so far.
struct Progress {
  std::array<float, kCalibrationChannels> distances{};
  std::optional<CalibrationEnd> end;
  std::string phase = "${start_irc_tips}";  ///< the last phase or result text
  int percent = 0;
};

/// Hands the calibration's messages to the session and tells the terminal its progress.
bool Follow(CalibrationSession& cal, const ReplyMessage& message, Progress& progress,
            const std::function<void(std::string_view)>& show) {
  if (message.number != WM_IRC_REPLY && message.number != WM_IRC_PROGRESS && message.number != WM_IRC_THREAD_ENDED)
    return false;
  const CalibrationUpdate update = cal.Handle(message);
  if (message.number == WM_IRC_THREAD_ENDED) progress.end = static_cast<CalibrationEnd>(message.wParam);
  if (update.distanceChannel >= 0) progress.distances[At(update.distanceChannel)] = update.distance;
  if (!update.tips.empty()) progress.phase = update.tips;
  if (update.progress) progress.percent = *update.progress;
  if (show && (update.progress || !update.tips.empty())) {
    char line[128];
    std::snprintf(line, sizeof line, "calibrating: %s, %d %%", std::string(CalibrationText(progress.phase)).c_str(),
                  progress.percent);
    show(line);
  }
  return true;
}

/// What a calibration found: per measured output its distance when one was reported, its
/// correction bands and the measured points (JSON only); and whether the box keeps it.
Value CalibrationRecord(const CalibrationData& data, std::uint16_t outputs, const Progress& progress,
                        const CalibrateRequest& request) {
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("target", request.eqMode == 1 ? "B" : "A");
  record.Add("applied", request.apply);
  List list;
  for (int n = 0; n < kCalibrationChannels; ++n) {
    if (!(outputs & (1u << n))) continue;
    Record output;
    output.Add("output", n + 1);
    const float distance = progress.distances[At(n)];
    if (distance >= 0.0f) output.Add("distance", Measure(Rounded(distance, 2), 2));
    List bands;
    for (int b = 0; b < kReportedCorrectionBands; ++b) bands.Add(BandRecord(data.CorrectionBands(n)[At(b)], b));
    output.Add("correction", std::move(bands));
    List points;
    for (const MeasuredPoint& point : data.MeasuredPoints(n)) {
      Record entry;
      entry.Add("freqHz", point.freqHz);
      entry.Add("gainDb", Rounded(point.gainDb, 2));
      points.Add(std::move(entry));
    }
    output.Add("measured", std::move(points)).JsonOnly();
    list.Add(std::move(output));
  }
  record.Add("outputs", std::move(list));
  return record;
}

/// Ends the core's calibration; a result that reached the box is read back, so the run
/// ends with the box's settings in the mirror.
void Close(BoxRun& box) {
  if (box.Core().CloseCalibration() == EqualizerManager::CalibrationClose::ReadBack)
    box.AwaitTask(box.Options().transferTimeout, "the read of the calibrated settings");
}

/// Why the finished run gave no result the box keeps as asked, or nothing.
std::string Problem(BoxRun& box, CalibrationSession& cal, const Progress& progress, bool apply) {
  if (*progress.end == CalibrationEnd::BoxLeft || box.BoxLeft()) return "the box left during the calibration";
  if (*progress.end == CalibrationEnd::Stopped) return "the calibration did not finish in time";
  if (!cal.Done()) return "the calibration failed: " + std::string(CalibrationText(progress.phase));
  if (!(apply ? cal.Apply() : cal.Discard())) return "the box did not take the calibration result";
  return {};
}

Outcome Calibrate(BoxRun& box, const Invocation& invocation) {
  const CalibrateRequest& request = invocation.calibrate;
  CalibrationSession& cal = box.Core().OpenCalibration(box.Options().calibration);
  // Outputs not named: every output the session can measure.
  const std::uint16_t chosen =
      request.outputs != 0 ? request.outputs : CalibratableOutputs(box.Mirror().currentProfile);
  for (int n = 0; n < kCalibrationChannels; ++n) {
    const bool wanted = (chosen >> n & 1u) != 0;
    if (!cal.SetOutput(n, wanted) && wanted)
      return Outcome::Failed(kExitBadArgument, "output " + std::to_string(n + 1) + " has no speaker role to calibrate");
  }
  const std::uint16_t outputs = cal.Outputs();
  if (outputs == 0) return Outcome::Failed(kExitBadArgument, "no output has a speaker role to calibrate");
  for (int module : {kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase})
    cal.SetModule(module, (request.modules & module) != 0);
  cal.SetEqMode(request.eqMode);
  Progress progress;
  progress.distances.fill(-1.0f);
  std::string problem;
  {
    const BoxRun::Listening listening(box, [&](const ReplyMessage& message) {
      return Follow(cal, message, progress, box.Options().progress);
    });
    cal.Attach(box.Window());
    cal.Start();
    const auto deadline = Clock::now() + kCalibrationLimit;
    while (!progress.end) {
      if (Clock::now() > deadline && !cal.Thread().Stopping()) cal.Stop();
      box.Pump(kPumpSlice);
    }
    if (box.Options().progress) box.Options().progress({});
    problem = Problem(box, cal, progress, request.apply);
    cal.Attach(nullptr);
  }
  if (!problem.empty()) {
    Close(box);
    return Outcome::Failed(kExitBoxRefused, problem);
  }
  Value record = CalibrationRecord(cal.Data(), outputs, progress, request);
  Close(box);
  return Outcome::Done(std::move(record));
}

}  // namespace

constinit const CommandFamily kCalibrateCommand{Command::Calibrate, "calibrate", ParseCalibrateInto, CalibrateHelp,
                                                Calibrate};

}  // namespace qb::cli

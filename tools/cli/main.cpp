// quorelbox-cli: the ZX7140K's live settings from a terminal or a script, on the same core
// as the window and without a display.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/hid_transport.h"
#include "devicelink/tracing_backend.h"
#include "devicelink/usbmon_capture.h"
#include "simulator/simulated_box.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/cli_result.h"
#include "tools/cli/cli_session.h"

namespace {

int Emit(const qb::cli::RunResult& result) {
  std::fwrite(result.out.data(), 1, result.out.size(), stdout);
  std::fwrite(result.err.data(), 1, result.err.size(), stderr);
  std::fflush(stdout);
  return result.code;
}

/// The firmware command's question, answered on the terminal; no terminal, no yes.
bool AskOnTerminal(const std::string& question) {
  if (!::isatty(STDIN_FILENO)) return false;
  std::fputs(question.c_str(), stderr);
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes";
}

/// A progress bar on standard error, redrawn in place; -1 ends its line.
void ShowProgress(int percent) {
  // Each block reports its progress more than once: draw only what changed.
  static int shown = -1;
  if (percent < 0) {
    std::fputs("\n", stderr);
    shown = -1;
    return;
  }
  if (percent == shown) return;
  shown = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qb::cli;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseArguments(args);
  if (!parsed.invocation) return Emit(Failure(kExitBadArgument, parsed.error, parsed.json));
  const Invocation& invocation = *parsed.invocation;
  if (invocation.help) {
    const std::string text = HelpText(invocation.command);
    std::fputs(text.c_str(), stdout);
    return kExitOk;
  }

  qb::sim::SimulatedBox box;
  std::shared_ptr<qb::HidBackend> backend;
  qb::PlugSwitch* plug = nullptr;
  if (invocation.simulate) {
    std::string error;
    qb::sim::SimulatedBoxIdentity identity;
    identity.loader = invocation.simulateLoader;
    if (!invocation.simulateFirmware.empty() && !qb::sim::ParseSimulatedFirmware(invocation.simulateFirmware, identity))
      return Emit(Failure(kExitBadArgument, "--simulate-firmware takes X.Y, each 0..255", invocation.json));
    if (!invocation.simulateModel.empty() && !qb::sim::ParseSimulatedModel(invocation.simulateModel, identity))
      return Emit(Failure(kExitBadArgument, "--simulate-model takes 0..255", invocation.json));
    // A damaged file may hold someone's tune: refuse, and never save over it.
    if (!qb::sim::OpenSimulatedBox(invocation.statePath, box, &error, identity))
      return Emit(Failure(kExitFailure, error, invocation.json));
    backend = box.backend;
    plug = box.backend->Box().get();
  } else {
    backend = qb::MakeHidapiBackend();
  }
  std::shared_ptr<qb::UsbmonCapture> trace;
  if (!invocation.tracePath.empty()) {
    qb::UsbmonCaptureOpening opened = qb::UsbmonCapture::Open(invocation.tracePath);
    if (!opened.capture) return Emit(Failure(kExitFailure, "--trace: " + opened.error, invocation.json));
    if (opened.droppedTail > 0)
      std::fprintf(stderr, "quorelbox-cli: %s ended in a record cut short; its %zu bytes were dropped\n",
                   invocation.tracePath.c_str(), opened.droppedTail);
    trace = std::move(opened.capture);
    backend = qb::MakeTracingBackend(backend, trace);
  }

  SessionOptions options;
  // The virtual box measures at once; a real one needs its time between polls.
  if (invocation.simulate) options.calibration.pollPause = std::chrono::milliseconds(20);
  // A progress line in place on a terminal; a script reading stderr gets none.
  if (isatty(STDERR_FILENO)) {
    options.progress = [](std::string_view line) {
      std::fprintf(stderr, "\r\033[K%.*s", static_cast<int>(line.size()), line.data());
      if (line.empty()) std::fputc('\r', stderr);
      std::fflush(stderr);
    };
  }
  options.confirm = AskOnTerminal;
  if (!invocation.json) options.firmwareProgress = ShowProgress;
  RunResult result = RunSession(invocation, backend, plug, options);
  // The box got what it got: a trace that stopped is told, the command's outcome stands.
  if (trace && trace->Failed()) result.err += "quorelbox-cli: the trace stopped: " + trace->Error() + "\n";
  std::string error;
  // The virtual box is saved whatever the command did: like a real box, it keeps what
  // reached it, even from a run that failed halfway.
  if (invocation.simulate && !qb::sim::SaveSimulatedBox(box, &error)) {
    const std::string earlier = result.err;
    result = Failure(kExitFailure, "the virtual box could not be saved: " + error, invocation.json);
    result.err = earlier + result.err;
  }
  return Emit(result);
}

// What tracing costs the link: a command report and its reply through the virtual box
// without latency, untraced and traced (both reports appended and flushed to a usbmon
// capture), and one record's append alone. "report" is the wall time per report: what the
// link waits.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "devicelink/frame_codec.h"
#include "devicelink/tracing_backend.h"
#include "devicelink/usbmon_capture.h"
#include "devicelink/wire_codes.h"
#include "simulator/virtual_hid.h"

namespace {

std::string TracePath() { return "/tmp/qb_trace_bench_" + std::to_string(::getpid()) + ".pcap"; }

std::shared_ptr<qb::UsbmonCapture> FreshCapture() {
  std::remove(TracePath().c_str());
  return qb::UsbmonCapture::Open(TracePath()).capture;
}

void PerReport(benchmark::State& state, int reportsPerIteration) {
  state.counters["report"] = benchmark::Counter(reportsPerIteration,
                                                benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

/// Get_Main_Volume written, its reply read: the smallest exchange of the link.
void BM_ReportRoundTrip(benchmark::State& state) {
  const bool traced = state.range(0) != 0;
  qb::sim::VirtualBoxConfig config;
  config.reportLatency = std::chrono::microseconds(0);
  std::shared_ptr<qb::HidBackend> backend = qb::sim::MakeVirtualBoxBackend(config);
  std::shared_ptr<qb::UsbmonCapture> capture;
  if (traced) {
    capture = FreshCapture();
    if (!capture) {
      state.SkipWithError("cannot open the trace file");
      return;
    }
    backend = qb::MakeTracingBackend(backend, capture);
  }
  qb::HidOpenResult opened = backend->Open(0x0483, 0x5750);
  if (!opened.device) {
    state.SkipWithError("the virtual box did not open");
    return;
  }
  qb::OutputReport command;
  qb::BuildCommandFrame(qb::DSP_PACKET, qb::DSP_VOLUME, qb::OP_GET, {}, command);
  std::uint8_t reply[qb::kInputReportSize];
  for (auto _ : state) {
    opened.device->Write(command.data(), command.size());
    if (opened.device->ReadTimeout(reply, sizeof reply, 1000) <= 0) {
      state.SkipWithError("no reply");
      break;
    }
  }
  PerReport(state, 2);
  state.SetLabel(traced ? "traced" : "untraced");
  if (capture && capture->Failed()) state.SkipWithError(capture->Error().c_str());
  std::remove(TracePath().c_str());
}
BENCHMARK(BM_ReportRoundTrip)->Arg(0)->Arg(1)->UseRealTime();

/// One 64-byte report appended and flushed.
void BM_CaptureAppend(benchmark::State& state) {
  auto capture = FreshCapture();
  if (!capture) {
    state.SkipWithError("cannot open the trace file");
    return;
  }
  const std::uint8_t report[qb::kInputReportSize] = {0xAA, 0x55, 0x04, 0x01, 0x02, 0xDD, 0x10, 0x0C};
  for (auto _ : state) {
    capture->Append(qb::UsbDirection::In, {}, report, std::chrono::system_clock::now());
  }
  PerReport(state, 1);
  std::remove(TracePath().c_str());
}
BENCHMARK(BM_CaptureAppend)->UseRealTime();

}  // namespace

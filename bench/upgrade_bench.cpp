// The program's cost per upgrade block: UpgradeStep calls for whole DSP-image transfers to
// the virtual box with no report latency and the log off, and a 1 MiB DSP-flash upgrade as
// the update window runs it. The box's own work is included, so the figures are upper
// bounds of the program's share.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "core/equalizer_manager.h"
#include "core/message_queue.h"
#include "devicelink/device_link.h"
#include "devicelink/firmware_image_builder.h"
#include "devicelink/firmware_upgrade.h"
#include "devicelink/link_decoders.h"
#include "devicelink/mcu_commands.h"
#include "simulator/upgrade_receiver.h"
#include "simulator/virtual_hid.h"

namespace {

constexpr std::size_t kImageBytes = 50 * 1000;  // 1000 blocks of 50 bytes

/// A DSP-flash image file of `dataBytes` image bytes that the virtual box accepts.
std::filesystem::path WriteDspImage(const std::filesystem::path& dir, std::size_t dataBytes = kImageBytes) {
  std::vector<std::uint8_t> data(dataBytes);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
  qb::ImageFields fields;
  fields.fwId = qb::kFwIdDsp;
  fields.modelId = 79;
  fields.head = qb::sim::ImageHeadFor(data);
  fields.data = data;
  const std::vector<std::uint8_t> bytes = *qb::BuildSingleImage(fields);
  const auto path = dir / "FLASH_UPG.BIN";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

void BM_UpgradeBlock(benchmark::State& state) {
  char pattern[] = "/tmp/qb_upgbench_XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(pattern);
  const auto file = WriteDspImage(dir);
  qb::sim::VirtualBoxConfig config;
  config.reportLatency = std::chrono::microseconds(0);
  config.rebootDelay = std::chrono::milliseconds(1);
  config.rebootOffline = std::chrono::milliseconds(5);
  auto backend = qb::sim::MakeVirtualBoxBackend(config);
  qb::DeviceLink link(backend, qb::LinkTimings{1000, 10});
  link.SetLinkConfig(79, 8, 6, false, false);
  qb::InstallReplyDecoders(link);

  std::int64_t blocks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    link.OpenHIDDevice();
    qb::Hand_Connect(link);
    if (qb::UpgradeStart(link, file, qb::UpgradeReopenTimings{20, 10, 50}) != 0) {
      state.SkipWithError("the virtual box refused the start");
      break;
    }
    state.ResumeTiming();
    std::uint8_t progress = 0;
    while (progress != qb::kUpgradeFinished && progress != qb::kUpgradeFailed) {
      progress = qb::UpgradeStep(link);
    }
    state.PauseTiming();
    if (progress != qb::kUpgradeFinished) state.SkipWithError("the transfer failed");
    blocks += kImageBytes / 50;
    link.CloseHIDDevice(false);
    state.ResumeTiming();
  }
  state.counters["per_block"] = benchmark::Counter(
      static_cast<double>(blocks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_UpgradeBlock)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

// --- a 1 MiB DSP-flash upgrade as the update window runs it ---------------------------------
// The whole window path below the widgets: the core's updater on the session's task, the
// image check, the restart into the loader, every block and its acknowledgement, and the
// progress messages posted to the window and taken off its queue. The virtual box answers
// without latency, so the time is the program's (and the box's own bookkeeping): set
// against the USB bound of one acknowledged 50-byte block per 1 ms full-speed round trip.
namespace {

constexpr std::size_t kFlashFileBytes = 1048576;  // the largest image file accepted
constexpr double kUsbRoundTripMs = 1.0;

bool PumpUntil(qb::EqualizerManager& core, qb::MessageQueue& main, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (auto message = main.Take(std::chrono::milliseconds(5))) core.HandleMessage(*message);
  }
  return true;
}

void BM_WindowFlashUpgrade1MiB(benchmark::State& state) {
  char pattern[] = "/tmp/qb_upgbench_XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(pattern);
  const std::size_t dataBytes = kFlashFileBytes - qb::kImageFrameBytes;
  const auto file = WriteDspImage(dir, dataBytes);

  qb::sim::VirtualBoxConfig config;
  config.reportLatency = std::chrono::microseconds(0);
  config.rebootDelay = std::chrono::milliseconds(1);
  config.rebootOffline = std::chrono::milliseconds(5);
  auto backend = qb::sim::MakeVirtualBoxBackend(config);
  qb::MessageQueue main;
  qb::MessageQueue window;
  qb::EqualizerManager core(backend, qb::LinkTimings{1000, 10});
  core.Attach(&main, nullptr);
  core.Firmware().AttachWindow(&window);
  core.Firmware().SetReopenTimings(qb::UpgradeReopenTimings{20, 10, 50});
  const std::size_t blocks = (dataBytes + 49) / 50;
  std::int64_t progressMessages = 0;
  double transferMs = 0;

  for (auto _ : state) {
    state.PauseTiming();
    // After an upgrade the box restarts: let it leave and come back before reading it.
    if (core.Session().IsDeviceOpen()) core.Session().DisconnectDevice();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (!backend->Box()->IsPlugged()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    core.Session().ConnectDevice(false);
    if (!PumpUntil(core, main, [&] { return !core.Session().Busy(); }) || !core.Session().IsDeviceOpen()) {
      state.SkipWithError("the virtual box was not read");
      break;
    }
    state.ResumeTiming();
    const auto started = std::chrono::steady_clock::now();
    if (!core.Firmware().StartTransfer(file, qb::TransferStart::Flash)) {
      state.SkipWithError("the transfer did not start");
      break;
    }
    std::uint32_t end = 0;
    while (end == 0) {
      auto message = window.Take(std::chrono::milliseconds(50));
      if (!message) continue;
      if (message->number == qb::WM_UPDATE_PROGRESS) ++progressMessages;
      else if (message->number != qb::WM_UPDATE_FLASH_STARTED) end = message->number;
    }
    transferMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    state.PauseTiming();
    PumpUntil(core, main, [&] { return !core.Session().Busy(); });
    if (end != qb::WM_UPDATE_FINISHED) {
      std::fprintf(stderr, "transfer ended with message %u\n", end);
      state.SkipWithError("the transfer failed");
      break;
    }
    state.ResumeTiming();
  }
  state.counters["blocks"] = static_cast<double>(blocks);
  state.counters["per_block"] = benchmark::Counter(
      static_cast<double>(blocks) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  // The USB bound of one run in ms; the share is the measured time per run against it.
  state.counters["usb_bound_ms"] = static_cast<double>(blocks) * kUsbRoundTripMs;
  // The program's share: its time per upgrade against the USB bound, in percent.
  state.counters["usb_share_pct"] =
      100.0 * transferMs / static_cast<double>(state.iterations()) / (static_cast<double>(blocks) * kUsbRoundTripMs);
  state.counters["progress_msgs"] = static_cast<double>(progressMessages) / static_cast<double>(state.iterations());
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WindowFlashUpgrade1MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

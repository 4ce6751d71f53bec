// The program's cost per upgrade block: UpgradeStep calls for whole DSP-image transfers to
// the virtual box with no report latency and the log off. The box's own work is included,
// so the figure is an upper bound of the program's share.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "devicelink/device_link.h"
#include "devicelink/firmware_image_builder.h"
#include "devicelink/firmware_upgrade.h"
#include "devicelink/link_decoders.h"
#include "devicelink/mcu_commands.h"
#include "simulator/upgrade_receiver.h"
#include "simulator/virtual_hid.h"

namespace {

constexpr std::size_t kImageBytes = 50 * 1000;  // 1000 blocks of 50 bytes

std::filesystem::path WriteDspImage(const std::filesystem::path& dir) {
  std::vector<std::uint8_t> data(kImageBytes);
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

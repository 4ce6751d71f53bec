// Wall-clock time of the long scene transfers against a virtual box answering one report a
// millisecond, as a full-speed USB box does: saving a whole configuration (every scene read
// back), loading one into the box, and loading a stored scene into the live settings.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/equalizer_manager.h"
#include "core/message_queue.h"
#include "core/profile_file.h"
#include "simulator/virtual_hid.h"

namespace {

class QuietHost final : public qb::SessionHost {
 public:
  void OnNotice(qb::SessionNotice, int, std::string_view) override {}
};

/// A connected core with the program's own link timings.
class Session {
 public:
  Session() : m_backend(qb::sim::MakeVirtualBoxBackend({})), m_core(m_backend) {
    m_core.Attach(&m_queue, &m_host);
    m_core.Session().ConnectDevice(false);
    PumpWhileBusy();
  }
  ~Session() {
    m_core.Session().DisconnectDevice();
    m_core.Session().WaitForTask();
  }
  qb::SceneService& Scenes() { return m_core.Scenes(); }

  /// Hands the core its messages until its task has ended and the queue has drained.
  void PumpWhileBusy() {
    for (;;) {
      while (auto message = m_queue.Take(std::chrono::milliseconds(1))) m_core.HandleMessage(*message);
      if (!m_core.Session().Busy() && m_core.Session().CommandsPending() == 0 && m_queue.Size() == 0) return;
    }
  }

 private:
  std::shared_ptr<qb::sim::VirtualHidBackend> m_backend;
  qb::MessageQueue m_queue;
  QuietHost m_host;
  qb::EqualizerManager m_core;
};

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

void BM_SaveWholeConfiguration(benchmark::State& state) {
  Session session;
  const std::string path = TempFile("scene_transfer_bench_save.wpf");
  for (auto _ : state) {
    qb::ProfileFileResult result = qb::ProfileFileResult::CreateError;
    session.Scenes().SaveWholeProfile(path, [&result](qb::ProfileFileResult r) { result = r; });
    session.PumpWhileBusy();
    if (result != qb::ProfileFileResult::Ok) state.SkipWithError("the file was not written");
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_SaveWholeConfiguration)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_LoadWholeConfiguration(benchmark::State& state) {
  Session session;
  const std::string path = TempFile("scene_transfer_bench_load.wpf");
  session.Scenes().SaveWholeProfile(path, nullptr);
  session.PumpWhileBusy();
  for (auto _ : state) {
    if (session.Scenes().LoadWholeProfile(path) != qb::ProfileFileResult::Ok) state.SkipWithError("not loaded");
    session.PumpWhileBusy();
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadWholeConfiguration)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_LoadStoredScene(benchmark::State& state) {
  Session session;
  for (auto _ : state) {
    if (!session.Scenes().LoadScene(1, nullptr)) state.SkipWithError("not started");
    session.PumpWhileBusy();
  }
}
BENCHMARK(BM_LoadStoredScene)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

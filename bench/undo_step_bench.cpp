// Cost of undo and redo. One step of a band drag undone and redone in the main window
// connected to the virtual box: the history restores the values, the commands are queued,
// the presenter redraws the controls from the notices and the window repaints. And the
// memory a history of 10 000 edits holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <memory>

#include "core/equalizer_manager.h"
#include "simulator/virtual_hid.h"
#include "ui/skin.h"
#include "windows/main_wnd.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "undo_step_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 10000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void BM_UndoRedoStepInTheWindow(benchmark::State& state) {
  App();
  QString error;
  if (!qb::ui::LoadSkin(&error)) {
    state.SkipWithError("skin");
    return;
  }
  auto backend = qb::sim::MakeVirtualBoxBackend({});
  qb::MainWndOptions options;
  options.backend = backend;
  options.hotplug = false;
  auto window = std::make_unique<qb::CMainWnd>(std::move(options));
  if (!window->Create(QStringLiteral("bench"), &error)) {
    state.SkipWithError("window");
    return;
  }
  window->show();
  qb::EqualizerManager& core = window->Controller();
  if (!WaitFor([&] { return core.Session().LiveEditsReachBox() && core.CurrentProfile().model == qb::kBoxModel; })) {
    state.SkipWithError("no connection");
    return;
  }
  backend->Box()->SetLatency(std::chrono::microseconds(0));
  {
    const qb::EditHistory::Gesture drag(core.History());
    for (int gain = 1; gain <= 20; ++gain) core.Eq().DragBand(0, 7, 400 + gain * 5, 2.0f, static_cast<float>(gain) * 0.5f);
  }
  QApplication::processEvents();
  bool undo = true;
  QElapsedTimer clock;
  std::int64_t restoreNs = 0;
  for (auto _ : state) {
    clock.start();
    if (undo) core.History().Undo();
    else core.History().Redo();
    restoreNs += clock.nsecsElapsed();
    undo = !undo;
    // The repaint the notices asked for.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  // The share of the mirror, the queue and the presenter's redraw, before painting.
  state.counters["restore_us"] = benchmark::Counter(static_cast<double>(restoreNs) / 1e3,
                                                    benchmark::Counter::kAvgIterations);
  WaitFor([&] { return core.Session().CommandsPending() == 0; });
}
BENCHMARK(BM_UndoRedoStepInTheWindow)->Unit(benchmark::kMicrosecond);

void BM_HistoryOfTenThousandEdits(benchmark::State& state) {
  constexpr int kEdits = 10000;
  for (auto _ : state) {
    // Not connected: the edits change the mirror and send nothing.
    qb::EqualizerManager core(qb::sim::MakeVirtualBoxBackend({}));
    core.Outputs().SetSynchronize(0, true);
    core.Outputs().SetSynchronize(1, true);
    const std::size_t before = mallinfo2().uordblks;
    // Each edit changes something: a band of the synchronized pair, a volume, a delay, a
    // phase.
    for (int i = 0; i < kEdits; ++i) {
      const qb::EditHistory::Gesture gesture(core.History());
      const int n = i / 4;
      switch (i % 4) {
        case 0: core.Eq().DragBand(0, n % 31, 100 + n % 5000, 1.0f + static_cast<float>(n % 7), static_cast<float>(n % 11) + 0.5f); break;
        case 1: core.Outputs().SetVolumeTenths(n % 8, -1 - n % 599); break;
        case 2: core.Outputs().SetDelayMicros(n % 8, 1 + n % 14000); break;
        default: core.Outputs().SetPhase(n % 8, (n / 8) % 2 == 0); break;
      }
    }
    const std::size_t after = mallinfo2().uordblks;
    state.counters["steps"] = static_cast<double>(core.History().UndoSteps());
    state.counters["fields"] = static_cast<double>(core.History().StoredChanges());
    state.counters["MB"] = static_cast<double>(after - before) / 1e6;
  }
}
BENCHMARK(BM_HistoryOfTenThousandEdits)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

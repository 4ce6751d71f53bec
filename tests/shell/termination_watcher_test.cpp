// SIGTERM and SIGINT become a signal on the event loop, the process lives on, and the
// previous handlers come back when the watcher goes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <vector>

#include "shell/termination_watcher.h"

namespace qb {
namespace {

int g_ignoredSignals = 0;
void CountSignal(int) { ++g_ignoredSignals; }

TEST(TerminationWatcherTest, SignalsArriveOnTheEventLoopAndThePreviousHandlersReturn) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  std::signal(SIGTERM, &CountSignal);
  {
    TerminationWatcher watcher;
    std::vector<int> received;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested,
                     [&received](int number) { received.push_back(number); });
    ASSERT_TRUE(watcher.Start());
    TerminationWatcher second;
    EXPECT_FALSE(second.Start()) << "one watcher per process";

    std::raise(SIGTERM);
    std::raise(SIGINT);
    QElapsedTimer timer;
    timer.start();
    while (received.size() < 2 && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
    EXPECT_EQ(g_ignoredSignals, 0);
  }
  std::raise(SIGTERM);
  EXPECT_EQ(g_ignoredSignals, 1);
  std::signal(SIGTERM, SIG_DFL);
}

}  // namespace
}  // namespace qb

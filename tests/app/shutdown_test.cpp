// The program asked to stop by the system (SIGTERM at logout, SIGINT from Ctrl-C) closes as
// its close button would: the box is told the PC leaves, the log keeps its last lines and
// the virtual box's state file is written.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "simulator/box_state_file.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ShutdownTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorelbox-shutdown-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_dir = pattern;
    std::ofstream(m_dir / "savelog.ini").put('\n');
  }
  void TearDown() override { fs::remove_all(m_dir); }

  /// Starts the program in the test's folder with its own settings and lock folders.
  pid_t Start() {
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (::chdir(m_dir.c_str()) != 0) ::_exit(125);
    // The console gets every log line at once; the log file only every few lines.
    if (!std::freopen("console.txt", "w", stdout)) ::_exit(125);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    const std::string state = (m_dir / "box.json").string();
    ::execl(QUORELBOX_BINARY, QUORELBOX_BINARY, "--simulate-state", state.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }

  /// Waits until the console shows `text`.
  bool ConsoleShows(const std::string& text) {
    for (int i = 0; i < 300; ++i) {
      if (ReadFile(m_dir / "console.txt").find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  fs::path m_dir;
};

TEST_P(ShutdownTest, ASignalClosesThroughTheCloseSequence) {
  const pid_t child = Start();
  ASSERT_GT(child, 0);
  // Connected: the read-out's replies applied.
  ASSERT_TRUE(ConsoleShows("EqualizerManager::OnConnectDone")) << ReadFile(m_dir / "console.txt");
  ASSERT_EQ(::kill(child, GetParam()), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of closing";
  EXPECT_EQ(WEXITSTATUS(status), 0);

  // The log file keeps its last lines: it is closed, not left with lines in its buffer.
  const std::string log = ReadFile(m_dir / "save.log");
  const std::size_t disconnect = log.rfind("EqualizerManager::DisconnectDevice");
  ASSERT_NE(disconnect, std::string::npos) << log;
  // The box is told the PC leaves (a frame written) before the device is closed.
  const std::size_t told = log.find("write data ok!", disconnect);
  const std::size_t closed = log.find("CloseHIDDevice!", disconnect);
  EXPECT_NE(told, std::string::npos);
  EXPECT_NE(closed, std::string::npos);
  EXPECT_LT(told, closed);
  qb::sim::BoxState saved;
  std::string error;
  EXPECT_EQ(qb::sim::LoadBoxState((m_dir / "box.json").string(), saved, &error), qb::sim::LoadResult::Loaded)
      << error;
}

INSTANTIATE_TEST_SUITE_P(Signals, ShutdownTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& param) { return param.param == SIGTERM ? "sigterm" : "sigint"; });

}  // namespace

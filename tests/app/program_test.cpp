// The program itself, started as a child process in a folder of the test's own: asked to
// stop by the system (SIGTERM at logout, SIGINT from Ctrl-C) it closes as its close button
// would (the box is told the PC leaves, the log keeps its last lines, the virtual box's state
// file is written); a second copy started beside it leaves the first one's log alone.
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
#include "tests/devicelink/usbmon_records.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorelbox-shutdown-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_dir = pattern;
    std::ofstream(m_dir / "savelog.ini").put('\n');
  }
  void TearDown() override { fs::remove_all(m_dir); }

  /// Starts the program in the test's folder with its own settings and lock folders; its
  /// console goes to `console`.
  pid_t Start(const char* console = "console.txt", const char* trace = nullptr) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (::chdir(m_dir.c_str()) != 0) ::_exit(125);
    // The console gets every log line at once; the log file only every few lines.
    if (!std::freopen(console, "w", stdout)) ::_exit(125);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    const std::string state = (m_dir / "box.json").string();
    if (trace != nullptr) {
      ::execl(QUORELBOX_BINARY, QUORELBOX_BINARY, "--simulate-state", state.c_str(), "--trace", trace,
              static_cast<char*>(nullptr));
    }
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

class ShutdownTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

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

TEST_F(ProgramTest, ASecondCopyLeavesTheFirstOnesLogAlone) {
  const pid_t first = Start();
  ASSERT_GT(first, 0);
  ASSERT_TRUE(ConsoleShows("EqualizerManager::OnConnectDone")) << ReadFile(m_dir / "console.txt");
  const std::string logStart = ReadFile(m_dir / "save.log").substr(0, 200);
  ASSERT_FALSE(logStart.empty());

  const pid_t second = Start("second.txt");
  ASSERT_GT(second, 0);
  // Time to reach its "already running" message, where it waits for the user.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(::waitpid(second, nullptr, WNOHANG), 0) << "it should be showing its message";
  ::kill(second, SIGKILL);
  ::waitpid(second, nullptr, 0);
  EXPECT_EQ(ReadFile(m_dir / "save.log").substr(0, logStart.size()), logStart) << "the first one's log was truncated";
  EXPECT_EQ(ReadFile(m_dir / "second.txt"), "") << "the second copy logged (and so opened the log)";

  ASSERT_EQ(::kill(first, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(ProgramTest, ATraceHoldsTheSessionFromHelloToGoodbye) {
  const pid_t child = Start("console.txt", "box.pcap");
  ASSERT_GT(child, 0);
  ASSERT_TRUE(ConsoleShows("EqualizerManager::OnConnectDone")) << ReadFile(m_dir / "console.txt");
  ASSERT_EQ(::kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::vector<qb::test::UsbmonRecord> records = qb::test::ParseCapture(qb::test::ReadFile((m_dir / "box.pcap").string()));
  ASSERT_GT(records.size(), 100u) << "the read-out, command and reply";
  const auto pcConnect = [](std::uint8_t state) {
    qb::test::Bytes frame = {0xAA, 0x55, 0x04, 0x03, 0x1F, 0xBB, state, static_cast<std::uint8_t>(0x1F - state)};
    frame.resize(64, 0);
    return frame;
  };
  EXPECT_EQ(records.front().data, pcConnect(1));
  EXPECT_EQ(records.back().data, pcConnect(0)) << "the goodbye, written on the way out, is in the trace";
}

INSTANTIATE_TEST_SUITE_P(Signals, ShutdownTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& param) { return param.param == SIGTERM ? "sigterm" : "sigint"; });

}  // namespace

#include "shell/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <thread>
#include <vector>

#include "tests/support/log_capture.h"

namespace qb {
namespace {

using test::LogCapture;

TEST(LogOff, WithoutTheMarkerNothingIsWrittenAndCallsReturnZero) {
  char pattern[] = "/tmp/qb_nolog_XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  const std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  EXPECT_FALSE(InitLogFromMarker());
  EXPECT_FALSE(LogEnabled());
  EXPECT_EQ(LogPrintA("hello %d\n", 1), 0);
  EXPECT_EQ(LogPrintW(L"hello %d\n", 1), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir) / "save.log"));
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}

TEST(LogOn, TheMarkerTruncatesSaveLogInTheCurrentDirectory) {
  char pattern[] = "/tmp/qb_marker_XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(pattern);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  { std::FILE* f = std::fopen("save.log", "w"); std::fputs("old run\n", f); std::fclose(f); }
  { std::FILE* f = std::fopen("savelog.ini", "w"); std::fclose(f); }
  SetLogConsoleStream(std::tmpfile());
  EXPECT_TRUE(InitLogFromMarker());
  LogPrintA("new run\n");
  CloseLog();
  SetLogConsoleStream(nullptr);
  EXPECT_EQ(test::ReadWholeFile(dir / "save.log"), "new run\n");
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}

TEST(LogOn, ConsoleLinesCarryTheTimeStampPrefixAndTheFileDoesNot) {
  LogCapture log;
  EXPECT_EQ(LogPrintA("connected %s\n", "box"), 14);
  EXPECT_EQ(LogPrintW(L"model %d %ls\n", 79, L"ok"), 12);
  EXPECT_TRUE(std::regex_match(
      log.Console(),
      std::regex(R"(\[\d\d:\d\d:\d\d\.\d{3}\] connected box\n\[\d\d:\d\d:\d\d\.\d{3}\] model 79 ok\n)")));
  EXPECT_EQ(log.File(), "connected box\nmodel 79 ok\n");
}

TEST(LogOn, APiecewiseDumpWithTimestampsOffIsOneConsoleLine) {
  LogCapture log;
  LogTimestamps = false;
  for (int b : {0xaa, 0x55, 0x04}) LogPrintA("%02x ", b);
  LogPrintA("\n");
  LogTimestamps = true;
  EXPECT_EQ(log.Console(), "aa 55 04 \n");
}

TEST(LogOn, APercentInTheFormattedTextIsWrittenUnchanged) {
  LogCapture log;
  LogPrintA("%s\n", "50%d done %s");
  LogPrintW(L"%ls\n", L"100%n");
  EXPECT_EQ(log.File(), "50%d done %s\n100%n\n");
}

TEST(LogOn, WideTextIsWrittenAsUtf8) {
  LogCapture log;
  LogPrintW(L"\u573a\u666f %ls \u00e9\n", L"\U0001F50A");
  LogPrintA("%s\n", "\xd0\xb6");  // 8-bit callers already speak UTF-8
  EXPECT_EQ(log.File(), "\xe5\x9c\xba\xe6\x99\xaf \xf0\x9f\x94\x8a \xc3\xa9\n\xd0\xb6\n");
}

TEST(LogOn, AnOverlongMessageIsCutToTheBuffer) {
  LogCapture log;
  const std::string longText(5000, 'x');
  const std::wstring longWide(5000, L'y');
  LogPrintA("%s", longText.c_str());
  LogPrintW(L"%ls", longWide.c_str());
  const std::string file = log.File();
  EXPECT_EQ(file, std::string(kLogMessageCapacity - 1, 'x') + std::string(kLogMessageCapacity - 1, 'y'));
}

TEST(LogOn, TheFileIsFlushedAfterThe12thMessageAndEvery11thAfter) {
  LogCapture log;
  auto flushedLines = [&] {
    const std::string text = log.File(false);
    return std::count(text.begin(), text.end(), '\n');
  };
  for (int i = 1; i <= 11; ++i) LogPrintA("line %d\n", i);
  EXPECT_EQ(flushedLines(), 0);
  LogPrintA("line 12\n");
  EXPECT_EQ(flushedLines(), 12);
  for (int i = 13; i <= 22; ++i) LogPrintA("line %d\n", i);
  EXPECT_EQ(flushedLines(), 12);
  LogPrintA("line 23\n");
  EXPECT_EQ(flushedLines(), 23);
}

TEST(LogOn, ConcurrentWritersNeverInterleaveInsideAMessage) {
  LogCapture log;
  constexpr int kThreads = 4;
  constexpr int kMessages = 300;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      const std::string body(40, static_cast<char>('a' + t));
      for (int i = 0; i < kMessages; ++i) {
        if (i % 2 == 0) {
          LogPrintA("<%s>\n", body.c_str());
        } else {
          LogPrintW(L"<%s>\n", body.c_str());
        }
      }
    });
  }
  for (auto& w : writers) w.join();
  const std::string file = log.File();
  std::istringstream lines(file);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    ASSERT_EQ(line.size(), 42u);
    EXPECT_EQ(line.find_first_not_of(line[1], 1), 41u) << line;
  }
  EXPECT_EQ(count, kThreads * kMessages);
}

}  // namespace
}  // namespace qb

#include "shell/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/log_capture.h"

namespace qb {
namespace {

using test::LogCapture;

const char* const kStamp = R"(\[\d\d:\d\d:\d\d\.\d{3}\] )";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

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

// --- lines written in pieces ---------------------------------------------------------------

TEST(LogLine, APiecedDumpReadsAsBeforeWithOneStampAtItsStart) {
  LogCapture log;
  {
    LogLine dump;
    dump.Append("read data: ");
    for (int b : {0xaa, 0x55, 0x04}) dump.Append("%02x ", b);
    dump.Append("\n");
  }
  {
    LogLine pwd;  // a NUL character ends its piece, as it ends a LogPrintA message
    pwd.Append("pwd-->> ");
    for (char c : {'1', '\0', '2'}) pwd.Append("%c", c);
    pwd.Append("\n\r");
  }
  EXPECT_TRUE(std::regex_match(
      log.Console(),
      std::regex(std::string(kStamp) + "read data: aa 55 04 \n" + kStamp + "pwd-->> 12\n\r")))
      << log.Console();
  EXPECT_EQ(log.File(), "read data: aa 55 04 \npwd-->> 12\n\r");
}

TEST(LogLine, EachEmitWritesWhatWasAppendedOnceAndTheDestructorWritesTheRest) {
  LogCapture log;
  {
    LogLine line;
    line.Append("a ");
    LogPrintA("other\n");  // written first: the line is not written yet
    line.Append("b\n");
    line.Emit();
    line.Emit();
    line.Append("c\n");
  }
  { LogLine unused; }
  EXPECT_EQ(Lines(log.Console()).size(), 3u);
  EXPECT_EQ(log.File(), "other\na b\nc\n");
}

TEST(LogLine, NothingIsKeptOrWrittenWhileTheLogIsOff) {
  LogLine line;
  line.Append("lost ");
  LogCapture log;
  line.Append("kept\n");
  line.Emit();
  line.Append("closed before it was written\n");
  CloseLog();
  line.Emit();
  EXPECT_EQ(Lines(log.Console()).size(), 1u);
  EXPECT_EQ(log.File(), "kept\n");
}

TEST(LogLine, AnOverlongLineIsCutAsASingleMessageIsAndTheNextLineIsWhole) {
  LogCapture log;
  const std::string piece(50, 'x');
  LogLine line;
  for (int i = 0; i < 100; ++i) line.Append("%s", piece.c_str());
  line.Append("\n");  // no longer fits
  line.Emit();
  line.Append("next\n");
  line.Emit();
  EXPECT_EQ(log.File(), std::string(kLogMessageCapacity - 1, 'x') + "next\n");
}

TEST(LogLine, APiecedLineCountsAsOneMessageForTheFileFlush) {
  LogCapture log;
  for (int i = 1; i <= 12; ++i) {
    LogLine line;
    for (const char* piece : {"line ", "in ", "pieces\n"}) line.Append("%s", piece);
    line.Emit();
    EXPECT_EQ(Lines(log.File(false)).size(), i < 12 ? 0u : 12u) << i;
  }
}

// The UI thread and the device link's worker both dump frames; each line must come out
// whole, stamped once, with only its own writer's pieces in it.
TEST(LogLine, ConcurrentPiecedLinesStayWholeAndStampedOnce) {
  LogCapture log;
  constexpr int kThreads = 4;
  constexpr int kLines = 300;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      const char id = static_cast<char>('a' + t);
      for (int i = 0; i < kLines; ++i) {
        LogLine line;
        line.Append("%c:", id);
        for (int p = 0; p < 20; ++p) line.Append("%c%c ", id, id);
        line.Append("\n");
      }
    });
  }
  for (auto& w : writers) w.join();

  const std::regex consoleLine(std::string(kStamp) + R"(([a-d]):(\1\1 ){20})");
  int perWriter[kThreads] = {};
  for (const std::string& line : Lines(log.Console())) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, consoleLine)) << line;
    ++perWriter[m[1].str()[0] - 'a'];
  }
  for (int count : perWriter) EXPECT_EQ(count, kLines);
  const std::vector<std::string> fileLines = Lines(log.File());
  EXPECT_EQ(fileLines.size(), static_cast<std::size_t>(kThreads * kLines));
  for (const std::string& line : fileLines) {
    ASSERT_TRUE(std::regex_match(line, std::regex(R"(([a-d]):(\1\1 ){20})"))) << line;
  }
}

}  // namespace
}  // namespace qb

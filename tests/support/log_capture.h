#pragma once
// Switches the log on for one test, into a fresh temporary folder, with the console going
// to a temporary stream that the test can read; switches it off again afterwards.

#include <cstdio>
#include <filesystem>
#include <string>

namespace qb::test {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  /// Everything the console showed so far.
  std::string Console();
  /// The log file's content so far (closes the log first when `close` is set, so that
  /// everything is flushed).
  std::string File(bool close = true);
  const std::filesystem::path& Directory() const { return m_dir; }

 private:
  std::filesystem::path m_dir;
  std::FILE* m_console = nullptr;
};

std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace qb::test

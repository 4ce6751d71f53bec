#include "tests/support/log_capture.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "shell/log.h"

namespace qb::test {

LogCapture::LogCapture() {
  char pattern[] = "/tmp/qb_log_XXXXXX";
  m_dir = ::mkdtemp(pattern);
  m_console = std::tmpfile();
  SetLogConsoleStream(m_console);
  InitConsoleWindow((m_dir / "save.log").c_str());
}

LogCapture::~LogCapture() {
  CloseLog();
  SetLogConsoleStream(nullptr);
  std::fclose(m_console);
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

std::string LogCapture::Console() {
  std::fflush(m_console);
  std::rewind(m_console);
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, m_console)) > 0) text.append(buffer, n);
  std::fseek(m_console, 0, SEEK_END);
  return text;
}

std::string LogCapture::File(bool close) {
  if (close) CloseLog();
  return ReadWholeFile(m_dir / "save.log");
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace qb::test

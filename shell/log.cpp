#include "shell/log.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <mutex>
#include <utility>

namespace qb {

std::atomic<bool> detail::g_logOn{false};

namespace {

/// Every piece of log state below is guarded by this mutex. `g_file` is atomic only so that
/// the lock-free `g_logOn` check and the file agree without a data race.
std::mutex g_busy;
std::atomic<std::FILE*> g_file{nullptr};
std::FILE* g_console = nullptr;  // null: standard output
int g_linesSinceFlush = 0;
char g_narrow[kLogMessageCapacity];
wchar_t g_wide[kLogMessageCapacity];
// A wide message converted to UTF-8 needs at most four bytes a character.
char g_wideUtf8[kLogMessageCapacity * 4];

/// Encodes a wide string (UTF-32 on this platform) as UTF-8 into `out`, cutting at a
/// character boundary when `out` is full. Invalid code points become U+FFFD.
/// Returns the number of bytes written, excluding the terminator.
std::size_t WideToUtf8(const wchar_t* in, char* out, std::size_t capacity) {
  std::size_t n = 0;
  for (; *in != L'\0'; ++in) {
    auto cp = static_cast<std::uint32_t>(*in);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    unsigned char bytes[4];
    std::size_t len;
    if (cp < 0x80) {
      bytes[0] = static_cast<unsigned char>(cp);
      len = 1;
    } else if (cp < 0x800) {
      bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
      bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      len = 2;
    } else if (cp < 0x10000) {
      bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      len = 3;
    } else {
      bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      len = 4;
    }
    if (n + len + 1 > capacity) break;
    std::memcpy(out + n, bytes, len);
    n += len;
  }
  out[n] = '\0';
  return n;
}

/// Writes one formatted message: console behind the time-stamp prefix, file without it,
/// then the flush rule (after the 12th message and every 11th after).
/// Caller holds g_busy, so the stamp is taken in the order the messages are written.
void WriteMessage(std::FILE* file, const char* text, std::size_t length) {
  std::FILE* console = g_console != nullptr ? g_console : stdout;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  std::fprintf(console, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min, local.tm_sec,
               static_cast<int>(ms));
  std::fwrite(text, 1, length, console);
  std::fflush(console);

  std::fwrite(text, 1, length, file);
  if (g_linesSinceFlush > 10) {
    std::fflush(file);
    g_linesSinceFlush = 0;
  }
  ++g_linesSinceFlush;
}

}  // namespace

int InitConsoleWindow(const char* path) {
  std::lock_guard<std::mutex> lock(g_busy);
  if (std::FILE* old = g_file.exchange(nullptr)) std::fclose(old);
  g_linesSinceFlush = 0;
  std::FILE* file = std::fopen(path, "wb");
  g_file.store(file);
  detail::g_logOn.store(file != nullptr, std::memory_order_relaxed);
  return 0;
}

int InitConsoleWindow(const wchar_t* path) {
  char utf8[4096];
  WideToUtf8(path, utf8, sizeof utf8);
  return InitConsoleWindow(utf8);
}

void CloseLog() {
  std::lock_guard<std::mutex> lock(g_busy);
  detail::g_logOn.store(false, std::memory_order_relaxed);
  if (std::FILE* old = g_file.exchange(nullptr)) std::fclose(old);
}

void SetLogConsoleStream(std::FILE* stream) {
  std::lock_guard<std::mutex> lock(g_busy);
  g_console = stream;
}

bool InitLogFromMarker() {
  struct stat info {};
  if (::stat(kLogMarkerFile, &info) != 0) return false;
  InitConsoleWindow(kLogFileName);
  return LogEnabled();
}

int LogPrintA(const char* format, ...) {
  if (!LogEnabled()) return 0;
  std::lock_guard<std::mutex> lock(g_busy);
  std::FILE* file = g_file.load(std::memory_order_relaxed);
  if (file == nullptr) return 0;  // closed while we waited
  va_list args;
  va_start(args, format);
  const int result = std::vsnprintf(g_narrow, sizeof g_narrow, format, args);
  va_end(args);
  if (result < 0) return result;
  // Longer messages are cut to the buffer.
  WriteMessage(file, g_narrow, std::strlen(g_narrow));
  return result;
}

int LogPrintW(const wchar_t* format, ...) {
  if (!LogEnabled()) return 0;
  std::lock_guard<std::mutex> lock(g_busy);
  std::FILE* file = g_file.load(std::memory_order_relaxed);
  if (file == nullptr) return 0;
  va_list args;
  va_start(args, format);
  int result = std::vswprintf(g_wide, kLogMessageCapacity, format, args);
  va_end(args);
  if (result < 0) {
    // vswprintf reports a message that does not fit as an error; keep what fitted.
    g_wide[kLogMessageCapacity - 1] = L'\0';
    result = static_cast<int>(std::wcslen(g_wide));
  }
  const std::size_t bytes = WideToUtf8(g_wide, g_wideUtf8, sizeof g_wideUtf8);
  WriteMessage(file, g_wideUtf8, bytes);
  return result;
}

void LogLine::Append(const char* format, ...) {
  if (!LogEnabled()) return;
  const std::size_t room = sizeof m_text - m_length;  // never 0: one byte stays for the NUL
  va_list args;
  va_start(args, format);
  const int result = std::vsnprintf(m_text + m_length, room, format, args);
  va_end(args);
  if (result < 0) {
    m_text[m_length] = '\0';  // a piece that fails to format is left out, as LogPrintA drops it
    return;
  }
  m_length += std::strlen(m_text + m_length);
}

void LogLine::Emit() {
  const std::size_t length = std::exchange(m_length, 0);
  if (length == 0 || !LogEnabled()) return;
  std::lock_guard<std::mutex> lock(g_busy);
  std::FILE* file = g_file.load(std::memory_order_relaxed);
  if (file == nullptr) return;  // closed while we waited
  WriteMessage(file, m_text, length);
}

}  // namespace qb

#pragma once
/// The diagnostic log: off unless start-up finds its marker file, then every message goes to
/// standard output behind a time stamp "[hh:mm:ss.mmm] " and, without the stamp, to
/// "save.log". A line written in pieces is gathered in a LogLine and written as one message.
///
/// With the log off every call returns at once without formatting anything. With it on,
/// calls are serialised (one writer at a time, never interleaved inside a message) and
/// format into fixed buffers, so a call allocates nothing. The file is UTF-8 throughout:
/// wide-format messages are converted, because a file that mixed two encodings could not
/// be read back by any tool.

#include <atomic>
#include <cstddef>
#include <cstdio>

namespace qb {

/// Name of the marker file whose presence in the current directory turns the log on.
inline constexpr const char* kLogMarkerFile = "savelog.ini";
/// Name of the log file written in the current directory.
inline constexpr const char* kLogFileName = "save.log";
/// A formatted message, terminator included, is cut to this many characters. Sized so the
/// longest lines the device link writes still fit whole: a queued command with a full
/// payload dumped as "cmd_data[i](0xnn) " (about 1100 characters) and a mix-trim setter
/// over a full report of channels (about 1300).
inline constexpr int kLogMessageCapacity = 2048;

/// Opens the log: truncates (or creates) the file at `path` and directs console lines to
/// standard output. Returns 0. If the file cannot be opened the log stays off.
/// Calling it again replaces the previous file.
int InitConsoleWindow(const char* path);

/// Wide variant of InitConsoleWindow; the path is converted to UTF-8.
int InitConsoleWindow(const wchar_t* path);

namespace detail {
/// True while a log file is open; read on every log call, written only when opening or
/// closing under the log's lock.
extern std::atomic<bool> g_logOn;
}  // namespace detail

/// True while a log file is open. Hot paths test it before building a log line.
inline bool LogEnabled() { return detail::g_logOn.load(std::memory_order_relaxed); }

/// printf-style log call with a wide format; `%ls` arguments are wide strings.
/// Returns the number of characters formatted, 0 when the log is off.
int LogPrintW(const wchar_t* format, ...);

/// printf-style log call with an 8-bit (UTF-8) format. Returns the number of characters
/// formatted, -1 on a formatting error, 0 when the log is off.
int LogPrintA(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// One message gathered from printf-style pieces (a byte dump, say) and written in one go,
/// so that it carries its console time stamp once, at its start, and no other thread's
/// message can land between its pieces. Keep it on the stack of the thread that logs:
/// it holds its own fixed buffer and allocates nothing.
///
///   LogLine line;
///   for (std::uint8_t b : frame) line.Append("%02x ", b);
///   line.Append("\n");
///   line.Emit();  // or let it go out of scope
class LogLine {
 public:
  LogLine() = default;
  /// Emits whatever has been appended and not yet emitted.
  ~LogLine() { Emit(); }
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;

  /// Adds a piece. With the log off nothing is formatted: a dump in a hot path costs one
  /// flag test a piece. Text beyond kLogMessageCapacity - 1 characters is cut, as a single
  /// message's is, and a piece is cut at an embedded NUL character, as LogPrintA cuts it.
  void Append(const char* format, ...) __attribute__((format(printf, 2, 3)));

  /// Writes the pieces gathered so far exactly as LogPrintA writes one message (console
  /// with the time stamp, file without, same flush rule and lock) and leaves the line
  /// empty for reuse. An empty line writes nothing.
  void Emit();

 private:
  char m_text[kLogMessageCapacity];
  std::size_t m_length = 0;
};

/// Closes the file and turns the log off. Used at orderly shutdown and by tests that
/// open the log more than once.
void CloseLog();

/// Sends console lines to `stream` instead of standard output (null restores stdout).
/// Lets tests read what the console shows.
void SetLogConsoleStream(std::FILE* stream);

/// Turns the log on when the marker file exists in the current directory, writing
/// "save.log" beside it. Returns true when the log is on afterwards.
bool InitLogFromMarker();

}  // namespace qb

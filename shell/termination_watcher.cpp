#include "shell/termination_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "shell/log.h"

namespace qb {
namespace {

/// The pipe's ends: the handler writes to [1], the event loop reads [0]. -1 while no
/// watcher runs. Atomic so the handler reads a whole value.
std::atomic<int> g_writeEnd{-1};
int g_readEnd = -1;
struct sigaction g_previousTerm {};
struct sigaction g_previousInt {};

void OnSignal(int signalNumber) {
  const int savedErrno = errno;  // the interrupted code may be reading errno
  const int fd = g_writeEnd.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {}

TerminationWatcher::~TerminationWatcher() {
  if (!m_started) return;
  ::sigaction(SIGTERM, &g_previousTerm, nullptr);
  ::sigaction(SIGINT, &g_previousInt, nullptr);
  delete m_notifier;
  const int writeEnd = g_writeEnd.exchange(-1);
  ::close(writeEnd);
  ::close(g_readEnd);
  g_readEnd = -1;
}

bool TerminationWatcher::Start() {
  if (m_started || g_writeEnd.load() >= 0) return m_started;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    LogPrintA("TerminationWatcher: no pipe (errno %d)\n", errno);
    return false;
  }
  g_readEnd = fds[0];
  g_writeEnd.store(fds[1]);
  m_notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] { ReadSignals(); });

  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  // Restart slow calls rather than have them fail with EINTR all over the program.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, &g_previousTerm);
  ::sigaction(SIGINT, &action, &g_previousInt);
  m_started = true;
  return true;
}

void TerminationWatcher::ReadSignals() {
  unsigned char byte = 0;
  while (::read(g_readEnd, &byte, 1) == 1) {
    LogPrintA("signal %d: closing\n", static_cast<int>(byte));
    emit terminationRequested(static_cast<int>(byte));
  }
}

}  // namespace qb

#pragma once
/// Ends the program through its own close sequence when the system asks it to stop:
/// SIGTERM (logout, shutdown, kill) and SIGINT (Ctrl-C in the terminal) become a Qt
/// signal on the thread that watches, instead of killing the process on the spot, which
/// would leave the box believing the PC is still there and lose the log's last lines.
///
/// The handler only writes the signal's number into a pipe (what a signal handler may do);
/// the event loop reads it and emits terminationRequested.

#include <QObject>

class QSocketNotifier;

namespace qb {

class TerminationWatcher : public QObject {
  Q_OBJECT

 public:
  explicit TerminationWatcher(QObject* parent = nullptr);
  /// Puts the previous handlers back and closes the pipe.
  ~TerminationWatcher() override;
  TerminationWatcher(const TerminationWatcher&) = delete;
  TerminationWatcher& operator=(const TerminationWatcher&) = delete;

  /// Installs the handlers; needs the current thread's event loop (a QCoreApplication).
  /// Only one watcher may run in a process. False, changing nothing, when the pipe cannot
  /// be made or another watcher runs.
  bool Start();

 signals:
  /// SIGTERM or SIGINT arrived; a second one while the first is handled arrives again.
  void terminationRequested(int signalNumber);

 private:
  void ReadSignals();

  QSocketNotifier* m_notifier = nullptr;
  bool m_started = false;
};

}  // namespace qb

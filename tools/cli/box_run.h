#pragma once
/// One run's hold on the box: the core it drives, the queue the core's messages come
/// through, the session's notices, and the waits a command needs (until the box has taken
/// every change, until a task has ended, until an answer came). A command reaches the box
/// only through the core; messages meant for the window it stands in for (the scene,
/// memory, calibration or update window) reach its listener first.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/equalizer_manager.h"
#include "core/message_queue.h"
#include "tools/cli/cli_result.h"
#include "tools/cli/cli_session.h"

namespace qb {
class PlugSwitch;
}

namespace qb::cli {

/// Short enough that an unplug or the end of the read-out is seen at once, long enough not
/// to spin while the box answers.
inline constexpr std::chrono::milliseconds kPumpSlice{20};
/// How long an answer the box has already sent may take to come through the queue.
inline constexpr std::chrono::milliseconds kAnswerGrace{2000};

/// The session's notices, kept until the run decides how it ended.
class NoticeBoard final : public SessionHost {
 public:
  void OnNotice(SessionNotice notice, int value, std::string_view detail) override;
  // The run has nothing else to do while a refused box waits for its next try: it sleeps
  // until then (BoxRun::RetryRefusedOpen).
  bool StartOpenRetryTimer(int delayMs) override;
  void StopOpenRetryTimer() override { retryAt.reset(); }
  // No main-volume poll: the run ends long before its first tick, and `status` reads the
  // volume afresh anyway.

  std::optional<std::chrono::steady_clock::time_point> retryAt;
  std::optional<std::string> deniedNode;
  bool connectFailed = false;
  std::optional<int> foreignModel;
  bool left = false;
  bool oldFirmware = false;
  bool abnormal = false;
};

class BoxRun {
 public:
  /// Sees a message before the core; true when it took it.
  using Listener = std::function<bool(const ReplyMessage&)>;

  BoxRun(std::shared_ptr<HidBackend> backend, PlugSwitch* plug, const SessionOptions& options);
  ~BoxRun();
  BoxRun(const BoxRun&) = delete;
  BoxRun& operator=(const BoxRun&) = delete;

  EqualizerManager& Core() { return m_manager; }
  const EqualizerMirror& Mirror() const { return m_manager.Mirror(); }
  BoxSession& Session() { return m_manager.Session(); }
  const SessionOptions& Options() const { return m_options; }
  /// Where the core posts to the window a command stands in for.
  MessageTarget* Window() { return &m_queue; }

  /// Opens and reads the box; the failure when it is not a ZX7140K running its
  /// application, left, or could not be read.
  std::optional<Outcome> Connect();
  /// Opens the box and waits for the read-out; false when nothing could be opened.
  bool OpenAndRead();
  /// Tells the box the PC has gone, as the window does when it disconnects.
  void Leave();

  /// Hands every posted message to the listener and the core, waiting up to `wait` for the
  /// first; and notices a box that left.
  void Pump(std::chrono::milliseconds wait);
  /// Pumps for `time`, polling the plug events.
  void Wait(std::chrono::milliseconds time);
  /// Waits until the link has sent every queued command and the core has taken every
  /// reply; a problem when the box did not take them or left.
  std::string Drain();
  /// Pumps until the running task's end has been handled (and what follows it has run);
  /// a problem naming `what` when the box left or `limit` passed.
  std::string AwaitTask(std::chrono::milliseconds limit, const std::string& what);
  /// Pumps until `done` holds, at most `limit` and not after the box left; whether it holds.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  bool BoxLeft() const { return m_unplugged.load() || m_notices.left; }
  const NoticeBoard& Notices() const { return m_notices; }
  /// Forgets the notices and a departure, for a box read afresh after a restart.
  void StartAfresh();
  /// Whether the box's last plug event said it is there, and how often it has left.
  bool Present() const { return m_present.load(); }
  int Departures() const { return m_departures.load(); }
  /// True when the backend reports plug events (the virtual box does; hidapi does not).
  bool WatchesPlug() const { return m_plug != nullptr; }
  /// Lets the backend's timed plug events happen.
  void PollPlug();

  /// Adds "quorelbox-cli: warning: <message>" to the run's standard error.
  void Warn(std::string_view message);
  const std::string& Warnings() const { return m_warnings; }

  /// Gives `listener` the messages while the returned object lives.
  class Listening {
   public:
    Listening(BoxRun& run, Listener listener) : m_run(run) { m_run.m_listener = std::move(listener); }
    ~Listening() { m_run.m_listener = nullptr; }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

   private:
    BoxRun& m_run;
  };

 private:
  void Handle(const ReplyMessage& message);
  /// Gives a box the system refused its tries, until it opens or the session gives up.
  void RetryRefusedOpen();

  const SessionOptions m_options;
  PlugSwitch* m_plug;
  std::atomic<bool> m_unplugged{false};
  std::atomic<bool> m_present{true};  ///< the box's last plug event said it is there
  std::atomic<int> m_departures{0};   ///< times the box left the bus
  std::string m_warnings;
  Listener m_listener;
  // The queue and the notice board outlive the manager: its session's task may still post
  // while the manager shuts it down.
  MessageQueue m_queue;
  NoticeBoard m_notices;
  EqualizerManager m_manager;
};

}  // namespace qb::cli

#pragma once
/// The session with one box: the device link, the background tasks that talk to the box
/// for long, the connection lifecycle (connect, read-out, disconnect, hot-plug, factory
/// default) and the main-volume poll. The connection state lives in the mirror, where every
/// observer follows it.
///
/// Threads: every public method runs on the thread that owns the mirror, except
/// PC_UI_Status_Init, which the read-out task runs. Tasks only talk to the box and post
/// messages to the attached target; they never touch the mirror, and the owning thread
/// never waits for a task's work (it defers what must follow a task until the task's end
/// message arrives).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/equalizer_mirror.h"
#include "core/mirror_change.h"
#include "core/session_host.h"
#include "devicelink/device_link.h"
#include "devicelink/joinable_thread.h"
#include "messages/reply_message.h"

namespace qb {

/// The model number of the ZX7140K in the handshake.
inline constexpr int kBoxModel = 79;
/// Oldest firmware that needs no forced update: 16.16.
inline constexpr int kMinMainVersion = 16;
inline constexpr int kMinSlaveVersion = 16;
/// Timer id and polls of the main-volume poll after a source switch.
inline constexpr int GET_MAIN_VOLUME_TIMER = 4114;
inline constexpr int kMainVolumePolls = 10;
/// Waits before each new attempt to open a box whose node was refused: udev gives the user
/// the node a moment after a plug-in, so a refusal is only reported when it lasts (about
/// 1.5 s in all).
inline constexpr std::array<int, 4> kOpenRetryDelaysMs{100, 200, 400, 800};
/// Posted by a task as its very last act, so the owning thread can start what waited for it.
inline constexpr std::uint32_t WM_TASK_ENDED = 0x7F10;

/// True for firmware older than 16.16 (numbers, never text).
bool FirmwareNeedsForcedUpdate(int mainVersion, int slaveVersion);

class BoxSession {
 public:
  BoxSession(EqualizerMirror& mirror, ChangeHub& changes, std::shared_ptr<HidBackend> backend,
             LinkTimings timings = {});
  /// Closes the box (a task still talking to it gives up within one read slice) and waits
  /// for the task.
  ~BoxSession();
  BoxSession(const BoxSession&) = delete;
  BoxSession& operator=(const BoxSession&) = delete;

  DeviceLink& Link() { return m_link; }
  const DeviceLink& Link() const { return m_link; }

  /// The target of the link's replies and of the session's own messages, and the host told
  /// about the session's events. Set before connecting: a task posts to the target from its
  /// own thread. Both must outlive the session, or be replaced while no task runs.
  void Attach(MessageTarget* target, SessionHost* host);
  SessionHost* Host() const { return m_host; }

  ConnectionState State() const { return m_mirror.session.connection; }
  bool IsDeviceOpen() const { return m_link.IsDeviceOpen(); }
  /// True while live edits reach the box as they are made (connected, no task owns it).
  bool LiveEditsReachBox() const { return m_link.QueueEnabled(); }
  /// Commands queued or on their way that the box has not answered yet.
  std::size_t CommandsPending() const { return m_link.UnfinishedCommands(); }
  /// The model and the running program the box's handshake reported: the application
  /// (true) or its firmware loader.
  int HandshakeModel() const { return m_link.Model(); }
  bool RunsApplication() const { return m_link.ApplicationMode(); }
  /// True while a firmware upgrade owns the box (the link's upgrade state says so).
  bool IsUpgrading() const;
  /// The firmware upgrade takes the box (`on`) or hands it back: the state follows.
  void SetUpgrading(bool on);
  /// True from a task's start until its thread has finished its work.
  bool TaskRunning() const { return m_taskRunning.load(std::memory_order_acquire); }
  /// True from a task's start until its end message has been handled: no other task may
  /// start before then, so what follows a task runs once and in order.
  bool Busy() const { return m_awaitingEnd; }
  /// Waits for the running task, if any. For tests and the command-line tool, which have
  /// nothing else to do meanwhile; a window never waits.
  void WaitForTask() { m_task.Join(); }

  // --- connection lifecycle -----------------------------------------------------------
  /// Opens the box and reads it on a task; while open, disconnects instead. Called while a
  /// task runs, it waits for that task's end (without blocking) and then connects.
  /// `showError` tells the user when no box could be opened. A box whose node this user may
  /// not open is tried again after each of kOpenRetryDelaysMs (through the host's one-shot
  /// timer, so nothing waits) and then reported as PermissionDenied, whatever `showError`
  /// says: it is plugged in, so the user means to use it.
  void ConnectDevice(bool showError);
  /// The host's open-retry timer fired: tries the refused box again.
  void OpenRetryTick();
  /// True while a refused open waits for its next attempt (the state is Connecting).
  bool OpenRetryPending() const { return m_openRetryPending; }
  /// The read-out's replies are applied: connected, live edits reach the box.
  void OnConnectDone();
  void DisconnectDevice();
  void DevicePlugin();
  void DevicePlugOut();
  /// Reads the whole box again on a task (the forced update's end); connects first when the
  /// link is closed, waits for a running task's end.
  void StartReadOut();
  /// Sends the factory default on a task (the caller has asked the user). False while
  /// another task runs.
  bool StartFactoryDefault();
  /// Runs `work` on the task thread: a long operation that talks to the box with immediate
  /// commands and reports only by posting messages. When it returns, the session is told
  /// (WM_TASK_ENDED): it runs `ended` on the owning thread — after every reply the task
  /// caused has been applied, since they were posted before — and then what waited for the
  /// task. False, running nothing, while another task runs.
  bool StartTask(std::function<void()> work, std::function<void()> ended = {});

  // --- main-volume poll (timer 4114) ----------------------------------------------------
  /// The box changes its volume with the source: ask for it once a second, ten times.
  void StartMainVolumePoll();
  /// One tick: asks for the main volume while polls remain. False once the poll is over
  /// (the timer is stopped).
  bool MainVolumePollTick();
  /// A main-volume reply arrived: the poll ends.
  void StopMainVolumePoll();
  int MainVolumePolls() const { return m_mainVolumePolls; }

  /// Posts a message without record to the attached target (from any thread).
  void Post(std::uint32_t number);
  /// Tells the host about `notice` (nothing without a host).
  void Tell(SessionNotice notice, int value = 0, std::string_view detail = {});

  /// The session's own messages: the lifecycle messages its tasks post and the notices
  /// they stand for. True when `message` was one of them.
  bool HandleMessage(const ReplyMessage& message);

  /// The initial full read (task thread): the handshake, then every query of the live
  /// state, the band counts taken from `eqSizes`. -1 when the handshake fails, else 0.
  int PC_UI_Status_Init(const PerOutput<int>& eqSizes);

 private:
  void SetState(ConnectionState state);
  /// One attempt to open the box; when it opens, the read-out starts.
  void OpenAndRead(bool showError);
  /// The box's node was refused: retries later, or tells the user once the retries are spent.
  void OpenRefused(const std::string& node, bool showError);
  void StopOpenRetry();
  /// While a forced update runs (and no "noForceUpdate.ini" says otherwise) a box that
  /// comes back is handed to the update instead of being read. True when it was.
  bool HandOverToForcedUpdate();
  static void RunTask(BoxSession* self);
  void ReadMcuValueThread();
  void FactoryDefaultThread();

  EqualizerMirror& m_mirror;
  ChangeHub& m_changes;
  DeviceLink m_link;
  MessageTarget* m_target = nullptr;
  SessionHost* m_host = nullptr;
  /// Band counts the running read-out asks for, copied before it starts.
  PerOutput<int> m_readOutBands{};
  /// A connect asked for while a task ran: done when the task ends (the flag: show errors).
  std::optional<bool> m_connectAfterTask;
  /// A read-out asked for while a task ran (StartReadOut): done when the task ends.
  bool m_readOutAfterTask = false;
  int m_mainVolumePolls = 0;
  /// Retries of a refused open made since the last connect; the next one waits
  /// kOpenRetryDelaysMs[m_openRetries].
  std::size_t m_openRetries = 0;
  bool m_openRetryPending = false;
  bool m_openRetryShowsError = false;  ///< the pending retry's `showError`
  /// The running task's work; set before its thread starts, read only by that thread.
  std::function<void()> m_taskWork;
  /// What runs on the owning thread once the task has ended.
  std::function<void()> m_taskEnded;
  bool m_awaitingEnd = false;  ///< owning thread only
  std::atomic<bool> m_taskRunning{false};
  JoinableThread m_task;  ///< last: its thread uses everything above
};

}  // namespace qb

#pragma once
/// The thread that drives a room calibration on the box: it selects the test modules,
/// starts the measurement, polls the box's status and fetches each output's spectrum and
/// correction when the box says they are ready, while the window stays responsive.
///
/// The thread and the owning thread share the status, progress, output to fetch, the
/// spectrum-pending flag and the running and stop flags; all are atomics. The status
/// reports are noted the moment they are decoded (on whichever thread read them) by a tap
/// that sits in the link's calibration slot and then hands every report on to the window,
/// so the thread acts on the report its own poll brought back, never on one the window has
/// not got to yet.
///
/// Stopping never blocks the owning thread: RequestStop wakes the thread from its pause,
/// the thread tells the box to stop and ends, and its last act is to post
/// WM_IRC_THREAD_ENDED (wParam: CalibrationEnd), so the window stays free to take the
/// reports still on their way. The destructor stops and joins.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "devicelink/device_link.h"
#include "devicelink/joinable_thread.h"
#include "messages/reply_message.h"

namespace qb {

/// Posted by the calibration thread as its very last act; wParam = CalibrationEnd.
inline constexpr std::uint32_t WM_IRC_THREAD_ENDED = 0x7F11;

enum class CalibrationEnd : std::uintptr_t {
  Finished = 0,  ///< the box reported completion, exit or failure
  Stopped = 1,   ///< the user stopped it
  BoxLeft = 2,   ///< the box went away during the run
};

/// Test modules of the calibration.
inline constexpr int kIrcModuleEq = 1;
inline constexpr int kIrcModuleDelay = 2;
inline constexpr int kIrcModulePhase = 4;

/// Calibration actions of IRC_Ctrl.
inline constexpr std::uint8_t kIrcStop = 0;
inline constexpr std::uint8_t kIrcStart = 1;
inline constexpr std::uint8_t kIrcApply = 2;
inline constexpr std::uint8_t kIrcDiscard = 3;

struct CalibrationTimings {
  /// Pause after each status poll and after acting on it: the box measures meanwhile.
  std::chrono::milliseconds pollPause{500};
};

/// True for the statuses that end a run: done (10), failed (11), exit (12).
bool IsFinalIrcStatus(int status);

class AutoCalThread {
 public:
  explicit AutoCalThread(DeviceLink& link, CalibrationTimings timings = {});
  ~AutoCalThread();
  AutoCalThread(const AutoCalThread&) = delete;
  AutoCalThread& operator=(const AutoCalThread&) = delete;

  /// Takes the calibration reports (through the tap) and the thread's posts to `window`;
  /// null detaches. Safe while the thread runs, but a post already under way may still
  /// reach the old target: it must live until the thread has been joined.
  void Attach(MessageTarget* window);

  /// Starts a run on `channels` (bit n = output n) with the test `modules` and `eqMode`.
  /// False while a run is still going.
  bool Start(int modules, std::uint16_t channels, int eqMode);
  /// Asks the running thread to stop; returns at once.
  void RequestStop();
  /// Waits for the thread to end (it ends within one poll after a stop or a final status).
  void Join();

  bool Running() const { return m_running.load(std::memory_order_acquire); }
  bool Stopping() const { return m_stop.load(std::memory_order_acquire); }
  int Status() const { return m_status.load(std::memory_order_acquire); }
  int Progress() const { return m_progress.load(std::memory_order_acquire); }
  int ReportChannel() const { return m_reportChannel.load(std::memory_order_acquire); }

 private:
  class Tap final : public MessageTarget {
   public:
    explicit Tap(AutoCalThread& owner) : m_owner(owner) {}
    bool PostReplyMessage(ReplyMessage&& message) override;

   private:
    AutoCalThread& m_owner;
  };

  static void Run(AutoCalThread* self);
  void Loop();
  void Note(const ReplyMessage& message);
  void Pause();
  void FetchSpectrum(int channel);
  void FetchCorrection(int channel);
  void FetchDistances();
  void Post(std::uint32_t number, std::uintptr_t wParam);

  DeviceLink& m_link;
  const CalibrationTimings m_timings;
  Tap m_tap{*this};
  std::atomic<MessageTarget*> m_window{nullptr};

  // Set before the thread starts, read by it.
  int m_modules = 0;
  std::uint16_t m_channels = 0;
  int m_eqMode = 0;

  std::atomic<bool> m_running{false};
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_spectrumPending{false};
  std::atomic<int> m_status{0};
  std::atomic<int> m_progress{0};
  std::atomic<int> m_reportChannel{0};

  std::mutex m_pauseLock;  ///< guards nothing but the pause's wait on m_wake
  std::condition_variable m_wake;
  JoinableThread m_thread;  ///< last: its thread uses everything above
};

}  // namespace qb

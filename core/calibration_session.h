#pragma once
/// The rules of the calibration window without the window: which outputs and test modules
/// a run takes, starting and stopping it, what each of the box's reports changes (the texts
/// are language keys), and applying or discarding the result. The window shows what the
/// returned updates say; the command-line tool runs the same rules.
///
/// Threads: every call on the owning thread; the reports reach it as posted messages.

#include <cstdint>
#include <optional>
#include <string>

#include "core/auto_cal_thread.h"
#include "core/calibration_data.h"

namespace qb {

/// What one message changed, for the views.
struct CalibrationUpdate {
  std::optional<int> progress;
  std::string tips;          ///< new phase or result text (a language key); empty: unchanged
  bool runEnded = false;     ///< the run is over: start can be pressed and the window closed
  int correctionChanged = -1;  ///< output whose correction curve was computed again
  int measuredChanged = -1;    ///< output whose measured (and predicted) curve is complete
  int distanceChannel = -1;    ///< output whose distance was reported
  float distance = 0.0f;
};

class CalibrationSession {
 public:
  explicit CalibrationSession(DeviceLink& link, CalibrationTimings timings = {});
  /// Stops a run and waits for its thread.
  ~CalibrationSession();

  /// Where reports and progress go while the window is open; null when it closes.
  void Attach(MessageTarget* window) { m_thread.Attach(window); }

  int Modules() const { return m_modules; }
  /// Sets or clears one test module (kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase).
  void SetModule(int module, bool on);

  enum class StartResult { Started, NoModule, Busy };
  /// Starts a run on `channels` (bit n = output n) aiming at the target `eqMode` names.
  /// NoModule (nothing sent) without a test module.
  StartResult Start(std::uint16_t channels, int eqMode);
  /// Asks the run to stop: its reports are ignored from now on, and the thread's end
  /// (WM_IRC_THREAD_ENDED) completes the stop.
  void Stop();

  /// A WM_IRC_REPLY, WM_IRC_PROGRESS or WM_IRC_THREAD_ENDED; other messages change nothing.
  CalibrationUpdate Handle(const ReplyMessage& message);

  /// Apply / discard the completed result: false, sending nothing, unless a run completed
  /// and its result is neither applied nor discarded yet.
  bool Apply();
  bool Discard();
  /// Closing: 1 when the result was applied or discarded already, or is applied now
  /// (`applyNow`, asked only when NeedsApplyQuestion); otherwise the box is told to discard
  /// and the result is 0. Waits for a thread that has not ended yet.
  int Close(bool applyNow);
  /// A completed result is waiting: closing should ask whether to apply it.
  bool NeedsApplyQuestion() const { return m_done && !m_applied; }

  bool Running() const { return m_thread.Running(); }
  bool Done() const { return m_done; }
  bool Applied() const { return m_applied; }
  std::uint16_t Channels() const { return m_channels; }
  int EqMode() const { return m_eqMode; }
  const AutoCalThread& Thread() const { return m_thread; }

  CalibrationData& Data() { return m_data; }
  const CalibrationData& Data() const { return m_data; }

 private:
  CalibrationUpdate OnReport(const ReplyMessage& message);
  CalibrationUpdate OnThreadEnded(CalibrationEnd end);
  void SettleFinishedRun();

  DeviceLink& m_link;
  CalibrationData m_data;
  int m_modules = kIrcModuleEq | kIrcModuleDelay | kIrcModulePhase;
  std::uint16_t m_channels = 0;
  int m_eqMode = 0;
  bool m_done = false;
  bool m_applied = false;
  AutoCalThread m_thread;  ///< last: its thread uses the link until it is joined
};

/// The phase or failure text of a status report, empty for none (an unknown failure code
/// leaves the text as it was).
std::string IrcStatusText(int status, int value);

}  // namespace qb

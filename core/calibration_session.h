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
#include "core/profile.h"

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

/// Outputs that can be measured, bit n = output n: those with a speaker role (an output
/// without a speaker has nothing to measure).
std::uint16_t CalibratableOutputs(const Profile& live);

class CalibrationSession {
 public:
  /// `live`: the live settings, whose roles say which outputs can be measured. The choice
  /// starts with every output that can be.
  CalibrationSession(DeviceLink& link, const Profile& live, CalibrationTimings timings = {});
  /// Stops a run and waits for its thread.
  ~CalibrationSession();

  /// Where reports and progress go while the window is open; null when it closes.
  void Attach(MessageTarget* window) { m_thread.Attach(window); }

  // --- the choices of the next run; none changes while a run is active ------------------
  int Modules() const { return m_modules; }
  /// Sets or clears one test module (kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase).
  /// False, changing nothing, while a run is active.
  bool SetModule(int module, bool on);
  /// The outputs the next run measures (bit n = output n).
  std::uint16_t Outputs() const { return m_outputs; }
  /// Adds or removes output `n`. False, changing nothing, for an output that cannot be
  /// calibrated (CalibratableOutputs) or while a run is active.
  bool SetOutput(int n, bool on);
  /// The box's equaliser mode the run aims at (0 and 1 name targets A and B); the target
  /// curves follow it (TargetOfEqMode).
  int EqMode() const { return m_eqMode; }
  bool SetEqMode(int eqMode);
  /// True while a run is active: from Start until its end is handled.
  bool Active() const { return m_active; }

  enum class StartResult { Started, NoModule, NoOutput, Busy };
  /// Starts a run on the chosen outputs and modules aiming at the chosen target. NoModule
  /// or NoOutput (nothing sent) without a test module or an output.
  StartResult Start();
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
  bool NeedsApplyQuestion() const { return m_done && !m_resultSent; }

  bool Running() const { return m_thread.Running(); }
  bool Done() const { return m_done; }
  /// True once the box was told what to do with a completed result (apply or discard): its
  /// settings may have changed.
  bool ResultSent() const { return m_resultSent; }
  /// The outputs the last run measured.
  std::uint16_t Channels() const { return m_channels; }
  const AutoCalThread& Thread() const { return m_thread; }
  /// The live settings the session reads the roles from.
  const Profile& Live() const { return m_live; }

  CalibrationData& Data() { return m_data; }
  const CalibrationData& Data() const { return m_data; }

 private:
  CalibrationUpdate OnReport(const ReplyMessage& message);
  CalibrationUpdate OnThreadEnded(CalibrationEnd end);
  void SettleFinishedRun();

  DeviceLink& m_link;
  const Profile& m_live;
  CalibrationData m_data;
  int m_modules = kIrcModuleEq | kIrcModuleDelay | kIrcModulePhase;
  std::uint16_t m_outputs = 0;
  std::uint16_t m_channels = 0;
  int m_eqMode = 0;
  bool m_active = false;
  bool m_done = false;
  bool m_resultSent = false;
  AutoCalThread m_thread;  ///< last: its thread uses the link until it is joined
};

/// The phase or failure text of a status report, empty for none (an unknown failure code
/// leaves the text as it was).
std::string IrcStatusText(int status, int value);

}  // namespace qb

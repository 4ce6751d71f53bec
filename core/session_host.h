#pragma once
/// What the box session needs from the front end that runs it: to tell the user about
/// events of the connection, a once-a-second timer for the main-volume poll and a one-shot
/// timer for retrying an open the system refused. The main window shows notices as message
/// boxes and a loading window; the command-line tool turns them into messages and exit
/// codes. Every call happens on the thread that owns the mirror.

#include <string_view>

namespace qb {

enum class SessionNotice {
  ConnectFailed,        ///< the box could not be opened or did not answer the handshake
  DeviceNotMatch,       ///< the box is another model (value: the model number)
  PlugOut,              ///< the box was unplugged while connected
  DeviceReboot,         ///< the box restarts after a factory default
  DeviceAbnormal,       ///< the box reports an abnormal state
  ForceUpdate,          ///< the box's firmware is older than this program needs
  ForceUpdateContinue,  ///< the box came back during a forced update: the update goes on
  TaskStarted,          ///< a long operation started: keep the user from editing
  TaskEnded,            ///< the long operation ended
  TaskNotStarted,       ///< a long operation could not start (busy, or no box): nothing was sent
  PermissionDenied,     ///< the box is there but this user may not open it (detail: its node)
};

class SessionHost {
 public:
  virtual ~SessionHost() = default;
  /// `value` and `detail` carry what the notice's text needs, as its comment says; they are
  /// 0 and empty otherwise. `detail` lives for the call only.
  virtual void OnNotice(SessionNotice notice, int value, std::string_view detail) = 0;
  /// Starts the main-volume poll's once-a-second timer, which calls
  /// BoxSession::MainVolumePollTick; a running timer keeps running.
  virtual void StartMainVolumeTimer() {}
  virtual void StopMainVolumeTimer() {}
  /// Calls BoxSession::OpenRetryTick once, `delayMs` from now, replacing a pending call.
  /// False when the front end keeps no such timer: the session then gives up at once.
  virtual bool StartOpenRetryTimer(int delayMs) {
    static_cast<void>(delayMs);
    return false;
  }
  virtual void StopOpenRetryTimer() {}
};

}  // namespace qb

#pragma once
/// Hot-plug notifications for the box: a libudev monitor on the "hidraw" subsystem whose
/// socket is watched by the Qt event loop of the thread that owns the monitor. Events
/// that concern the box become the boxArrived / boxRemoved signals; every event is logged
/// with the device-change wording the rest of the log uses.

#include <QObject>
#include <QString>
#include <memory>

#include "shell/hotplug_match.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace qb {

class HotplugMonitor : public QObject {
  Q_OBJECT

 public:
  explicit HotplugMonitor(QObject* parent = nullptr);
  /// Stops watching and releases the monitor and the udev context.
  ~HotplugMonitor() override;

  HotplugMonitor(const HotplugMonitor&) = delete;
  HotplugMonitor& operator=(const HotplugMonitor&) = delete;

  /// Opens the udev netlink monitor, filtered to "hidraw", and starts watching it from the
  /// current thread's event loop (a QCoreApplication must exist). Returns true when
  /// watching, also when it already was. On failure logs "RegisterDeviceNotification\n",
  /// keeps nothing half-open and returns false; the program then runs without hot-plug
  /// events and Start may be tried again.
  bool Start();

  /// True between a successful Start and destruction.
  bool IsRunning() const { return m_notifier != nullptr; }

  /// Logs one event ("Message DBT_DEVICEARRIVAL\n" for "add",
  /// "Message DBT_DEVICEREMOVECOMPLETE\n" for "remove", "Message DBT_DEVNODES_CHANGED\n"
  /// for any other action) and, for an add or remove of the box (IsBoxHidDevice), emits
  /// boxArrived or boxRemoved with the device node, or the devpath when the event has no
  /// node. Called for every received event; callable directly so the dispatch can be
  /// driven without a netlink socket.
  void HandleEvent(const HidDeviceInfo& info);

 signals:
  void boxArrived(QString devicePath);
  void boxRemoved(QString devicePath);

 private:
  struct UdevDeleter {
    void operator()(udev* context) const;
  };
  struct MonitorDeleter {
    void operator()(udev_monitor* monitor) const;
  };

  /// Receives the pending event, if any, and hands it to HandleEvent.
  void OnSocketActivated();

  // Declaration order matters: the notifier goes first on destruction, before the socket
  // it watches is closed with the monitor, and the monitor before its context.
  std::unique_ptr<udev, UdevDeleter> m_udev;
  std::unique_ptr<udev_monitor, MonitorDeleter> m_monitor;
  std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace qb

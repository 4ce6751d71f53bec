#include "shell/hotplug_monitor.h"

#include <libudev.h>

#include <QSocketNotifier>

#include "shell/log.h"

namespace qb {
namespace {

/// udev getters return null for absent values.
std::string Text(const char* value) { return value ? std::string(value) : std::string(); }

/// Frees a received device (its parents belong to it).
struct DeviceDeleter {
  void operator()(udev_device* device) const { udev_device_unref(device); }
};

HidDeviceInfo DescribeDevice(udev_device* device) {
  HidDeviceInfo info;
  info.action = Text(udev_device_get_action(device));
  info.subsystem = Text(udev_device_get_subsystem(device));
  info.devpath = Text(udev_device_get_devpath(device));
  info.devnode = Text(udev_device_get_devnode(device));
  // On removal the parent is usually gone from sysfs; the devpath then has to do.
  if (udev_device* parent = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr))
    info.hidId = Text(udev_device_get_property_value(parent, "HID_ID"));
  return info;
}

}  // namespace

void HotplugMonitor::UdevDeleter::operator()(udev* context) const { udev_unref(context); }

void HotplugMonitor::MonitorDeleter::operator()(udev_monitor* monitor) const {
  udev_monitor_unref(monitor);
}

HotplugMonitor::HotplugMonitor(QObject* parent) : QObject(parent) {}

HotplugMonitor::~HotplugMonitor() = default;

bool HotplugMonitor::Start() {
  if (IsRunning()) return true;
  std::unique_ptr<udev, UdevDeleter> context(udev_new());
  std::unique_ptr<udev_monitor, MonitorDeleter> monitor;
  if (context) monitor.reset(udev_monitor_new_from_netlink(context.get(), "udev"));
  const bool ready =
      monitor &&
      udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) >= 0 &&
      udev_monitor_enable_receiving(monitor.get()) >= 0 && udev_monitor_get_fd(monitor.get()) >= 0;
  if (!ready) {
    LogPrintA("RegisterDeviceNotification\n");
    return false;
  }
  m_udev = std::move(context);
  m_monitor = std::move(monitor);
  m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor.get()),
                                                 QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this,
          &HotplugMonitor::OnSocketActivated);
  return true;
}

void HotplugMonitor::OnSocketActivated() {
  // One event per activation: the notifier fires again while more are queued, and other
  // events get their turn in between.
  std::unique_ptr<udev_device, DeviceDeleter> device(udev_monitor_receive_device(m_monitor.get()));
  if (device) HandleEvent(DescribeDevice(device.get()));
}

void HotplugMonitor::HandleEvent(const HidDeviceInfo& info) {
  const bool arrival = info.action == "add";
  const bool removal = info.action == "remove";
  if (arrival)
    LogPrintA("Message DBT_DEVICEARRIVAL\n");
  else if (removal)
    LogPrintA("Message DBT_DEVICEREMOVECOMPLETE\n");
  else
    LogPrintA("Message DBT_DEVNODES_CHANGED\n");
  if (!(arrival || removal) || !IsBoxHidDevice(info)) return;
  const QString path = QString::fromStdString(info.devnode.empty() ? info.devpath : info.devnode);
  if (arrival)
    emit boxArrived(path);
  else
    emit boxRemoved(path);
}

}  // namespace qb

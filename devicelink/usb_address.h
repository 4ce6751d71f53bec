#pragma once
/// Where on the USB the box behind a hidraw node sits, so that a trace carries the same
/// bus and device numbers as a usbmon capture of the same box (and lsusb).

#include <filesystem>
#include <string_view>

#include "devicelink/usbmon_capture.h"

namespace qb {

/// The bus and device numbers of the USB device behind `node` (such as /dev/hidraw3),
/// read from sysfs under `sysfsRoot`: the hidraw device's nearest ancestor with "busnum"
/// and "devnum" files is the USB device. {0, 0} when `node` is no hidraw node (the
/// virtual box) or sysfs does not tell (the device is gone, or sits on another bus).
UsbDeviceAddress UsbAddressOfHidrawNode(std::string_view node, const std::filesystem::path& sysfsRoot = "/sys");

}  // namespace qb

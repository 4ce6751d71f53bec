#pragma once
/// A backend that traces: it opens devices through another backend (hidapi, the virtual
/// box, a test's) and appends every report written to and read from them to a usbmon
/// capture, so what crossed the cable can be read with Wireshark or tshark afterwards.
/// Nothing else changes: every call and its result pass through untouched.

#include <functional>
#include <memory>
#include <string>

#include "devicelink/hid_transport.h"
#include "devicelink/usbmon_capture.h"

namespace qb {

/// The bus and device numbers of the device behind an opened node (HidOpenResult::path).
using UsbAddressLookup = std::function<UsbDeviceAddress(const std::string& node)>;

/// Wraps `inner`. Output reports are recorded as they go on the wire: a report whose id
/// byte is 0 (the box has no numbered reports) crosses without that byte, as the kernel's
/// USB HID driver sends it. Input reports are recorded as read. A report is recorded
/// only when it crossed (a failed write, an empty read leave no record), and a reply is
/// never recorded before the command it answers, whichever threads write and read.
/// `locate` defaults to sysfs (UsbAddressOfHidrawNode).
std::shared_ptr<HidBackend> MakeTracingBackend(std::shared_ptr<HidBackend> inner,
                                               std::shared_ptr<UsbmonCapture> capture,
                                               UsbAddressLookup locate = {});

}  // namespace qb

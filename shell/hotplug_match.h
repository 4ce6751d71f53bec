#pragma once
/// Deciding from a device event whether it concerns the ZX7140K. Pure text rules, so they
/// can be checked without a device manager, a socket or an event loop.

#include <cstdint>
#include <string>
#include <string_view>

namespace qb {

/// USB ids of the box.
inline constexpr std::uint16_t kUsbVendorOfBox = 0x0483;
inline constexpr std::uint16_t kUsbProductOfBox = 0x5750;
/// Bus number the kernel gives USB HID devices in HID_ID and HID device names.
inline constexpr std::uint16_t kHidBusUsb = 0x0003;

/// What a hot-plug event says about one raw HID node; plain copies of the event's
/// properties, empty where the event did not carry them.
struct HidDeviceInfo {
  std::string action;     ///< "add", "remove", "change", "bind", ...
  std::string subsystem;  ///< "hidraw" for the nodes the monitor listens to
  std::string devpath;    ///< kernel path below /sys, e.g. ".../0003:0483:5750.0007/hidraw/hidraw3"
  std::string devnode;    ///< "/dev/hidraw3"; may be empty
  std::string hidId;      ///< parent HID device's HID_ID "bbbb:vvvvvvvv:pppppppp"; often empty on remove
};

/// True when `info` describes a raw HID node of the box (subsystem "hidraw"), whatever the
/// action. A well-formed HID_ID decides alone: bus USB, vendor 0x0483, product 0x5750,
/// hex digits in any case. Without one (a removal usually arrives after the parent's
/// properties are gone, or the value is malformed) the devpath decides through
/// DevpathNamesBox.
bool IsBoxHidDevice(const HidDeviceInfo& info);

/// True when the innermost HID device name in the '/'-separated kernel path `devpath` is
/// the box: a component "0003:0483:5750.<instance>" (four hex digits per id, one or more
/// for the instance, any case). Only the innermost HID component counts, because a HID
/// device nested under another (a receiver's child) has its own ids.
bool DevpathNamesBox(std::string_view devpath);

/// Parses a HID_ID value "bus:vendor:product" (1 to 8 hex digits per field, any case).
/// Returns false and leaves the outputs alone on anything else.
bool ParseHidId(std::string_view hidId, std::uint32_t& bus, std::uint32_t& vendor,
                std::uint32_t& product);

/// True when a device-interface path as the platform's device-change broadcasts carry it
/// (e.g. "\\?\HID#VID_0483&PID_5750#7&1a2b&0&0000#{...}") names the box: it contains
/// "HID" and the ids as "VID_0483" and "PID_5750" tokens, compared without regard to
/// case. Bare digits elsewhere in the path (instance ids, swapped vendor and product)
/// do not count.
bool MatchesBoxDevicePath(std::string_view path);

}  // namespace qb

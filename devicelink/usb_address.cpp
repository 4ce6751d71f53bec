#include "devicelink/usb_address.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>

namespace qb {
namespace {

namespace fs = std::filesystem;

/// The decimal number a sysfs attribute file holds, when it is within 0..`most`.
std::optional<unsigned> ReadNumber(const fs::path& file, unsigned most) {
  std::ifstream in(file);
  unsigned value = 0;
  if (!(in >> value) || value > most) return std::nullopt;
  return value;
}

}  // namespace

UsbDeviceAddress UsbAddressOfHidrawNode(std::string_view node, const fs::path& sysfsRoot) {
  const std::string name = fs::path(node).filename().string();
  if (!node.starts_with("/dev/") || !name.starts_with("hidraw")) return {};
  std::error_code error;
  const fs::path root = fs::canonical(sysfsRoot, error);
  if (error) return {};
  // /sys/class/hidraw/hidrawN/device leads to the HID device; above it come the USB
  // interface and then the USB device.
  fs::path dir = fs::canonical(root / "class" / "hidraw" / name / "device", error);
  if (error) return {};
  // A link out of sysfs leads to nothing of ours.
  if (std::mismatch(root.begin(), root.end(), dir.begin(), dir.end()).first != root.end()) return {};
  for (; dir != root && dir.has_relative_path(); dir = dir.parent_path()) {
    if (!fs::exists(dir / "busnum", error) || !fs::exists(dir / "devnum", error)) continue;
    const auto bus = ReadNumber(dir / "busnum", 0xFFFF);
    const auto device = ReadNumber(dir / "devnum", 0xFF);
    if (!bus || !device) return {};
    return {static_cast<std::uint16_t>(*bus), static_cast<std::uint8_t>(*device)};
  }
  return {};
}

}  // namespace qb

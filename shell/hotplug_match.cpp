#include "shell/hotplug_match.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace qb {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// Parses all of `text` as 1..maxDigits hex digits.
bool ParseHexField(std::string_view text, std::size_t maxDigits, std::uint32_t& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  std::uint32_t result = 0;
  for (char c : text) {
    const int digit = HexValue(c);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<std::uint32_t>(digit);
  }
  value = result;
  return true;
}

/// Splits `text` at the first `separator`; false when there is none.
bool SplitAt(std::string_view text, char separator, std::string_view& head, std::string_view& tail) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos) return false;
  head = text.substr(0, at);
  tail = text.substr(at + 1);
  return true;
}

bool IsBoxIds(std::uint32_t bus, std::uint32_t vendor, std::uint32_t product) {
  return bus == kHidBusUsb && vendor == kUsbVendorOfBox && product == kUsbProductOfBox;
}

/// Parses a kernel HID device name "BBBB:VVVV:PPPP.IIII" (four hex digits per id).
bool ParseHidDeviceName(std::string_view name, std::uint32_t& bus, std::uint32_t& vendor,
                        std::uint32_t& product) {
  std::string_view busText, vendorText, rest, productText, instanceText;
  if (!SplitAt(name, ':', busText, rest) || !SplitAt(rest, ':', vendorText, rest) ||
      !SplitAt(rest, '.', productText, instanceText))
    return false;
  if (busText.size() != 4 || vendorText.size() != 4 || productText.size() != 4) return false;
  std::uint32_t instance = 0;
  return ParseHexField(busText, 4, bus) && ParseHexField(vendorText, 4, vendor) &&
         ParseHexField(productText, 4, product) && ParseHexField(instanceText, 8, instance);
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                              [](char a, char b) {
                                return std::tolower(static_cast<unsigned char>(a)) ==
                                       std::tolower(static_cast<unsigned char>(b));
                              });
  return it != haystack.end();
}

}  // namespace

bool ParseHidId(std::string_view hidId, std::uint32_t& bus, std::uint32_t& vendor,
                std::uint32_t& product) {
  std::string_view busText, vendorText, rest;
  if (!SplitAt(hidId, ':', busText, rest) || !SplitAt(rest, ':', vendorText, rest)) return false;
  std::uint32_t b = 0, v = 0, p = 0;
  if (!ParseHexField(busText, 8, b) || !ParseHexField(vendorText, 8, v) ||
      !ParseHexField(rest, 8, p))
    return false;
  bus = b;
  vendor = v;
  product = p;
  return true;
}

bool DevpathNamesBox(std::string_view devpath) {
  // Walk components from the innermost outwards; the first HID device name decides.
  while (!devpath.empty()) {
    const std::size_t slash = devpath.rfind('/');
    const std::string_view component =
        slash == std::string_view::npos ? devpath : devpath.substr(slash + 1);
    std::uint32_t bus = 0, vendor = 0, product = 0;
    if (ParseHidDeviceName(component, bus, vendor, product)) return IsBoxIds(bus, vendor, product);
    if (slash == std::string_view::npos) break;
    devpath = devpath.substr(0, slash);
  }
  return false;
}

bool IsBoxHidDevice(const HidDeviceInfo& info) {
  if (info.subsystem != "hidraw") return false;
  std::uint32_t bus = 0, vendor = 0, product = 0;
  if (ParseHidId(info.hidId, bus, vendor, product)) return IsBoxIds(bus, vendor, product);
  return DevpathNamesBox(info.devpath);
}

bool MatchesBoxDevicePath(std::string_view path) {
  return ContainsNoCase(path, "HID") && ContainsNoCase(path, "VID_0483") &&
         ContainsNoCase(path, "PID_5750");
}

}  // namespace qb

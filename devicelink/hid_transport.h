#pragma once
/// The seam between the device link and the USB HID library: the handful of calls the link
/// makes, so that tests and the virtual box can stand in for a real box.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qb {

/// One open HID device. Destroying it closes the device, so a handle can never be used
/// after it was closed by someone else: whoever owns the object decides when it goes.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  /// String reads fill `buffer` (capacity `maxChars` wide characters, terminated) and
  /// return 0, or a negative value on failure.
  virtual int GetManufacturerString(wchar_t* buffer, std::size_t maxChars) = 0;
  virtual int GetProductString(wchar_t* buffer, std::size_t maxChars) = 0;
  virtual int GetSerialNumberString(wchar_t* buffer, std::size_t maxChars) = 0;
  virtual int GetIndexedString(int index, wchar_t* buffer, std::size_t maxChars) = 0;

  /// 1 makes reads return at once when nothing is pending. Returns 0 or negative.
  virtual int SetNonblocking(int nonblock) = 0;

  /// Writes one output report (report id first). Returns the bytes written, negative on
  /// failure.
  virtual int Write(const std::uint8_t* data, std::size_t length) = 0;

  /// Waits up to `timeoutMs` for one input report. Returns the bytes read, 0 when nothing
  /// arrived in time, negative on error.
  virtual int ReadTimeout(std::uint8_t* data, std::size_t length, int timeoutMs) = 0;

  /// Text describing the last error of this device.
  virtual std::wstring LastError() = 0;
};

/// How an attempt to open a device ended.
enum class HidOpenStatus {
  Opened,            ///< `device` is the open device
  NotFound,          ///< no device with the ids is present
  PermissionDenied,  ///< present, but this user may not read and write its node
  Failed,            ///< present, but it could not be opened for another reason
};

/// What Open found. The node is named whenever a device was found, so that a refusal can
/// tell the user which node to look at.
struct HidOpenResult {
  HidOpenStatus status = HidOpenStatus::NotFound;
  std::unique_ptr<HidDevice> device;  ///< set only when Opened
  std::string path;                   ///< the device node opened or refused, e.g. /dev/hidraw3
};

/// Finds and opens devices.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  /// Initialises the library. Returns 0 on success.
  virtual int Init() = 0;

  /// Opens the first device with these ids that this user may open. When none opens, the
  /// result says whether one was present and, if so, why it stayed closed.
  virtual HidOpenResult Open(std::uint16_t vendorId, std::uint16_t productId) = 0;
};

/// The production backend over hidapi's hidraw implementation.
std::shared_ptr<HidBackend> MakeHidapiBackend();

}  // namespace qb

#pragma once
/// A pcap capture file of USB interrupt transfers in the form Linux usbmon records them
/// (link type 220, LINKTYPE_USB_LINUX_MMAPPED: each packet is a 64-byte URB header followed
/// by the transfer's data), so Wireshark and tshark read a trace of this program exactly as
/// they read a capture of a real box made with usbmon.
///
/// One record per transfer, holding its data: an OUT transfer as the URB submission
/// ('S', endpoint 0x01), an IN transfer as the URB completion ('C', endpoint 0x81). Each
/// record is written and flushed before Append returns, so a crash keeps every record
/// before it. Every byte is written little-endian, whatever the machine.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace qb {

/// Where a USB device sits: the numbers lsusb and usbmon show. 0, 0 when not known (the
/// virtual box).
struct UsbDeviceAddress {
  std::uint16_t bus = 0;
  std::uint8_t device = 0;
};

enum class UsbDirection { Out, In };

inline constexpr std::uint32_t kLinktypeUsbLinuxMmapped = 220;
inline constexpr std::uint8_t kTraceOutEndpoint = 0x01;
inline constexpr std::uint8_t kTraceInEndpoint = 0x81;
inline constexpr std::size_t kPcapFileHeaderBytes = 24;
inline constexpr std::size_t kPcapRecordHeaderBytes = 16;
inline constexpr std::size_t kUsbmonHeaderBytes = 64;
/// Data kept of one transfer; a longer one is recorded cut, its full length in the header.
inline constexpr std::size_t kUsbmonMaxCapturedData = 1024;

class UsbmonCapture;

/// What opening a capture found.
struct UsbmonCaptureOpening {
  std::unique_ptr<UsbmonCapture> capture;  ///< null when the file is refused
  std::string error;                       ///< why it was refused, one line
  /// Bytes of a record cut short at the end of the file (a run that crashed while writing
  /// it) that were dropped so that new records follow whole ones; 0 normally.
  std::size_t droppedTail = 0;
};

class UsbmonCapture {
 public:
  /// Opens `path` for appending. A missing or empty file (or a pipe) gets the capture's
  /// file header. An existing capture of link type 220, little-endian with microsecond
  /// times as this class writes them, is continued after its last whole record. Any other
  /// file is refused and left as it is.
  static UsbmonCaptureOpening Open(const std::string& path);

  ~UsbmonCapture();
  UsbmonCapture(const UsbmonCapture&) = delete;
  UsbmonCapture& operator=(const UsbmonCapture&) = delete;

  /// Appends one interrupt transfer of `device` carrying `data`, stamped `when`, and
  /// flushes it. Safe to call from several threads at once: records never interleave.
  /// Returns false when the record could not be written; the capture then stops for good
  /// (Failed) and Error says why, while the link it traces goes on untouched.
  bool Append(UsbDirection direction, UsbDeviceAddress device, std::span<const std::uint8_t> data,
              std::chrono::system_clock::time_point when);

  bool Failed() const { return m_failed.load(std::memory_order_acquire); }
  /// Why the capture stopped; empty while it runs.
  std::string Error() const;
  const std::string& Path() const { return m_path; }
  /// Records appended by this object.
  std::uint64_t Records() const;

 private:
  UsbmonCapture(std::string path, std::FILE* file);

  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  const std::string m_path;
  mutable std::mutex m_lock;  ///< guards m_file, m_records and m_error
  std::unique_ptr<std::FILE, FileCloser> m_file;
  std::uint64_t m_records = 0;
  std::string m_error;
  std::atomic<bool> m_failed{false};
};

}  // namespace qb

#include "devicelink/usbmon_capture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "shell/log.h"

namespace qb {
namespace {

// The pcap file header as this class writes it: magic 0xa1b2c3d4 little-endian
// (microsecond times), version 2.4, no time zone offset, snapshot length, link type.
constexpr std::array<std::uint8_t, 4> kMagicMicroLe = {0xD4, 0xC3, 0xB2, 0xA1};
constexpr std::uint32_t kSnapLength = 262144;
/// No record of a capture this class can continue is longer than a snapshot.
constexpr std::uint32_t kLongestRecord = kSnapLength;

// usbmon's URB header (linux/Documentation/usb/usbmon.rst, "binary interface").
constexpr std::uint8_t kUrbSubmit = 'S';
constexpr std::uint8_t kUrbComplete = 'C';
constexpr std::uint8_t kTransferInterrupt = 1;
constexpr std::uint8_t kNoSetupPacket = '-';
constexpr std::uint8_t kDataPresent = 0;
constexpr std::int32_t kStatusInProgress = -115;  // -EINPROGRESS, as a submission reports it
constexpr std::int32_t kIntervalFrames = 1;       // a full-speed interrupt endpoint polled each ms
constexpr std::uint32_t kUrbDirIn = 0x0200;       // the kernel's URB_DIR_IN transfer flag

void PutLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutLe64(std::uint8_t* at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint32_t GetLe32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::array<std::uint8_t, kPcapFileHeaderBytes> FileHeader() {
  std::array<std::uint8_t, kPcapFileHeaderBytes> header{};
  std::copy(kMagicMicroLe.begin(), kMagicMicroLe.end(), header.begin());
  PutLe16(&header[4], 2);
  PutLe16(&header[6], 4);
  PutLe32(&header[16], kSnapLength);
  PutLe32(&header[20], kLinktypeUsbLinuxMmapped);
  return header;
}

std::string ErrnoText() { return std::strerror(errno); }

/// What an existing capture holds: where its last whole record ends, or why it cannot be
/// continued.
struct ExistingCapture {
  std::string error;
  std::uint64_t wholeBytes = 0;
};

ExistingCapture InspectExisting(const std::string& path, std::uint64_t size) {
  ExistingCapture found;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    found.error = "cannot read " + path + ": " + ErrnoText();
    return found;
  }
  std::array<std::uint8_t, kPcapFileHeaderBytes> header{};
  if (std::fread(header.data(), 1, header.size(), file.get()) != header.size()) {
    found.error = path + " is not a pcap capture (too short); choose a new file";
    return found;
  }
  if (!std::equal(kMagicMicroLe.begin(), kMagicMicroLe.end(), header.begin())) {
    found.error = path +
                  " is not a pcap capture written as this program writes them (little-endian, "
                  "microsecond times); choose a new file";
    return found;
  }
  if (const std::uint32_t linktype = GetLe32(&header[20]); linktype != kLinktypeUsbLinuxMmapped) {
    found.error = path + " is a capture of link type " + std::to_string(linktype) + ", not of usbmon (" +
                  std::to_string(kLinktypeUsbLinuxMmapped) + "); choose a new file";
    return found;
  }
  // Walk the records. One cut short by the end of the file is the tail of a run that
  // stopped while writing it; a length no record can have is damage that appending would
  // only bury.
  std::uint64_t at = kPcapFileHeaderBytes;
  std::array<std::uint8_t, kPcapRecordHeaderBytes> record{};
  while (at + kPcapRecordHeaderBytes <= size) {
    if (std::fseek(file.get(), static_cast<long>(at), SEEK_SET) != 0 ||
        std::fread(record.data(), 1, record.size(), file.get()) != record.size()) {
      found.error = "cannot read " + path + ": " + ErrnoText();
      return found;
    }
    const std::uint32_t captured = GetLe32(&record[8]);
    if (captured > kLongestRecord) {
      found.error = path + " is damaged at byte " + std::to_string(at) + "; choose a new file";
      return found;
    }
    if (at + kPcapRecordHeaderBytes + captured > size) break;
    at += kPcapRecordHeaderBytes + captured;
  }
  found.wholeBytes = at;
  return found;
}

}  // namespace

UsbmonCaptureOpening UsbmonCapture::Open(const std::string& path) {
  UsbmonCaptureOpening opening;
  struct stat status {};
  bool continuing = false;
  if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    const auto size = static_cast<std::uint64_t>(status.st_size);
    const ExistingCapture existing = InspectExisting(path, size);
    if (!existing.error.empty()) {
      opening.error = existing.error;
      return opening;
    }
    if (existing.wholeBytes < size) {
      if (::truncate(path.c_str(), static_cast<off_t>(existing.wholeBytes)) != 0) {
        opening.error = "cannot drop the cut record at the end of " + path + ": " + ErrnoText();
        return opening;
      }
      opening.droppedTail = static_cast<std::size_t>(size - existing.wholeBytes);
    }
    continuing = true;
  }

  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    opening.error = "cannot open " + path + ": " + ErrnoText();
    return opening;
  }
  std::unique_ptr<UsbmonCapture> capture(new UsbmonCapture(path, file));
  if (!continuing) {
    const auto header = FileHeader();
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() || std::fflush(file) != 0) {
      opening.error = "cannot write " + path + ": " + ErrnoText();
      return opening;
    }
  }
  opening.capture = std::move(capture);
  return opening;
}

UsbmonCapture::UsbmonCapture(std::string path, std::FILE* file) : m_path(std::move(path)), m_file(file) {}

UsbmonCapture::~UsbmonCapture() = default;

std::string UsbmonCapture::Error() const {
  std::lock_guard lock(m_lock);
  return m_error;
}

std::uint64_t UsbmonCapture::Records() const {
  std::lock_guard lock(m_lock);
  return m_records;
}

bool UsbmonCapture::Append(UsbDirection direction, UsbDeviceAddress device, std::span<const std::uint8_t> data,
                           std::chrono::system_clock::time_point when) {
  if (Failed()) return false;
  using namespace std::chrono;
  const auto sinceEpoch = duration_cast<microseconds>(when.time_since_epoch());
  const auto seconds = static_cast<std::uint64_t>(duration_cast<std::chrono::seconds>(sinceEpoch).count());
  const auto micros = static_cast<std::uint32_t>(sinceEpoch.count() % 1000000);
  const std::size_t kept = std::min(data.size(), kUsbmonMaxCapturedData);
  const bool in = direction == UsbDirection::In;

  std::array<std::uint8_t, kPcapRecordHeaderBytes + kUsbmonHeaderBytes + kUsbmonMaxCapturedData> bytes;
  std::uint8_t* record = bytes.data();
  std::uint8_t* urb = record + kPcapRecordHeaderBytes;
  std::fill_n(record, kPcapRecordHeaderBytes + kUsbmonHeaderBytes, std::uint8_t{0});
  PutLe32(record + 0, static_cast<std::uint32_t>(seconds));
  PutLe32(record + 4, micros);
  PutLe32(record + 8, static_cast<std::uint32_t>(kUsbmonHeaderBytes + kept));
  PutLe32(record + 12, static_cast<std::uint32_t>(kUsbmonHeaderBytes + data.size()));

  urb[8] = in ? kUrbComplete : kUrbSubmit;
  urb[9] = kTransferInterrupt;
  urb[10] = in ? kTraceInEndpoint : kTraceOutEndpoint;
  urb[11] = device.device;
  PutLe16(urb + 12, device.bus);
  urb[14] = kNoSetupPacket;
  urb[15] = kDataPresent;
  PutLe64(urb + 16, seconds);
  PutLe32(urb + 24, micros);
  PutLe32(urb + 28, static_cast<std::uint32_t>(in ? 0 : kStatusInProgress));
  PutLe32(urb + 32, static_cast<std::uint32_t>(data.size()));
  PutLe32(urb + 36, static_cast<std::uint32_t>(kept));
  PutLe32(urb + 48, static_cast<std::uint32_t>(kIntervalFrames));
  PutLe32(urb + 56, in ? kUrbDirIn : 0);
  std::copy_n(data.begin(), kept, urb + kUsbmonHeaderBytes);
  const std::size_t length = kPcapRecordHeaderBytes + kUsbmonHeaderBytes + kept;

  std::lock_guard lock(m_lock);
  if (!m_file) return false;
  // usbmon names a transfer by its URB's address; a count serves as well to tell them apart.
  PutLe64(urb, m_records + 1);
  if (std::fwrite(record, 1, length, m_file.get()) != length || std::fflush(m_file.get()) != 0) {
    m_error = "writing " + m_path + " failed: " + ErrnoText();
    LogPrintA("trace: %s; the trace stops here\n", m_error.c_str());
    m_file.reset();
    m_failed.store(true, std::memory_order_release);
    return false;
  }
  ++m_records;
  return true;
}

}  // namespace qb

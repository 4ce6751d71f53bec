// The HID side of the link: opening and closing the box, writing command reports and
// reading input reports into the reply path.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <thread>

#include "devicelink/device_link.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr std::size_t kStringChars = 256;
constexpr std::uint8_t kMcuPacket = 3;
constexpr std::uint8_t kPcConnectId = 0x1F;
constexpr std::uint8_t kOpSet = 0xBB;
/// Pause before retrying a read that failed outright, so a dead handle is not spun on.
constexpr std::uint32_t kReadErrorPauseMs = 5;
/// Read errors in a row that mean the box is gone rather than a passing fault.
constexpr int kReadErrorsOfAGoneBox = 3;

long TickMs() {
  using namespace std::chrono;
  return static_cast<long>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

/// The value the log shows for a device, as the box's handle number.
int HandleNumber(const HidDevice* device) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(device));
}

/// Reads the four identification strings and logs them. Returns how many reads failed.
int ReadIdentification(HidDevice& device) {
  wchar_t text[kStringChars];
  int failures = 0;

  text[0] = L'\0';
  if (device.GetManufacturerString(text, kStringChars - 1) < 0) {
    ++failures;
    LogPrintA("Unable to read manufacturer string\n");
  }
  LogPrintW(L"Manufacturer String: %ls\n", text);

  text[0] = L'\0';
  if (device.GetProductString(text, kStringChars - 1) < 0) {
    ++failures;
    LogPrintA("Unable to read product string\n");
  }
  LogPrintW(L"Product String: %ls\n", text);

  text[0] = L'\0';
  if (device.GetSerialNumberString(text, kStringChars - 1) < 0) {
    ++failures;
    LogPrintA("Unable to read serial number string\n");
  }
  LogPrintW(L"Serial Number String: (%d) %ls", static_cast<int>(text[0]), text);
  LogPrintA("\n");

  text[0] = L'\0';
  if (device.GetIndexedString(1, text, kStringChars - 1) < 0) {
    ++failures;
    LogPrintA("Unable to read indexed string 1\n");
  }
  LogPrintW(L"Indexed String 1: %ls\n", text);
  return failures;
}

}  // namespace

int DeviceLink::OpenHIDDevice() {
  // A reopen (the box restarted under us) replaces the old handle instead of leaking it.
  if (IsDeviceOpen()) CloseHIDDevice(false);

  const int initResult = m_backend->Init();
  if (initResult != 0) {
    RecordOpen({HidOpenStatus::Failed, {}});
    return initResult;
  }

  HidOpenResult found = m_backend->Open(kBoxVendorId, kBoxProductId);
  std::unique_ptr<HidDevice> device = std::move(found.device);
  if (!device) {
    if (found.status == HidOpenStatus::PermissionDenied) {
      LogPrintA("no permission to open %s: this user may not read and write the box's node\n",
                found.path.c_str());
    } else {
      LogPrintA("unable to open device\n");
    }
    // A backend that found nothing to open cannot have opened it.
    if (found.status == HidOpenStatus::Opened) found.status = HidOpenStatus::Failed;
    RecordOpen({found.status, std::move(found.path)});
    return 0;
  }
  // The strings are only logged; a box that answers two of them is accepted.
  if (ReadIdentification(*device) >= 3) {
    LogPrintA("read HID info error, unable open device correctly\n");
    RecordOpen({HidOpenStatus::Failed, std::move(found.path)});
    return 0;  // `device` closes here
  }
  device->SetNonblocking(1);
  RecordOpen({HidOpenStatus::Opened, std::move(found.path)});

  std::scoped_lock lock(m_readLock, m_writeLock);
  m_device = std::move(device);
  m_lost.store(false, std::memory_order_release);
  m_open.store(true, std::memory_order_release);
  return 0;
}

void DeviceLink::RecordOpen(LinkOpenOutcome outcome) {
  std::lock_guard<std::mutex> lock(m_configLock);
  m_lastOpen = std::move(outcome);
}

LinkOpenOutcome DeviceLink::LastOpenOutcome() const {
  std::lock_guard<std::mutex> lock(m_configLock);
  return m_lastOpen;
}

void DeviceLink::CloseHIDDevice(bool notify) {
  if (!m_open.load(std::memory_order_acquire)) return;
  if (notify && !DeviceLost()) SendPcConnect(0);

  // Announce the close first: a read waiting in a slice sees it and releases the read lock.
  m_closeRequests.fetch_add(1, std::memory_order_acq_rel);
  std::unique_ptr<HidDevice> closing;
  {
    std::scoped_lock lock(m_readLock, m_writeLock);
    closing = std::move(m_device);
    m_open.store(false, std::memory_order_release);
    m_lost.store(false, std::memory_order_release);
    WRITE_ROPRT.store(false, std::memory_order_relaxed);
  }
  m_closeRequests.fetch_sub(1, std::memory_order_acq_rel);
  if (!closing) return;  // another thread closed it meanwhile
  closing.reset();
  LogPrintA("CloseHIDDevice!\n");
}

bool DeviceLink::ClosingOrClosed() const {
  return !IsDeviceOpen() || m_closeRequests.load(std::memory_order_acquire) > 0;
}

void DeviceLink::MarkLost(const char* why) {
  if (m_lost.exchange(true, std::memory_order_acq_rel)) return;
  LogPrintA("the box is gone (%s): the link gives up\n", why);
  PostReply(ReplySlot::MainWindowHandle, ReplyMessage{WM_LINK_LOST, 0, 0, nullptr});
}

void DeviceLink::SendPcConnect(std::uint8_t state) {
  const std::uint8_t payload[] = {state};
  SendCtrlCommand(kMcuPacket, kPcConnectId, kOpSet, payload);
}

bool DeviceLink::SendCtrlCommand(std::uint8_t mcmd, std::uint8_t subcmd, std::uint8_t optype,
                                 std::span<const std::uint8_t> payload) {
  if (!IsDeviceOpen()) return false;

  std::lock_guard<std::mutex> lock(m_writeLock);
  LogLocalTime();
  LogPrintA("SendCtrlCommand\n");

  OutputReport frame;
  if (!BuildCommandFrame(mcmd, subcmd, optype, payload, frame)) {
    LogPrintA("SendCtrlCommand: payload of %zu bytes does not fit a report\n", payload.size());
    return false;
  }

  LogPrintA("begain to write data to devices:\n");
  {
    LogLine dump;
    for (std::uint8_t b : frame) dump.Append("%02x ", b);
    dump.Append("\n");
  }

  WRITE_ROPRT.store(true, std::memory_order_relaxed);
  LogPrintA("set WRITE_ROPRT = TRUE\n");
  if (!m_device) {
    LogPrintA("mHidHandle is NULL, can't send cmd\n");
    WRITE_ROPRT.store(false, std::memory_order_relaxed);
    return false;
  }
  if (m_device->Write(frame.data(), frame.size()) < 0) {
    if (LogEnabled()) {
      char error[512];
      std::snprintf(error, sizeof error, "%ls", m_device->LastError().c_str());
      LogPrintA("Write HidDeviceObject = %d errot = %s\n", HandleNumber(m_device.get()), error);
    }
    WRITE_ROPRT.store(false, std::memory_order_relaxed);
    // A box that takes no report has left: nothing after this could reach it.
    MarkLost("a write failed");
    return false;
  }
  LogPrintA("write data ok! HidDeviceObject = %d\n", HandleNumber(m_device.get()));
  LogLocalTime();
  WRITE_ROPRT.store(false, std::memory_order_relaxed);
  return true;
}

std::uint32_t DeviceLink::CappedWait(std::uint32_t timeoutMs) const {
  return std::min(timeoutMs, m_timings.waitCapMs);
}

/// Waits for one report in slices, so that a close request is noticed within one slice.
/// Returns the last read result: positive bytes, 0 for nothing in time, negative on error
/// or when the link closed. Caller holds m_readLock.
int DeviceLink::ReadSlices(std::uint32_t timeoutMs) {
  const long start = TickMs();
  int errorsInARow = 0;
  for (;;) {
    if (ClosingOrClosed() || !m_device) return -1;
    const auto elapsed = static_cast<std::uint32_t>(TickMs() - start);
    const std::uint32_t remaining = timeoutMs > elapsed ? timeoutMs - elapsed : 0;
    const std::uint32_t slice = std::min(remaining, m_timings.readSliceMs);
    const int count = m_device->ReadTimeout(ReadBuffer.data(), kInputReportSize,
                                            static_cast<int>(slice));
    m_lastReadCount.store(count, std::memory_order_relaxed);
    if (count > 0) return count;
    // A box that has left fails every read at once; a time bound is for one that is silent.
    if (count < 0 && ++errorsInARow >= kReadErrorsOfAGoneBox) {
      MarkLost("reads fail");
      return -1;
    }
    if (count >= 0) errorsInARow = 0;
    if (static_cast<std::uint32_t>(TickMs() - start) >= timeoutMs) return count;
    if (count < 0) {
      std::this_thread::sleep_for(
          std::chrono::milliseconds(std::min(remaining, kReadErrorPauseMs)));
    }
  }
}

bool DeviceLink::ReadHIDData(std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> lock(m_readLock);
  const long start = TickMs();
  LogPrintA("ReadHIDData timestart = %ld\n", start);
  if (ClosingOrClosed()) {
    LogPrintA("mHidHandle is NULL\n");
    m_lastReadCount.store(0, std::memory_order_relaxed);
    return false;
  }

  int count = ReadSlices(CappedWait(timeoutMs));
  if (ClosingOrClosed()) {
    LogPrintA("mHidHandle is NULL\n");
    m_lastReadCount.store(0, std::memory_order_relaxed);
    return false;
  }
  LogPrintA("ReadHIDData done timeend-timestart = %ld\n", TickMs() - start);
  LogPrintA("ReadHIDData NumberOfBytesRead = %d\n", count);
  if (count <= 0) {
    m_lastReadCount.store(0, std::memory_order_relaxed);
    return false;
  }
  count = std::min(count, static_cast<int>(kInputReportSize));

  {
    LogLine dump;
    dump.Append("read data: ");
    for (int i = 0; i < count; ++i) {
      m_ring.Append(ReadBuffer[static_cast<std::size_t>(i)]);
      dump.Append("%02x ", ReadBuffer[static_cast<std::size_t>(i)]);
    }
    dump.Append("\n");
  }  // written before the drain below logs the frames it finds

  DrainReceiveRing();
  return true;
}

}  // namespace qb

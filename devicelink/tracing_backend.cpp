#include "devicelink/tracing_backend.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <span>

#include "devicelink/usb_address.h"

namespace qb {
namespace {

constexpr std::uint8_t kUnnumberedReportId = 0;

class TracingHidDevice final : public HidDevice {
 public:
  TracingHidDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<UsbmonCapture> capture,
                   UsbDeviceAddress address)
      : m_inner(std::move(inner)), m_capture(std::move(capture)), m_address(address) {}

  int GetManufacturerString(wchar_t* buffer, std::size_t maxChars) override {
    return m_inner->GetManufacturerString(buffer, maxChars);
  }
  int GetProductString(wchar_t* buffer, std::size_t maxChars) override {
    return m_inner->GetProductString(buffer, maxChars);
  }
  int GetSerialNumberString(wchar_t* buffer, std::size_t maxChars) override {
    return m_inner->GetSerialNumberString(buffer, maxChars);
  }
  int GetIndexedString(int index, wchar_t* buffer, std::size_t maxChars) override {
    return m_inner->GetIndexedString(index, buffer, maxChars);
  }
  int SetNonblocking(int nonblock) override { return m_inner->SetNonblocking(nonblock); }
  std::wstring LastError() override { return m_inner->LastError(); }

  int Write(const std::uint8_t* data, std::size_t length) override {
    // Held across the write: a reply read meanwhile on another thread waits for the
    // command's record, so the capture never shows an answer before its question.
    std::lock_guard order(m_orderLock);
    const int written = m_inner->Write(data, length);
    if (written >= 0 && data != nullptr) {
      std::span<const std::uint8_t> wire(data, length);
      if (!wire.empty() && wire.front() == kUnnumberedReportId) wire = wire.subspan(1);
      m_capture->Append(UsbDirection::Out, m_address, wire, std::chrono::system_clock::now());
    }
    return written;
  }

  int ReadTimeout(std::uint8_t* data, std::size_t length, int timeoutMs) override {
    // Not held while waiting: a read may wait for seconds, and writes must go on.
    const int read = m_inner->ReadTimeout(data, length, timeoutMs);
    if (read > 0) {
      std::lock_guard order(m_orderLock);
      const std::size_t n = std::min(static_cast<std::size_t>(read), length);
      m_capture->Append(UsbDirection::In, m_address, std::span<const std::uint8_t>(data, n),
                        std::chrono::system_clock::now());
    }
    return read;
  }

 private:
  const std::unique_ptr<HidDevice> m_inner;
  const std::shared_ptr<UsbmonCapture> m_capture;
  const UsbDeviceAddress m_address;
  std::mutex m_orderLock;  ///< orders a write and its record before a later read's record
};

class TracingHidBackend final : public HidBackend {
 public:
  TracingHidBackend(std::shared_ptr<HidBackend> inner, std::shared_ptr<UsbmonCapture> capture,
                    UsbAddressLookup locate)
      : m_inner(std::move(inner)), m_capture(std::move(capture)), m_locate(std::move(locate)) {}

  int Init() override { return m_inner->Init(); }

  HidOpenResult Open(std::uint16_t vendorId, std::uint16_t productId) override {
    HidOpenResult result = m_inner->Open(vendorId, productId);
    if (result.device) {
      result.device = std::make_unique<TracingHidDevice>(std::move(result.device), m_capture,
                                                         m_locate(result.path));
    }
    return result;
  }

 private:
  const std::shared_ptr<HidBackend> m_inner;
  const std::shared_ptr<UsbmonCapture> m_capture;
  const UsbAddressLookup m_locate;
};

}  // namespace

std::shared_ptr<HidBackend> MakeTracingBackend(std::shared_ptr<HidBackend> inner,
                                               std::shared_ptr<UsbmonCapture> capture,
                                               UsbAddressLookup locate) {
  if (!locate) locate = [](const std::string& node) { return UsbAddressOfHidrawNode(node); };
  return std::make_shared<TracingHidBackend>(std::move(inner), std::move(capture), std::move(locate));
}

}  // namespace qb

#include "simulator/virtual_hid.h"

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <string>

namespace qb::sim {
namespace {

constexpr std::uint16_t kVendorId = 0x0483;
constexpr std::uint16_t kProductId = 0x5750;
/// What the virtual box's node is called where a real box would have /dev/hidrawN.
constexpr const char* kVirtualNode = "virtual";

/// One open handle. Once the box has left the bus the handle stays dead, like a hidraw
/// handle of a removed device, even after the box comes back.
class VirtualHidDevice final : public HidDevice {
 public:
  VirtualHidDevice(std::shared_ptr<VirtualBox> box, std::uint64_t connection)
      : m_box(std::move(box)), m_connection(connection), m_config(m_box->Config()) {}

  int GetManufacturerString(wchar_t* buffer, std::size_t maxChars) override {
    return CopyString(m_config.manufacturer, buffer, maxChars);
  }
  int GetProductString(wchar_t* buffer, std::size_t maxChars) override {
    return CopyString(m_config.product, buffer, maxChars);
  }
  int GetSerialNumberString(wchar_t* buffer, std::size_t maxChars) override {
    return CopyString(m_config.serialNumber, buffer, maxChars);
  }
  int GetIndexedString(int index, wchar_t* buffer, std::size_t maxChars) override {
    return index == 1 ? CopyString(m_config.product, buffer, maxChars) : -1;
  }
  int SetNonblocking(int) override { return m_box->IsConnected(m_connection) ? 0 : -1; }

  int Write(const std::uint8_t* data, std::size_t length) override {
    const int result = m_box->Write(m_connection, data, length);
    if (result < 0) SetLastError(L"device disconnected");
    return result;
  }

  int ReadTimeout(std::uint8_t* data, std::size_t length, int timeoutMs) override {
    const int result = m_box->Read(m_connection, data, length, timeoutMs);
    if (result < 0) SetLastError(L"device disconnected");
    return result;
  }

  std::wstring LastError() override {
    std::lock_guard lock(m_errorLock);
    return m_lastError;
  }

 private:
  // A reading thread and a writing thread may fail at the same moment.
  void SetLastError(const wchar_t* text) {
    std::lock_guard lock(m_errorLock);
    m_lastError = text;
  }

  /// Copies `text` into `buffer` (room for `maxChars` characters and a terminator is the
  /// caller's promise, as with hidapi). Fails once the box is gone.
  int CopyString(const std::wstring& text, wchar_t* buffer, std::size_t maxChars) {
    if (buffer == nullptr || maxChars == 0 || !m_box->IsConnected(m_connection)) return -1;
    const std::size_t n = std::min(text.size(), maxChars - 1);
    std::wmemcpy(buffer, text.data(), n);
    buffer[n] = L'\0';
    return 0;
  }

  std::shared_ptr<VirtualBox> m_box;
  const std::uint64_t m_connection;
  const VirtualBoxConfig m_config;
  std::mutex m_errorLock;  ///< guards m_lastError
  std::wstring m_lastError;
};

}  // namespace

HidOpenResult VirtualHidBackend::Open(std::uint16_t vendorId, std::uint16_t productId) {
  if (vendorId != kVendorId || productId != kProductId) return {};
  // Asked outside the lock: the box may tell its plug listeners from here.
  const bool onBus = m_box->IsPlugged();
  {
    std::lock_guard lock(m_accessLock);
    if (m_opensToDeny != 0 && onBus) {
      if (m_opensToDeny > 0) --m_opensToDeny;
      ++m_refusedOpens;
      return {HidOpenStatus::PermissionDenied, nullptr, m_deniedNode};
    }
  }
  const std::uint64_t connection = m_box->Connect();
  if (connection == 0) return {};
  return {HidOpenStatus::Opened, std::make_unique<VirtualHidDevice>(m_box, connection), kVirtualNode};
}

void VirtualHidBackend::DenyAccess(std::string node, int opens) {
  std::lock_guard lock(m_accessLock);
  m_deniedNode = std::move(node);
  m_opensToDeny = opens;
}

int VirtualHidBackend::RefusedOpens() const {
  std::lock_guard lock(m_accessLock);
  return m_refusedOpens;
}

std::shared_ptr<VirtualHidBackend> MakeVirtualBoxBackend(VirtualBoxConfig config) {
  return std::make_shared<VirtualHidBackend>(std::make_shared<VirtualBox>(std::move(config)));
}

}  // namespace qb::sim

#include <hidapi.h>

#include "devicelink/hid_transport.h"

namespace qb {
namespace {

class HidapiDevice final : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* handle) : m_handle(handle) {}
  ~HidapiDevice() override { hid_close(m_handle); }
  HidapiDevice(const HidapiDevice&) = delete;
  HidapiDevice& operator=(const HidapiDevice&) = delete;

  int GetManufacturerString(wchar_t* buffer, std::size_t maxChars) override {
    return hid_get_manufacturer_string(m_handle, buffer, maxChars);
  }
  int GetProductString(wchar_t* buffer, std::size_t maxChars) override {
    return hid_get_product_string(m_handle, buffer, maxChars);
  }
  int GetSerialNumberString(wchar_t* buffer, std::size_t maxChars) override {
    return hid_get_serial_number_string(m_handle, buffer, maxChars);
  }
  int GetIndexedString(int index, wchar_t* buffer, std::size_t maxChars) override {
    return hid_get_indexed_string(m_handle, index, buffer, maxChars);
  }
  int SetNonblocking(int nonblock) override { return hid_set_nonblocking(m_handle, nonblock); }
  int Write(const std::uint8_t* data, std::size_t length) override {
    return hid_write(m_handle, data, length);
  }
  int ReadTimeout(std::uint8_t* data, std::size_t length, int timeoutMs) override {
    return hid_read_timeout(m_handle, data, length, timeoutMs);
  }
  std::wstring LastError() override {
    const wchar_t* text = hid_error(m_handle);
    return text != nullptr ? std::wstring(text) : std::wstring();
  }

 private:
  hid_device* m_handle;  ///< owned; closed by the destructor
};

class HidapiBackend final : public HidBackend {
 public:
  int Init() override { return hid_init(); }
  std::unique_ptr<HidDevice> Open(std::uint16_t vendorId, std::uint16_t productId) override {
    hid_device* handle = hid_open(vendorId, productId, nullptr);
    if (handle == nullptr) return nullptr;
    return std::make_unique<HidapiDevice>(handle);
  }
};

}  // namespace

std::shared_ptr<HidBackend> MakeHidapiBackend() { return std::make_shared<HidapiBackend>(); }

}  // namespace qb

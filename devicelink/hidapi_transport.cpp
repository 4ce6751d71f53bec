#include <cerrno>

#include "devicelink/hid_transport.h"
#include "devicelink/hidapi_calls.h"

namespace qb {
namespace {

class HidapiDevice final : public HidDevice {
 public:
  HidapiDevice(hid_device* handle, std::function<void(hid_device*)> close)
      : m_handle(handle), m_close(std::move(close)) {}
  ~HidapiDevice() override { m_close(m_handle); }
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
  std::function<void(hid_device*)> m_close;
};

bool IsAccessError(int error) { return error == EACCES || error == EPERM; }

class HidapiBackend final : public HidBackend {
 public:
  explicit HidapiBackend(HidapiCalls calls) : m_calls(std::move(calls)) {}

  int Init() override { return hid_init(); }

  HidOpenResult Open(std::uint16_t vendorId, std::uint16_t productId) override {
    const auto freeList = [this](hid_device_info* list) { m_calls.freeEnumeration(list); };
    const std::unique_ptr<hid_device_info, decltype(freeList)> list(m_calls.enumerate(vendorId, productId),
                                                                     freeList);
    HidOpenResult result;
    for (const hid_device_info* info = list.get(); info != nullptr; info = info->next) {
      if (info->path == nullptr) continue;
      errno = 0;
      hid_device* handle = m_calls.openPath(info->path);
      const int openError = errno;
      if (handle != nullptr) {
        return HidOpenResult{HidOpenStatus::Opened, std::make_unique<HidapiDevice>(handle, m_calls.close),
                             info->path};
      }
      const HidOpenStatus why = Refused(info->path, openError) ? HidOpenStatus::PermissionDenied
                                                                : HidOpenStatus::Failed;
      // The first refused node is the one to name: a refusal can be mended by the user,
      // another failure cannot.
      if (result.status == HidOpenStatus::NotFound ||
          (result.status == HidOpenStatus::Failed && why == HidOpenStatus::PermissionDenied)) {
        result.status = why;
        result.path = info->path;
      }
    }
    return result;
  }

 private:
  /// True when `path` stayed closed because this user may not read and write it. The
  /// open's own error says so when hidapi kept it; the node's mode and ACL are asked too,
  /// since hidapi does not promise to keep errno. A refusal the open saw counts even when
  /// access has been granted meanwhile (udev applies it a moment after a plug-in): the
  /// retry then succeeds.
  bool Refused(const char* path, int openError) const {
    if (IsAccessError(openError)) return true;
    errno = 0;
    if (m_calls.access(path, R_OK | W_OK) == 0) return false;
    return IsAccessError(errno);
  }

  HidapiCalls m_calls;
};

}  // namespace

std::shared_ptr<HidBackend> MakeHidapiBackend(HidapiCalls calls) {
  return std::make_shared<HidapiBackend>(std::move(calls));
}

std::shared_ptr<HidBackend> MakeHidapiBackend() { return MakeHidapiBackend(HidapiCalls{}); }

}  // namespace qb

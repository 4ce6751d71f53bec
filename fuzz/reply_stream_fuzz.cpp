// Feeds arbitrary bytes from the box, cut into input reports of any size, through the
// link's read path: ring, frame parser, dispatch and the installed decoders.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "devicelink/device_link.h"
#include "devicelink/link_decoders.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

/// A device that hands out the fuzz input as a series of reports.
class FuzzDevice final : public qb::HidDevice {
 public:
  explicit FuzzDevice(std::deque<Bytes>& reports) : m_reports(reports) {}
  int GetManufacturerString(wchar_t* b, std::size_t) override { b[0] = 0; return 0; }
  int GetProductString(wchar_t* b, std::size_t) override { b[0] = 0; return 0; }
  int GetSerialNumberString(wchar_t* b, std::size_t) override { b[0] = 0; return 0; }
  int GetIndexedString(int, wchar_t* b, std::size_t) override { b[0] = 0; return 0; }
  int SetNonblocking(int) override { return 0; }
  int Write(const std::uint8_t*, std::size_t length) override { return static_cast<int>(length); }
  int ReadTimeout(std::uint8_t* data, std::size_t length, int) override {
    if (m_reports.empty()) return 0;
    Bytes report = std::move(m_reports.front());
    m_reports.pop_front();
    const std::size_t n = std::min(report.size(), length);
    if (n > 0) std::memcpy(data, report.data(), n);
    return static_cast<int>(n);
  }
  std::wstring LastError() override { return L""; }

 private:
  std::deque<Bytes>& m_reports;
};

class FuzzBackend final : public qb::HidBackend {
 public:
  int Init() override { return 0; }
  qb::HidOpenResult Open(std::uint16_t, std::uint16_t) override {
    return {qb::HidOpenStatus::Opened, std::make_unique<FuzzDevice>(reports), "fuzz"};
  }
  std::deque<Bytes> reports;
};

/// Takes every decoded reply and drops it at once, so records are built and destroyed.
class DroppingTarget final : public qb::MessageTarget {
 public:
  bool PostReplyMessage(qb::ReplyMessage&& message) override {
    const qb::ReplyMessage dropped = std::move(message);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto backend = std::make_shared<FuzzBackend>();
  // Each report: one length byte (taken modulo 65), then that many bytes of the stream.
  std::size_t i = 0;
  while (i < size) {
    const std::size_t length = data[i++] % 65;
    const std::size_t n = std::min(length, size - i);
    backend->reports.emplace_back(data + i, data + i + n);
    i += n;
  }
  const std::size_t reportCount = backend->reports.size();

  DroppingTarget target;
  qb::DeviceLink link(backend, qb::LinkTimings{0, 1});
  link.SetLinkConfig(79, 8, 6, false, false);
  qb::InstallReplyDecoders(link);
  for (std::size_t slot = 0; slot < qb::kReplySlotCount; ++slot) {
    link.Register(static_cast<qb::ReplySlot>(slot), &target);
  }
  link.OpenHIDDevice();
  for (std::size_t r = 0; r < reportCount; ++r) link.ReadHIDData(0);
  link.CloseHIDDevice(false);
  return 0;
}

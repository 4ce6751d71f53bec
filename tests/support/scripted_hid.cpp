#include "tests/support/scripted_hid.h"

#include <chrono>
#include <cwchar>

#include "devicelink/frame_codec.h"

namespace qb::test {

void ScriptedHidState::QueueReport(Bytes report) {
  {
    std::lock_guard<std::mutex> guard(lock);
    inputReports.push_back(std::move(report));
  }
  reportArrived.notify_all();
}

std::vector<Bytes> ScriptedHidState::Written() {
  std::lock_guard<std::mutex> guard(lock);
  return writtenReports;
}

namespace {

class ScriptedHidDevice final : public HidDevice {
 public:
  explicit ScriptedHidDevice(std::shared_ptr<ScriptedHidState> state) : m_state(std::move(state)) {}
  ~ScriptedHidDevice() override {
    if (m_state->readsInProgress.load() > 0) ++m_state->misuses;
    std::lock_guard<std::mutex> guard(m_state->lock);
    ++m_state->closes;
  }

  int GetManufacturerString(wchar_t* buffer, std::size_t maxChars) override {
    return String(0, L"Quorel Audio", buffer, maxChars);
  }
  int GetProductString(wchar_t* buffer, std::size_t maxChars) override {
    return String(1, L"ZX7140K", buffer, maxChars);
  }
  int GetSerialNumberString(wchar_t* buffer, std::size_t maxChars) override {
    return String(2, L"0001", buffer, maxChars);
  }
  int GetIndexedString(int, wchar_t* buffer, std::size_t maxChars) override {
    return String(3, L"HID", buffer, maxChars);
  }
  int SetNonblocking(int) override { return 0; }

  int Write(const std::uint8_t* data, std::size_t length) override {
    std::function<void(const Bytes&)> onWrite;
    Bytes report(data, data + length);
    int result = 0;
    {
      std::lock_guard<std::mutex> guard(m_state->lock);
      result = m_state->writeResult;
      if (result >= 0) m_state->writtenReports.push_back(report);
      onWrite = m_state->onWrite;
    }
    if (result >= 0 && onWrite) onWrite(report);
    return result < 0 ? result : static_cast<int>(length);
  }

  int ReadTimeout(std::uint8_t* data, std::size_t length, int timeoutMs) override {
    ++m_state->readsInProgress;
    std::unique_lock<std::mutex> guard(m_state->lock);
    int result = m_state->readError;
    if (result == 0) {
      m_state->reportArrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                      [this] { return !m_state->inputReports.empty(); });
      if (!m_state->inputReports.empty()) {
        Bytes report = std::move(m_state->inputReports.front());
        m_state->inputReports.pop_front();
        const std::size_t n = std::min(report.size(), length);
        std::copy_n(report.begin(), n, data);
        result = static_cast<int>(n);
      }
    }
    guard.unlock();
    --m_state->readsInProgress;
    return result;
  }

  std::wstring LastError() override { return L"scripted write failure"; }

 private:
  int String(int which, const wchar_t* value, wchar_t* buffer, std::size_t maxChars) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (m_state->stringFails[which]) return -1;
    std::wcsncpy(buffer, value, maxChars);
    buffer[maxChars] = L'\0';
    return 0;
  }

  std::shared_ptr<ScriptedHidState> m_state;
};

}  // namespace

int ScriptedHidBackend::Init() {
  std::lock_guard<std::mutex> guard(m_state->lock);
  return m_state->initResult;
}

HidOpenResult ScriptedHidBackend::Open(std::uint16_t vendorId, std::uint16_t productId) {
  std::lock_guard<std::mutex> guard(m_state->lock);
  if (!m_state->deviceAvailable || vendorId != 0x0483 || productId != 0x5750) return {};
  ++m_state->opens;
  return {HidOpenStatus::Opened, std::make_unique<ScriptedHidDevice>(m_state), "scripted"};
}

Bytes ReplyFrameBytes(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                      const Bytes& payload) {
  Bytes frame;
  frame.reserve(payload.size() + 7);
  for (std::uint8_t b : {std::uint8_t{0xAA}, std::uint8_t{0x55},
                         static_cast<std::uint8_t>(payload.size() + 3), packetType, commandId,
                         opType}) {
    frame.push_back(b);
  }
  for (std::uint8_t b : payload) frame.push_back(b);
  frame.push_back(FrameChecksum(std::span<const std::uint8_t>(frame).subspan(2)));
  return frame;
}

Bytes InputReport(const Bytes& frame) {
  Bytes report(kInputReportSize, 0);
  std::copy_n(frame.begin(), std::min(frame.size(), report.size()), report.begin());
  return report;
}

}  // namespace qb::test

#pragma once
// A HID backend for tests: a device whose string reads, input reports and failures are
// scripted, and which records every report written to it. It also checks that nobody
// uses a device after it was closed, or closes it while a read is in progress.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "devicelink/hid_transport.h"

namespace qb::test {

using Bytes = std::vector<std::uint8_t>;

/// Everything a test scripts and observes; shared between the backend and its devices.
struct ScriptedHidState {
  std::mutex lock;
  std::condition_variable reportArrived;

  int initResult = 0;
  bool deviceAvailable = true;
  /// Which identification strings fail: manufacturer, product, serial, indexed.
  bool stringFails[4] = {false, false, false, false};
  int writeResult = 65;  ///< negative makes every write fail
  int readError = 0;     ///< negative makes every read fail with it
  std::deque<Bytes> inputReports;
  std::vector<Bytes> writtenReports;
  /// Called (without the lock) after each write, e.g. to queue the box's answer.
  std::function<void(const Bytes& report)> onWrite;

  int opens = 0;
  int closes = 0;
  std::atomic<int> readsInProgress{0};
  std::atomic<int> misuses{0};  ///< a closed device used, or closed during a read

  void QueueReport(Bytes report);
  std::vector<Bytes> Written();
};

class ScriptedHidBackend final : public HidBackend {
 public:
  ScriptedHidBackend() : m_state(std::make_shared<ScriptedHidState>()) {}
  int Init() override;
  HidOpenResult Open(std::uint16_t vendorId, std::uint16_t productId) override;
  ScriptedHidState& State() { return *m_state; }

 private:
  std::shared_ptr<ScriptedHidState> m_state;
};

/// A reply frame as the box sends it: AA 55 LEN type id op payload checksum.
Bytes ReplyFrameBytes(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                      const Bytes& payload);
/// `frame` placed at the start of a 64-byte input report, zero padded.
Bytes InputReport(const Bytes& frame);

}  // namespace qb::test

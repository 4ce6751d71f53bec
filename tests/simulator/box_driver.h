#pragma once
// Drives a virtual box through the HID seam with raw command frames and reads its answers
// with a reply-frame parser of its own, so the box's tests depend on neither the program's
// command builders nor its decoders.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "devicelink/frame_codec.h"
#include "devicelink/wire_codes.h"
#include "simulator/virtual_hid.h"

namespace qb::sim::test {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
  std::uint8_t packetType = 0;
  std::uint8_t commandId = 0;
  std::uint8_t opType = 0;
  Bytes payload;
  bool operator==(const Frame&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Frame& f) {
  os << "{type " << int(f.packetType) << ", id " << int(f.commandId) << ", op 0x" << std::hex
     << int(f.opType) << ", payload";
  for (auto b : f.payload) os << ' ' << int(b);
  return os << std::dec << '}';
}

/// The byte-stream parser of the reply direction: sync, LEN, type, data, checksum; keeps
/// its state across reports and counts frames whose checksum is wrong.
class ReplyStream {
 public:
  void Feed(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) Step(bytes[i]);
  }
  std::vector<Frame> Take() { return std::exchange(m_frames, {}); }
  int BadChecksums() const { return m_bad; }

 private:
  void Step(std::uint8_t b) {
    switch (m_state) {
      case 0: if (b == kSync1) m_state = 1; return;
      case 1: if (b == kSync2) m_state = 2; return;
      case 2: m_len = b; m_sum = b; m_data.clear(); m_state = 3; return;
      default: break;
    }
    if (m_data.size() == m_len) {  // type, id, op and payload collected: b is the checksum
      if (static_cast<std::uint8_t>(m_sum + b) == 0 && m_data.size() >= 3) {
        m_frames.push_back(Frame{m_data[0], m_data[1], m_data[2], Bytes(m_data.begin() + 3, m_data.end())});
      } else {
        ++m_bad;
      }
      m_state = 0;
      return;
    }
    m_data.push_back(b);
    m_sum = static_cast<std::uint8_t>(m_sum + b);
    if (m_data.size() > 62) m_state = 0;
  }

  int m_state = 0;
  std::size_t m_len = 0;
  std::uint8_t m_sum = 0;
  Bytes m_data;
  std::vector<Frame> m_frames;
  int m_bad = 0;
};

/// One box with one open handle.
class BoxDriver {
 public:
  explicit BoxDriver(VirtualBoxConfig config = {}) : m_backend(MakeVirtualBoxBackend(config)) {
    m_backend->Init();
    Reopen();
  }

  VirtualBox& Box() { return *m_backend->Box(); }
  VirtualHidBackend& Backend() { return *m_backend; }
  HidDevice* Device() { return m_device.get(); }
  ReplyStream& Stream() { return m_stream; }

  bool Reopen() {
    m_device = m_backend->Open(0x0483, 0x5750).device;
    return m_device != nullptr;
  }

  /// Writes one command report as the program frames it. Returns the write's result.
  int Send(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
    OutputReport report;
    EXPECT_TRUE(BuildCommandFrame(type, id, op, payload, report));
    return WriteRaw(Bytes(report.begin(), report.end()));
  }
  int WriteRaw(const Bytes& report) {
    return m_device ? m_device->Write(report.data(), report.size()) : -1;
  }

  /// Reads reports until one read finds nothing within `quietMs`; returns the frames.
  std::vector<Frame> Collect(int quietMs = 15) {
    std::uint8_t buffer[64];
    for (;;) {
      const int n = m_device ? m_device->ReadTimeout(buffer, sizeof buffer, quietMs) : -1;
      if (n <= 0) break;
      ++m_reportsRead;
      m_stream.Feed(buffer, static_cast<std::size_t>(n));
    }
    return m_stream.Take();
  }

  /// Sends and returns everything the box answered.
  std::vector<Frame> Exchange(std::uint8_t type, std::uint8_t id, std::uint8_t op,
                              const Bytes& payload) {
    Send(type, id, op, payload);
    return Collect();
  }
  /// Sends, expects exactly one reply frame and returns it.
  Frame One(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
    const auto frames = Exchange(type, id, op, payload);
    EXPECT_EQ(frames.size(), 1u) << "type " << int(type) << " id " << int(id);
    return frames.empty() ? Frame{} : frames.front();
  }
  Frame Set(std::uint8_t type, std::uint8_t id, const Bytes& payload) {
    return One(type, id, OP_SET, payload);
  }
  /// The data report answering a query (payload only).
  Bytes Get(std::uint8_t type, std::uint8_t id, const Bytes& payload) {
    const Frame f = One(type, id, OP_GET, payload);
    EXPECT_EQ(f.opType, OP_UPDATE);
    EXPECT_EQ(f.commandId, id);
    return f.payload;
  }
  Bytes DspGet(std::uint8_t id, const Bytes& payload) { return Get(DSP_PACKET, id, payload); }
  Frame DspSet(std::uint8_t id, const Bytes& payload) { return Set(DSP_PACKET, id, payload); }

  int ReportsRead() const { return m_reportsRead; }

 private:
  std::shared_ptr<VirtualHidBackend> m_backend;
  std::unique_ptr<HidDevice> m_device;
  ReplyStream m_stream;
  int m_reportsRead = 0;
};

inline Frame AckFrame(std::uint8_t type, std::uint8_t id, Bytes payload = {ACK_READY}) {
  return Frame{type, id, OP_ACK, std::move(payload)};
}

}  // namespace qb::sim::test

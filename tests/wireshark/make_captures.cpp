// wireshark-test-captures DIR: writes the two captures scripts/trace-check.sh decodes to
// show that the dissector reads what other programs and other capture tools record, not
// only this program's traces:
//
//   usbmon_other_program.pcap  link type 220, as Linux usbmon records a real box (bus 3,
//                              device 7) while some other program talks to it: every
//                              transfer as a submission and a completion, output reports
//                              on the wire without their report id, as the kernel sends them
//   usbpcap_windows.pcap       link type 249, as USBPcap records the same exchange on
//                              Windows, here with the report id kept in front of each
//                              output report
//
// Both hold a frame split over two input reports, two frames in one report and a frame
// with a bad checksum. Run it after changing the exchange and commit the files
// (tools/wireshark/testdata).
#include <cstdio>
#include <string>
#include <vector>

#include "devicelink/frame_codec.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"

namespace {

using namespace qb;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kBus = 3;
constexpr std::uint8_t kDevice = 7;

/// One report on the wire: which way, and its bytes (an output report with its id 0).
struct Transfer {
  bool in;
  Bytes bytes;
};

Bytes Frame(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  OutputReport report;
  BuildCommandFrame(type, id, op, payload, report);
  const std::size_t length = payload.size() + 7;
  return Bytes(report.begin() + 1, report.begin() + 1 + static_cast<long>(length));
}

Bytes Report(std::initializer_list<Bytes> parts, std::size_t size) {
  Bytes report;
  for (const Bytes& part : parts) report.insert(report.end(), part.begin(), part.end());
  report.resize(size, 0);
  return report;
}

Transfer Out(std::uint8_t type, std::uint8_t id, std::uint8_t op, const Bytes& payload) {
  Bytes report = Report({{0}, Frame(type, id, op, payload)}, kOutputReportSize);
  return {false, report};
}

Transfer In(std::initializer_list<Bytes> frames) { return {true, Report(frames, kInputReportSize)}; }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

/// The exchange: a handshake, then settings another program might make, each with the
/// box's answer.
std::vector<Transfer> Exchange() {
  const auto gain = EncodeEqGain(-3.5);
  const auto q = EncodeEqQ(2.5);
  const auto delay = EncodeDelay(2.345);
  const Bytes eqBand = {0x03, 0xE8, q[0], q[1], gain[0], gain[1]};
  Bytes eqReply = {kLiveScene, 0, 1, 4, 5};
  for (int band = 4; band <= 5; ++band) {
    const auto reported = EncodeEqQReply(2.5);
    eqReply.insert(eqReply.end(), {0x03, 0xE8, reported[0], reported[1], gain[0], gain[1]});
  }
  Bytes filterReply = {kLiveScene, 0, 0, 3};
  for (int ch = 0; ch < 4; ++ch) filterReply.insert(filterReply.end(), {2, 0, 80, 4, 2, 0x4E, 0x20, 0});
  const Bytes filterFrame = Frame(DSP_PACKET, DSP_FILTER_GET, OP_UPDATE, filterReply);
  constexpr std::size_t kSplitAt = 20;
  Bytes badChecksum = Frame(DSP_PACKET, DSP_VOLUME, OP_UPDATE, {0xF6});
  badChecksum.back() ^= 0x01;
  Bytes name = {'H', 'o', 'm', 'e'};
  name.resize(16, 0);

  return {
      Out(MCU_PACKET, MCU_HANDSHAKE, OP_SET, {}),
      In({Frame(MCU_PACKET, MCU_HANDSHAKE, OP_UPDATE, {0x00, 79, 16, 16})}),
      Out(DSP_PACKET, DSP_EQ_CH, OP_SET, Cat({{kLiveScene, 0, 1, 4}, eqBand})),
      In({Frame(DSP_PACKET, DSP_EQ_CH, OP_ACK, {ACK_READY})}),
      Out(DSP_PACKET, DSP_FILTER_GET, OP_SET, {kLiveScene, 0, 2, FILTER_SELECT_LOW_PASS, FILTER_TYPE_BUTTERWORTH, 0, 80, 4}),
      In({Frame(DSP_PACKET, DSP_FILTER_GET, OP_ACK, {ACK_READY})}),
      Out(DSP_PACKET, DSP_TRIM_CH, OP_SET, {kLiveScene, 0, 3, 3, EncodeTrimCoarse(12)}),
      Out(DSP_PACKET, DSP_MUTE_CH, OP_SET, {kLiveScene, 0, 4, 4, 1}),
      Out(DSP_PACKET, DSP_PHASE_CH, OP_SET, {kLiveScene, 0, 5, 5, 1}),
      Out(DSP_PACKET, DSP_DELAY_CH, OP_SET, {kLiveScene, 0, 6, 6, delay[0], delay[1], delay[2]}),
      Out(DSP_PACKET, DSP_MIX_CH, OP_SET, {kLiveScene, SOURCE_HI, 0, 0, 0x05}),
      Out(DSP_PACKET, DSP_VOLUME, OP_SET, {EncodeMainVolume(12)}),
      Out(FLASH_PACKET, FLASH_SCENE_SAVE, OP_SET, {3, 0}),
      In({Frame(FLASH_PACKET, FLASH_SCENE_SAVE, OP_ACK, {ACK_READY, 3})}),
      Out(FLASH_PACKET, FLASH_SCENE_NAME, OP_SET, Cat({{3, 16}, name})),
      // Reading back: two bands in one reply, four crossovers split over two reports,
      // mute and phase answered in one report, and a volume whose checksum was damaged.
      Out(DSP_PACKET, DSP_EQ_CH, OP_GET, {kLiveScene, 0, 1, 4, 5}),
      In({Frame(DSP_PACKET, DSP_EQ_CH, OP_UPDATE, eqReply)}),
      Out(DSP_PACKET, DSP_FILTER_GET, OP_GET, {kLiveScene, 0, 0, 3}),
      In({Bytes(kInputReportSize - kSplitAt, 0), Bytes(filterFrame.begin(), filterFrame.begin() + kSplitAt)}),
      In({Bytes(filterFrame.begin() + kSplitAt, filterFrame.end())}),
      Out(DSP_PACKET, DSP_MUTE_CH, OP_GET, {kLiveScene, 0, 4, 4}),
      In({Frame(DSP_PACKET, DSP_MUTE_CH, OP_UPDATE, {kLiveScene, 0, 4, 4, 1}),
          Frame(DSP_PACKET, DSP_PHASE_CH, OP_UPDATE, {kLiveScene, 0, 5, 5, 1})}),
      Out(FLASH_PACKET, FLASH_SCENE_NAME, OP_GET, {3}),
      In({Frame(FLASH_PACKET, FLASH_SCENE_NAME, OP_UPDATE, Cat({{3}, name}))}),
      Out(DSP_PACKET, DSP_VOLUME, OP_GET, {}),
      In({badChecksum}),
  };
}

void Le(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

/// One captured packet and its time in microseconds since the epoch.
struct Packet {
  std::uint64_t micros;
  Bytes bytes;
};

/// A pcap file: header of `linktype`, then one record per packet.
bool WriteCapture(const std::string& path, std::uint32_t linktype, const std::vector<Packet>& packets) {
  Bytes file;
  Le(file, 0xA1B2C3D4, 4);
  Le(file, 2, 2);
  Le(file, 4, 2);
  Le(file, 0, 8);
  Le(file, 262144, 4);
  Le(file, linktype, 4);
  for (const Packet& packet : packets) {
    Le(file, packet.micros / 1000000, 4);
    Le(file, packet.micros % 1000000, 4);
    Le(file, packet.bytes.size(), 4);
    Le(file, packet.bytes.size(), 4);
    file.insert(file.end(), packet.bytes.begin(), packet.bytes.end());
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

constexpr std::uint64_t kStart = 1700000000000000;  // microseconds

/// usbmon's 64-byte URB header and the data it captured.
Packet UsbmonPacket(std::uint64_t urb, char event, bool in, std::size_t length, const Bytes& data,
                    std::uint64_t micros) {
  Bytes packet;
  Le(packet, urb, 8);
  packet.push_back(static_cast<std::uint8_t>(event));
  packet.push_back(1);  // interrupt
  packet.push_back(in ? 0x81 : 0x01);
  packet.push_back(kDevice);
  Le(packet, kBus, 2);
  packet.push_back('-');
  // Data present, or why not: an IN submission has none yet, an OUT completion none to give.
  packet.push_back(!data.empty() ? 0 : in ? '<' : '>');
  Le(packet, micros / 1000000, 8);
  Le(packet, micros % 1000000, 4);
  Le(packet, static_cast<std::uint32_t>(event == 'S' ? -115 : 0), 4);
  Le(packet, length, 4);
  Le(packet, data.size(), 4);
  Le(packet, 0, 8);
  Le(packet, 1, 4);  // interval
  Le(packet, 0, 4);
  Le(packet, in ? 0x200 : 0, 4);
  Le(packet, 0, 4);
  packet.insert(packet.end(), data.begin(), data.end());
  return {micros, packet};
}

std::vector<Packet> UsbmonPackets(const std::vector<Transfer>& exchange) {
  std::vector<Packet> packets;
  std::uint64_t urb = 0xFFFF88810A2B3C00;
  std::uint64_t micros = kStart;
  for (const Transfer& t : exchange) {
    // The kernel sends a report whose id is 0 without that byte.
    const Bytes wire = t.in ? t.bytes : Bytes(t.bytes.begin() + 1, t.bytes.end());
    if (t.in) {
      packets.push_back(UsbmonPacket(urb, 'S', true, 64, {}, micros));
      packets.push_back(UsbmonPacket(urb, 'C', true, wire.size(), wire, micros + 500));
    } else {
      packets.push_back(UsbmonPacket(urb, 'S', false, wire.size(), wire, micros));
      packets.push_back(UsbmonPacket(urb, 'C', false, wire.size(), {}, micros + 500));
    }
    urb += 0x100;
    micros += 1000;
  }
  return packets;
}

/// USBPcap's packet header (27 bytes) and the data.
Packet UsbpcapPacket(std::uint64_t irp, bool completion, bool in, const Bytes& data, std::uint64_t micros) {
  Bytes packet;
  Le(packet, 27, 2);
  Le(packet, irp, 8);
  Le(packet, 0, 4);       // USBD status: success
  Le(packet, 0x0009, 2);  // URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER
  packet.push_back(completion ? 1 : 0);  // 1: from the device's side back up to the program
  Le(packet, 1, 2);                      // root hub
  Le(packet, kDevice, 2);
  packet.push_back(in ? 0x81 : 0x01);
  packet.push_back(1);  // interrupt
  Le(packet, data.size(), 4);
  packet.insert(packet.end(), data.begin(), data.end());
  return {micros, packet};
}

std::vector<Packet> UsbpcapPackets(const std::vector<Transfer>& exchange) {
  std::vector<Packet> packets;
  std::uint64_t irp = 0xFFFFA0012345A000;
  std::uint64_t micros = kStart;
  for (const Transfer& t : exchange) {
    packets.push_back(UsbpcapPacket(irp, false, t.in, t.in ? Bytes{} : t.bytes, micros));
    packets.push_back(UsbpcapPacket(irp, true, t.in, t.in ? t.bytes : Bytes{}, micros + 500));
    irp += 0x10;
    micros += 1000;
  }
  return packets;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: wireshark-test-captures DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<Transfer> exchange = Exchange();
  if (!WriteCapture(dir + "/usbmon_other_program.pcap", 220, UsbmonPackets(exchange)) ||
      !WriteCapture(dir + "/usbpcap_windows.pcap", 249, UsbpcapPackets(exchange))) {
    std::fprintf(stderr, "wireshark-test-captures: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

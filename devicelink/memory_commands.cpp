#include "devicelink/memory_commands.h"

#include <array>
#include <memory>

#include "devicelink/link_timing.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr std::size_t kMemPayloadBytes = 2 * kU32Bytes;

/// Address then data, both little-endian.
std::array<std::uint8_t, kMemPayloadBytes> MemPayload(std::uint32_t address, std::uint32_t data) {
  const auto a = EncodeU32LE(address);
  const auto d = EncodeU32LE(data);
  return {a[0], a[1], a[2], a[3], d[0], d[1], d[2], d[3]};
}

/// The two byte lines every memory exchange logs, low byte first.
void LogWordBytes(ByteView bytes) {
  LogPrintA("addr %02x, %02x, %02x, %02x\n", bytes[0], bytes[1], bytes[2], bytes[3]);
  LogPrintA("data %02x, %02x, %02x, %02x\n", bytes[4], bytes[5], bytes[6], bytes[7]);
}

/// Both directions of the command log the same line, "Get_MemData" included: the memory
/// window's log has always read that way for reads and writes alike.
void LogRequest(std::uint32_t address, std::uint32_t data, ByteView bytes) {
  LogPrintA("Get_MemData: addr(0x%08x), data(0x%08x)\n", address, data);
  LogWordBytes(bytes);
}

void DecodeMemData(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.size() < kMemPayloadBytes) return;
  auto record = std::make_unique<MemDataRecord>();
  record->address = DecodeU32LE(p).value_or(0);
  record->data = DecodeU32LE(p.subspan(kU32Bytes)).value_or(0);
  LogPrintA("DSP_MEM_DATA: addr(0x%08x), data(0x%08x)\n", record->address, record->data);
  LogWordBytes(p);
  link.PostReply(ReplySlot::MemoryWindowHandle,
                 ReplyMessage{WM_MEM_REPLY, DSP_MEM_DATA, 0, std::move(record)});
}

constexpr std::array kMemoryDecoders = {
    CommandDecoderEntry{DSP_PACKET, DSP_MEM_DATA, &DecodeMemData},
};

}  // namespace

bool Get_MemData(DeviceLink& link, std::uint32_t address) {
  const auto payload = MemPayload(address, 0);
  LogRequest(address, 0, payload);
  return link.Query(DSP_PACKET, DSP_MEM_DATA, payload, kWaitDefaultMs);
}

void Set_MemData(DeviceLink& link, std::uint32_t address, std::uint32_t data, bool immediate) {
  const auto payload = MemPayload(address, data);
  LogRequest(address, data, payload);
  link.SubmitCommand(DSP_PACKET, DSP_MEM_DATA, OP_SET, Payload(payload.begin(), payload.end()),
                     immediate, kWaitDefaultMs);
}

DecoderTable MemoryReplyDecoders() { return kMemoryDecoders; }

}  // namespace qb

#include "simulator/karaoke_handler.h"

#include "devicelink/value_encoding.h"

namespace qb::sim {
namespace {

bool IsSigned(std::uint8_t id) { return id == KTV_BASS_GAIN || id == KTV_TREBLE_GAIN; }

}  // namespace

bool HandleKaraoke(const BoxCommand& command, BoxContext& box) {
  const std::uint8_t id = command.commandId;
  if (command.packetType != KTV_PACKET || id < KTV_MIC_VOL || id > KTV_TREBLE_GAIN) return false;
  int& value = box.State().karaoke[id];
  const std::span<const std::uint8_t> p = command.payload;

  if (command.opType == OP_SET) {
    if (id == KTV_ECHO_DELAY) {
      const auto delay = DecodeU16BE(p);
      if (!delay) return true;
      value = *delay;
    } else {
      if (p.empty()) return true;
      value = IsSigned(id) ? DecodeSignedByte(p[0]) : p[0];
    }
    box.Ack(KTV_PACKET, id, ACK_READY);
    return true;
  }
  if (command.opType == OP_GET) {
    if (id == KTV_ECHO_DELAY) {
      box.Update(KTV_PACKET, id, EncodeU16BE(value));
    } else {
      const std::uint8_t payload[] = {IsSigned(id) ? EncodeSignedByte(value)
                                                   : static_cast<std::uint8_t>(value)};
      box.Update(KTV_PACKET, id, payload);
    }
    return true;
  }
  return false;
}

}  // namespace qb::sim

#include "devicelink/reply_decoders.h"

#include <array>
#include <memory>

#include "devicelink/device_link.h"

namespace qb {
namespace {
/// The packet types that carry replies: DSP, flash, MCU and karaoke.
constexpr std::array<std::uint8_t, 4> kReplyPacketTypes = {1, 2, 3, 7};
}  // namespace

void InstallDecoderTables(DeviceLink& link, std::initializer_list<DecoderTable> tables) {
  for (std::uint8_t packetType : kReplyPacketTypes) {
    auto byCommand = std::make_shared<std::array<CommandDecoder, 256>>();
    byCommand->fill(nullptr);
    for (DecoderTable table : tables) {
      for (const CommandDecoderEntry& entry : table) {
        if (entry.packetType == packetType) (*byCommand)[entry.commandId] = entry.decode;
      }
    }
    link.SetPacketDecoder(packetType, [byCommand](DeviceLink& target, const ReplyFrame& frame) {
      if (CommandDecoder decode = (*byCommand)[frame.CommandId()]) decode(target, frame);
    });
  }
}

}  // namespace qb

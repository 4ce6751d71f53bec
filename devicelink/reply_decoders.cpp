#include "devicelink/reply_decoders.h"

#include <array>
#include <memory>

#include "devicelink/device_link.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

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
    link.SetPacketDecoder(packetType, [byCommand, packetType](DeviceLink& target, const ReplyFrame& frame) {
      // Every DSP-packet report says so once, whichever family decodes it (the DSP table,
      // calibration, memory) and also when none does.
      if (packetType == DSP_PACKET) LogPrintA("dsp_ack_process: cmd(0x%08x)\n", unsigned{frame.CommandId()});
      if (CommandDecoder decode = (*byCommand)[frame.CommandId()]) decode(target, frame);
    });
  }
}

}  // namespace qb

#pragma once
/// Routing of reply frames to the decoder of their command. Each command family publishes
/// a table of (packet type, command id, decoder) next to its commands, so a reader finds a
/// command's builder and its decoder side by side; the link's dispatch looks them up here.

#include <cstdint>
#include <initializer_list>
#include <span>

#include "devicelink/reply_parser.h"

namespace qb {

class DeviceLink;

/// Decodes one reply frame of a known command. It checks the operation type itself
/// (data reports and acknowledgements are decoded differently, others ignored) and never
/// reads past frame.data.
using CommandDecoder = void (*)(DeviceLink& link, const ReplyFrame& frame);

struct CommandDecoderEntry {
  std::uint8_t packetType;
  std::uint8_t commandId;
  CommandDecoder decode;
};

using DecoderTable = std::span<const CommandDecoderEntry>;

/// Installs packet decoders on `link` that route each frame to the entry of its packet type
/// and command id among `tables`. Frames of a known packet type without an entry are
/// ignored. Later tables win over earlier ones for the same command.
void InstallDecoderTables(DeviceLink& link, std::initializer_list<DecoderTable> tables);

}  // namespace qb

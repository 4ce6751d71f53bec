#pragma once
/// Wires every command family's reply decoders into a link.

namespace qb {

class DeviceLink;

/// Installs the decoders of every reply the program understands: DSP parameters,
/// calibration, DSP memory, MCU, karaoke, scene storage and firmware upgrade.
void InstallReplyDecoders(DeviceLink& link);

}  // namespace qb

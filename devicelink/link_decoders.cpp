#include "devicelink/link_decoders.h"

#include "devicelink/calibration_commands.h"
#include "devicelink/dsp_replies.h"
#include "devicelink/firmware_upgrade.h"
#include "devicelink/karaoke_commands.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/memory_commands.h"
#include "devicelink/reply_decoders.h"
#include "devicelink/scene_commands.h"

namespace qb {

void InstallReplyDecoders(DeviceLink& link) {
  InstallDecoderTables(link, {DspReplyDecoders(), CalibrationReplyDecoders(), MemoryReplyDecoders(),
                              McuReplyDecoders(), KaraokeReplyDecoders(), SceneReplyDecoders(),
                              UpgradeReplyDecoders()});
}

}  // namespace qb

#pragma once
/// The firmware upgrade transfer: starting an upgrade from a checked image file and moving
/// it to the box block by block, one small step per call, with the box's acknowledgements
/// decoded into the link's upgrade state (DeviceLink::Upgrade()).
///
/// An MCU application or boot-loader image goes out from its end towards offset 0 in
/// 32-byte blocks, the partial block (size mod 32) first; a DSP-flash image goes out from
/// offset 0 in blocks of up to 50 bytes. Each block is acknowledged before the next.
///
/// Threads: UpgradeStart and UpgradeStep run on the application's upgrade thread only, with
/// the command queue disabled; the decoders run on whichever thread reads the report.

#include <cstdint>
#include <filesystem>

#include "devicelink/device_link.h"
#include "devicelink/reply_decoders.h"

namespace qb {

/// UpgradeStep results besides the progress 0..100.
inline constexpr std::uint8_t kUpgradeFinished = 101;
inline constexpr std::uint8_t kUpgradeFailed = 255;

/// MCU block: 32-bit big-endian offset, then 32 image bytes (zero padded).
inline constexpr std::size_t kMcuBlockDataBytes = 32;
/// DSP-flash block: 32-bit big-endian offset, the count n, then n <= 50 image bytes.
inline constexpr std::size_t kFlashBlockDataBytes = 50;

/// How UpgradeStart waits for a box that restarts into its loader after entering upgrade
/// mode. Each wait is further capped by the link's LinkTimings::waitCapMs, so a test link
/// never sleeps longer than its cap.
struct UpgradeReopenTimings {
  std::uint32_t restartWaitMs = 8000;  ///< before the first reopen attempt
  std::uint32_t retryWaitMs = 500;     ///< between failed attempts
  int attempts = 10;
};

/// Starts an upgrade from the image file at `path`. The kind is chosen from the last path
/// component ("/" or "\\" separates), compared without regard to letter case:
/// "BL_UPG.BIN" boot loader, else "FLASH_UPG.BIN" DSP flash, else "MCU_UPG.BIN" MCU
/// application, else "UPG_FW.BIN" merged file (its DSP part is sent). The image is checked,
/// the box is asked to enter upgrade mode (and reopened if it restarts into its loader),
/// the receive ring is emptied and the start command sent with the image's head.
/// Returns 0 started (step state ready for UpgradeStep), 1 file cannot be opened,
/// 2 unknown name or invalid image, 3 link closed or the box not back after its restart
/// (images released), 4 the box did not acknowledge upgrade mode or refused/ignored the
/// start. A boot-loader start is 0 even when refused; the refusal then shows as 255 from
/// the first UpgradeStep. "DOWNLOAD.BAT" returns 0 without sending anything and leaves no
/// image loaded, so UpgradeStep reports 0. On every non-zero result sys_upg_status is 0.
int UpgradeStart(DeviceLink& link, const std::filesystem::path& path,
                 const UpgradeReopenTimings& reopen = {});

/// Checks the image file at `path` as UpgradeStart does, without a box: the check is chosen
/// by the file name in the same order ("BL_UPG.BIN", "FLASH_UPG.BIN", "MCU_UPG.BIN",
/// "UPG_FW.BIN", any letter case) and fills `images`. Returns the check's code; 2 for a name
/// that says no image kind. With env.linkOpen false the MCU and flash checks return 3.
int CheckUpgradeFile(const std::filesystem::path& path, const ImageCheckEnv& env, FirmwareImages& images);

/// Moves the transfer one step: sends one block, moves on to reading, or reads (waiting up
/// to kWaitDefaultMs, capped by the link) and decodes one report. Returns the progress in
/// integer percent of the bytes sent (0 when no image is loaded), kUpgradeFinished (101)
/// once the finish command went out, kUpgradeFailed (255) when the box refused or the link
/// was lost. After 101 or 255 the images are released and sys_upg_status is 0. A read that
/// brings no acknowledgement of the block (silence, NOT_READY, an unrelated report) makes
/// the next call read again; a block is never resent.
std::uint8_t UpgradeStep(DeviceLink& link);

/// Decoders of the upgrade acknowledgements (OP_ACK; other operations are ignored):
/// MCU_PACKET 1-4 and 160-163 (enter, start, block, finish of the MCU application and boot
/// loader) and FLASH_PACKET 3-5 (DSP-flash start, block, finish). They only move
/// sys_upg_status/step of DeviceLink::Upgrade() and log; an acknowledgement without its
/// status byte is ignored.
DecoderTable UpgradeReplyDecoders();

}  // namespace qb

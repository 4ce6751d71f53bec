#pragma once
/// The box's firmware upgrade receiver: entering upgrade mode (with the restart into the
/// loader), the start command with its head, the image blocks, the finish, the check of the
/// received image and what a verified image installs.
///
/// Kinds and their commands (all OP_SET, each answered with an OP_ACK):
///   MCU application  MCU 1 enter, MCU 2 start, MCU 3 block, MCU 4 finish
///   MCU boot loader  MCU 160 enter, MCU 161 start, MCU 162 block, MCU 163 finish
///   DSP flash        MCU 1 enter, FLASH 3 start, FLASH 4 block, FLASH 5 finish
///
/// Enter (MCU 1) in the application acknowledges, switches to the loader and restarts; in
/// the loader it only acknowledges. MCU and flash images are received in the loader, the
/// boot loader by the application (enter with MCU 160 first).
///
/// Block order. An MCU block is its offset (32-bit big-endian) and 32 data bytes; the blocks
/// come from the end of the image towards offset 0, each 32 below the one before, so the
/// first block sits at a multiple of 32 and the image ends 32 bytes above it (the last
/// bytes of that block are padding). A flash block is its offset, a count n of 1..50 and n
/// data bytes; the blocks come from offset 0 upwards, every one but the last holding 50.
/// A block at any other offset, a repeated block or a malformed one is refused with
/// NOT_READY and ends the transfer: the box stays in its loader until a new start.
///
/// The image check. The box knows nothing of the file around the image; what it holds is
/// the head from the start command, which for this box is the 32-bit big-endian additive
/// sum of the image data (ImageHeadFor). At the finish it sums what it received (zero
/// padding adds nothing) and compares. A verified MCU image restarts the box into the new
/// application, which reports its version in the next handshake; a verified flash image is installed by the
/// reboot command the program sends after it; a verified boot loader changes the version
/// MCU_GET_BOOTLOADER_VER reports. A refused finish (incomplete transfer, wrong sum) leaves
/// the box where it was, an MCU or flash upgrade in its loader.
///
/// NOT_READY injection (UpgradeReceiverConfig::notReadyBlocks): the chosen block is taken,
/// answered NOT_READY, and its ACK_READY follows as a later report of its own, since the
/// program reads again after NOT_READY instead of sending the block again.
///
/// Not thread-safe on its own: the virtual box calls it under its lock.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "simulator/box_context.h"

namespace qb::sim {

enum class UpgradeKind : std::uint8_t { kNone, kMcu, kBootloader, kFlash };

/// Where the current or last transfer stands.
enum class UpgradeVerdict : std::uint8_t {
  kNone,          ///< no transfer started since the box was made
  kRunning,       ///< started; blocks may follow
  kInstalled,     ///< finished and the sum matched the head
  kSumMismatch,   ///< finished, but the received image does not match the head
  kIncomplete,    ///< finish before the block at offset 0 (MCU)
  kOutOfOrder,    ///< a block at an unexpected offset, repeated or malformed
  kInterrupted,   ///< the box restarted during the transfer
};

/// What the receiver has seen, for tests.
struct UpgradeSnapshot {
  UpgradeKind kind = UpgradeKind::kNone;
  UpgradeVerdict verdict = UpgradeVerdict::kNone;
  std::array<std::uint8_t, 4> head{};
  /// Offsets of the blocks taken, in the order they came.
  std::vector<std::uint32_t> blockOffsets;
  /// The image as received: MCU images padded to whole 32-byte blocks.
  std::vector<std::uint8_t> image;
  /// Start commands refused (not in upgrade mode, refuseStart, short head).
  std::size_t refusedStarts = 0;
};

/// The 32-bit additive sum of `data`, each byte as 0..255.
std::uint32_t ImageSum(std::span<const std::uint8_t> data);
/// The head with which this box accepts `data`: ImageSum, big-endian.
std::array<std::uint8_t, 4> ImageHeadFor(std::span<const std::uint8_t> data);

class UpgradeReceiver final : public BoxExtension {
 public:
  /// Takes the upgrade commands; takes the handshake and version queries once a verified
  /// image changed what they report, and the reboot command while the box is in its loader.
  bool Handle(const BoxCommand& command, BoxContext& box) override;
  /// A restart ends a running transfer (kInterrupted); the box stays in its loader.
  void OnReboot() override;
  UpgradeSnapshot Snapshot() const { return m_snapshot; }

 private:
  bool HandleEnter(const BoxCommand& command, BoxContext& box);
  void HandleStart(UpgradeKind kind, const BoxCommand& command, BoxContext& box);
  void HandleBlock(UpgradeKind kind, const BoxCommand& command, BoxContext& box);
  void HandleFinish(UpgradeKind kind, BoxContext& box);
  bool HandleLoaderReboot(const BoxCommand& command, BoxContext& box);
  bool AnswerInstalledVersion(const BoxCommand& command, BoxContext& box);

  /// Stores one block if it is the one expected; false refuses it.
  bool TakeMcuBlock(std::span<const std::uint8_t> payload);
  bool TakeFlashBlock(std::span<const std::uint8_t> payload);
  void Install(BoxContext& box);
  bool Running(UpgradeKind kind) const {
    return m_snapshot.verdict == UpgradeVerdict::kRunning && m_snapshot.kind == kind;
  }

  UpgradeSnapshot m_snapshot;
  std::size_t m_blocks = 0;       ///< blocks taken in this transfer (for NOT_READY injection)
  bool m_flashEnded = false;      ///< a short flash block came: nothing may follow it
  bool m_bootloaderEntered = false;

  // What verified images installed; unset until one did.
  std::optional<std::array<std::uint8_t, 2>> m_mcuVersion;
  std::optional<std::array<std::uint8_t, 4>> m_flashVersion;
  std::optional<std::array<std::uint8_t, 4>> m_pendingFlashVersion;  ///< until the reboot
  std::optional<std::uint8_t> m_bootloaderVersion;
};

}  // namespace qb::sim

#include "simulator/upgrade_receiver.h"

#include <algorithm>

#include "devicelink/value_encoding.h"
#include "simulator/mcu_handler.h"

namespace qb::sim {
namespace {

constexpr std::size_t kMcuBlockData = 32;
constexpr std::size_t kMcuBlockPayload = kU32Bytes + kMcuBlockData;
constexpr std::size_t kFlashBlockMax = 50;
constexpr std::size_t kFlashBlockHeader = kU32Bytes + 1;
/// Largest image the box has room for: the largest image file the program reads.
constexpr std::size_t kMaxImageBytes = 1048576;

/// The commands of one upgrade kind.
struct KindCodes {
  UpgradeKind kind;
  std::uint8_t packetType;
  std::uint8_t start;
  std::uint8_t data;
  std::uint8_t finish;
};

constexpr KindCodes kKinds[] = {
    {UpgradeKind::kMcu, MCU_PACKET, MCU_UPG_START, MCU_UPG_DATA, MCU_UPG_FINISH},
    {UpgradeKind::kBootloader, MCU_PACKET, BL_UPG_START, BL_UPG_DATA, BL_UPG_FINISH},
    {UpgradeKind::kFlash, FLASH_PACKET, FLASH_UPG_START, FLASH_UPG_DATA, FLASH_UPG_FINISH},
};

const KindCodes& CodesOf(UpgradeKind kind) {
  for (const KindCodes& codes : kKinds) {
    if (codes.kind == kind) return codes;
  }
  return kKinds[0];
}

bool IsCommand(const BoxCommand& command, std::uint8_t packetType, std::uint8_t commandId) {
  return command.packetType == packetType && command.commandId == commandId;
}

}  // namespace

std::uint32_t ImageSum(std::span<const std::uint8_t> data) {
  std::uint32_t sum = 0;
  for (const std::uint8_t b : data) sum += b;
  return sum;
}

std::array<std::uint8_t, 4> ImageHeadFor(std::span<const std::uint8_t> data) {
  return EncodeU32BE(ImageSum(data));
}

bool UpgradeReceiver::Handle(const BoxCommand& command, BoxContext& box) {
  if (AnswerInstalledVersion(command, box)) return true;
  if (command.opType != OP_SET) return false;
  if (HandleEnter(command, box) || HandleLoaderReboot(command, box)) return true;
  for (const KindCodes& codes : kKinds) {
    if (command.packetType != codes.packetType) continue;
    if (command.commandId == codes.start) {
      HandleStart(codes.kind, command, box);
      return true;
    }
    if (command.commandId == codes.data) {
      HandleBlock(codes.kind, command, box);
      return true;
    }
    if (command.commandId == codes.finish) {
      HandleFinish(codes.kind, box);
      return true;
    }
  }
  return false;
}

void UpgradeReceiver::OnReboot() {
  if (m_snapshot.verdict == UpgradeVerdict::kRunning) m_snapshot.verdict = UpgradeVerdict::kInterrupted;
  m_bootloaderEntered = false;
}

bool UpgradeReceiver::HandleEnter(const BoxCommand& command, BoxContext& box) {
  if (IsCommand(command, MCU_PACKET, MCU_ENTER_UPG_MODE)) {
    box.Ack(MCU_PACKET, MCU_ENTER_UPG_MODE, ACK_READY);
    // The application cannot rewrite itself: it hands over to the loader by restarting.
    if (box.Config().applicationMode) {
      box.SetApplicationMode(false);
      box.Reboot(false);
    }
    return true;
  }
  if (IsCommand(command, MCU_PACKET, BL_UPG_ENTER)) {
    // The loader cannot rewrite itself either; only the application takes a new one.
    m_bootloaderEntered = box.Config().applicationMode;
    box.Ack(MCU_PACKET, BL_UPG_ENTER, m_bootloaderEntered ? ACK_READY : ACK_NOT_READY);
    return true;
  }
  return false;
}

void UpgradeReceiver::HandleStart(UpgradeKind kind, const BoxCommand& command, BoxContext& box) {
  const KindCodes& codes = CodesOf(kind);
  const bool inMode = kind == UpgradeKind::kBootloader ? m_bootloaderEntered : !box.Config().applicationMode;
  if (!inMode || box.Config().upgrade.refuseStart || command.payload.size() < m_snapshot.head.size()) {
    ++m_snapshot.refusedStarts;
    box.Ack(codes.packetType, codes.start, ACK_NOT_READY);
    return;
  }
  const std::size_t refused = m_snapshot.refusedStarts;
  m_snapshot = UpgradeSnapshot{};
  m_snapshot.refusedStarts = refused;
  m_snapshot.kind = kind;
  m_snapshot.verdict = UpgradeVerdict::kRunning;
  std::copy_n(command.payload.begin(), m_snapshot.head.size(), m_snapshot.head.begin());
  m_blocks = 0;
  m_flashEnded = false;
  box.Ack(codes.packetType, codes.start, ACK_READY);
}

void UpgradeReceiver::HandleBlock(UpgradeKind kind, const BoxCommand& command, BoxContext& box) {
  const KindCodes& codes = CodesOf(kind);
  const bool taken = Running(kind) && (kind == UpgradeKind::kFlash ? TakeFlashBlock(command.payload)
                                                                    : TakeMcuBlock(command.payload));
  if (!taken) {
    if (Running(kind)) m_snapshot.verdict = UpgradeVerdict::kOutOfOrder;
    box.Ack(codes.packetType, codes.data, NOT_READY);
    return;
  }
  const std::vector<std::size_t>& notReady = box.Config().upgrade.notReadyBlocks;
  const bool delay = std::find(notReady.begin(), notReady.end(), m_blocks) != notReady.end();
  ++m_blocks;
  if (!delay) {
    box.Ack(codes.packetType, codes.data, ACK_READY);
    return;
  }
  box.Ack(codes.packetType, codes.data, NOT_READY);
  const std::uint8_t ready[] = {ACK_READY};
  box.ReplyAfter(box.Config().upgrade.notReadyDelay, codes.packetType, codes.data, OP_ACK, ready);
}

bool UpgradeReceiver::TakeMcuBlock(std::span<const std::uint8_t> payload) {
  const auto offset = DecodeU32BE(payload);
  if (!offset || payload.size() != kMcuBlockPayload || *offset % kMcuBlockData != 0) return false;
  std::vector<std::uint32_t>& offsets = m_snapshot.blockOffsets;
  if (offsets.empty()) {
    if (*offset > kMaxImageBytes - kMcuBlockData) return false;
    m_snapshot.image.assign(*offset + kMcuBlockData, 0);
  } else if (offsets.back() != *offset + kMcuBlockData) {
    return false;
  }
  std::copy(payload.begin() + kU32Bytes, payload.end(), m_snapshot.image.begin() + *offset);
  offsets.push_back(*offset);
  return true;
}

bool UpgradeReceiver::TakeFlashBlock(std::span<const std::uint8_t> payload) {
  const auto offset = DecodeU32BE(payload);
  if (!offset || payload.size() < kFlashBlockHeader || m_flashEnded) return false;
  const std::size_t n = payload[kU32Bytes];
  if (n == 0 || n > kFlashBlockMax || payload.size() != kFlashBlockHeader + n) return false;
  std::vector<std::uint8_t>& image = m_snapshot.image;
  if (*offset != image.size() || image.size() + n > kMaxImageBytes) return false;
  image.insert(image.end(), payload.begin() + kFlashBlockHeader, payload.end());
  m_snapshot.blockOffsets.push_back(*offset);
  m_flashEnded = n < kFlashBlockMax;
  return true;
}

void UpgradeReceiver::HandleFinish(UpgradeKind kind, BoxContext& box) {
  const KindCodes& codes = CodesOf(kind);
  if (!Running(kind)) {
    box.Ack(codes.packetType, codes.finish, NOT_READY);
    return;
  }
  const std::vector<std::uint32_t>& offsets = m_snapshot.blockOffsets;
  // MCU images end at offset 0; a flash image ends wherever its blocks stopped.
  const bool complete = kind == UpgradeKind::kFlash || offsets.empty() || offsets.back() == 0;
  if (!complete) {
    m_snapshot.verdict = UpgradeVerdict::kIncomplete;
  } else if (ImageHeadFor(m_snapshot.image) != m_snapshot.head) {
    m_snapshot.verdict = UpgradeVerdict::kSumMismatch;
  } else {
    m_snapshot.verdict = UpgradeVerdict::kInstalled;
    Install(box);
  }
  box.Ack(codes.packetType, codes.finish,
          m_snapshot.verdict == UpgradeVerdict::kInstalled ? ACK_READY : NOT_READY);
}

void UpgradeReceiver::Install(BoxContext& box) {
  const UpgradeReceiverConfig& config = box.Config().upgrade;
  switch (m_snapshot.kind) {
    case UpgradeKind::kMcu:
      m_mcuVersion = std::array<std::uint8_t, 2>{config.newMasterVersion, config.newSlaveVersion};
      box.SetApplicationMode(true);
      // The loader starts the new application by restarting, as the box does: the program
      // sees the box leave and come back, and a forced update goes on from there.
      box.Reboot(false);
      break;
    case UpgradeKind::kBootloader:
      m_bootloaderVersion = config.newBootloaderVersion;
      m_bootloaderEntered = false;
      break;
    case UpgradeKind::kFlash:
      // The new flash runs after the restart the program asks for next.
      m_pendingFlashVersion = config.newFlashVersion;
      break;
    case UpgradeKind::kNone:
      break;
  }
}

bool UpgradeReceiver::HandleLoaderReboot(const BoxCommand& command, BoxContext& box) {
  // In the application the built-in handler restarts the box.
  if (!IsCommand(command, MCU_PACKET, MCU_REBOOT) || box.Config().applicationMode) return false;
  box.Ack(MCU_PACKET, MCU_REBOOT, ACK_READY);
  if (m_pendingFlashVersion) {
    m_flashVersion = m_pendingFlashVersion;
    m_pendingFlashVersion.reset();
    box.SetApplicationMode(true);
  }
  box.Reboot(false);
  return true;
}

bool UpgradeReceiver::AnswerInstalledVersion(const BoxCommand& command, BoxContext& box) {
  if (IsCommand(command, MCU_PACKET, MCU_HANDSHAKE) && m_mcuVersion) {
    std::vector<std::uint8_t> payload = HandshakePayload(box.Config());
    std::copy(m_mcuVersion->begin(), m_mcuVersion->end(), payload.begin() + 2);
    box.Update(MCU_PACKET, MCU_HANDSHAKE, payload);
    return true;
  }
  // Version queries are answered by the application only, as the built-in handler does.
  if (command.opType != OP_GET || !box.Config().applicationMode) return false;
  if (IsCommand(command, MCU_PACKET, MCU_GET_DSPFLASH_VER) && m_flashVersion) {
    box.Update(MCU_PACKET, MCU_GET_DSPFLASH_VER, *m_flashVersion);
    return true;
  }
  if (IsCommand(command, MCU_PACKET, MCU_GET_BOOTLOADER_VER) && m_bootloaderVersion) {
    const std::uint8_t payload[] = {*m_bootloaderVersion};
    box.Update(MCU_PACKET, MCU_GET_BOOTLOADER_VER, payload);
    return true;
  }
  return false;
}

}  // namespace qb::sim

#include "devicelink/firmware_upgrade.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "devicelink/link_timing.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMcuBlockPayloadBytes = 4 + kMcuBlockDataBytes;

// --- file names ---------------------------------------------------------------------------

/// The last path component, after the last "/" or "\", with a-z in upper case.
std::string UpperFileName(const std::filesystem::path& path) {
  const std::string full = path.string();
  const std::size_t cut = full.find_last_of("/\\");
  std::string name = cut == std::string::npos ? full : full.substr(cut + 1);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

bool Contains(const std::string& name, const char* part) {
  return name.find(part) != std::string::npos;
}

// --- sending and waiting ------------------------------------------------------------------

void SleepCapped(const DeviceLink& link, std::uint32_t ms) {
  const std::uint32_t capped = std::min(ms, link.Timings().waitCapMs);
  if (capped > 0) std::this_thread::sleep_for(std::chrono::milliseconds(capped));
}

/// Sends an OP_SET command at once and keeps reading reports until `settled` holds, the
/// link closes or kWaitDefaultMs (capped by the link) has passed. Reading on after the
/// first report keeps an unrelated report the box sends on its own (e.g. after its
/// restart) from being taken for a missing acknowledgement.
void SendAndAwait(DeviceLink& link, std::uint8_t packetType, std::uint8_t id,
                  std::span<const std::uint8_t> payload, const std::function<bool()>& settled) {
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(std::min(kWaitDefaultMs, link.Timings().waitCapMs));
  link.SubmitCommand(packetType, id, OP_SET, Payload(payload.begin(), payload.end()),
                     /*immediate=*/true, kWaitDefaultMs);
  while (!settled() && link.IsDeviceOpen()) {
    const auto now = Clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    link.ReadHIDData(static_cast<std::uint32_t>(left.count()) + 1);
  }
}

/// Sends a block or finish command without waiting; the step function reads the
/// acknowledgement itself. False when the report could not be written.
bool SendNoWait(DeviceLink& link, std::uint8_t packetType, std::uint8_t id,
                std::span<const std::uint8_t> payload) {
  return link.SendCtrlCommand(packetType, id, OP_SET, payload);
}

void PutBigEndian32(std::uint32_t value, std::uint8_t* out) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

// --- start ----------------------------------------------------------------------------------

/// Asks the box to enter upgrade mode. True when it acknowledged (status UPG_START).
bool EnterUpgradeMode(DeviceLink& link, bool bootloader) {
  FirmwareImages& up = link.Upgrade();
  if (!bootloader) LogPrintA("MCU_Enter_Upg_Mode\n");
  SendAndAwait(link, MCU_PACKET, bootloader ? BL_UPG_ENTER : MCU_ENTER_UPG_MODE, {},
               [&up] { return up.sys_upg_status.load() == UPG_START; });
  return up.sys_upg_status.load() == UPG_START;
}

/// Closes the link and reopens it once the box is back in its loader. True when open.
bool ReopenAfterRestart(DeviceLink& link, const UpgradeReopenTimings& reopen) {
  link.CloseHIDDevice(false);
  SleepCapped(link, reopen.restartWaitMs);
  for (int attempt = 0; attempt < reopen.attempts; ++attempt) {
    link.OpenHIDDevice();
    if (link.IsDeviceOpen()) return true;
    if (attempt + 1 < reopen.attempts) SleepCapped(link, reopen.retryWaitMs);
  }
  return link.IsDeviceOpen();
}

/// Sends the start command of the loaded kind. 0 when the box acknowledged it (status
/// UPG_SEND_BIN_DATA), 4 when it refused or stayed silent: a start nobody acknowledged
/// would otherwise leave the transfer waiting for ever in UPG_START.
int SendStart(DeviceLink& link) {
  FirmwareImages& up = link.Upgrade();
  const auto settled = [&up] {
    const std::uint32_t s = up.sys_upg_status.load();
    return s == UPG_SEND_BIN_DATA || s == UPG_FAIL;
  };
  switch (up.kind) {
    case UpgradeKind::Flash:
      SendAndAwait(link, FLASH_PACKET, FLASH_UPG_START, up.flashHead, settled);
      break;
    case UpgradeKind::Mcu:
      SendAndAwait(link, MCU_PACKET, MCU_UPG_START, up.mcuHead, settled);
      break;
    case UpgradeKind::Bootloader:
      SendAndAwait(link, MCU_PACKET, BL_UPG_START, up.mcuHead, settled);
      break;
    case UpgradeKind::None:
      return kUpgNotAcknowledged;
  }
  return up.sys_upg_status.load() == UPG_SEND_BIN_DATA ? kUpgAccepted : kUpgNotAcknowledged;
}

const char* StartLogName(UpgradeKind kind) {
  switch (kind) {
    case UpgradeKind::Flash: return "Flash";
    case UpgradeKind::Bootloader: return "BL";
    default: return "MCU";
  }
}

/// Checks the image at `path` into the link's upgrade state.
int CheckImage(DeviceLink& link, const std::filesystem::path& path) {
  ImageCheckEnv env = ImageCheckEnvOf(link);
  env.emptyReceiveRing = [&link] { link.ResetReceiveRing(); };
  return CheckUpgradeFile(path, env, link.Upgrade());
}

/// Ends a start that did not get under way: no image stays loaded, no upgrade is shown.
int AbandonStart(FirmwareImages& up, int result) {
  up.ReleaseImages();
  up.sys_upg_status.store(UPG_IDLE);
  return result;
}

int StartImageUpgrade(DeviceLink& link, const std::filesystem::path& path, const UpgradeReopenTimings& reopen) {
  FirmwareImages& up = link.Upgrade();
  up.dspSent = 0;
  up.mcuRemaining = 0;
  const int checked = CheckImage(link, path);
  LogPrintA("Parsing return 0x%0x\n", static_cast<unsigned>(checked));
  if (checked != kUpgAccepted) return AbandonStart(up, checked);

  const bool bootloader = up.kind == UpgradeKind::Bootloader;
  if (!EnterUpgradeMode(link, bootloader)) return AbandonStart(up, kUpgNotAcknowledged);

  if (link.ApplicationMode() && !bootloader) ReopenAfterRestart(link, reopen);
  link.SetBootloaderVersion(0);

  if (!link.IsDeviceOpen()) {
    LogPrintA("UpgradeStart Device not Connected\n");
    AbandonStart(up, UPG_CONNECT_FAIL);
    LogPrintA("UpgradeStart UPG_CONNECT_FAIL\n");
    return UPG_CONNECT_FAIL;
  }
  LogPrintA("UpgradeStart Device Connected\n");
  link.ResetReceiveRing();
  // A step state left over from an interrupted transfer must not make the first step read.
  up.step.store(0);
  const int started = SendStart(link);
  int result = started;
  if (bootloader) {
    // The boot loader's start result is not reported here; the first step fails instead.
    // A silent box gets the same treatment as a refusing one.
    if (started != kUpgAccepted) up.sys_upg_status.store(UPG_FAIL);
    result = kUpgAccepted;
  }
  LogPrintA("UpgradeStart %sStart return 0x%0x\n", StartLogName(up.kind),
            static_cast<unsigned>(started));
  if (result != kUpgAccepted) return AbandonStart(up, result);
  return result;
}

// --- steps ----------------------------------------------------------------------------------

void Fail(FirmwareImages& up) {
  up.step.store(3);
  up.sys_upg_status.store(UPG_FAIL);
}

void SendMcuBlock(DeviceLink& link, FirmwareImages& up) {
  const bool bootloader = up.kind == UpgradeKind::Bootloader;
  std::uint32_t remaining = up.mcuRemaining;
  if (remaining == 0) {
    up.sys_upg_status.store(UPG_FINISH);
    up.step.store(3);
    if (!SendNoWait(link, MCU_PACKET, bootloader ? BL_UPG_FINISH : MCU_UPG_FINISH, {})) {
      Fail(up);
      return;
    }
    LogLocalTime();
    LogPrintA(bootloader ? "upgrade mcu bootloader finished!\n" : "upgrade mcu finished!\n");
    return;
  }
  // The sizes are the image's own; a mismatch would read outside the buffer.
  if (!link.IsDeviceOpen() || remaining > up.mcuImage.size() || up.mcuSize != up.mcuImage.size()) {
    Fail(up);
    return;
  }
  std::uint32_t n = static_cast<std::uint32_t>(kMcuBlockDataBytes);
  if (remaining == up.mcuSize && remaining % kMcuBlockDataBytes != 0) {
    n = remaining % static_cast<std::uint32_t>(kMcuBlockDataBytes);
  }
  n = std::min(n, remaining);
  remaining -= n;
  up.mcuRemaining = remaining;
  up.blockBuffer.fill(0);
  PutBigEndian32(remaining, up.blockBuffer.data());
  std::copy_n(up.mcuImage.begin() + remaining, n, up.blockBuffer.begin() + 4);
  up.sys_upg_status.store(UPG_WAITING_BIN_DATA_ACK);
  up.step.store(1);
  if (!SendNoWait(link, MCU_PACKET, bootloader ? BL_UPG_DATA : MCU_UPG_DATA,
                  std::span<const std::uint8_t>(up.blockBuffer.data(), kMcuBlockPayloadBytes))) {
    Fail(up);  // a block that never left cannot be acknowledged
  }
}

void SendFlashBlock(DeviceLink& link, FirmwareImages& up) {
  const std::uint32_t total = up.dspSize;
  std::uint32_t sent = up.dspSent;
  if (sent >= total) {
    up.sys_upg_status.store(UPG_FINISH);
    up.step.store(3);
    if (!SendNoWait(link, FLASH_PACKET, FLASH_UPG_FINISH, {})) {
      Fail(up);
      return;
    }
    LogLocalTime();
    LogPrintA("upgrade dsp finished!\n");
    return;
  }
  if (total != up.dspImage.size()) {
    Fail(up);
    return;
  }
  const std::uint32_t n =
      std::min(static_cast<std::uint32_t>(kFlashBlockDataBytes), total - sent);
  up.blockBuffer.fill(0);
  PutBigEndian32(sent, up.blockBuffer.data());
  up.blockBuffer[4] = static_cast<std::uint8_t>(n);
  std::copy_n(up.dspImage.begin() + sent, n, up.blockBuffer.begin() + 5);
  sent += n;
  up.dspSent = sent;
  LogLocalTime();
  LogPrintA("Total file len %ld; current read pos: %ld;  has read len %ld.\n",
            static_cast<long>(total), static_cast<long>(n), static_cast<long>(sent));
  if (!link.IsDeviceOpen()) {
    Fail(up);
    return;
  }
  up.sys_upg_status.store(UPG_WAITING_BIN_DATA_ACK);
  up.step.store(1);
  if (!SendNoWait(link, FLASH_PACKET, FLASH_UPG_DATA,
                  std::span<const std::uint8_t>(up.blockBuffer.data(), 5 + n))) {
    Fail(up);
  }
}

/// Ends the transfer after its finish (101) or failure (255).
std::uint8_t EndTransfer(DeviceLink& link, FirmwareImages& up, std::uint32_t status) {
  // The box runs its new DSP firmware only after a restart.
  if (up.kind == UpgradeKind::Flash) MCU_Reboot_Ctrl(link);
  up.ReleaseImages();
  up.sys_upg_status.store(UPG_IDLE);
  up.step.store(3);
  return status == UPG_FINISH ? kUpgradeFinished : kUpgradeFailed;
}

/// Reads one report; its acknowledgement (if any) is decoded on the way.
void ReadAcknowledgement(DeviceLink& link, FirmwareImages& up) {
  if (!link.IsDeviceOpen()) {
    Fail(up);
    return;
  }
  LogLocalTime();
  LogPrintA("begain to read data...\n");
  if (!link.ReadHIDData(kWaitDefaultMs)) {
    const int error = errno;
    LogLocalTime();
    LogPrintA("read data error! %d\n", error);
    return;  // step stays 2: the next call reads again
  }
  if (LogEnabled()) {
    LogLocalTime();
    LogPrintA("has send out %d dtata... \n", link.LastReadCount());
    LogPrintA("data return from devices is:\n");
    LogLine dump;
    for (std::uint8_t b : link.LastReport()) dump.Append("%02X ", b);
    dump.Append("\n\r");
  }
  // Only an acknowledgement moves the transfer on. While the block is still unacknowledged
  // (NOT_READY set step 1, or the report was something else) the next calls read again;
  // acting on the state instead would find nothing to do and stall for ever.
  if (up.sys_upg_status.load() != UPG_WAITING_BIN_DATA_ACK) up.step.store(0);
}

std::uint8_t Progress(const FirmwareImages& up) {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  if (up.kind == UpgradeKind::Flash) {
    done = up.dspSent;
    total = up.dspSize;
  } else if (up.kind == UpgradeKind::Mcu || up.kind == UpgradeKind::Bootloader) {
    total = up.mcuSize;
    done = total - std::min<std::uint64_t>(up.mcuRemaining, total);
  }
  if (total == 0) return 0;
  return static_cast<std::uint8_t>(std::min<std::uint64_t>(done, total) * 100 / total);
}

// --- acknowledgements -----------------------------------------------------------------------

/// The status byte of an OP_ACK frame; nullopt for other operations or a frame without it.
std::optional<std::uint8_t> AckStatus(const ReplyFrame& frame) {
  if (frame.data.size() < 3 || frame.OpType() != OP_ACK) return std::nullopt;
  return frame.Payload()[0];
}

void DecodeEnterAck(DeviceLink& link, const ReplyFrame& frame) {
  if (AckStatus(frame) == ACK_READY) link.Upgrade().sys_upg_status.store(UPG_START);
}

void DecodeMcuStartAck(DeviceLink& link, const ReplyFrame& frame) {
  const std::optional<std::uint8_t> ack = AckStatus(frame);
  if (!ack) return;
  if (*ack == ACK_READY) {
    LogLocalTime();
    LogPrintA("MCU_UPG_START: ACK_READY\n\n");
    link.Upgrade().sys_upg_status.store(UPG_SEND_BIN_DATA);
  } else {
    LogPrintA("MCU_UPG_START: ACK_NOT_READY\n\n");
    link.Upgrade().sys_upg_status.store(UPG_FAIL);
  }
}

/// A block acknowledgement: ready lets the next block go, not-ready makes the step function
/// read again. Ignored unless a block is waiting for it.
void DecodeBlockAck(DeviceLink& link, const ReplyFrame& frame, const char* readyLog,
                    const char* notReadyLog) {
  const std::optional<std::uint8_t> ack = AckStatus(frame);
  FirmwareImages& up = link.Upgrade();
  if (!ack || up.sys_upg_status.load() != UPG_WAITING_BIN_DATA_ACK) return;
  if (*ack == ACK_READY) {
    LogLocalTime();
    LogPrintA("%s", readyLog);
    up.sys_upg_status.store(UPG_SEND_BIN_DATA);
  } else if (*ack == NOT_READY) {
    LogLocalTime();
    LogPrintA("%s", notReadyLog);
    up.step.store(1);
  }
}

void DecodeMcuBlockAck(DeviceLink& link, const ReplyFrame& frame) {
  DecodeBlockAck(link, frame, "MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n",
                 "MCU !!!!! NOT_READY !!!!!!\n\n");
}

void DecodeFinishAck(DeviceLink& link, const ReplyFrame& frame, const char* log) {
  if (AckStatus(frame) == ACK_READY && link.Upgrade().sys_upg_status.load() == UPG_FINISH) {
    LogLocalTime();
    LogPrintA("%s", log);
  }
}

void DecodeMcuFinishAck(DeviceLink& link, const ReplyFrame& frame) {
  DecodeFinishAck(link, frame, "MCU UPG_FINISH: ACK_READY\n\n");
}

void DecodeFlashStartAck(DeviceLink& link, const ReplyFrame& frame) {
  const std::optional<std::uint8_t> ack = AckStatus(frame);
  FirmwareImages& up = link.Upgrade();
  if (ack == ACK_READY && up.sys_upg_status.load() == UPG_START) {
    LogLocalTime();
    LogPrintA("FLASH UPG_START: ACK_READY\n\n");
    up.sys_upg_status.store(UPG_SEND_BIN_DATA);
  } else if (ack == ACK_NOT_READY) {
    LogPrintA("FLASH UPG_START: ACK_NOT_READY\n\n");
    up.sys_upg_status.store(UPG_FAIL);
  }
}

void DecodeFlashBlockAck(DeviceLink& link, const ReplyFrame& frame) {
  DecodeBlockAck(link, frame, "UPG_WAITING_BIN_DATA_ACK: ACK_READY\n\n",
                 "!!!!! NOT_READY !!!!!!\n\n");
}

void DecodeFlashFinishAck(DeviceLink& link, const ReplyFrame& frame) {
  DecodeFinishAck(link, frame, "UPG_FINISH: ACK_READY\n");
}

constexpr std::array kUpgradeDecoders = {
    CommandDecoderEntry{MCU_PACKET, MCU_ENTER_UPG_MODE, &DecodeEnterAck},
    CommandDecoderEntry{MCU_PACKET, BL_UPG_ENTER, &DecodeEnterAck},
    CommandDecoderEntry{MCU_PACKET, MCU_UPG_START, &DecodeMcuStartAck},
    CommandDecoderEntry{MCU_PACKET, BL_UPG_START, &DecodeMcuStartAck},
    CommandDecoderEntry{MCU_PACKET, MCU_UPG_DATA, &DecodeMcuBlockAck},
    CommandDecoderEntry{MCU_PACKET, BL_UPG_DATA, &DecodeMcuBlockAck},
    CommandDecoderEntry{MCU_PACKET, MCU_UPG_FINISH, &DecodeMcuFinishAck},
    CommandDecoderEntry{MCU_PACKET, BL_UPG_FINISH, &DecodeMcuFinishAck},
    CommandDecoderEntry{FLASH_PACKET, FLASH_UPG_START, &DecodeFlashStartAck},
    CommandDecoderEntry{FLASH_PACKET, FLASH_UPG_DATA, &DecodeFlashBlockAck},
    CommandDecoderEntry{FLASH_PACKET, FLASH_UPG_FINISH, &DecodeFlashFinishAck},
};

}  // namespace

int CheckUpgradeFile(const std::filesystem::path& path, const ImageCheckEnv& env, FirmwareImages& images) {
  const std::string name = UpperFileName(path);
  if (Contains(name, "BL_UPG.BIN")) {
    LogPrintA("before MCUUpgBLParsingFile\n");
    return MCUUpgBLParsingFile(path, env, images);
  }
  if (Contains(name, "FLASH_UPG.BIN")) {
    LogPrintA("before FlashUpgParsingFile\n");
    return FlashUpgParsingFile(path, env, images);
  }
  if (Contains(name, "MCU_UPG.BIN")) {
    LogPrintA("before MCUUpgParsingFile\n");
    return MCUUpgParsingFile(path, env, images);
  }
  if (Contains(name, "UPG_FW.BIN")) {
    LogPrintA("before ParsingUpgFWFile\n");
    return ParsingUpgFWFile(path, env, images);
  }
  return UPG_FILE_INVALID;
}

int UpgradeStart(DeviceLink& link, const std::filesystem::path& path,
                 const UpgradeReopenTimings& reopen) {
  const std::string name = UpperFileName(path);
  LogPrintA("UpgradeStart filename\n");
  FirmwareImages& up = link.Upgrade();
  if (Contains(name, "FLASH_UPG.BIN") || Contains(name, "MCU_UPG.BIN") ||
      Contains(name, "BL_UPG.BIN") || Contains(name, "UPG_FW.BIN")) {
    return StartImageUpgrade(link, path, reopen);
  }
  if (Contains(name, "DOWNLOAD.BAT")) {
    // The external tool does the writing; nothing is loaded, so the steps report 0 %.
    up.ReleaseImages();
    up.kind = UpgradeKind::None;
    up.step.store(0);
    return kUpgAccepted;
  }
  LogPrintA("UpgradeStart UPG_FILE_INVALID\n");
  up.sys_upg_status.store(UPG_IDLE);
  return UPG_FILE_INVALID;
}

std::uint8_t UpgradeStep(DeviceLink& link) {
  FirmwareImages& up = link.Upgrade();
  const std::uint16_t step = up.step.load();
  if (step == 1) {
    up.step.store(2);
  } else if (step == 2) {
    ReadAcknowledgement(link, up);
  } else {
    const std::uint32_t status = up.sys_upg_status.load();
    if (status == UPG_SEND_BIN_DATA) {
      if (up.kind == UpgradeKind::Flash) {
        SendFlashBlock(link, up);
      } else if (up.kind == UpgradeKind::Mcu || up.kind == UpgradeKind::Bootloader) {
        SendMcuBlock(link, up);
      }
    } else if (status == UPG_FINISH || status == UPG_FAIL) {
      return EndTransfer(link, up, status);
    }
    link.ParseOneReceivedByte();
  }
  return Progress(up);
}

DecoderTable UpgradeReplyDecoders() { return kUpgradeDecoders; }

}  // namespace qb

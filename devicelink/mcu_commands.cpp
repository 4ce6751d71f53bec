#include "devicelink/mcu_commands.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "devicelink/link_timing.h"
#include "devicelink/mcu_records.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

// --- commands ---------------------------------------------------------------------------

void SendMcu(DeviceLink& link, std::uint8_t id, std::uint8_t optype, Payload payload,
             bool immediate, std::uint32_t waitMs) {
  link.SubmitCommand(MCU_PACKET, id, optype, std::move(payload), immediate, waitMs);
}

bool QueryMcu(DeviceLink& link, std::uint8_t id, std::uint32_t waitMs) {
  return link.Query(MCU_PACKET, id, {}, waitMs);
}

// --- decoders -----------------------------------------------------------------------------

void PostMcu(DeviceLink& link, std::uint8_t id, std::intptr_t value,
             std::unique_ptr<ReplyRecord> record = nullptr) {
  link.PostReply(ReplySlot::MainWindowHandle,
                 ReplyMessage{WM_MCU_REPLY, id, value, std::move(record)});
}

/// Copies the `announced` bytes that start `source` into `dest`, stopping where either the
/// source or the destination ends. Returns the number of bytes copied.
template <std::size_t N>
std::size_t CopyClipped(ByteView source, std::size_t announced, std::array<std::uint8_t, N>& dest) {
  const std::size_t count = std::min({announced, source.size(), N});
  std::copy_n(source.begin(), count, dest.begin());
  return count;
}

void DecodeHandshake(DeviceLink& link, const ReplyFrame& frame) {
  LogPrintA("\nMCU_HANDSHAKE\n");
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.empty()) return;
  if (p[0] == MCU_HANDSHAKE_UPGRADE_ONLY) {
    link.SetApplicationMode(false);
    link.PostReply(ReplySlot::MainWindowHandle, ReplyMessage{WM_DEVICE_ABNORMAL, 0, 0, nullptr});
    return;
  }
  if (p.size() < 4) return;  // see McuReplyDecoders: zero versions would mean "outdated"
  link.SetApplicationMode(true);
  link.SetModel(p[1]);
  link.SetFirmwareVersion(p[2], p[3]);
  auto record = std::make_unique<HandshakeRecord>();
  record->model = p[1];
  record->masterVersion = p[2];
  record->slaveVersion = p[3];
  LogPrintA("model = %d, master verion = %d, slave verion = %d\n", p[1], p[2], p[3]);
  PostMcu(link, MCU_HANDSHAKE, 0, std::move(record));
}

void DecodeFlashVersion(DeviceLink& link, const ReplyFrame& frame) {
  LogPrintA("MCU_GET_DSPFLASH_VER\n");
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.size() < 4) return;
  auto record = std::make_unique<FlashVersionRecord>();
  std::copy_n(p.begin(), 4, record->version.begin());
  LogPrintA("flashver = %02d%02d%02d%02d\n", p[0], p[1], p[2], p[3]);
  PostMcu(link, MCU_GET_DSPFLASH_VER, 0, std::move(record));
}

void DecodeBootloaderVersion(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE || frame.Payload().empty()) return;
  link.SetBootloaderVersion(frame.Payload()[0]);
}

/// Layout: password length, password, remark length, remark. The remark's length byte sits
/// behind the announced password even when the record keeps less of it.
void DecodePassword(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.empty()) return;
  auto record = std::make_unique<PasswordRecord>();
  const std::size_t passwordAnnounced = p[0];
  const ByteView afterLength = p.subspan(1);
  const std::size_t passwordKept = CopyClipped(afterLength, passwordAnnounced, record->password);
  record->passwordLength = static_cast<std::int32_t>(passwordKept);
  if (afterLength.size() > passwordAnnounced) {
    const ByteView remarkField = afterLength.subspan(passwordAnnounced);
    record->remarkLength = static_cast<std::int32_t>(
        CopyClipped(remarkField.subspan(1), remarkField[0], record->remark));
  }

  {
    LogLine line;
    line.Append("password->len(%d),  pwd-->> ", record->passwordLength);
    for (std::size_t i = 0; i < passwordKept; ++i) line.Append("%c", record->password[i]);
    line.Append("\n");
  }
  PostMcu(link, MCU_PASSWORD, 0, std::move(record));
}

void DecodeText(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.empty()) return;
  auto record = std::make_unique<TextRecord>();
  record->length = static_cast<std::uint8_t>(CopyClipped(p.subspan(1), p[0], record->text));
  PostMcu(link, MCU_TEXT, 0, std::move(record));
}

void DecodeMcuInit(DeviceLink&, const ReplyFrame&) { LogPrintA("MCU INIT\n"); }

void DecodePowerOffDelay(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE) return;
  if (const std::optional<std::uint16_t> ms = DecodeU16BE(frame.Payload())) {
    PostMcu(link, MCU_POWER_OFF_DELAY, *ms);
  }
}

void DecodeAcc(DeviceLink& link, const ReplyFrame& frame) {
  if (frame.OpType() != OP_UPDATE || frame.Payload().empty()) return;
  const int delay = DecodeSignedByte(frame.Payload()[0]);
  LogPrintA("MCU_ACC OP=0x%x, delay = %d\n", unsigned{frame.OpType()}, delay);
  PostMcu(link, MCU_ACC, delay);
}

// MCU_ENTER_UPG_MODE .. MCU_UPG_FINISH (1..4) and BL_UPG_ENTER .. BL_UPG_FINISH (160..163)
// are acknowledgements of the firmware upgrade, which installs its own decoders for them.
// PC connected, reboot and factory default are not answered with anything worth decoding.
constexpr std::array kMcuDecoders = {
    CommandDecoderEntry{MCU_PACKET, MCU_HANDSHAKE, &DecodeHandshake},
    CommandDecoderEntry{MCU_PACKET, MCU_GET_DSPFLASH_VER, &DecodeFlashVersion},
    CommandDecoderEntry{MCU_PACKET, MCU_GET_BOOTLOADER_VER, &DecodeBootloaderVersion},
    CommandDecoderEntry{MCU_PACKET, MCU_PASSWORD, &DecodePassword},
    CommandDecoderEntry{MCU_PACKET, MCU_TEXT, &DecodeText},
    CommandDecoderEntry{MCU_PACKET, MCU_INIT, &DecodeMcuInit},
    CommandDecoderEntry{MCU_PACKET, MCU_POWER_OFF_DELAY, &DecodePowerOffDelay},
    CommandDecoderEntry{MCU_PACKET, MCU_ACC, &DecodeAcc},
};

}  // namespace

void PC_Connect(DeviceLink& link, std::uint8_t state) {
  LogPrintA("PC_Connect = %d\n", state);
  SendMcu(link, MCU_PC_CONNECT, OP_SET, {state}, true, kNoWait);
}

bool Hand_Connect(DeviceLink& link) {
  LogPrintA("Hand_Connect\n");
  SendMcu(link, MCU_HANDSHAKE, OP_SET, {}, true, kWaitDefaultMs);
  // The wait's result is the count of the read it just made; the queue is off during the
  // handshake, so no other reader can have replaced it meanwhile.
  return link.LastReadCount() > 0;
}

bool Get_Flash_Version(DeviceLink& link) {
  LogPrintA("Get_Flash_Version\n");
  return QueryMcu(link, MCU_GET_DSPFLASH_VER, kWaitShortQueryMs);
}

bool Get_Bootloader_Version(DeviceLink& link) {
  LogPrintA("Get_Bootloader_Version\n");
  return QueryMcu(link, MCU_GET_BOOTLOADER_VER, kWaitShortQueryMs);
}

bool SetPWD(DeviceLink& link, std::string_view password, std::string_view remark) {
  // Two length bytes and both texts: cutting a text to make it fit would store a password
  // the user never typed, so a pair that does not fit is refused whole.
  if (2 + password.size() + remark.size() > kPasswordCommandBytes) {
    LogPrintA("SetPWD refused: a %zu-byte password and a %zu-byte remark do not fit the %zu-byte command\n",
              password.size(), remark.size(), kPasswordCommandBytes);
    return false;
  }
  Payload payload;
  payload.reserve(2 + password.size() + remark.size());
  payload.push_back(static_cast<std::uint8_t>(password.size()));
  payload.insert(payload.end(), password.begin(), password.end());
  payload.push_back(static_cast<std::uint8_t>(remark.size()));
  payload.insert(payload.end(), remark.begin(), remark.end());

  if (LogEnabled()) {
    const std::string text(password);
    LogPrintA("SetPWD len(%d), (password)%s\n", static_cast<int>(password.size()), text.c_str());
  }
  SendMcu(link, MCU_PASSWORD, OP_SET, std::move(payload), true, kWaitDefaultMs);
  return true;
}

bool Get_PWD(DeviceLink& link) { return QueryMcu(link, MCU_PASSWORD, kWaitDefaultMs); }

void Get_MCU_Text(DeviceLink& link, bool immediate) {
  SendMcu(link, MCU_TEXT, OP_GET, {}, immediate, kWaitDefaultMs);
}

void MCU_Reboot_Ctrl(DeviceLink& link) {
  LogPrintA("MCU_Reboot_Ctrl\n");
  SendMcu(link, MCU_REBOOT, OP_SET, {}, true, kWaitDefaultMs);
}

void MCU_Factory_Default(DeviceLink& link) {
  SendMcu(link, MCU_FACTORY_DEFAULT, OP_SET, {}, true, kWaitFactoryDefaultMs);
}

void Set_Power_Off_Time(DeviceLink& link, std::uint16_t ms, bool immediate) {
  LogPrintA("Set_Power_Off_Time = %dms\n", ms);
  const auto bytes = EncodeU16BE(ms);
  SendMcu(link, MCU_POWER_OFF_DELAY, OP_SET, Payload(bytes.begin(), bytes.end()), immediate,
          kWaitDefaultMs);
}

bool Get_Delay_Power_Off_Time(DeviceLink& link) {
  LogPrintA("Get_Delay_Power_Off_Time\n");
  return QueryMcu(link, MCU_POWER_OFF_DELAY, kWaitShortQueryMs);
}

void Set_Acc(DeviceLink& link, int delay, bool immediate) {
  const std::uint8_t byte = EncodeSignedByte(delay);
  LogPrintA("Set_Acc delay:%d\n", DecodeSignedByte(byte));
  SendMcu(link, MCU_ACC, OP_SET, {byte}, immediate, kWaitDefaultMs);
}

bool Get_Acc(DeviceLink& link) {
  LogPrintA("Get_Acc\n");
  return QueryMcu(link, MCU_ACC, kWaitDefaultMs);
}

DecoderTable McuReplyDecoders() { return kMcuDecoders; }

}  // namespace qb

#include "simulator/mcu_handler.h"

#include <algorithm>

#include "devicelink/value_encoding.h"
#include "simulator/payload_tools.h"

namespace qb::sim {
namespace {

/// Longest device text the box reports.
constexpr std::size_t kTextBytes = 16;
constexpr std::uint8_t kHandshakeNormal = 0x00;

/// SetPWD: length, password, length, remark. Lengths beyond what arrived or what the box
/// keeps are cut. Returns false when not even the first length byte came.
bool StorePassword(BoxState& state, ByteSpan p) {
  if (p.empty()) return false;
  const std::size_t pwdLen = std::min<std::size_t>(p[0], p.size() - 1);
  const auto pwd = p.subspan(1, pwdLen);
  state.password.assign(pwd.begin(), pwd.begin() + static_cast<long>(std::min(pwdLen, kPasswordBytes)));
  state.remark.clear();
  const std::size_t remarkAt = 1 + pwdLen;
  if (remarkAt < p.size()) {
    const std::size_t remarkLen = std::min<std::size_t>(p[remarkAt], p.size() - remarkAt - 1);
    const auto remark = p.subspan(remarkAt + 1, std::min(remarkLen, kRemarkBytes));
    state.remark.assign(remark.begin(), remark.end());
  }
  return true;
}

void PasswordReply(BoxContext& box) {
  const BoxState& state = box.State();
  PayloadWriter w;
  w.Put(static_cast<std::uint8_t>(state.password.size())).Put(state.password);
  w.Put(static_cast<std::uint8_t>(state.remark.size())).Put(state.remark);
  box.Update(MCU_PACKET, MCU_PASSWORD, w.Data());
}

void TextReply(BoxContext& box) {
  const std::string& text = box.State().text;
  const std::size_t n = std::min(text.size(), kTextBytes);
  PayloadWriter w;
  w.Put(static_cast<std::uint8_t>(n));
  for (std::size_t i = 0; i < n; ++i) w.Put(static_cast<std::uint8_t>(text[i]));
  box.Update(MCU_PACKET, MCU_TEXT, w.Data());
}

bool HandleSet(const BoxCommand& command, BoxContext& box) {
  const ByteSpan p = command.payload;
  BoxState& state = box.State();
  switch (command.commandId) {
    case MCU_PC_CONNECT:
      if (!p.empty()) state.pcConnected = p[0] != 0;
      return true;
    case MCU_PASSWORD:
      if (StorePassword(state, p)) box.Ack(MCU_PACKET, MCU_PASSWORD, ACK_READY);
      return true;
    case MCU_REBOOT:
      box.Ack(MCU_PACKET, MCU_REBOOT, ACK_READY);
      box.Reboot(false);
      return true;
    case MCU_FACTORY_DEFAULT:
      box.Ack(MCU_PACKET, MCU_FACTORY_DEFAULT, ACK_READY);
      box.Reboot(true);
      return true;
    case MCU_POWER_OFF_DELAY:
      if (const auto ms = DecodeU16BE(p)) {
        state.powerOffDelayMs = *ms;
        box.Ack(MCU_PACKET, MCU_POWER_OFF_DELAY, ACK_READY);
      }
      return true;
    case MCU_ACC:
      if (!p.empty()) {
        state.accDelay = static_cast<std::int8_t>(DecodeSignedByte(p[0]));
        box.Ack(MCU_PACKET, MCU_ACC, ACK_READY);
      }
      return true;
    default:
      return false;
  }
}

bool HandleGet(const BoxCommand& command, BoxContext& box) {
  const BoxState& state = box.State();
  const VirtualBoxConfig& config = box.Config();
  switch (command.commandId) {
    case MCU_GET_DSPFLASH_VER:
      box.Update(MCU_PACKET, MCU_GET_DSPFLASH_VER, config.flashVersion);
      return true;
    case MCU_GET_BOOTLOADER_VER: {
      const std::uint8_t payload[] = {config.bootloaderVersion};
      box.Update(MCU_PACKET, MCU_GET_BOOTLOADER_VER, payload);
      return true;
    }
    case MCU_PASSWORD: PasswordReply(box); return true;
    case MCU_TEXT: TextReply(box); return true;
    case MCU_POWER_OFF_DELAY:
      box.Update(MCU_PACKET, MCU_POWER_OFF_DELAY, EncodeU16BE(state.powerOffDelayMs));
      return true;
    case MCU_ACC: {
      const std::uint8_t payload[] = {EncodeSignedByte(state.accDelay)};
      box.Update(MCU_PACKET, MCU_ACC, payload);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

std::vector<std::uint8_t> HandshakePayload(const VirtualBoxConfig& config) {
  const std::uint8_t status = config.applicationMode ? kHandshakeNormal : MCU_HANDSHAKE_UPGRADE_ONLY;
  return {status, config.model, config.masterVersion, config.slaveVersion};
}

bool HandleMcu(const BoxCommand& command, BoxContext& box) {
  if (command.packetType != MCU_PACKET) return false;
  if (command.commandId == MCU_HANDSHAKE) {
    box.Update(MCU_PACKET, MCU_HANDSHAKE, HandshakePayload(box.Config()));
    return true;
  }
  if (!box.Config().applicationMode) return false;
  if (command.opType == OP_SET) return HandleSet(command, box);
  if (command.opType == OP_GET) return HandleGet(command, box);
  return false;
}

}  // namespace qb::sim

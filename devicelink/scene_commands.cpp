#include "devicelink/scene_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "devicelink/device_link.h"
#include "devicelink/link_timing.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

/// Every scene command goes out now and waits: the scene tasks depend on their order.
void SendSceneCommand(DeviceLink& link, std::uint8_t id, Payload payload, std::uint32_t waitMs) {
  link.SubmitCommand(FLASH_PACKET, id, OP_SET, std::move(payload), /*immediate=*/true, waitMs);
}

/// The name as the log shows it: up to its first zero byte, printable ASCII as is and
/// every other byte as \xNN. The bytes are in the box's 8-bit code page, which is neither
/// terminated nor UTF-8, so they are never handed to "%s" directly.
std::string NameForLog(std::span<const std::uint8_t> name) {
  std::string text;
  for (std::uint8_t byte : name) {
    if (byte == 0) break;
    if (byte >= 0x20 && byte < 0x7F) {
      text.push_back(static_cast<char>(byte));
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", unsigned{byte});
      text += escaped;
    }
  }
  return text;
}

}  // namespace

void SaveScene(DeviceLink& link, std::uint8_t scene, bool immediately) {
  LogPrintA("SaveScene scene(%d) immediately=%d\n", scene, immediately ? 1 : 0);
  const std::uint8_t flag = immediately ? 1 : 0;
  SendSceneCommand(link, FLASH_SCENE_SAVE, Payload{scene, flag}, kWaitSceneMs);
}

void ReadScene(DeviceLink& link, std::uint8_t from, std::uint8_t to) {
  LogPrintA("ReadScene from scene(%d) to scene(%d)\n", from, to);
  SendSceneCommand(link, FLASH_SCENE_LOAD, Payload{from, to}, kWaitSceneMs);
}

void DeleteScene(DeviceLink& link, std::uint8_t scene) {
  LogPrintA("DeleteScene scene(%d)\n", scene);
  SendSceneCommand(link, FLASH_SCENE_DELETE, Payload{scene}, kWaitSceneMs);
}

void SetSceneName(DeviceLink& link, std::uint8_t scene, std::span<const std::uint8_t> name,
                  std::uint8_t len) {
  if (len > kMaxSceneNameSendBytes) {
    LogPrintA("SetSceneName scene(%d): len(%d) does not fit one frame, not sent\n", scene, len);
    return;
  }
  Payload payload(2 + std::size_t{len}, 0);
  payload[0] = scene;
  payload[1] = len;
  const std::size_t copied = std::min(name.size(), std::size_t{len});
  std::copy_n(name.begin(), copied, payload.begin() + 2);

  const std::span<const std::uint8_t> sent(payload.data() + 2, len);
  LogPrintA("SetSceneName scene(%d), len(%d), (name)%s\n", scene, len, NameForLog(sent).c_str());
  SendSceneCommand(link, FLASH_SCENE_NAME, std::move(payload), kWaitDefaultMs);
}

bool Get_Scene_Name(DeviceLink& link, std::uint8_t scene) {
  const std::array<std::uint8_t, 1> payload{scene};
  return link.Query(FLASH_PACKET, FLASH_SCENE_NAME, payload, kWaitDefaultMs);
}

void SetSceneProfile(DeviceLink& link, std::uint8_t scene, std::uint16_t start,
                     std::span<const std::uint8_t> data) {
  if (data.size() > kMaxSceneBlockBytes) {
    LogPrintA("SetSceneProfile scene(%d): block of %zu bytes exceeds %zu, not sent\n", scene,
              data.size(), kMaxSceneBlockBytes);
    return;
  }
  LogPrintA("SetSceneProfile scene(%d)\n", scene);
  const auto offset = EncodeU16BE(start);
  Payload payload{scene, offset[0], offset[1], static_cast<std::uint8_t>(data.size())};
  payload.insert(payload.end(), data.begin(), data.end());
  SendSceneCommand(link, FLASH_SCENE_DATA, std::move(payload), kWaitSceneMs);
}

bool GetSceneProfile(DeviceLink& link, std::uint8_t scene, std::uint16_t start,
                     std::uint8_t len) {
  LogPrintA("GetSceneProfile scene(%d), start = %d, data_len = %d\n", scene, start, len);
  const auto offset = EncodeU16BE(start);
  const std::array<std::uint8_t, kSceneBlockHeaderBytes> payload{scene, offset[0], offset[1],
                                                                 len};
  return link.Query(FLASH_PACKET, FLASH_SCENE_DATA, payload, kWaitSceneMs);
}

bool Get_Scene_Query(DeviceLink& link, std::uint8_t value) {
  const std::array<std::uint8_t, 1> payload{value};
  return link.Query(FLASH_PACKET, FLASH_SCENE_QUERY, payload, kWaitDefaultMs);
}

bool Get_Scene_ID(DeviceLink& link) {
  return link.Query(FLASH_PACKET, FLASH_SCENE_ID, {}, kWaitDefaultMs);
}

bool Get_Scene_Valid(DeviceLink& link) {
  return link.Query(FLASH_PACKET, FLASH_SCENE_VALID, {}, kWaitDefaultMs);
}

}  // namespace qb

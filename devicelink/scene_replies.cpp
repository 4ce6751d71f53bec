// The box's answers to the scene commands: the saved and deleted notices for the scene
// window, scene names and the valid-scene mask for the main window, and the current scene.

#include <algorithm>
#include <memory>

#include "devicelink/device_link.h"
#include "devicelink/scene_commands.h"
#include "devicelink/value_encoding.h"
#include "devicelink/wire_codes.h"
#include "shell/log.h"

namespace qb {
namespace {

/// A frame holds at least its command id and operation type; the parser drops shorter ones,
/// and this keeps a decoder safe should one ever get through.
bool HasHeader(const ReplyFrame& frame) { return frame.data.size() >= 2; }

bool IsStoredScene(std::uint8_t scene) {
  return scene >= kFirstStoredScene && scene <= kLastStoredScene;
}

/// Erased flash reads 0xFF. The test has always looked only at the lowest bit of every byte,
/// so a name of sixteen odd bytes counts as erased as well; names this program writes end in
/// a zero byte and never match.
bool LooksErased(const SceneNameBytes& name) {
  return std::all_of(name.begin(), name.end(), [](std::uint8_t b) { return (b & 1U) != 0; });
}

/// A saved or deleted notice: only a ready acknowledgement counts. The byte after the status
/// is passed on; a box that sends none still closes the scene window's loading window.
void PostSceneNotice(DeviceLink& link, const ReplyFrame& frame, MessageNumber number,
                     const char* what) {
  if (!HasHeader(frame) || frame.OpType() != OP_ACK) return;
  const ByteView p = frame.Payload();
  if (p.empty() || p[0] != ACK_READY) {
    LogPrintA("%s not acknowledged, status(0x%02x)\n", what, p.empty() ? 0U : unsigned{p[0]});
    return;
  }
  const std::uintptr_t notice = p.size() > 1 ? p[1] : 0;
  link.PostReply(ReplySlot::SceneWindowHandle, ReplyMessage{number, notice, 0, nullptr});
}

void DecodeSceneSaved(DeviceLink& link, const ReplyFrame& frame) {
  PostSceneNotice(link, frame, WM_SCENE_REPLY, "SaveScene");
}

void DecodeSceneDeleted(DeviceLink& link, const ReplyFrame& frame) {
  PostSceneNotice(link, frame, WM_SCENE_DELETED, "DeleteScene");
}

/// Writes the name dump: the name as posted, then the bytes as received, as one message
/// whose second line continues the first, so no other thread's line can land inside it.
void LogSceneName(const SceneNameRecord& record, ByteView received) {
  if (!LogEnabled()) return;
  LogLine dump;
  const auto appendBytes = [&dump](ByteView bytes) {
    for (std::uint8_t b : bytes) dump.Append("0x%02x, ", unsigned{b});
  };
  dump.Append("scene_name->index(%d), name -->> ", static_cast<int>(record.index));
  appendBytes(record.name);
  dump.Append("\n m_payload: ");
  appendBytes(received);
  dump.Append("\n");
}

void DecodeSceneName(DeviceLink& link, const ReplyFrame& frame) {
  if (!HasHeader(frame) || frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.size() < 1 + kSceneNameBytes) {
    LogPrintA("scene_name: %zu of %zu bytes, dropped\n", p.size(), 1 + kSceneNameBytes);
    return;
  }
  const std::uint8_t scene = p[0];
  if (!IsStoredScene(scene)) {
    LogPrintA("scene_name: scene(%d) out of range, dropped\n", scene);
    return;
  }
  const ByteView received = p.subspan(1, kSceneNameBytes);

  auto record = std::make_unique<SceneNameRecord>();
  record->index = scene - 1;
  std::copy(received.begin(), received.end(), record->name.begin());
  if (LooksErased(record->name)) record->name.fill(0);
  LogSceneName(*record, received);
  link.PostReply(ReplySlot::MainWindowHandle,
                 ReplyMessage{WM_SCENE_REPLY, FLASH_SCENE_NAME, 0, std::move(record)});
}

void DecodeSceneId(DeviceLink& link, const ReplyFrame& frame) {
  if (!HasHeader(frame) || frame.OpType() != OP_UPDATE) return;
  const ByteView p = frame.Payload();
  if (p.empty()) {
    LogPrintA("FLASH_SCENE_ID without a scene, dropped\n");
    return;
  }
  const std::uint8_t scene = p[0];
  LogPrintA("FLASH_SCENE_ID current scene id = %d\n", scene);
  // 0 means no scene is current; anything above the last scene would select a row the
  // scene window does not have.
  if (scene != 0 && !IsStoredScene(scene)) {
    LogPrintA("FLASH_SCENE_ID scene(%d) out of range, dropped\n", scene);
    return;
  }
  link.PostReply(ReplySlot::SceneWindowHandle,
                 ReplyMessage{WM_SCENE_ID, FLASH_SCENE_ID, scene, nullptr});
}

void DecodeValidScenes(DeviceLink& link, const ReplyFrame& frame) {
  if (!HasHeader(frame) || frame.OpType() != OP_UPDATE) return;
  const std::optional<std::uint16_t> mask = DecodeU16BE(frame.Payload());
  if (!mask) {
    LogPrintA("FLASH_SCENE_VALID: %zu of 2 bytes, dropped\n", frame.Payload().size());
    return;
  }
  auto record = std::make_unique<ValidScenesRecord>();
  record->mask = *mask;
  LogPrintA("FLASH_SCENE_VALID valid scene = %d\n", int{*mask});
  link.PostReply(ReplySlot::MainWindowHandle,
                 ReplyMessage{WM_SCENE_REPLY, FLASH_SCENE_VALID, 0, std::move(record)});
}

// FLASH_UPG_START, FLASH_UPG_DATA and FLASH_UPG_FINISH are acknowledgements of the DSP-flash
// upgrade, which reads them itself and installs its own table. The answers to the scene load,
// the scene data block and the scene query (FLASH_SCENE_LOAD, FLASH_SCENE_DATA,
// FLASH_SCENE_QUERY) carry nothing the program uses and stay undecoded.
constexpr CommandDecoderEntry kSceneDecoders[] = {
    {FLASH_PACKET, FLASH_SCENE_SAVE, DecodeSceneSaved},
    {FLASH_PACKET, FLASH_SCENE_DELETE, DecodeSceneDeleted},
    {FLASH_PACKET, FLASH_SCENE_NAME, DecodeSceneName},
    {FLASH_PACKET, FLASH_SCENE_ID, DecodeSceneId},
    {FLASH_PACKET, FLASH_SCENE_VALID, DecodeValidScenes},
};

}  // namespace

DecoderTable SceneReplyDecoders() { return kSceneDecoders; }

}  // namespace qb

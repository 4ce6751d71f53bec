#include "simulator/scene_handler.h"

#include <algorithm>

#include "devicelink/value_encoding.h"
#include "simulator/payload_tools.h"

namespace qb::sim {
namespace {

/// ReadScene's `to` that only selects a scene for reading.
constexpr std::uint8_t kReadSelectOnly = 255;
/// Scene block replies: scene, start (2 bytes), length, then the data.
constexpr std::size_t kBlockHeaderBytes = 4;

std::size_t SlotIndex(std::uint8_t scene) { return static_cast<std::size_t>(scene - kFirstStoredScene); }

void SetName(BoxContext& box, ByteSpan p) {
  if (p.size() < 2) return;
  BoxState& state = box.State();
  if (state.Slot(p[0]) == nullptr) {
    box.Ack(FLASH_PACKET, FLASH_SCENE_NAME, ACK_NOT_READY, {p[0]});
    return;
  }
  const std::size_t n = std::min({static_cast<std::size_t>(p[1]), p.size() - 2, kSceneNameBytes});
  std::vector<std::uint8_t> name(kSceneNameBytes, 0);
  std::copy_n(p.begin() + 2, n, name.begin());
  const std::size_t i = SlotIndex(p[0]);
  state.pendingNames[i] = std::move(name);
  state.hasPendingName[i] = true;
  box.Ack(FLASH_PACKET, FLASH_SCENE_NAME, ACK_READY, {p[0]});
}

void NameReply(BoxContext& box, ByteSpan p) {
  if (p.empty()) return;
  const SceneSlot* slot = box.State().Slot(p[0]);
  if (slot == nullptr) return;
  PayloadWriter w;
  w.Put(p[0]).Put(slot->name);
  box.Update(FLASH_PACKET, FLASH_SCENE_NAME, w.Data());
}

void Save(BoxContext& box, ByteSpan p) {
  if (p.size() < 2) return;
  BoxState& state = box.State();
  const std::uint8_t scene = p[0];
  SceneSlot* slot = state.Slot(scene);
  if (slot == nullptr) {
    box.Ack(FLASH_PACKET, FLASH_SCENE_SAVE, ACK_NOT_READY, {scene});
    return;
  }
  const bool commitAsWritten = p[1] != 0;
  if (!commitAsWritten || slot->erased) slot->settings = state.live;
  const std::size_t i = SlotIndex(scene);
  if (state.hasPendingName[i]) {
    std::copy_n(state.pendingNames[i].begin(), kSceneNameBytes, slot->name.begin());
    state.hasPendingName[i] = false;
  }
  slot->erased = false;
  slot->valid = true;
  if (!commitAsWritten) state.currentScene = scene;
  box.Ack(FLASH_PACKET, FLASH_SCENE_SAVE, ACK_READY, {scene});
}

std::uint8_t Load(BoxState& state, std::uint8_t from, std::uint8_t to) {
  if (to == kReadSelectOnly) return state.SettingsOf(from) ? ACK_READY : ACK_NOT_READY;
  const SceneSlot* fromSlot = state.Slot(from);
  const Settings* source = state.SettingsOf(from);
  Settings* target = state.SettingsOf(to);
  if (source == nullptr || target == nullptr) return ACK_NOT_READY;
  if (fromSlot != nullptr && !fromSlot->valid) return ACK_NOT_READY;
  if (from == to) return ACK_READY;
  *target = *source;
  if (SceneSlot* toSlot = state.Slot(to)) toSlot->erased = false;
  if (to == kLiveScene) state.currentScene = from;
  return ACK_READY;
}

void Delete(BoxContext& box, ByteSpan p) {
  if (p.empty()) return;
  BoxState& state = box.State();
  const std::uint8_t scene = p[0];
  SceneSlot* slot = state.Slot(scene);
  if (slot == nullptr) {
    box.Ack(FLASH_PACKET, FLASH_SCENE_DELETE, ACK_NOT_READY, {scene});
    return;
  }
  slot->erased = true;
  slot->valid = false;
  slot->name.fill(kErasedByte);
  slot->block.fill(kErasedByte);
  state.hasPendingName[SlotIndex(scene)] = false;
  if (state.currentScene == scene) state.currentScene = 0;
  box.Ack(FLASH_PACKET, FLASH_SCENE_DELETE, ACK_READY, {scene});
}

void WriteBlock(BoxContext& box, ByteSpan p) {
  if (p.size() < kBlockHeaderBytes) return;
  SceneSlot* slot = box.State().Slot(p[0]);
  const std::size_t start = DecodeU16BE(p.subspan(1, 2)).value_or(0);
  if (slot == nullptr || start >= kSceneBlockBytes) {
    box.Ack(FLASH_PACKET, FLASH_SCENE_DATA, ACK_NOT_READY);
    return;
  }
  const std::size_t n = std::min({static_cast<std::size_t>(p[3]), p.size() - kBlockHeaderBytes,
                                  kSceneBlockBytes - start});
  std::copy_n(p.begin() + kBlockHeaderBytes, n, slot->block.begin() + static_cast<long>(start));
  box.Ack(FLASH_PACKET, FLASH_SCENE_DATA, ACK_READY);
}

void BlockReply(BoxContext& box, ByteSpan p) {
  if (p.size() < kBlockHeaderBytes) return;
  const SceneSlot* slot = box.State().Slot(p[0]);
  const std::size_t start = DecodeU16BE(p.subspan(1, 2)).value_or(0);
  if (slot == nullptr || start >= kSceneBlockBytes) return;
  const std::size_t n = std::min({static_cast<std::size_t>(p[3]),
                                  kMaxReplyPayload - kBlockHeaderBytes, kSceneBlockBytes - start});
  PayloadWriter w;
  w.Put(p[0]).Put(p[1]).Put(p[2]).Put(static_cast<std::uint8_t>(n));
  w.Put(ByteSpan(slot->block).subspan(start, n));
  box.Update(FLASH_PACKET, FLASH_SCENE_DATA, w.Data());
}

bool HandleSceneSet(const BoxCommand& command, BoxContext& box) {
  const ByteSpan p = command.payload;
  switch (command.commandId) {
    case FLASH_SCENE_SAVE: Save(box, p); return true;
    case FLASH_SCENE_LOAD:
      if (p.size() >= 2) box.Ack(FLASH_PACKET, FLASH_SCENE_LOAD, Load(box.State(), p[0], p[1]), {p[0]});
      return true;
    case FLASH_SCENE_DELETE: Delete(box, p); return true;
    case FLASH_SCENE_NAME: SetName(box, p); return true;
    case FLASH_SCENE_DATA: WriteBlock(box, p); return true;
    default: return false;
  }
}

bool HandleSceneGet(const BoxCommand& command, BoxContext& box) {
  const ByteSpan p = command.payload;
  const BoxState& state = box.State();
  switch (command.commandId) {
    case FLASH_SCENE_NAME: NameReply(box, p); return true;
    case FLASH_SCENE_DATA: BlockReply(box, p); return true;
    case FLASH_SCENE_QUERY:
      if (!p.empty()) {
        const SceneSlot* slot = state.Slot(p[0]);
        const std::uint8_t payload[] = {p[0], static_cast<std::uint8_t>(slot && slot->valid)};
        box.Update(FLASH_PACKET, FLASH_SCENE_QUERY, payload);
      }
      return true;
    case FLASH_SCENE_ID: {
      const std::uint8_t payload[] = {state.currentScene};
      box.Update(FLASH_PACKET, FLASH_SCENE_ID, payload);
      return true;
    }
    case FLASH_SCENE_VALID: box.Update(FLASH_PACKET, FLASH_SCENE_VALID, EncodeU16BE(state.ValidMask())); return true;
    default: return false;
  }
}

}  // namespace

bool HandleScene(const BoxCommand& command, BoxContext& box) {
  if (command.packetType != FLASH_PACKET) return false;
  if (command.opType == OP_SET) return HandleSceneSet(command, box);
  if (command.opType == OP_GET) return HandleSceneGet(command, box);
  return false;
}

}  // namespace qb::sim

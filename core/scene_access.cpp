#include "core/scene_access.h"

#include "devicelink/scene_commands.h"
#include "devicelink/scene_records.h"

namespace qb {

static_assert(std::tuple_size_v<decltype(SceneNameReply::name)> == kSceneNameBytes);

std::optional<SceneNameReply> ReadSceneNameReply(const ReplyMessage& message) {
  const auto* record = message.RecordAs<SceneNameRecord>();
  if (!record) return std::nullopt;
  SceneNameReply reply;
  reply.index = record->index;
  reply.name = record->name;
  return reply;
}

std::optional<std::uint32_t> ReadSceneValidReply(const ReplyMessage& message) {
  const auto* record = message.RecordAs<ValidScenesRecord>();
  if (!record) return std::nullopt;
  return record->mask;
}

bool AskSceneName(DeviceLink& link, int scene) {
  return Get_Scene_Name(link, static_cast<std::uint8_t>(scene));
}

bool AskSceneValid(DeviceLink& link) { return Get_Scene_Valid(link); }

}  // namespace qb

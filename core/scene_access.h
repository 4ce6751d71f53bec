#pragma once
/// The controller's door to scene storage: the two scene queries of the read-out and the
/// fields of the two scene replies it applies. The scene records' header and the mirror's
/// header both define the scene count and the name size, so no file may include both; the
/// controller's files that need the mirror reach the scene protocol through these.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "messages/reply_message.h"

namespace qb {

class DeviceLink;

struct SceneNameReply {
  int index = 0;                          ///< scene number - 1
  std::array<std::uint8_t, 16> name{};    ///< raw bytes in the box's code page
};

/// The name reply's fields, or nothing when the message carries no scene-name record.
std::optional<SceneNameReply> ReadSceneNameReply(const ReplyMessage& message);

/// The scene-valid mask, or nothing when the message carries no scene-valid record.
std::optional<std::uint32_t> ReadSceneValidReply(const ReplyMessage& message);

/// Get_Scene_Name and Get_Scene_Valid of the scene protocol.
bool AskSceneName(DeviceLink& link, int scene);
bool AskSceneValid(DeviceLink& link);

}  // namespace qb

#pragma once
/// Records of the box's scene replies, as posted to the windows. Scene names stay in the
/// box's 8-bit code page here; turning them into text is the receiving side's business.

#include <array>
#include <cstddef>
#include <cstdint>

#include "messages/reply_message.h"

namespace qb {

/// A scene name in the box's flash: this many bytes in the 8-bit code page, zero-padded
/// when shorter and not necessarily terminated when it fills them all.
inline constexpr std::size_t kSceneNameBytes = 16;
using SceneNameBytes = std::array<std::uint8_t, kSceneNameBytes>;

/// Number of scenes the box stores (numbered 1..kStoredSceneCount on the wire).
inline constexpr std::size_t kStoredSceneCount = 10;

/// Name of one stored scene (WM_SCENE_REPLY, wParam FLASH_SCENE_NAME, to the main window).
struct SceneNameRecord final : ReplyRecord {
  std::int32_t reserved = 0;  ///< always 0
  /// Scene number - 1. The decoder posts only records with 0 <= index < kStoredSceneCount, so a
  /// receiver may index its ten name slots with it.
  std::int32_t index = 0;
  /// Raw name bytes; all zero when the box reported erased flash.
  SceneNameBytes name{};
};

/// Which scenes hold data (WM_SCENE_REPLY, wParam FLASH_SCENE_VALID, to the main window).
struct ValidScenesRecord final : ReplyRecord {
  /// The 16-bit mask the box reported: bit k set when scene k + 1 is stored. Bits above the
  /// tenth are passed on as received.
  std::uint32_t mask = 0;
};

}  // namespace qb

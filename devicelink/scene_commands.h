#pragma once
/// Scene storage in the box: saving the live settings as one of the ten stored scenes,
/// loading and deleting scenes, naming them, asking which scenes hold data and which one is
/// current, and moving raw scene data in blocks. The replies' decoders live beside them
/// (scene_replies.cpp) and are published as one table.
///
/// Every scene command is sent at once on the calling thread and followed by a wait for one
/// report; none of them is ever queued, because the scene tasks run them in strict order
/// with the queue switched off. Setters report nothing; queries return whether a report came
/// back. What the box answers arrives as posted messages (see SceneReplyDecoders).
///
/// Scene numbers: 1..10 are the stored scenes. They are passed to the box as given; the
/// load command also takes 0 and 255, whose meaning is the box's.

#include <cstddef>
#include <cstdint>
#include <span>

#include "devicelink/frame_codec.h"
#include "devicelink/reply_decoders.h"
#include "devicelink/scene_records.h"

namespace qb {

class DeviceLink;

/// Header bytes in front of a scene data block: scene, start (2 bytes), length.
inline constexpr std::size_t kSceneBlockHeaderBytes = 4;
/// Most data bytes one scene data block can carry within one command frame.
inline constexpr std::size_t kMaxSceneBlockBytes = kMaxPayload - kSceneBlockHeaderBytes;
/// Longest name SetSceneName can send (scene and length bytes go in front of it).
inline constexpr std::size_t kMaxSceneNameSendBytes = kMaxPayload - 2;

/// Stores the box's live settings as `scene`. `immediately` is passed to the box as 1 or 0
/// (the whole-configuration write-back sets it). Waits kWaitSceneMs.
/// Logs "SaveScene scene(%d) immediately=%d".
void SaveScene(DeviceLink& link, std::uint8_t scene, bool immediately);

/// Asks the box to copy scene `from` to `to` (a scene load is (n, 0)). Waits kWaitSceneMs.
/// Logs "ReadScene from scene(%d) to scene(%d)".
void ReadScene(DeviceLink& link, std::uint8_t from, std::uint8_t to);

/// Deletes stored `scene`. Waits kWaitSceneMs. Logs "DeleteScene scene(%d)".
void DeleteScene(DeviceLink& link, std::uint8_t scene);

/// Names `scene`: sends exactly `len` name bytes, the first bytes of `name` followed by
/// zeros when `name` is shorter (so a seven-letter name still fills all sixteen), cut at
/// `len` when it is longer. A `len` above kMaxSceneNameSendBytes cannot be framed: it is
/// logged and nothing is sent. Waits kWaitDefaultMs.
/// Logs "SetSceneName scene(%d), len(%d), (name)%s" with the name up to its first zero byte
/// (bytes outside printable ASCII shown as \xNN, so the log stays valid UTF-8).
void SetSceneName(DeviceLink& link, std::uint8_t scene, std::span<const std::uint8_t> name,
                  std::uint8_t len = kSceneNameBytes);

/// Asks for the name of `scene`; the answer is posted as a SceneNameRecord. Waits
/// kWaitDefaultMs. True when a report came back.
bool Get_Scene_Name(DeviceLink& link, std::uint8_t scene);

/// Writes one block of raw scene data at byte offset `start` of `scene`. A block longer than
/// kMaxSceneBlockBytes cannot be framed: it is logged and nothing is sent (never cut short,
/// which would store a partial block). Waits kWaitSceneMs. Logs "SetSceneProfile scene(%d)".
void SetSceneProfile(DeviceLink& link, std::uint8_t scene, std::uint16_t start,
                     std::span<const std::uint8_t> data);

/// Asks for `len` bytes of raw scene data at offset `start` of `scene`. The box's answer is
/// not decoded. Waits kWaitSceneMs. True when a report came back.
/// Logs "GetSceneProfile scene(%d), start = %d, data_len = %d".
bool GetSceneProfile(DeviceLink& link, std::uint8_t scene, std::uint16_t start,
                     std::uint8_t len);

/// The scene query of command FLASH_SCENE_QUERY with its one value byte; the answer is not
/// decoded. Waits kWaitDefaultMs. True when a report came back.
bool Get_Scene_Query(DeviceLink& link, std::uint8_t value);

/// Asks which scene is current; the answer goes to the scene window as WM_SCENE_ID.
/// Waits kWaitDefaultMs. True when a report came back.
bool Get_Scene_ID(DeviceLink& link);

/// Asks which scenes hold data; the answer is posted as a ValidScenesRecord. Waits
/// kWaitDefaultMs. True when a report came back.
bool Get_Scene_Valid(DeviceLink& link);

/// Decoders of the scene replies (packet type FLASH_PACKET), for InstallDecoderTables:
/// - FLASH_SCENE_SAVE, OP_ACK with status ACK_READY: WM_SCENE_REPLY to SceneWindowHandle,
///   wParam = the byte after the status (0 when the box sent none), lParam 0.
/// - FLASH_SCENE_DELETE, likewise: WM_SCENE_DELETED to SceneWindowHandle.
/// - FLASH_SCENE_NAME, OP_UPDATE (scene, 16 name bytes): WM_SCENE_REPLY to MainWindowHandle,
///   wParam FLASH_SCENE_NAME, a SceneNameRecord. A name whose sixteen bytes all have their
///   lowest bit set (erased flash reads 0xFF) is posted as sixteen zero bytes.
/// - FLASH_SCENE_ID, OP_UPDATE (scene): WM_SCENE_ID to SceneWindowHandle, wParam
///   FLASH_SCENE_ID, lParam the scene number 0..10 (0: none current).
/// - FLASH_SCENE_VALID, OP_UPDATE (16-bit big-endian mask): WM_SCENE_REPLY to
///   MainWindowHandle, wParam FLASH_SCENE_VALID, a ValidScenesRecord.
/// Other operation types and other status bytes are ignored. A reply too short for its
/// fields, or naming a scene outside 1..10 (0..10 for the current scene), is logged and
/// dropped, so a receiver can index its scene slots with what it is given.
/// The acknowledgements of the DSP-flash upgrade (same packet type) are not in this table.
DecoderTable SceneReplyDecoders();

}  // namespace qb

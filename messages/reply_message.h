#pragma once
/// Messages from the device link to the windows: decoded replies travel as
/// (number, wParam, lParam, owned record). The record is owned by the message, so a reply
/// that cannot be delivered is destroyed with it, never leaked and never freed twice.

#include <cstdint>
#include <memory>

namespace qb {

/// Message numbers shared by the link, the controller and the windows.
enum MessageNumber : std::uint32_t {
  WM_MENU_CLICK = 1027,
  WM_DSP_REPLY = 1234,
  WM_MCU_REPLY = 1235,
  WM_SCENE_REPLY = 1237,
  WM_SCENE_DELETED = 1238,
  WM_DEVICE_ABNORMAL = 1239,
  WM_DEVICE_REBOOT = 1240,
  WM_IRC_REPLY = 1241,
  WM_CONNECT_FAILED = 1242,
  WM_CONNECT_DONE = 1243,
  WM_DISCONNECT = 1245,
  WM_KTV_REPLY = 1246,
  WM_FORCE_UPDATE = 1248,
  WM_MEM_REPLY = 1249,
  WM_SCENE_ID = 1250,
  WM_IRC_PROGRESS = 1268,
  WM_SHOW_LOADING = 1274,
  WM_CLOSE_LOADING = 1275,
  /// The program's own: the link found the box gone (a write or read failed as they do
  /// once it has left).
  WM_LINK_LOST = 0x7F20,
};

/// Base of every decoded reply record; the concrete records derive from it.
struct ReplyRecord {
  virtual ~ReplyRecord() = default;
};

struct ReplyMessage {
  std::uint32_t number = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;  ///< a plain value where the reply carries one
  std::unique_ptr<ReplyRecord> record;

  /// The record as its concrete type, or null when it is absent or of another type.
  template <typename Record>
  const Record* RecordAs() const {
    return dynamic_cast<const Record*>(record.get());
  }
};

/// Something that accepts messages: a window on the UI side, a recorder in tests.
/// Implementations queue the message for their own thread; they must not block for long.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  /// Takes the message. Returns false when it could not be queued (it is destroyed then).
  virtual bool PostReplyMessage(ReplyMessage&& message) = 0;
};

}  // namespace qb

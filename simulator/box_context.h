#pragma once
/// What a command handler of the virtual box works with: the received command, the box's
/// state and configuration, and the way out for replies. Built-in handlers and extensions
/// (the firmware upgrade receiver, the calibration sequence) see the same interface.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "devicelink/value_encoding.h"
#include "simulator/box_config.h"
#include "simulator/box_state.h"

namespace qb::sim {

/// One valid command frame as the box received it.
struct BoxCommand {
  std::uint8_t packetType = 0;
  std::uint8_t commandId = 0;
  std::uint8_t opType = 0;
  std::vector<std::uint8_t> payload;
  bool operator==(const BoxCommand&) const = default;
};

/// Largest reply payload: the program's parser holds LEN at most 61, that is the command id,
/// the operation type and 58 payload bytes (a frame of 65 bytes, one more than a report).
inline constexpr std::size_t kMaxReplyPayload = 58;

class BoxContext {
 public:
  virtual ~BoxContext() = default;

  virtual BoxState& State() = 0;
  virtual const VirtualBoxConfig& Config() const = 0;

  /// Queues one reply frame behind the ones already queued. A payload longer than
  /// kMaxReplyPayload is a handler fault and is not sent.
  virtual void Reply(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                     std::span<const std::uint8_t> payload) = 0;
  /// Like Reply, but the frame becomes readable only `delay` after the replies queued so
  /// far: for reports a box sends on its own while it works (calibration progress).
  virtual void ReplyAfter(std::chrono::milliseconds delay, std::uint8_t packetType,
                          std::uint8_t commandId, std::uint8_t opType,
                          std::span<const std::uint8_t> payload) = 0;
  /// Restarts the box once the replies queued so far have been read: it leaves the bus,
  /// optionally restores its factory state, and enumerates again (VirtualBoxConfig).
  virtual void Reboot(bool restoreFactory) = 0;
  /// Switches between the application (true) and the loader (false) at once; with Reboot
  /// it is the restart into the loader that an upgrade asks for.
  virtual void SetApplicationMode(bool on) = 0;

  /// An OP_UPDATE data report.
  void Update(std::uint8_t packetType, std::uint8_t commandId,
              std::span<const std::uint8_t> payload) {
    Reply(packetType, commandId, OP_UPDATE, payload);
  }
  /// An OP_ACK whose payload is `status` and then `extra`.
  void Ack(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t status,
           std::initializer_list<std::uint8_t> extra = {}) {
    std::vector<std::uint8_t> payload{status};
    payload.insert(payload.end(), extra.begin(), extra.end());
    Reply(packetType, commandId, OP_ACK, payload);
  }
};

/// The configured output and input counts, held to what the box's tables hold.
inline int OutputCount(const BoxContext& box) {
  return std::clamp(box.Config().outputCount, 0, static_cast<int>(kMaxOutputs));
}
inline int InputCount(const BoxContext& box) {
  return std::clamp(box.Config().inputCount, 0, static_cast<int>(kMaxInputs));
}
/// A report always describes at least one channel.
inline int ReportedOutputCount(const BoxContext& box) { return std::max(1, OutputCount(box)); }
inline int ReportedInputCount(const BoxContext& box) { return std::max(1, InputCount(box)); }
/// Whether routing masks take two bytes on this box.
inline bool WideMasks(const BoxContext& box) {
  return box.Config().inputCount >= kWideMaskInputCount;
}

/// A part of the box added later without touching the built-in handlers. Extensions are
/// offered every command first, in the order they were added.
class BoxExtension {
 public:
  virtual ~BoxExtension() = default;
  /// Returns true when the command was this extension's (replies, if any, are queued
  /// through `box`); false passes it on.
  virtual bool Handle(const BoxCommand& command, BoxContext& box) = 0;
  /// Called when the box restarts, so an extension can drop what it was doing.
  virtual void OnReboot() {}
};

}  // namespace qb::sim

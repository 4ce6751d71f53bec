#pragma once
/// Applying the box's replies: every decoded reply reaches the core here, on the thread
/// that owns the mirror, and is written into the mirror; replies about the live settings
/// are announced so the views follow. Records are owned by their message, and a record of
/// a kind a code does not expect is simply not applied.

#include "core/edit_context.h"
#include "messages/reply_message.h"

namespace qb {

class OutputEditor;
class RoutingEditor;

class ReplyApplication {
 public:
  ReplyApplication(EditContext& context, OutputEditor& outputs, RoutingEditor& routing)
      : m_ctx(context), m_outputs(outputs), m_routing(routing) {}

  void ReadDspValueCallback(const ReplyMessage& message);
  void ReadMcuValueCallback(const ReplyMessage& message);
  void ReadSceneValueCallback(const ReplyMessage& message);
  void ReadKtvValueCallback(const ReplyMessage& message);

 private:
  void ApplyLinkFlag(int flag);
  void ApplyLockFlag(int flag);

  EditContext& m_ctx;
  OutputEditor& m_outputs;
  RoutingEditor& m_routing;
};

}  // namespace qb

#pragma once
/// Puts recorded field values back into the live settings, as undo and redo do: each value
/// is stored in the mirror, the box receives the commands that carry exactly those values
/// (the same senders and services the editing uses), and the views are told once.
///
/// No editing rule runs again: the values recorded are already the outcome of the rules
/// (the group and partner that followed, the bypass that was consumed), so replaying the
/// original operation could land elsewhere.

#include <span>

#include "core/edit_context.h"
#include "core/edit_fields.h"

namespace qb {

class MainControls;
class OutputEditor;
class RoutingEditor;

/// Which recorded value to restore.
enum class RestoreSide { Before, After };

class FieldRestorer {
 public:
  FieldRestorer(EditContext& context, OutputEditor& outputs, MainControls& main, RoutingEditor& routing)
      : m_ctx(context), m_outputs(outputs), m_main(main), m_routing(routing) {}

  /// Stores the `side` value of every change, then sends them in restore order.
  void Restore(std::span<const FieldChange> changes, RestoreSide side);

 private:
  EditContext& m_ctx;
  OutputEditor& m_outputs;
  MainControls& m_main;
  RoutingEditor& m_routing;
};

}  // namespace qb

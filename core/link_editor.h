#pragma once
/// Lock and link mode of the outputs, the copy step of linking, and the reset of all
/// outputs. Lock keeps the roles from changing; link pairs left and right outputs by role
/// so an edit of one reaches the other, which needs fixed roles, so linking locks as well.

#include <functional>
#include <optional>

#include "core/edit_context.h"

namespace qb {

class OutputEditor;
class RoutingEditor;

/// Which side's settings the other side takes when outputs are linked.
enum class CopyDirection { LeftToRight, RightToLeft };

enum class LinkOutcome {
  NotLinkable,  ///< no output has a partner: link mode is off (and the box told so)
  Unlinked,     ///< link mode and the lock are off
  Cancelled,    ///< the user chose no direction: nothing changed
  Linked,       ///< linked and locked, the chosen side copied onto the other
};

/// What "reset all outputs" leaves: the default roles with their crossovers, or no roles.
enum class OutputReset { Default, Emptied };

class LinkEditor {
 public:
  LinkEditor(EditContext& context, OutputEditor& outputs, RoutingEditor& routing)
      : m_ctx(context), m_outputs(outputs), m_routing(routing) {}

  /// True when some output has a partner in its own group.
  bool IsLinkable() const;

  /// Locks or unlocks the roles after asking `confirm` (lock or unlock); a refusal keeps
  /// the lock as it was and tells the box so. Unlocking ends link mode.
  void ToggleLock(const Confirm& confirm);
  /// Link mode on (asking `askDirection` which side to copy) or off (which unlocks too).
  LinkOutcome ToggleLink(const std::function<std::optional<CopyDirection>()>& askDirection);

  /// Every output gets the roles `reset` names, unlocked and unlinked; the right
  /// subwoofers take the left one's volume.
  void ResetOutputs(OutputReset reset);

 private:
  void ClearLinkMode();
  /// Copies bands, crossover and EQ bypass of a live output onto another (link mode's copy
  /// step); sends nothing, the box copies itself from the link command's pairs.
  void CopyOutConfig(int from, int to);

  EditContext& m_ctx;
  OutputEditor& m_outputs;
  RoutingEditor& m_routing;
};

}  // namespace qb

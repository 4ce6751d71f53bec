#pragma once
/// The main volume block (position 0..40, mute) and the remote amplifier switch.

#include "core/edit_context.h"

namespace qb {

class MainControls {
 public:
  explicit MainControls(EditContext& context) : m_ctx(context) {}

  /// The main volume at slider position `position` (held to 0..40).
  void SetMainVolume(int position);
  /// One position up or down, nothing at the end.
  void StepMainVolume(bool up);
  void SetMainMute(bool muted);
  /// Switches the remote amplifier on or off.
  void SetAmp(bool on);

 private:
  EditContext& m_ctx;
};

}  // namespace qb

#pragma once
/// Editing an output's crossover: corner frequencies typed, stepped or dragged on the curve
/// (the high-pass never above the low-pass), and the family and slope of each filter. The
/// synchronize group takes frequencies and slopes; the linked partner takes everything.

#include "core/edit_context.h"

namespace qb {

class CrossoverEditor {
 public:
  explicit CrossoverEditor(EditContext& context) : m_ctx(context) {}

  /// A typed corner frequency, held below the low-pass (high-pass) or above the high-pass
  /// (low-pass) and to 20..20000 Hz.
  void SetFrequency(int output, bool highPass, int hz);
  /// A handle dragged on the curve. A frequency outside 20..20000 Hz (no handle), or one at
  /// or beyond the other corner (HighPassMayTake, LowPassMayTake), changes nothing: false.
  bool DragFrequency(int output, bool highPass, int hz);
  /// One step along the frequency grid, nothing at the end of the range.
  void StepFrequency(int output, bool highPass, bool up);
  /// The slope code (0 = off .. 8); the same slope again changes nothing.
  void SetSlope(int output, bool highPass, int slope);
  /// The family code (1..3; any other is stored as Butterworth); the same family again
  /// changes nothing.
  void SetType(int output, bool highPass, int type);

 private:
  EditContext& m_ctx;
};

}  // namespace qb

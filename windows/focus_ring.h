#pragma once
/// The ring of editable fields that Left and Right move the keyboard focus around: the
/// output volume edits, the delay edits, the two crossover frequencies, the main volume,
/// then the band rows of the current output (frequencies, Q values, gains) and back.
/// Fields are named by kind and index; the view maps them to its controls.

#include <functional>
#include <optional>

namespace qb {

struct FocusField {
  enum class Kind { OutputVolume, OutputDelay, HighPass, LowPass, MainVolume, BandFreq, BandQ, BandGain };
  Kind kind = Kind::MainVolume;
  int index = 0;  ///< the output or band; 0 for the single fields
  bool operator==(const FocusField&) const = default;
};

struct FocusRingContext {
  int bandCount = 0;  ///< bands of the current output (its eqSize)
  /// Whether that field can take the focus (enabled); null: every field can.
  std::function<bool(const FocusField&)> isEnabled;
};

/// The field Right (forward) or Left (backward) moves to from `from`; nothing when `from`
/// is not in the ring (a band row beyond the output's bands).
std::optional<FocusField> NextFocusField(const FocusField& from, bool forward, const FocusRingContext& context);

}  // namespace qb

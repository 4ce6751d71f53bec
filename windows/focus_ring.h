#pragma once
/// The ring of editable fields that Left and Right move the keyboard focus around: the
/// output volume edits, the delay edits, the two crossover frequencies, the main volume,
/// then the band rows of the current output (frequencies, Q values, gains) and back.

#include <QString>
#include <functional>

namespace qb {

struct FocusRingContext {
  int bandCount = 0;  ///< bands of the current output (its eqSize)
  /// Whether the field of that name can take the focus (enabled).
  std::function<bool(const QString&)> isEnabled;
};

/// The field Right (forward) or Left (backward) moves to from `from`; empty when `from` is
/// not in the ring.
QString NextFocusField(const QString& from, bool forward, const FocusRingContext& context);

}  // namespace qb

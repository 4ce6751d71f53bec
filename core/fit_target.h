#pragma once
/// What an equaliser fit aims at: flat, one of the calibration's two target voicings, or a
/// house curve read from a file ("frequency dB" lines, see measurement_text.h).

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/measured_response.h"

namespace qb {

enum class FitTargetKind { Flat, VoicingA, VoicingB, HouseCurve };

struct FitTarget {
  FitTargetKind kind = FitTargetKind::Flat;
  MeasuredResponse houseCurve;  ///< the curve of a HouseCurve target
};

/// The built-in target a name stands for: "flat", "a" or "b" in any case; nothing for any
/// other name (a house curve file, say).
std::optional<FitTarget> BuiltInFitTarget(std::string_view name);

/// The target's level in dB at each of `freqHz`: 0 for flat, the voicing's curve, or the
/// house curve between its points (held beyond its ends).
std::vector<double> TargetLevels(const FitTarget& target, std::span<const double> freqHz);

}  // namespace qb

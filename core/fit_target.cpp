#include "core/fit_target.h"

#include "dspmath/calibration_targets.h"
#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"
#include "dspmath/point_grid.h"

namespace qb {
namespace {

bool SameLetters(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<FitTarget> BuiltInFitTarget(std::string_view name) {
  if (SameLetters(name, "flat")) return FitTarget{FitTargetKind::Flat, {}};
  if (SameLetters(name, "a")) return FitTarget{FitTargetKind::VoicingA, {}};
  if (SameLetters(name, "b")) return FitTarget{FitTargetKind::VoicingB, {}};
  return std::nullopt;
}

std::vector<double> TargetLevels(const FitTarget& target, std::span<const double> freqHz) {
  switch (target.kind) {
    case FitTargetKind::VoicingA:
    case FitTargetKind::VoicingB: {
      const TargetTable table = target.kind == FitTargetKind::VoicingA ? TargetTable::A : TargetTable::B;
      // TargetDbAt's sum, evaluated on all points at once.
      const PointGrid points(freqHz);
      std::vector<double> levels(freqHz.size(), 0.0);
      for (const TargetBand& b : TargetBands(table))
        if (b.gainDb != 0.0) points.AddSectionDb(DesignPeakingEq(CurveSampleRate, b.freqHz, b.gainDb, b.q), levels);
      return levels;
    }
    case FitTargetKind::HouseCurve:
      return LevelsAt(target.houseCurve, freqHz);
    case FitTargetKind::Flat:
      break;
  }
  return std::vector<double>(freqHz.size(), 0.0);
}

}  // namespace qb

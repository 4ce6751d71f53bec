#pragma once
/// The two target voicings of the room calibration, as 31 peaking bands each. The box moves
/// a measured response toward the chosen one, and the calibration window draws it; both
/// read it from here so the drawn target is the one the correction aims at.

#include <array>
#include <cstddef>

namespace qb {

inline constexpr std::size_t kTargetBands = 31;

struct TargetBand {
  int freqHz = 0;
  double gainDb = 0.0;
  double q = 0.0;
};

/// Table A (0), a warm voicing with a lifted bass and a presence dip, and table B (1), a
/// gently falling house curve.
enum class TargetTable { A = 0, B = 1 };

const std::array<TargetBand, kTargetBands>& TargetBands(TargetTable table);

/// The box's equaliser mode names the target: 0 and every mode without a table of its own
/// aim at table A, mode 1 (the first voicing option) at table B.
TargetTable TargetOfEqMode(int eqMode);

/// The target's level in dB at `hz`: the sum of its bands' peaking curves at 48 kHz.
double TargetDbAt(TargetTable table, double hz);

}  // namespace qb

#pragma once
/// The total response of one output channel: high-pass plus low-pass plus every equaliser
/// band, added in dB. Parameters are plain values so the channel model can pass its fields
/// straight through. This file holds the from-scratch computation; ChannelCurveCache keeps
/// the per-section curves and gives bit-identical totals after a change of one section.

#include <array>

#include "dspmath/curve_constants.h"
#include "dspmath/curve_grid.h"

namespace qb {

/// Bands an output carries at most.
inline constexpr int kMaxEqBands = 31;

/// One equaliser band as the channel model holds it.
struct EqBandSetting {
  double freqHz = 1000.0;
  double q = 1.0;
  double gainDb = 0.0;
  bool enabled = true;

  bool operator==(const EqBandSetting&) const = default;
};

/// One crossover filter: family 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel (anything else is
/// designed as Butterworth); slope is the order, 0 or less meaning the filter is off, above 8
/// designed as 8.
struct CrossoverSetting {
  int family = 1;
  int slope = 0;
  double cornerHz = 1000.0;

  bool operator==(const CrossoverSetting&) const = default;
};

/// Everything that shapes one output's curve.
struct ChannelCurveSettings {
  std::array<EqBandSetting, kMaxEqBands> bands{};
  int bandCount = kMaxEqBands;  ///< bands from this index on are not part of the channel
  bool eqBypassed = false;      ///< every band is shown flat, the stored gains are kept
  CrossoverSetting highPass{};
  CrossoverSetting lowPass{};

  bool operator==(const ChannelCurveSettings&) const = default;
};

/// True when the band changes the curve at all: enabled, not bypassed, a nonzero gain.
/// A band that does not contribute is exactly 0 dB everywhere and is left out of the sum.
bool BandContributes(const EqBandSetting& band, bool eqBypassed);

/// True when the filter is on (slope above 0).
bool CrossoverIsOn(const CrossoverSetting& filter);

/// The band's peaking curve at its own gain on `grid`, whatever its enabled flag.
void ComputeBandCurve(const CurveGrid& grid, const EqBandSetting& band, Curve& db);

/// The crossover filter's curve on `grid` (sum of its sections, each with the floor rule),
/// whatever its slope: the caller leaves an off filter out.
void ComputeCrossoverCurve(const CurveGrid& grid, bool lowPass, const CrossoverSetting& filter,
                           Curve& db);

/// bandCount clamped to 0..kMaxEqBands.
int ClampBandCount(int bandCount);

/// Full, non-incremental path: every section designed and evaluated from scratch, then
/// total[k] = highPass[k] + lowPass[k] + band0[k] + band1[k] + ... in that order, where an off
/// filter or a band that does not contribute is left out. ChannelCurveCache adds in the same
/// order, so the two give identical bits.
void ComputeChannelCurve(const CurveGrid& grid, const ChannelCurveSettings& settings,
                         Curve& total);

}  // namespace qb

#include "dspmath/channel_curve.h"

#include <cstddef>

#include "dspmath/crossover_design.h"
#include "dspmath/peaking_eq.h"

namespace qb {

bool BandContributes(const EqBandSetting& band, bool eqBypassed) {
  return band.enabled && !eqBypassed && band.gainDb != 0.0;
}

bool CrossoverIsOn(const CrossoverSetting& filter) {
  return filter.slope > 0;
}

void ComputeBandCurve(const CurveGrid& grid, const EqBandSetting& band, Curve& db) {
  grid.SectionDb(DesignPeakingEq(CurveSampleRate, band.freqHz, band.gainDb, band.q), db);
}

void ComputeCrossoverCurve(const CurveGrid& grid, bool lowPass, const CrossoverSetting& filter,
                           Curve& db) {
  db.fill(0.0);
  const CrossoverTable table =
      DesignCrossover(lowPass, filter.cornerHz, filter.slope, filter.family);
  for (const CrossoverSlot& slot : table) {
    if (slot.kind != SlotKind::Empty) {
      grid.AddSectionDb(CrossoverSectionCoeffs(slot, lowPass), db);
    }
  }
}

int ClampBandCount(int bandCount) {
  if (bandCount < 0) {
    return 0;
  }
  return bandCount > kMaxEqBands ? kMaxEqBands : bandCount;
}

void ComputeChannelCurve(const CurveGrid& grid, const ChannelCurveSettings& settings,
                         Curve& total) {
  Curve section;
  total.fill(0.0);
  if (CrossoverIsOn(settings.highPass)) {
    ComputeCrossoverCurve(grid, false, settings.highPass, section);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      total[k] += section[k];
    }
  }
  if (CrossoverIsOn(settings.lowPass)) {
    ComputeCrossoverCurve(grid, true, settings.lowPass, section);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      total[k] += section[k];
    }
  }
  const auto count = static_cast<std::size_t>(ClampBandCount(settings.bandCount));
  for (std::size_t i = 0; i < count; ++i) {
    if (!BandContributes(settings.bands[i], settings.eqBypassed)) {
      continue;
    }
    ComputeBandCurve(grid, settings.bands[i], section);
    for (std::size_t k = 0; k < kCurveSize; ++k) {
      total[k] += section[k];
    }
  }
}

}  // namespace qb

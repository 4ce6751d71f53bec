#include "dspmath/channel_curve.h"

#include <cstddef>

#include "dspmath/crossover_design.h"
#include "dspmath/curve_kernels.h"
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
  const CurveKernels& kernels = ActiveCurveKernels();
  Curve section;
  total.fill(0.0);
  // A crossover filter's curve is the sum of its sections and is added as one curve, as the
  // cache stores it; a band is one section, added straight from the grid.
  if (CrossoverIsOn(settings.highPass)) {
    ComputeCrossoverCurve(grid, false, settings.highPass, section);
    kernels.addCurve(section.data(), total.data());
  }
  if (CrossoverIsOn(settings.lowPass)) {
    ComputeCrossoverCurve(grid, true, settings.lowPass, section);
    kernels.addCurve(section.data(), total.data());
  }
  const auto count = static_cast<std::size_t>(ClampBandCount(settings.bandCount));
  for (std::size_t i = 0; i < count; ++i) {
    const EqBandSetting& band = settings.bands[i];
    if (BandContributes(band, settings.eqBypassed)) {
      grid.AddSectionDb(DesignPeakingEq(CurveSampleRate, band.freqHz, band.gainDb, band.q), total);
    }
  }
}

}  // namespace qb

#include "dspmath/channel_curve_cache.h"

#include <cstddef>

#include "dspmath/curve_kernels.h"

namespace qb {
namespace {

/// True when a band curve made for `madeFor` (at its own gain) serves `now`: the enabled
/// flag only decides whether the curve is added.
bool SameShape(const EqBandSetting& madeFor, const EqBandSetting& now) {
  return madeFor.freqHz == now.freqHz && madeFor.q == now.q && madeFor.gainDb == now.gainDb;
}

}  // namespace

ChannelCurveCache::ChannelCurveCache() : m_grid(&StandardCurveGrid()) {}

ChannelCurveCache::ChannelCurveCache(const ChannelCurveSettings& settings)
    : m_grid(&StandardCurveGrid()), m_settings(settings) {
  m_settings.bandCount = ClampBandCount(settings.bandCount);
}

bool ChannelCurveCache::SetBand(int index, double freqHz, double q, double gainDb,
                                bool enabled) {
  if (index < 0 || index >= kMaxEqBands) {
    return false;
  }
  EqBandSetting& band = m_settings.bands[static_cast<std::size_t>(index)];
  const EqBandSetting next{freqHz, q, gainDb, enabled};
  if (band != next) {
    band = next;
    m_totalValid = false;
  }
  return true;
}

void ChannelCurveCache::SetBandCount(int count) {
  const int clamped = ClampBandCount(count);
  if (clamped != m_settings.bandCount) {
    m_settings.bandCount = clamped;
    m_totalValid = false;
  }
}

void ChannelCurveCache::SetEqBypassed(bool bypassed) {
  if (bypassed != m_settings.eqBypassed) {
    m_settings.eqBypassed = bypassed;
    m_totalValid = false;
  }
}

void ChannelCurveCache::SetHighPass(int family, int slope, double cornerHz) {
  SetCrossover(false, family, slope, cornerHz);
}

void ChannelCurveCache::SetLowPass(int family, int slope, double cornerHz) {
  SetCrossover(true, family, slope, cornerHz);
}

void ChannelCurveCache::SetCrossover(bool lowPass, int family, int slope, double cornerHz) {
  CrossoverSetting& filter = lowPass ? m_settings.lowPass : m_settings.highPass;
  const CrossoverSetting next{family, slope, cornerHz};
  if (filter != next) {
    filter = next;
    m_totalValid = false;
  }
}

void ChannelCurveCache::SetAll(const ChannelCurveSettings& settings) {
  for (int i = 0; i < kMaxEqBands; ++i) {
    const EqBandSetting& band = settings.bands[static_cast<std::size_t>(i)];
    SetBand(i, band.freqHz, band.q, band.gainDb, band.enabled);
  }
  SetBandCount(settings.bandCount);
  SetEqBypassed(settings.eqBypassed);
  SetHighPass(settings.highPass.family, settings.highPass.slope, settings.highPass.cornerHz);
  SetLowPass(settings.lowPass.family, settings.lowPass.slope, settings.lowPass.cornerHz);
}

void ChannelCurveCache::RecomputeAll() {
  for (Stored<EqBandSetting>& band : m_bands) {
    band.valid = false;
  }
  m_highPass.valid = false;
  m_lowPass.valid = false;
  m_totalValid = false;
  Total();
}

const Curve& ChannelCurveCache::Total() {
  if (!m_totalValid) {
    RefreshSections();
    Resum();
    m_totalValid = true;
  }
  return m_total;
}

void ChannelCurveCache::RefreshSections() {
  // Only what takes part in the total is evaluated; a band or filter that is out of use keeps
  // its stored curve for the day it comes back with the same values.
  const auto refreshFilter = [this](bool lowPass, const CrossoverSetting& filter,
                                    Stored<CrossoverSetting>& stored) {
    if (CrossoverIsOn(filter) && !(stored.valid && stored.madeFor == filter)) {
      ComputeCrossoverCurve(*m_grid, lowPass, filter, stored.curve);
      stored.madeFor = filter;
      stored.valid = true;
      ++m_curvesEvaluated;
    }
  };
  refreshFilter(false, m_settings.highPass, m_highPass);
  refreshFilter(true, m_settings.lowPass, m_lowPass);

  const auto count = static_cast<std::size_t>(m_settings.bandCount);
  for (std::size_t i = 0; i < count; ++i) {
    const EqBandSetting& band = m_settings.bands[i];
    Stored<EqBandSetting>& stored = m_bands[i];
    if (BandContributes(band, m_settings.eqBypassed) &&
        !(stored.valid && SameShape(stored.madeFor, band))) {
      ComputeBandCurve(*m_grid, band, stored.curve);
      stored.madeFor = band;
      stored.valid = true;
      ++m_curvesEvaluated;
    }
  }
}

void ChannelCurveCache::Resum() {
  // Same order as ComputeChannelCurve: high-pass, low-pass, then the bands by index.
  std::array<const double*, kMaxEqBands + 2> parts{};
  std::size_t used = 0;
  if (CrossoverIsOn(m_settings.highPass)) {
    parts[used++] = m_highPass.curve.data();
  }
  if (CrossoverIsOn(m_settings.lowPass)) {
    parts[used++] = m_lowPass.curve.data();
  }
  const auto count = static_cast<std::size_t>(m_settings.bandCount);
  for (std::size_t i = 0; i < count; ++i) {
    if (BandContributes(m_settings.bands[i], m_settings.eqBypassed)) {
      parts[used++] = m_bands[i].curve.data();
    }
  }
  ActiveCurveKernels().sumCurves(parts.data(), used, m_total.data());
}

}  // namespace qb

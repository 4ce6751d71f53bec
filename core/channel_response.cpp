#include "core/channel_response.h"

#include <cstddef>

#include "dspmath/curve_grid.h"

namespace qb {
namespace {

CrossoverSetting FilterSettingOf(const CrossoverFilter& filter) {
  // The cache treats a slope of 0 or below as "off", so a bypassed filter is handed over
  // with slope 0 and keeps its stored curve for the moment it is switched back on.
  const bool drawn = filter.bypass == 0 && filter.slope > 0;
  return CrossoverSetting{filter.type, drawn ? filter.slope : 0, static_cast<double>(filter.fs)};
}

}  // namespace

ChannelCurveSettings ChannelCurveSettingsOf(const OutputChannel& channel, bool bypassed) {
  ChannelCurveSettings settings;
  for (std::size_t i = 0; i < kBandSlots; ++i) {
    const EqBand& band = channel.bands[i];
    settings.bands[i] = EqBandSetting{static_cast<double>(band.freq),
                                      static_cast<double>(band.eqFactor),
                                      static_cast<double>(band.eqGain), band.enable != 0};
  }
  settings.bandCount = ClampBandCount(channel.eqSize);
  settings.eqBypassed = bypassed;
  settings.highPass = FilterSettingOf(channel.crossover.hp);
  settings.lowPass = FilterSettingOf(channel.crossover.lp);
  return settings;
}

ChannelResponse::ChannelResponse() : m_frequencies(StandardCurveGrid().Frequencies()) {}

void ChannelResponse::Compute(const OutputChannel& channel, bool bypassed) {
  m_cache.SetAll(ChannelCurveSettingsOf(channel, bypassed));
  m_response = m_cache.Total();
}

void ChannelResponse::ComputeFromScratch(const OutputChannel& channel, bool bypassed) {
  m_cache.SetAll(ChannelCurveSettingsOf(channel, bypassed));
  m_cache.RecomputeAll();
  m_response = m_cache.Total();
}

ChannelResponses::ChannelResponses()
    : m_outputs(std::make_unique<std::array<ChannelResponse, kOutputSlots>>()) {}

const ChannelResponse* ChannelResponses::At(int output) const {
  if (output < 0 || output >= kOutputCount) {
    return nullptr;
  }
  return &(*m_outputs)[static_cast<std::size_t>(output)];
}

ChannelResponse* ChannelResponses::At(int output) {
  if (output < 0 || output >= kOutputCount) {
    return nullptr;
  }
  return &(*m_outputs)[static_cast<std::size_t>(output)];
}

bool ComputeChannelResponse(const Profile& profile, int output, bool bypassed,
                            ChannelResponses& curves) {
  ChannelResponse* response = curves.At(output);
  if (response == nullptr) {
    return false;
  }
  response->Compute(profile.channels[static_cast<std::size_t>(output)], bypassed);
  return true;
}

}  // namespace qb

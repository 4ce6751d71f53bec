// The curve control as its owner sees it: bands and curves in the owner's types.
#include <algorithm>
#include <array>
#include <vector>

#include "controls/equalizer_curve.h"

namespace qb::controls {

void EqualizerCurve::SetBands(std::span<const ui::CurveBand> bands, int eqSize, int selectedBand) {
  std::array<CurveBand, kCurveBandSlots> converted{};
  const std::size_t count =
      std::min({bands.size(), converted.size(), static_cast<std::size_t>(std::max(eqSize, 0))});
  for (std::size_t i = 0; i < count; ++i)
    converted[i] = CurveBand{bands[i].gain, bands[i].q, bands[i].freq, bands[i].enable};
  SetEqBands(std::span<const CurveBand>(converted.data(), count), selectedBand);
}

ui::CurveBand EqualizerCurve::DisplayBand(int i) const {
  const CurveBand band = Band(i);
  return ui::CurveBand{band.frequency, band.q, band.enable, band.gain};
}

void EqualizerCurve::SetChannelCurves(std::span<const ui::ChannelCurveView> channels, int currentChannel) {
  // Curves shorter than the standard grid are left out rather than read past their end.
  std::array<ChannelCurveSource, kMaxChannels> sources{};
  std::vector<Curve> copies(2 * sources.size());
  const std::size_t count = std::min(channels.size(), sources.size());
  for (std::size_t i = 0; i < count; ++i) {
    const auto& view = channels[i];
    sources[i].show = view.shown;
    if (view.frequencies.size() >= kCurveSize && view.decibels.size() >= kCurveSize) {
      std::copy_n(view.frequencies.begin(), kCurveSize, copies[2 * i].begin());
      std::copy_n(view.decibels.begin(), kCurveSize, copies[2 * i + 1].begin());
      sources[i].frequencies = &copies[2 * i];
      sources[i].decibels = &copies[2 * i + 1];
    }
  }
  SetChannelCurves(std::span<const ChannelCurveSource>(sources.data(), count), currentChannel);
}

}  // namespace qb::controls

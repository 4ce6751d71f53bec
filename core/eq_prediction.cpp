#include "core/eq_prediction.h"

#include <algorithm>
#include <cstddef>

#include "core/channel_response.h"
#include "dspmath/curve_grid.h"
#include "dspmath/peaking_eq.h"
#include "dspmath/point_grid.h"

namespace qb {

FrequencyRange PassBandOf(const OutputChannel& channel) {
  const auto drawn = [](const CrossoverFilter& f) { return f.bypass == 0 && f.slope > 0; };
  const Crossover& x = channel.crossover;
  return {static_cast<double>(drawn(x.hp) ? x.hp.fs : kMinFrequencyHz),
          static_cast<double>(drawn(x.lp) ? x.lp.fs : kMaxFrequencyHz)};
}

std::vector<double> EqCurveAt(std::span<const EqBand> bands, std::span<const double> freqHz) {
  const PointGrid points(freqHz);
  std::vector<double> curve(freqHz.size(), 0.0);
  for (const EqBand& b : bands)
    if (b.eqGain != 0.0f) points.AddSectionDb(DesignPeakingEq(CurveSampleRate, b.freq, b.eqGain, b.eqFactor), curve);
  return curve;
}

std::vector<double> CurrentEqCurveAt(const OutputChannel& channel, std::span<const double> freqHz) {
  // The display's own reading of the channel, so the curve removed is the one drawn.
  const ChannelCurveSettings settings = ChannelCurveSettingsOf(channel, channel.bypass != 0);
  const PointGrid points(freqHz);
  std::vector<double> curve(freqHz.size(), 0.0);
  for (int i = 0; i < settings.bandCount; ++i) {
    const EqBandSetting& b = settings.bands[static_cast<std::size_t>(i)];
    if (BandContributes(b, settings.eqBypassed))
      points.AddSectionDb(DesignPeakingEq(CurveSampleRate, b.freqHz, b.gainDb, b.q), curve);
  }
  return curve;
}

std::vector<double> PredictedResponse(const MeasuredResponse& measured, const OutputChannel& channel,
                                      std::span<const EqBand> newBands) {
  const std::vector<double> current = CurrentEqCurveAt(channel, measured.freqHz);
  const std::vector<double> next = EqCurveAt(newBands, measured.freqHz);
  std::vector<double> predicted(measured.Size());
  for (std::size_t k = 0; k < predicted.size(); ++k) predicted[k] = measured.db[k] - current[k] + next[k];
  return predicted;
}

GridCurve OnCurveGrid(std::span<const double> freqHz, std::span<const double> db) {
  GridCurve out;
  if (freqHz.empty() || db.size() != freqHz.size()) return out;
  const MeasuredResponse response{{freqHz.begin(), freqHz.end()}, {db.begin(), db.end()}};
  const Curve& grid = StandardCurveGrid().Frequencies();
  for (std::size_t k = 0; k < grid.size(); ++k) {
    if (grid[k] < freqHz.front() || grid[k] > freqHz.back()) continue;
    if (out.count == 0) out.first = k;
    ++out.count;
    out.db[k] = LevelAt(response, grid[k]);
  }
  return out;
}

EqFitCurves FitCurvesOf(const Profile& live, int output, const MeasuredResponse& measured, const FitTarget& target,
                        std::span<const EqBand> newBands) {
  EqFitCurves curves;
  if (!IsOutput(output)) return curves;
  const std::vector<double> predicted = PredictedResponse(measured, live.channels[At(output)], newBands);
  curves.measured = OnCurveGrid(measured.freqHz, measured.db);
  curves.predicted = OnCurveGrid(measured.freqHz, predicted);
  // The target is known everywhere: taken at the grid's own points, over the same span.
  curves.target.first = curves.measured.first;
  curves.target.count = curves.measured.count;
  const Curve& grid = StandardCurveGrid().Frequencies();
  const std::span<const double> span(grid.data() + curves.target.first, curves.target.count);
  const std::vector<double> levels = TargetLevels(target, span);
  std::copy(levels.begin(), levels.end(), curves.target.db.begin() + static_cast<std::ptrdiff_t>(curves.target.first));
  return curves;
}

}  // namespace qb

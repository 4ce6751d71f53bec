#include "core/output_measurement.h"

#include <algorithm>
#include <cstddef>

#include "core/channel_response.h"
#include "dspmath/channel_curve.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_grid.h"
#include "dspmath/point_grid.h"

namespace qb {
namespace {

/// Mean of the levels at the points within `range`; of all points when none lies there.
double MeanLevelWithin(const MeasuredResponse& response, FrequencyRange range) {
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t k = 0; k < response.Size(); ++k) {
    if (response.freqHz[k] < range.lowHz || response.freqHz[k] > range.highHz) continue;
    sum += response.db[k];
    ++count;
  }
  if (count > 0) return sum / static_cast<double>(count);
  for (double db : response.db) sum += db;
  return response.db.empty() ? 0.0 : sum / static_cast<double>(response.db.size());
}

}  // namespace

Curve DisplayResponseOf(const OutputChannel& channel) {
  Curve db{};
  ComputeChannelCurve(StandardCurveGrid(), ChannelCurveSettingsOf(channel, channel.bypass != 0), db);
  return db;
}

OutputMeasurement MeasurementOf(const Profile& live, int output, MeasuredResponse response) {
  OutputMeasurement m;
  m.output = output;
  if (IsOutput(output)) m.through = live.channels[At(output)];
  m.throughDb = DisplayResponseOf(m.through);
  m.measured = OnCurveGrid(response.freqHz, response.db);
  m.referenceDb = MeanLevelWithin(response, PassBandOf(m.through));
  m.response = std::move(response);
  return m;
}

std::vector<double> CrossoverCurveAt(const OutputChannel& channel, std::span<const double> freqHz) {
  // The display's reading of the filters: an off or bypassed filter is left out.
  const ChannelCurveSettings settings = ChannelCurveSettingsOf(channel, true);
  const PointGrid points(freqHz);
  std::vector<double> curve(freqHz.size(), 0.0);
  for (const bool lowPass : {false, true}) {
    const CrossoverSetting& filter = lowPass ? settings.lowPass : settings.highPass;
    if (!CrossoverIsOn(filter)) continue;
    for (const CrossoverSlot& slot : DesignCrossover(lowPass, filter.cornerHz, filter.slope, filter.family))
      if (slot.kind != SlotKind::Empty) points.AddSectionDb(CrossoverSectionCoeffs(slot, lowPass), curve);
  }
  return curve;
}

MeasuredResponse WithCrossoverOf(const OutputMeasurement& measurement, const OutputChannel& now) {
  MeasuredResponse crossed = measurement.response;
  if (now.crossover == measurement.through.crossover) return crossed;
  const std::vector<double> before = CrossoverCurveAt(measurement.through, crossed.freqHz);
  const std::vector<double> after = CrossoverCurveAt(now, crossed.freqHz);
  for (std::size_t k = 0; k < crossed.Size(); ++k) crossed.db[k] += after[k] - before[k];
  return crossed;
}

Profile AsMeasured(const Profile& live, const OutputMeasurement& measurement) {
  Profile measured = live;
  if (!IsOutput(measurement.output)) return measured;
  OutputChannel& channel = measured.channels[At(measurement.output)];
  const OutputChannel& through = measurement.through;
  channel.bands = through.bands;
  channel.bypass = through.bypass;
  // The bands in use are the output's own; those the measurement did not hear play flat.
  for (int b = std::max(0, through.eqSize); b < kMaxEqBands; ++b) channel.bands[At(b)].eqGain = 0.0f;
  return measured;
}

GridCurve LiveCurveOf(const Profile& live, const OutputMeasurement& measurement) {
  GridCurve predicted = measurement.measured;
  if (!IsOutput(measurement.output)) return {};
  const Curve now = DisplayResponseOf(live.channels[At(measurement.output)]);
  for (std::size_t k = predicted.first; k < predicted.first + predicted.count; ++k)
    predicted.db[k] += now[k] - measurement.throughDb[k];
  return predicted;
}

EqFitOutcome FitMeasurement(const Profile& live, const OutputMeasurement& measurement, const FitTarget& target,
                            const EqFitRequest& request) {
  if (!IsOutput(measurement.output)) return FitEqualizer(live, measurement.output, measurement.response, target, request);
  const MeasuredResponse crossed = WithCrossoverOf(measurement, live.channels[At(measurement.output)]);
  return FitEqualizer(AsMeasured(live, measurement), measurement.output, crossed, target, request);
}

EqFitCurves FitPreviewOf(const Profile& live, const OutputMeasurement& measurement, const FitTarget& target,
                         std::span<const EqBand> bands) {
  if (!IsOutput(measurement.output)) return {};
  const MeasuredResponse crossed = WithCrossoverOf(measurement, live.channels[At(measurement.output)]);
  return FitCurvesOf(AsMeasured(live, measurement), measurement.output, crossed, target, bands);
}

}  // namespace qb

#include "core/eq_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/eq_editor.h"
#include "core/eq_values.h"
#include "core/profile_defaults.h"
#include "dspmath/peaking_fit.h"
#include "dspmath/point_grid.h"

namespace qb {
namespace {

/// Above this many points in the fit range (a full-resolution export with linear spacing),
/// the fit works on 1/48-octave averages, still several across the narrowest band the box
/// has (Q 9 is about 1/6 octave wide), and its time no longer grows with the file. The
/// residual is still reported on every point.
constexpr std::size_t kMaxFitPoints = 2000;
constexpr double kFitBinsPerOctave = 48.0;

std::string Hz(double hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%g Hz", hz);
  return text;
}

/// The points the fit works on and the equaliser curve wanted at each.
struct FitPoints {
  std::vector<double> freqHz;
  std::vector<double> wantedDb;
};

/// Averages of the points per 1/48 octave (geometric for the frequency), when there are too
/// many to fit one by one.
FitPoints Thinned(FitPoints all) {
  if (all.freqHz.size() <= kMaxFitPoints) return all;
  FitPoints bins;
  std::size_t k = 0;
  while (k < all.freqHz.size()) {
    const double edge = all.freqHz[k] * std::exp2(1.0 / kFitBinsPerOctave);
    double logSum = 0.0;
    double wantedSum = 0.0;
    std::size_t n = 0;
    for (; k < all.freqHz.size() && (n == 0 || all.freqHz[k] < edge); ++k, ++n) {
      logSum += std::log(all.freqHz[k]);
      wantedSum += all.wantedDb[k];
    }
    bins.freqHz.push_back(std::exp(logSum / static_cast<double>(n)));
    bins.wantedDb.push_back(wantedSum / static_cast<double>(n));
  }
  return bins;
}

/// Mean and standard deviation (dividing by the count) of `values`.
std::pair<double, double> MeanAndDeviation(const std::vector<double>& values) {
  double mean = 0.0;
  for (double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  double squares = 0.0;
  for (double v : values) squares += (v - mean) * (v - mean);
  return {mean, std::sqrt(squares / static_cast<double>(values.size()))};
}

EqBand BoxBand(const PeakingBand& b) {
  return EqBand{static_cast<float>(b.gainDb), static_cast<float>(b.q), static_cast<int>(std::lround(b.freqHz)), 1};
}

std::string CheckRequest(const Profile& live, int output, const MeasuredResponse& measured, const EqFitRequest& request) {
  if (!IsOutput(output)) return "there is no output " + std::to_string(output + 1);
  const int size = EqSize(live, output);
  if (size < 1) return "output " + std::to_string(output + 1) + " has no equaliser bands";
  if (request.mode == EqFitMode::Parametric && (request.bands < 0 || request.bands > size))
    return "output " + std::to_string(output + 1) + " has " + std::to_string(size) + " bands, so 1.." +
           std::to_string(size) + " can be fitted, not " + std::to_string(request.bands);
  if (!(request.maxBoostDb >= 0.0 && request.maxBoostDb <= kBandGainLimits.maximum))
    return "the boost limit must lie within 0.." + std::to_string(static_cast<int>(kBandGainLimits.maximum)) + " dB";
  if (!(request.lowHz < request.highHz)) return "the fit range is empty";
  if (measured.Size() < 2 || measured.db.size() != measured.Size()) return "the measurement has no points";
  // The reader guarantees this; a measurement built by other code is checked as well.
  for (std::size_t k = 0; k < measured.Size(); ++k) {
    const bool rising = k == 0 || measured.freqHz[k] > measured.freqHz[k - 1];
    if (!(measured.freqHz[k] > 0.0) || !std::isfinite(measured.freqHz[k]) || !std::isfinite(measured.db[k]) || !rising)
      return "the measurement's frequencies must rise and its levels be numbers (point " + std::to_string(k + 1) + ")";
  }
  return {};
}

}  // namespace

std::vector<EqBand> GraphicBands(int eqSize) {
  std::array<EqBand, kBandSlots> row{};
  const int size = std::clamp(eqSize, 0, kMaxEqBands);
  ResetBands(row, size);
  return {row.begin(), row.begin() + size};
}

EqFitOutcome FitEqualizer(const Profile& live, int output, const MeasuredResponse& measured, const FitTarget& target,
                          const EqFitRequest& request) {
  if (std::string error = CheckRequest(live, output, measured, request); !error.empty()) return {std::nullopt, error};
  const OutputChannel& channel = live.channels[At(output)];
  const FrequencyRange pass = PassBandOf(channel);
  FrequencyRange range{std::max({request.lowHz, pass.lowHz, static_cast<double>(kMinFrequencyHz)}),
                       std::min({request.highHz, pass.highHz, static_cast<double>(kMaxFrequencyHz)})};

  // The measurement's points inside the range, and what the new equaliser should add there.
  const auto first = std::lower_bound(measured.freqHz.begin(), measured.freqHz.end(), range.lowHz);
  const auto last = std::upper_bound(measured.freqHz.begin(), measured.freqHz.end(), range.highHz);
  const std::vector<double> freq(first, last);
  if (freq.size() < kMinFitPoints)
    return {std::nullopt, "the measurement has " + std::to_string(freq.size()) + " points between " + Hz(range.lowHz) +
                              " and " + Hz(range.highHz) + " (the output's pass band), too few to fit"};
  range = {std::max(range.lowHz, freq.front()), std::min(range.highHz, freq.back())};
  const auto offset = first - measured.freqHz.begin();
  const std::vector<double> measuredDb(measured.db.begin() + offset, measured.db.begin() + offset + std::ssize(freq));
  const std::vector<double> targetDb = TargetLevels(target, freq);
  const std::vector<double> currentDb = CurrentEqCurveAt(channel, freq);
  FitPoints all{freq, std::vector<double>(freq.size())};
  for (std::size_t k = 0; k < freq.size(); ++k) all.wantedDb[k] = targetDb[k] - measuredDb[k] + currentDb[k];
  const FitPoints fit = Thinned(std::move(all));
  const PointGrid points(fit.freqHz);

  // The box's step is a float (0.1f); the fit counts in its decimal meaning, a tenth.
  const double step = 1.0 / std::round(1.0 / static_cast<double>(kBandValueStep));
  const PeakingFitLimits limits{range.lowHz, range.highHz, kMinBandQ, kMaxBandQ, step,
                                kBandGainLimits.minimum, std::min<double>(request.maxBoostDb, kBandGainLimits.maximum),
                                step};
  EqFitResult result;
  result.output = output;
  result.mode = request.mode;
  result.range = range;
  result.points = freq.size();
  if (request.mode == EqFitMode::Graphic) {
    const std::vector<EqBand> graphic = GraphicBands(EqSize(live, output));
    std::vector<PeakingBand> fixed;
    std::vector<bool> inRange;
    for (const EqBand& b : graphic) {
      fixed.push_back({static_cast<double>(b.freq), static_cast<double>(b.eqFactor), 0.0});
      inRange.push_back(b.freq >= range.lowHz && b.freq <= range.highHz);
    }
    for (const PeakingBand& b : FitBandGains(points, fit.wantedDb, fixed, inRange, limits)) {
      EqBand band = graphic[result.bands.size()];
      band.eqGain = static_cast<float>(b.gainDb);
      result.bands.push_back(band);
    }
  } else {
    const int count = request.bands > 0 ? request.bands : EqSize(live, output);
    for (const PeakingBand& b : FitPeakingBands(points, fit.wantedDb, count, limits)) result.bands.push_back(BoxBand(b));
  }

  // The figures on every measured point of the range, with the bands exactly as stored.
  const std::vector<double> newDb = EqCurveAt(result.bands, freq);
  std::vector<double> before(freq.size());
  std::vector<double> after(freq.size());
  for (std::size_t k = 0; k < freq.size(); ++k) {
    before[k] = measuredDb[k] - targetDb[k];
    after[k] = measuredDb[k] - currentDb[k] + newDb[k] - targetDb[k];
  }
  const auto [mean, deviation] = MeanAndDeviation(after);
  result.residualDb = deviation;
  result.levelDb = -mean;
  result.residualBeforeDb = MeanAndDeviation(before).second;
  return {std::move(result), {}};
}

}  // namespace qb

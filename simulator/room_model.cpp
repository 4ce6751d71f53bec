#include "simulator/room_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dspmath/curve_constants.h"
#include "dspmath/peaking_eq.h"

namespace qb::sim {
namespace {

constexpr double kMaxCutDb = -12.0;
constexpr double kMaxBoostDb = 6.0;
/// A deviation smaller than this is left alone: the band goes flat.
constexpr double kIgnoredDeviationDb = 0.4;
/// Speed of sound in m/s at room temperature, to place the microphone from the delays.
constexpr double kSpeedOfSound = 343.0;

double SecondOrderRollOffDb(double ratio) { return -10.0 * std::log10(1.0 + std::pow(ratio, 4.0)); }

/// A fixed pseudo-random wobble of +-0.35 dB, the same for the same output and point.
double Unevenness(int output, std::size_t point) {
  std::uint32_t h = static_cast<std::uint32_t>(output) * 2654435761u ^ static_cast<std::uint32_t>(point) * 40503u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (static_cast<double>(h % 1000) / 999.0 - 0.5) * 0.7;
}

double Round(double v, double step) { return std::round(v / step) * step; }

}  // namespace

OutputRoom RoomOfOutput(int output) {
  const double n = output;
  const int k = output % 4;
  OutputRoom room;
  room.lowCornerHz = 48.0 + 9.0 * k;
  room.highCornerHz = 16500.0 - 1100.0 * (output % 3);
  room.modes = {{
      {44.0 + 5.0 * n, 6.5 - 0.4 * k, 5.0},
      {96.0 + 9.0 * n, -6.0 + 0.5 * k, 4.0},
      {168.0 + 14.0 * n, 5.0, 6.0},
      {1700.0 + 240.0 * n, 3.5 - 0.3 * k, 1.6},
      {5200.0 + 380.0 * k, -3.0, 2.2},
  }};
  room.distanceM = 0.95 + 0.13 * n + (output % 2 == 0 ? 0.0 : 0.21);
  room.trimDb = -(output % 3);
  return room;
}

double SpectrumPointHz(std::size_t point) {
  return 20.0 * std::pow(1000.0, static_cast<double>(point) / static_cast<double>(kSpectrumPoints - 1));
}

double MeasuredDb(int output, std::size_t point) {
  const OutputRoom room = RoomOfOutput(output);
  const double hz = SpectrumPointHz(point);
  double db = SecondOrderRollOffDb(room.lowCornerHz / hz) + SecondOrderRollOffDb(hz / room.highCornerHz);
  for (const RoomMode& mode : room.modes) db += PeakingDbAt(CurveSampleRate, mode.freqHz, mode.gainDb, mode.q, hz);
  return db + Unevenness(output, point);
}

Correction ComputeCorrection(const OutputRoom& room, std::span<const double> measured, TargetTable target) {
  const std::size_t n = std::min(measured.size(), kSpectrumPoints);
  std::array<double, kSpectrumPoints> targetDb{};
  std::array<double, kSpectrumPoints> correctionDb{};
  std::array<bool, kSpectrumPoints> usable{};
  // The speaker's own range: an octave's half inside each roll-off, never above 16 kHz.
  const double lo = room.lowCornerHz * 1.4;
  const double hi = std::min(room.highCornerHz / 1.4, 16000.0);
  double offset = 0.0;
  int counted = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double hz = SpectrumPointHz(i);
    targetDb[i] = TargetDbAt(target, hz);
    usable[i] = hz >= lo && hz <= hi;
    if (usable[i]) {
      offset += measured[i] - targetDb[i];
      ++counted;
    }
  }
  // The target is a shape, not a loudness: it is laid at the measured response's level.
  if (counted > 0) offset /= counted;

  // Bands not needed stay flat.
  Correction bands;
  bands.fill(CorrectionBand{1000, 1.0, 0.0});
  // A dip is a cancellation: boosting it wastes power and moves it elsewhere, so no point
  // is lifted by more than kMaxBoostDb in all.
  std::array<bool, kSpectrumPoints> boostSpent{};
  std::size_t placed = 0;
  for (std::size_t tries = 0; placed < kCorrectionBands && tries < 4 * kSpectrumPoints; ++tries) {
    std::size_t worst = n;
    double worstDeviation = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!usable[i]) continue;
      const double deviation = measured[i] + correctionDb[i] - targetDb[i] - offset;
      if (deviation < 0.0 && boostSpent[i]) continue;
      if (std::abs(deviation) > std::abs(worstDeviation)) {
        worstDeviation = deviation;
        worst = i;
      }
    }
    if (worst == n || std::abs(worstDeviation) < kIgnoredDeviationDb) break;
    const double headroom = kMaxBoostDb - std::max(0.0, correctionDb[worst]);
    if (-worstDeviation >= headroom) boostSpent[worst] = true;
    const double gain = Round(std::clamp(-worstDeviation, kMaxCutDb, std::max(0.0, headroom)), 0.1);
    if (gain == 0.0) continue;  // that point has had all the lift it may get
    const double hz = SpectrumPointHz(worst);
    CorrectionBand& band = bands[placed++];
    band.freqHz = static_cast<int>(std::lround(hz));
    // Room modes are narrow; above them the deviations are broad.
    band.q = hz < 350.0 ? 4.5 : 1.8;
    band.gainDb = gain;
    for (std::size_t i = 0; i < n; ++i)
      correctionDb[i] += PeakingDbAt(CurveSampleRate, band.freqHz, band.gainDb, band.q, SpectrumPointHz(i));
  }
  std::sort(bands.begin(), bands.end(), [](const CorrectionBand& a, const CorrectionBand& b) { return a.freqHz < b.freqHz; });
  return bands;
}

double SoundDelayMs(double metres) { return metres / kSpeedOfSound * 1000.0; }

}  // namespace qb::sim

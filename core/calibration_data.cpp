#include "core/calibration_data.h"

#include <algorithm>
#include <cmath>

#include "core/profile_defaults.h"
#include "dspmath/channel_curve.h"
#include "dspmath/curve_grid.h"
#include "dspmath/peaking_eq.h"

namespace qb {
namespace {

constexpr int kSpectrumMinHz = 20;
constexpr int kSpectrumMaxHz = 20000;

/// The summed peaking curves of `bands` on the standard grid; every band counts, whatever
/// its enabled flag, as the box applies every band it computed.
template <typename Band, typename Fields>
void SumBands(std::span<const Band> bands, Fields fields, Curve& db) {
  ChannelCurveSettings settings;
  settings.bandCount = static_cast<int>(std::min<std::size_t>(bands.size(), kMaxEqBands));
  for (int i = 0; i < settings.bandCount; ++i) settings.bands[static_cast<std::size_t>(i)] = fields(bands[static_cast<std::size_t>(i)]);
  ComputeChannelCurve(StandardCurveGrid(), settings, db);
}

bool InTable(int index, int size) { return index >= 0 && index < size; }

}  // namespace

CalibrationData::CalibrationData() {
  for (std::size_t ch = 0; ch < kCalibrationChannels; ++ch) {
    ResetBands(m_bands[ch], kCalibrationBands);
    for (int i = 0; i < kMeasuredPoints; ++i) {
      m_points[ch][static_cast<std::size_t>(i)] =
          MeasuredPoint{0.0f, kSpectrumMinHz + ((kSpectrumMaxHz - kSpectrumMinHz) * i) / kMeasuredPoints};
    }
    ComputeCorrection(ch);
    ComputeMeasured(ch);
  }
  SetTarget(TargetTable::A);
}

std::size_t CalibrationData::Index(int channel) {
  return static_cast<std::size_t>(std::clamp(channel, 0, kCalibrationChannels - 1));
}

const Curve& CalibrationData::GridFrequencies() const { return StandardCurveGrid().Frequencies(); }

const std::array<EqBand, kCalibrationBands>& CalibrationData::CorrectionBands(int channel) const {
  return m_bands[Index(channel)];
}

const std::array<MeasuredPoint, kMeasuredPoints>& CalibrationData::MeasuredPoints(int channel) const {
  return m_points[Index(channel)];
}

CalibrationStore CalibrationData::StoreCorrectionBand(int channel, int band, int freqHz, float q, float gainDb) {
  if (!InTable(channel, kCalibrationChannels) || !InTable(band, kCalibrationBands)) return CalibrationStore::Dropped;
  const auto ch = static_cast<std::size_t>(channel);
  EqBand& stored = m_bands[ch][static_cast<std::size_t>(band)];
  stored.freq = freqHz;
  stored.eqFactor = q;
  stored.eqGain = gainDb;
  if (band < kReportedCorrectionBands - 1) return CalibrationStore::Stored;
  ComputeCorrection(ch);
  return CalibrationStore::CurveChanged;
}

CalibrationStore CalibrationData::StoreSpectrumPoint(int channel, int point, double freqHz, float gainDb) {
  if (!InTable(channel, kCalibrationChannels) || !InTable(point, kMeasuredPoints)) return CalibrationStore::Dropped;
  const auto ch = static_cast<std::size_t>(channel);
  // A frequency the box could not mean (not a number, beyond an int) is kept as 0 Hz,
  // which no curve draws.
  const double whole = std::trunc(freqHz);
  m_points[ch][static_cast<std::size_t>(point)] =
      MeasuredPoint{gainDb, whole >= 0.0 && whole <= 1.0e6 ? static_cast<int>(whole) : 0};
  if (point < kMeasuredPoints - 1) return CalibrationStore::Stored;
  ComputeMeasured(ch);
  return CalibrationStore::CurveChanged;
}

void CalibrationData::SetTarget(TargetTable table) {
  m_target = table;
  const auto& bands = TargetBands(table);
  Curve curve{};
  SumBands(std::span<const TargetBand>(bands),
           [](const TargetBand& b) { return EqBandSetting{double(b.freqHz), b.q, b.gainDb, true}; }, curve);
  m_targetCurve.fill(curve);
}

void CalibrationData::ComputeCorrection(std::size_t channel) {
  SumBands(std::span<const EqBand>(m_bands[channel]),
           [](const EqBand& b) { return EqBandSetting{double(b.freq), b.eqFactor, b.eqGain, true}; },
           m_correction[channel]);
  ComputeMeasured(channel);  // the prediction follows the correction
}

void CalibrationData::ComputeMeasured(std::size_t channel) {
  const double nyquist = CurveSampleRate / 2.0;
  for (std::size_t i = 0; i < kMeasuredPoints; ++i) {
    const MeasuredPoint& point = m_points[channel][i];
    m_measuredHz[channel][i] = point.freqHz;
    m_measuredDb[channel][i] = point.gainDb;
    double predicted = point.gainDb;
    if (point.freqHz > 0 && point.freqHz < nyquist) {
      for (const EqBand& band : m_bands[channel]) {
        if (band.eqGain != 0.0f) predicted += PeakingDbAt(CurveSampleRate, band.freq, band.eqGain, band.eqFactor, point.freqHz);
      }
    }
    m_predictedDb[channel][i] = predicted;
  }
}

}  // namespace qb

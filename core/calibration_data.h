#pragma once
/// What a room calibration shows per output: the correction bands the box computed, the
/// spectrum it measured, the target it aims at, and the curves drawn from them (correction
/// and target on the standard grid, measured and predicted on the measured points). The
/// predicted response is the measured one with the correction added at each measured
/// point: what applying the result would leave.
///
/// Reports naming an output, band or point outside the tables are dropped, never stored.

#include <array>
#include <cstdint>
#include <span>

#include "core/profile.h"
#include "dspmath/calibration_targets.h"
#include "dspmath/curve_constants.h"

namespace qb {

inline constexpr int kCalibrationChannels = 8;
inline constexpr int kCalibrationBands = 31;
inline constexpr int kMeasuredPoints = 121;
/// Bands the box reports; the band after the last of them completes an output's correction.
inline constexpr int kReportedCorrectionBands = 11;
/// Q of a correction band before the box reports it.
inline constexpr float kCorrectionStartQ = 5.8f;

struct MeasuredPoint {
  float gainDb = 0.0f;
  int freqHz = 0;
};

using MeasuredCurve = std::array<double, kMeasuredPoints>;

/// What storing one report changed.
enum class CalibrationStore {
  Dropped,       ///< outside the tables: nothing stored
  Stored,        ///< stored; the drawn curve waits for the rest
  CurveChanged,  ///< stored, and the output's curve was computed again
};

class CalibrationData {
 public:
  /// Every output flat: correction bands at 0 dB on the third-octave frequencies, measured
  /// points at 0 dB spread evenly over 20 Hz..20 kHz, target A.
  CalibrationData();

  /// Band `band` of output `channel`'s correction. The correction curve is computed again
  /// when band 10 (the last the box reports) or a later one arrives.
  CalibrationStore StoreCorrectionBand(int channel, int band, int freqHz, float q, float gainDb);
  /// Point `point` of output `channel`'s measured spectrum (frequency cut to whole Hz). The
  /// measured and predicted curves are built when point 120, the last, arrives.
  CalibrationStore StoreSpectrumPoint(int channel, int point, double freqHz, float gainDb);
  /// Every output's target becomes `table`.
  void SetTarget(TargetTable table);
  TargetTable Target() const { return m_target; }

  const std::array<EqBand, kCalibrationBands>& CorrectionBands(int channel) const;
  const std::array<MeasuredPoint, kMeasuredPoints>& MeasuredPoints(int channel) const;

  // Curves of output `channel` (0..7), frequencies in Hz and levels in dB.
  const Curve& GridFrequencies() const;
  const Curve& CorrectionCurve(int channel) const { return m_correction[Index(channel)]; }
  const Curve& TargetCurve(int channel) const { return m_targetCurve[Index(channel)]; }
  const MeasuredCurve& MeasuredFrequencies(int channel) const { return m_measuredHz[Index(channel)]; }
  const MeasuredCurve& MeasuredLevels(int channel) const { return m_measuredDb[Index(channel)]; }
  const MeasuredCurve& PredictedLevels(int channel) const { return m_predictedDb[Index(channel)]; }

 private:
  static std::size_t Index(int channel);
  void ComputeCorrection(std::size_t channel);
  void ComputeMeasured(std::size_t channel);

  TargetTable m_target = TargetTable::A;
  std::array<std::array<EqBand, kCalibrationBands>, kCalibrationChannels> m_bands{};
  std::array<std::array<MeasuredPoint, kMeasuredPoints>, kCalibrationChannels> m_points{};
  std::array<Curve, kCalibrationChannels> m_correction{};
  std::array<Curve, kCalibrationChannels> m_targetCurve{};
  std::array<MeasuredCurve, kCalibrationChannels> m_measuredHz{};
  std::array<MeasuredCurve, kCalibrationChannels> m_measuredDb{};
  std::array<MeasuredCurve, kCalibrationChannels> m_predictedDb{};
};

}  // namespace qb

#pragma once
/// What the virtual box's microphone hears from each output during a room calibration: a
/// speaker with a low and a high roll-off in a room with a few standing-wave modes and
/// reflections, at its own distance from the listening place. Every output gets a room of
/// its own, fixed by its number, so a calibration gives the same curves on every run.

#include <array>
#include <cstddef>
#include <span>

#include "dspmath/calibration_targets.h"

namespace qb::sim {

/// Points of a measured spectrum and correction bands the box computes per output.
inline constexpr std::size_t kSpectrumPoints = 121;
inline constexpr std::size_t kCorrectionBands = 11;

/// A resonance (positive gain) or cancellation (negative) of the room at one frequency.
struct RoomMode {
  double freqHz = 100.0;
  double gainDb = 0.0;
  double q = 4.0;
};

struct OutputRoom {
  double lowCornerHz = 60.0;   ///< the speaker falls off below (second order)
  double highCornerHz = 15000.0;  ///< and above (second order)
  std::array<RoomMode, 5> modes{};
  double distanceM = 1.0;  ///< from the speaker to the microphone
  int trimDb = 0;          ///< level difference the box evens out
};

/// The room of output `output` (0-based).
OutputRoom RoomOfOutput(int output);

/// Frequency of spectrum point `point` (0..120): 20 Hz to 20 kHz, evenly on a log scale.
double SpectrumPointHz(std::size_t point);

/// The level the microphone measures from `output` at spectrum point `point`, in dB, with
/// the small unevenness of a real measurement.
double MeasuredDb(int output, std::size_t point);

/// Time the sound takes over `metres`, in ms.
double SoundDelayMs(double metres);

/// One band of the correction the box computed.
struct CorrectionBand {
  int freqHz = 1000;
  double q = 1.0;
  double gainDb = 0.0;
};
using Correction = std::array<CorrectionBand, kCorrectionBands>;

/// The correction that moves `measured` (kSpectrumPoints values) toward `target`: bands are
/// placed one by one on the largest remaining deviation inside the speaker's own range
/// (boosting a roll-off would only overload it), with cuts down to -12 dB and boosts up to
/// +6 dB, and come out sorted by frequency. Values are rounded as the box reports them
/// (gain to tenths, Q to hundredths), so what is reported is what an apply writes.
Correction ComputeCorrection(const OutputRoom& room, std::span<const double> measured, TargetTable target);

}  // namespace qb::sim

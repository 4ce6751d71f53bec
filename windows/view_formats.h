#pragma once
/// The texts the main view shows for numbers: volumes, delays, crossover and band values,
/// the phase and bypass buttons. Every operation that writes one of these texts goes through
/// here so a value reads the same wherever it is shown. Numbers are formatted independently
/// of the process locale (a decimal point, always).

#include <string>

#include "core/session_state.h"

namespace qb {

/// Delay text: "%.3f ms" of the delay, or the distance sound travels in it: t x 519/15/1000
/// cm or t x 204/15/1000 in, t being the delay in whole microseconds (truncated). With
/// `whole` the distance is rounded to a whole number ("%d cm", "%d in"); ms is unaffected.
std::string DelayText(float delayMs, DelayUnit unit, bool whole);
/// A value already in `unit`, as a typed delay is shown: "%.3f ms", "%.2f cm", "%.2f in".
std::string DelayValueText(double value, DelayUnit unit);

/// Output volume text: "%ddB" of the volume truncated towards zero, or "${off}" when that
/// whole-dB volume sits at or below the volume slider's minimum (in tenths of a dB).
std::string OutputVolumeText(float volumeDb, int sliderMinimum);

/// Main volume text: "%d" of the slider position, "${off}" at or below the minimum.
std::string MainVolumeText(int position, int sliderMinimum);

/// "%dHz".
std::string CrossoverFreqText(int hz);
/// Band row texts: frequency "%d", Q "%.2f", gain "%.1f".
std::string BandFreqText(int hz);
std::string BandQText(float q);
std::string BandGainText(float gainDb);

/// "${reverse phase}" for an inverted output, "${positive_phase}" otherwise.
std::string PhaseText(int phase);

/// "btn_bypass" text: "${bypass_eq}" for 1, "${restore_eq}" otherwise.
std::string BypassButtonText(int flag);

}  // namespace qb

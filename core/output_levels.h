#pragma once
/// The numbers behind the output strips and the main volume block: the main volume's dB
/// curve and the delay units. Plain functions, no toolkit. (What the user types into them
/// is read by core/typed_number.h.)

#include "core/box_limits.h"
#include "core/session_state.h"

namespace qb {

/// The main volume's range in dB: off and the top step.
inline constexpr double kMainVolumeOffDb = -60.0;
inline constexpr double kMainVolumeTopDb = 6.0;
/// The main volume's taper: dB per decade of slider position.
inline constexpr double kMainVolumeDbPerDecade = 41.25;

/// The main volume in dB at slider position `position`: kMainVolumeOffDb at or below
/// `sliderMinimum`, kMainVolumeTopDb at kMainVolumeTopStep and above, else
/// 41.25 x log10(position) - 60.
double MainVolumeDb(int position, int sliderMinimum);

/// What the main volume command carries for `position`: the attenuation 6 - dB (66 when
/// off, 0 at the top step).
double MainVolumeAttenuation(int position, int sliderMinimum);

/// A distance typed in `unit` (cm or in) held to what sound travels in 0..kMaxSentDelayMs:
/// no speaker is nearer than the listener, and the mirror must not keep a delay that no
/// command can carry. A value in ms is returned unchanged.
double HeldDistance(double distance, DelayUnit unit);

/// The whole microseconds a delay in ms stands for, as a delay command carries them:
/// truncated, with a guard of a few float ulps, so a delay made from 251 µs (which a float
/// in ms holds as 250.99998 µs) counts as 251 and 1.0009 ms as 1000. Negative delays are 0.
int WholeMicros(float delayMs);

/// The delay the box holds for `delayMs`: the nearest whole microsecond (negative delays
/// are 0). A delay command carries whole microseconds, cutting off the rest; a value kept
/// in the mirror before it is sent is kept as this, so the mirror holds what the box will.
float BoxDelayMs(double delayMs);

/// The distance sound travels in the delay's whole microseconds (WholeMicros), in `unit`:
/// t x 519/15/1000 cm or t x 204/15/1000 in; ms returns the delay itself.
double DistanceOfDelay(float delayMs, DelayUnit unit);

/// The delay in ms that sound takes for `distance` in `unit`: cm x 15 / 519, in x 15 / 204;
/// ms passes through.
double DelayMsOfDistance(double distance, DelayUnit unit);

}  // namespace qb

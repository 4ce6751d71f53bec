#pragma once
/// Records of the automatic room calibration, posted to the calibration window as
/// WM_IRC_REPLY with wParam = the reporting command id, one record per channel or band.

#include <cstdint>

#include "messages/reply_message.h"

namespace qb {

/// A per-channel value with a fractional part: speaker distance (DSP_IRC_DISTANCE) or trim
/// (IRC_CH_TRIM).
struct IrcChannelFloatRecord final : ReplyRecord {
  std::int32_t channel = 0;
  float value = 0.0f;
};

/// A per-channel byte: speaker size, phase, level or noise level (DSP_IRC_SPK_SIZE,
/// DSP_IRC_SPK_PHASE, DSP_IRC_SPK_LEVEL, DSP_IRC_NOISE_LEVEL), 0..255 as reported.
struct IrcChannelValueRecord final : ReplyRecord {
  std::int32_t channel = 0;
  std::int32_t value = 0;
};

/// One correction band computed by the box (DSP_IRC_EQ).
struct IrcEqBandRecord final : ReplyRecord {
  std::int32_t channel = 0;
  std::int32_t band = 0;
  std::int32_t frequency = 0;  ///< Hz
  float q = 0.0f;
  float gainDb = 0.0f;
};

/// One band of the measured spectrum (DSP_IRC_SPECTRUM).
struct IrcSpectrumRecord final : ReplyRecord {
  std::int32_t channel = 0;
  std::int32_t band = 0;
  float frequencyHz = 0.0f;
  float gainDb = 0.0f;
};

}  // namespace qb

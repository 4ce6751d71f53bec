#pragma once
/// The records the DSP reply decoder posts with WM_DSP_REPLY (wParam = command id). Each
/// record is created zero-filled by the decoder, travels owned by its message and is
/// destroyed by whoever holds it last.
///
/// Field order is the order in which the box reports the values. Integers are 32-bit
/// signed and fractional values 32-bit floats, except where a record's comment says the
/// box's layout uses bytes or 16-bit words. Records indexed by channel number have room
/// for channels 0 to 15; values outside the reported (and decoded) range stay 0.

#include <array>
#include <cstddef>
#include <cstdint>

#include "messages/reply_message.h"

namespace qb {

/// Slots of the records indexed by channel number (and of the positional trim list).
inline constexpr std::size_t kRecordChannelSlots = 16;
/// Room for link data in a LinkRecord; only output count / 2 bytes are ever filled.
inline constexpr std::size_t kLinkDataBytes = 8;

/// Crossover of one output channel (id 5), one record per channel.
struct FilterRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t channel = 0;
  std::int32_t hpType = 0;       ///< high-pass family
  std::int32_t hpFrequency = 0;  ///< Hz
  std::int32_t hpSlope = 0;      ///< filter order, 0 = off
  std::int32_t lpType = 0;       ///< low-pass family
  std::int32_t lpFrequency = 0;  ///< Hz
  std::int32_t lpSlope = 0;
};

/// One equaliser band of one channel (ids 6 and 35), one record per band.
struct EqBandRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t channel = 0;
  std::int32_t band = 0;
  std::int32_t frequency = 0;  ///< Hz
  float q = 0.0f;
  float gainDb = 0.0f;
};

/// One fractional value of one channel, one record per channel: delay in ms (id 7) or
/// output trim in dB (id 8).
struct ChannelFloatRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t channel = 0;
  float value = 0.0f;
};

/// One byte-sized setting of one channel, one record per channel: mute (9), phase (10),
/// channel type (13), equaliser bypass (18), solo (52).
struct ChannelValueRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t channel = 0;
  std::int32_t value = 0;  ///< the reply byte, 0..255
};

/// Input routing of one output channel for one source (id 11), one record per channel.
struct MixRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t source = 0;
  std::int32_t channel = 0;
  std::int32_t mask = 0;  ///< bit k set: input channel k feeds the output
};

/// Channel link (14), trim link (48) or delay link (49) of a scene.
struct LinkRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t link = 0;
  /// The first output count / 2 bytes hold the box's link data, the rest 0.
  std::array<std::uint8_t, kLinkDataBytes> linkData{};
};

/// Output lock of a scene (id 15).
struct LockRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t lock = 0;
};

/// One byte per input channel (ids 32 trim, 33 mute, 34 phase).
struct InputChannelsRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t source = 0;
  std::int32_t first = 0;
  std::int32_t last = 0;  ///< inclusive
  /// values[ch] for first <= ch <= last, 0 elsewhere.
  std::array<std::uint8_t, kRecordChannelSlots> values{};
};

/// Mix levels of one input channel into a range of outputs (id 36).
struct InputMixTrimRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t source = 0;
  std::int32_t inputChannel = 0;
  std::int32_t firstOutput = 0;
  std::int32_t lastOutput = 0;  ///< inclusive
  /// trims[k] is the level of output firstOutput + k, a signed byte.
  std::array<std::int8_t, kRecordChannelSlots> trims{};
};

/// Measured noise of a range of input channels (id 39).
struct NoiseRecord final : ReplyRecord {
  std::int32_t first = 0;
  std::int32_t last = 0;  ///< inclusive
  /// noiseDb[ch] for first <= ch <= last, 0 elsewhere.
  std::array<float, kRecordChannelSlots> noiseDb{};
};

/// Speaker configuration byte (id 53).
struct SpeakerConfigRecord final : ReplyRecord {
  std::int32_t config = 0;
};

/// Mix type of a source (ids 54 and 131).
struct MixTypeRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t source = 0;
  std::int32_t mixType = 0;
};

/// High-pass (55) or low-pass (56) Q-factor modes; the box's layout is all bytes.
struct QFactorRecord final : ReplyRecord {
  std::uint8_t scene = 0;
  std::uint8_t source = 0;
  std::uint8_t first = 0;
  std::uint8_t last = 0;  ///< inclusive
  /// modes[ch] for first <= ch <= last, 0 elsewhere.
  std::array<std::uint8_t, kRecordChannelSlots> modes{};
};

/// Compressor of one output channel (id 62). The box reports one set of values for the
/// whole range, so every channel's record carries the same values.
struct CompressorRecord final : ReplyRecord {
  std::int32_t scene = 0;
  std::int32_t channel = 0;
  std::int32_t bypass = 0;       ///< 1 = compressor off
  std::int32_t thresholdDb = 0;  ///< whole dB
  float ratio = 0.0f;
  std::int32_t attack = 0;   ///< the box's time unit
  std::int32_t release = 0;  ///< the box's time unit
  float softKnee = 0.0f;
};

/// Distortion flags of a range of input channels (id 64).
struct InputDistortRecord final : ReplyRecord {
  std::int32_t source = 0;  ///< the reply's first byte
  std::int32_t first = 0;
  std::int32_t last = 0;  ///< inclusive
  /// values[ch] for first <= ch <= last, 0 elsewhere.
  std::array<std::uint8_t, kRecordChannelSlots> values{};
};

/// Distortion flags of a range of output channels (id 65).
struct OutputDistortRecord final : ReplyRecord {
  std::int32_t reserved = 0;  ///< always 0; keeps the box's record layout
  std::int32_t source = 0;    ///< the reply's first byte
  std::int32_t first = 0;
  std::int32_t last = 0;  ///< inclusive
  /// values[ch] for first <= ch <= last, 0 elsewhere.
  std::array<std::uint8_t, kRecordChannelSlots> values{};
};

/// Speaker distances of a range of output channels (id 67); bytes and 16-bit words.
struct SpeakerDistanceRecord final : ReplyRecord {
  std::uint8_t scene = 0;
  std::uint8_t source = 0;
  std::uint8_t first = 0;
  std::uint8_t last = 0;  ///< inclusive
  /// Hundredths of the distance unit: distance[ch] for first <= ch <= last, 0 elsewhere.
  std::array<std::uint16_t, kRecordChannelSlots> distance{};
};

}  // namespace qb

#pragma once
/// How numbers are packed into the bytes of command and reply payloads: gains, Q values,
/// frequencies, delays, trims, volumes, levels and plain 16- and 32-bit words.
///
/// Every function is pure. Encoders return the field's bytes in wire order; decoders take
/// the bytes starting at the field, read only the field's own width and return nothing when
/// they are given fewer bytes than that (trailing bytes are ignored).
///
/// Directions. Most fields read the same in both directions. Where the box reports a value
/// differently from how it is set (Q, fine trim) or only ever reports it (noise level,
/// calibration values), the header offers both sides: the unsuffixed functions are the ones
/// this program uses (encode for commands, decode for replies), and the functions with a
/// `Reply` or `Command` suffix are the other side, for the virtual box and for tests.
///
/// Rounding. The fields hold whole numbers and decimal digits obtained by truncation
/// toward zero, as C's int() does, so -5.7 dB becomes -5. A value that is meant to sit
/// exactly on a digit (0.3, -0.1, 1.001 ms) is usually stored a hair below it in binary
/// floating point, and plain truncation would then drop a whole step (17.9 * 10 =
/// 178.99999999999997 -> 178). Before truncating, the scaled value is therefore pushed away
/// from zero by a guard: 4e-7 of the magnitude involved (input plus offset, counted in
/// units of the field's last digit), at most 0.05 of that digit, plus 1e-9. That covers
/// the rounding error of double and of float arguments (a float is exact to about 6e-8
/// relative), and it changes a result only for inputs that lie within the guard below the
/// next digit, far finer than any field's resolution (a 15 ms delay gets 0.006 of its
/// 1 us step, a gain of +6 dB 0.0001 of its 0.1 dB step).
///
/// Range. Out-of-range inputs never reach an undefined conversion: every encoder clamps the
/// scaled value to what its bytes can carry before converting it, as documented per
/// function. NaN encodes as 0 of the quantity (then clamped), infinities as the nearest
/// limit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace qb {

using ByteView = std::span<const std::uint8_t>;

// Field widths in bytes, for callers that step through payloads.
inline constexpr std::size_t kU16Bytes = 2;
inline constexpr std::size_t kU32Bytes = 4;
inline constexpr std::size_t kEqGainBytes = 2;
inline constexpr std::size_t kEqQBytes = 2;
inline constexpr std::size_t kDelayBytes = 3;
inline constexpr std::size_t kTrimCoarseBytes = 1;
inline constexpr std::size_t kTrimFineBytes = 2;
inline constexpr std::size_t kNoiseLevelBytes = 2;
inline constexpr std::size_t kCompressorValueBytes = 2;  ///< threshold, ratio, knee
inline constexpr std::size_t kIrcDistanceBytes = 2;
inline constexpr std::size_t kSpectrumFrequencyBytes = 3;
inline constexpr std::size_t kSpectrumGainBytes = 2;

/// Head of the band reports and band setters: scene, source, channel, first band, last band.
inline constexpr std::size_t kBandHeaderBytes = 5;
/// From this configured input count on, a routing mask takes two bytes instead of one.
inline constexpr int kWideMaskInputCount = 9;

/// Width of one output trim: 2 bytes with fine trim, 1 byte without.
constexpr std::size_t TrimBytes(bool fineTrim) {
  return fineTrim ? kTrimFineBytes : kTrimCoarseBytes;
}

// ---------------------------------------------------------------------------------------
// Plain words

/// 16-bit big-endian (high byte first). `value` is clamped to 0..65535, so a negative
/// frequency sends 0 and 70000 sends 65535.
std::array<std::uint8_t, 2> EncodeU16BE(std::int64_t value);
std::optional<std::uint16_t> DecodeU16BE(ByteView bytes);

/// 32-bit little-endian (DSP memory address and data words).
std::array<std::uint8_t, 4> EncodeU32LE(std::uint32_t value);
std::optional<std::uint32_t> DecodeU32LE(ByteView bytes);

/// 32-bit big-endian (upgrade block offsets).
std::array<std::uint8_t, 4> EncodeU32BE(std::uint32_t value);
std::optional<std::uint32_t> DecodeU32BE(ByteView bytes);

/// Equaliser band or crossover corner frequency in Hz: 16-bit big-endian, clamped to
/// 0..65535.
std::array<std::uint8_t, 2> EncodeFrequency(std::int64_t hz);
std::optional<std::uint16_t> DecodeFrequency(ByteView bytes);

// ---------------------------------------------------------------------------------------
// Signed bytes: subwoofer volume, input threshold, ignition (ACC) delay, bass and treble
// gain; also the main volume reply.

/// Two's-complement byte of `value` clamped to -128..127.
std::uint8_t EncodeSignedByte(int value);
/// The byte read as a signed value, -128..127.
int DecodeSignedByte(std::uint8_t byte);

// ---------------------------------------------------------------------------------------
// Equaliser

/// Gain in dB: A = int(g + 18), B = tenths digit of g + 18. g + 18 is clamped to
/// 0..255.9, so gains below -18 dB send 0, 0 and gains above 237.9 dB send 255, 9.
/// Examples: -18 -> 0, 0; +6.5 -> 24, 5; -3.25 -> 14, 7 (the hundredths are dropped).
std::array<std::uint8_t, 2> EncodeEqGain(double gainDb);
/// g = A + B / 10 - 18, both bytes unsigned.
std::optional<double> DecodeEqGain(ByteView bytes);

/// Q as sent: A = int(Q), B = tenths digit, Q clamped to 0..255.9. 4.36 -> 4, 3.
std::array<std::uint8_t, 2> EncodeEqQ(double q);
/// Q as the box reports it: A + B / 100 (the second byte holds hundredths, so a reply
/// 2, 5 means 2.05 although 2.5 is sent as 2, 5).
std::optional<double> DecodeEqQ(ByteView bytes);
/// The box's side of Q: A = int(Q), B = hundredths, Q clamped to 0..255.99.
std::array<std::uint8_t, 2> EncodeEqQReply(double q);
/// The box's reading of a sent Q: A + B / 10.
std::optional<double> DecodeEqQCommand(ByteView bytes);

// ---------------------------------------------------------------------------------------
// Delay

/// Delay in ms: A = int(d), then 16-bit big-endian F = the thousandths of d (0..999).
/// d is clamped to 0..255.999 ms. 12.3456 -> 12, 0x01 0x59 (345).
std::array<std::uint8_t, 3> EncodeDelay(double ms);
/// d = A + F / 1000.
std::optional<double> DecodeDelay(ByteView bytes);

// ---------------------------------------------------------------------------------------
// Output trim

/// Fine trim off: int(t) as a signed byte, clamped to -128..127. -5.7 -> 0xFB (-5).
std::uint8_t EncodeTrimCoarse(double db);
/// The signed byte as dB: 0xFB -> -5.0.
double DecodeTrimCoarse(std::uint8_t byte);

/// Fine trim on, as sent: A = int(t) and B = int((t - A) * 100), both two's-complement
/// bytes carrying the sign of t; t is clamped to -128.99..127.99. -5.7 -> 0xFB 0xBA
/// (-5, -70).
std::array<std::uint8_t, 2> EncodeTrimFine(double db);
/// Fine trim on, as the box reports it: an attenuation magnitude, t = -(A + B / 100) with
/// both bytes unsigned. 0x05 0x46 -> -5.70.
std::optional<double> DecodeTrimFine(ByteView bytes);
/// The box's side of a fine trim: the magnitude of t (t clamped to -255.99..0) as
/// A = whole dB and B = hundredths.
std::array<std::uint8_t, 2> EncodeTrimFineReply(double db);
/// The box's reading of a sent fine trim: A + B / 100 with both bytes signed.
std::optional<double> DecodeTrimFineCommand(ByteView bytes);

/// Writes the trim field selected by `fineTrim` at the start of `out`; returns the number
/// of bytes written, 0 (and nothing written) when `out` is too short.
std::size_t WriteTrim(double db, bool fineTrim, std::span<std::uint8_t> out);
/// Reads the trim field selected by `fineTrim` from the start of `bytes`.
std::optional<double> ReadTrim(ByteView bytes, bool fineTrim);

// ---------------------------------------------------------------------------------------
// Main volume

/// The application's volume value (an attenuation in dB): int(v) as one byte, clamped to
/// -128..127 so that it reads back through the signed reply byte.
std::uint8_t EncodeMainVolume(double value);
/// The reply byte as a signed value: 0xF6 -> -10.
int DecodeMainVolume(std::uint8_t byte);

// ---------------------------------------------------------------------------------------
// Input noise level (reply only)

/// Noise level in dB: (A - 100) + B / 10. 0x28 0x05 -> -59.5.
std::optional<double> DecodeNoiseLevel(ByteView bytes);
/// The box's side: A = int(level + 100), B = tenths digit; level + 100 clamped to
/// 0..255.9.
std::array<std::uint8_t, 2> EncodeNoiseLevel(double db);

// ---------------------------------------------------------------------------------------
// Compressor

/// Threshold in dB: A = int(h + 100), B = tenths digit of h + 100; h + 100 clamped to
/// 0..255.9 (h from -100 to 155.9 dB).
std::array<std::uint8_t, 2> EncodeCompressorThreshold(double db);
/// int(A + B / 10 - 100): whole dB, truncated toward zero (50, 5 -> -49).
std::optional<int> DecodeCompressorThreshold(ByteView bytes);

/// Ratio: A = int(r), B = tenths digit; r clamped to 0..255.9.
std::array<std::uint8_t, 2> EncodeCompressorRatio(double ratio);
/// A + B / 10.
std::optional<double> DecodeCompressorRatio(ByteView bytes);

/// Soft knee: as the ratio.
std::array<std::uint8_t, 2> EncodeCompressorKnee(double knee);
std::optional<double> DecodeCompressorKnee(ByteView bytes);

// ---------------------------------------------------------------------------------------
// Calibration replies

/// Speaker distance found by calibration, in the distance unit: A + B / 100.
std::optional<double> DecodeIrcDistance(ByteView bytes);
/// The box's side: A = whole units, B = hundredths; clamped to 0..255.99.
std::array<std::uint8_t, 2> EncodeIrcDistance(double distance);

/// Spectrum band frequency in Hz: 16-bit big-endian whole Hz + third byte / 100.
std::optional<double> DecodeSpectrumFrequency(ByteView bytes);
/// The box's side: whole Hz big-endian, then hundredths; clamped to 0..65535.99 Hz.
std::array<std::uint8_t, 3> EncodeSpectrumFrequency(double hz);

/// Spectrum band gain in dB: A + B / 100 with both bytes signed (FD E7 -> -3.25).
std::optional<double> DecodeSpectrumGain(ByteView bytes);
/// The box's side: whole dB and hundredths, both carrying the sign of the gain; clamped
/// to -128.99..127.99.
std::array<std::uint8_t, 2> EncodeSpectrumGain(double db);

}  // namespace qb

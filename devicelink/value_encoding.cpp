#include "devicelink/value_encoding.h"

#include <algorithm>
#include <cmath>

namespace qb {
namespace {

/// Relative part of the representation guard; see the header. About three float ulps.
constexpr double kRelativeGuard = 4e-7;
/// Ceiling of the relative part, in units of the field's last digit. Large scaled values
/// (a spectrum frequency in hundredths of a hertz) would otherwise get a guard of a whole
/// digit; at that size a float cannot hold the digit anyway.
constexpr double kMaxRelativeGuard = 0.05;
/// Absolute part, in units of the field's last digit.
constexpr double kAbsoluteGuard = 1e-9;

/// int((x + offset) * scale) for a value meant to sit on a digit of the field, clamped to
/// [lo, hi] in units of that digit. The guard moves the scaled value away from zero, the
/// direction truncation loses, so a hair below a digit counts as the digit. Clamping
/// happens before the conversion, so the conversion is always defined.
std::int64_t ScaledTrunc(double x, double offset, double scale, std::int64_t lo,
                         std::int64_t hi) {
  if (std::isnan(x)) {
    x = 0.0;
  }
  double scaled = (x + offset) * scale;
  const double magnitude = scale * (std::fabs(x) + std::fabs(offset));
  const double guard = std::min(kRelativeGuard * magnitude, kMaxRelativeGuard) + kAbsoluteGuard;
  scaled += std::signbit(scaled) ? -guard : guard;
  scaled = std::clamp(scaled, static_cast<double>(lo), static_cast<double>(hi));
  return static_cast<std::int64_t>(scaled);
}

std::uint8_t Byte(std::int64_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

std::int8_t SignedByte(std::uint8_t byte) {
  return static_cast<std::int8_t>(byte);
}

/// Whole part and one trailing digit group of a non-negative scaled value, as two bytes:
/// A = n / divisor, B = n % divisor.
std::array<std::uint8_t, 2> SplitPair(std::int64_t n, std::int64_t divisor) {
  return {Byte(n / divisor), Byte(n % divisor)};
}

/// A + B / divisor from two unsigned bytes.
std::optional<double> JoinPair(ByteView bytes, double divisor) {
  if (bytes.size() < 2) {
    return std::nullopt;
  }
  return bytes[0] + bytes[1] / divisor;
}

/// A + B / 100 from two signed bytes.
std::optional<double> JoinSignedHundredths(ByteView bytes) {
  if (bytes.size() < 2) {
    return std::nullopt;
  }
  return SignedByte(bytes[0]) + SignedByte(bytes[1]) / 100.0;
}

/// "A = int(x), B = tenths digit" fields (Q, ratio, knee) with x clamped to 0..255.9.
/// The tenths digit comes from the full tenths count. Reducing that count to a byte first
/// would send 30, 9 for 30.5; the digit is meant, so the byte reduction is left out.
std::array<std::uint8_t, 2> EncodeTenthsPair(double x, double offset) {
  return SplitPair(ScaledTrunc(x, offset, 10.0, 0, 2559), 10);
}

/// Signed whole part and signed hundredths, both carrying the sign of x, clamped so that
/// both fit a signed byte (-128.99 .. 127.99).
std::array<std::uint8_t, 2> EncodeSignedHundredths(double x) {
  const std::int64_t n = ScaledTrunc(x, 0.0, 100.0, -12899, 12799);
  return {Byte(n / 100), Byte(n % 100)};  // C++ division truncates toward zero, as int() does
}

}  // namespace

// --- Plain words -------------------------------------------------------------------------

std::array<std::uint8_t, 2> EncodeU16BE(std::int64_t value) {
  const std::int64_t v = std::clamp<std::int64_t>(value, 0, 0xFFFF);
  return {Byte(v >> 8), Byte(v)};
}

std::optional<std::uint16_t> DecodeU16BE(ByteView bytes) {
  if (bytes.size() < kU16Bytes) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::array<std::uint8_t, 4> EncodeU32LE(std::uint32_t value) {
  return {Byte(value), Byte(value >> 8), Byte(value >> 16), Byte(value >> 24)};
}

std::optional<std::uint32_t> DecodeU32LE(ByteView bytes) {
  if (bytes.size() < kU32Bytes) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::array<std::uint8_t, 4> EncodeU32BE(std::uint32_t value) {
  return {Byte(value >> 24), Byte(value >> 16), Byte(value >> 8), Byte(value)};
}

std::optional<std::uint32_t> DecodeU32BE(ByteView bytes) {
  if (bytes.size() < kU32Bytes) {
    return std::nullopt;
  }
  return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
         (static_cast<std::uint32_t>(bytes[2]) << 8) | static_cast<std::uint32_t>(bytes[3]);
}

std::array<std::uint8_t, 2> EncodeFrequency(std::int64_t hz) {
  return EncodeU16BE(hz);
}

std::optional<std::uint16_t> DecodeFrequency(ByteView bytes) {
  return DecodeU16BE(bytes);
}

// --- Signed bytes ------------------------------------------------------------------------

std::uint8_t EncodeSignedByte(int value) {
  return Byte(std::clamp(value, -128, 127));
}

int DecodeSignedByte(std::uint8_t byte) {
  return SignedByte(byte);
}

// --- Equaliser ---------------------------------------------------------------------------

std::array<std::uint8_t, 2> EncodeEqGain(double gainDb) {
  return EncodeTenthsPair(gainDb, 18.0);
}

std::optional<double> DecodeEqGain(ByteView bytes) {
  const std::optional<double> offsetGain = JoinPair(bytes, 10.0);
  if (!offsetGain) {
    return std::nullopt;
  }
  return *offsetGain - 18.0;
}

std::array<std::uint8_t, 2> EncodeEqQ(double q) {
  return EncodeTenthsPair(q, 0.0);
}

std::optional<double> DecodeEqQ(ByteView bytes) {
  return JoinPair(bytes, 100.0);
}

std::array<std::uint8_t, 2> EncodeEqQReply(double q) {
  return SplitPair(ScaledTrunc(q, 0.0, 100.0, 0, 25599), 100);
}

std::optional<double> DecodeEqQCommand(ByteView bytes) {
  return JoinPair(bytes, 10.0);
}

// --- Delay -------------------------------------------------------------------------------

// The thousandths come from the full microsecond count. Reducing that count modulo 65536
// first, as a 16-bit intermediate would, turns 70.5 ms into 70.964 ms on the box; the
// two agree below 65.536 ms, which is all the application's delay range uses.
std::array<std::uint8_t, 3> EncodeDelay(double ms) {
  const std::int64_t us = ScaledTrunc(ms, 0.0, 1000.0, 0, 255999);
  const std::array<std::uint8_t, 2> thousandths = EncodeU16BE(us % 1000);
  return {Byte(us / 1000), thousandths[0], thousandths[1]};
}

std::optional<double> DecodeDelay(ByteView bytes) {
  if (bytes.size() < kDelayBytes) {
    return std::nullopt;
  }
  const std::uint16_t thousandths = *DecodeU16BE(bytes.subspan(1));
  return bytes[0] + thousandths / 1000.0;
}

// --- Output trim -------------------------------------------------------------------------

std::uint8_t EncodeTrimCoarse(double db) {
  return Byte(ScaledTrunc(db, 0.0, 1.0, -128, 127));
}

double DecodeTrimCoarse(std::uint8_t byte) {
  return SignedByte(byte);
}

// Whole dB and hundredths are both taken from one truncated hundredths count, which gives
// the same bytes as int(t) and int((t - int(t)) * 100) but cannot disagree between them
// when t sits a hair off a digit.
std::array<std::uint8_t, 2> EncodeTrimFine(double db) {
  return EncodeSignedHundredths(db);
}

std::optional<double> DecodeTrimFine(ByteView bytes) {
  const std::optional<double> magnitude = JoinPair(bytes, 100.0);
  if (!magnitude) {
    return std::nullopt;
  }
  return -*magnitude;
}

std::array<std::uint8_t, 2> EncodeTrimFineReply(double db) {
  return SplitPair(ScaledTrunc(-db, 0.0, 100.0, 0, 25599), 100);
}

std::optional<double> DecodeTrimFineCommand(ByteView bytes) {
  return JoinSignedHundredths(bytes);
}

std::size_t WriteTrim(double db, bool fineTrim, std::span<std::uint8_t> out) {
  if (out.size() < TrimBytes(fineTrim)) {
    return 0;
  }
  if (!fineTrim) {
    out[0] = EncodeTrimCoarse(db);
    return kTrimCoarseBytes;
  }
  const std::array<std::uint8_t, 2> bytes = EncodeTrimFine(db);
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return kTrimFineBytes;
}

std::optional<double> ReadTrim(ByteView bytes, bool fineTrim) {
  if (fineTrim) {
    return DecodeTrimFine(bytes);
  }
  if (bytes.empty()) {
    return std::nullopt;
  }
  return DecodeTrimCoarse(bytes[0]);
}

// --- Main volume -------------------------------------------------------------------------

std::uint8_t EncodeMainVolume(double value) {
  return Byte(ScaledTrunc(value, 0.0, 1.0, -128, 127));
}

int DecodeMainVolume(std::uint8_t byte) {
  return SignedByte(byte);
}

// --- Input noise level -------------------------------------------------------------------

std::optional<double> DecodeNoiseLevel(ByteView bytes) {
  if (bytes.size() < kNoiseLevelBytes) {
    return std::nullopt;
  }
  return (bytes[0] - 100) + bytes[1] / 10.0;
}

std::array<std::uint8_t, 2> EncodeNoiseLevel(double db) {
  return EncodeTenthsPair(db, 100.0);
}

// --- Compressor --------------------------------------------------------------------------

std::array<std::uint8_t, 2> EncodeCompressorThreshold(double db) {
  return EncodeTenthsPair(db, 100.0);
}

// Computed in tenths as integers: integer division truncates toward zero exactly as
// int(A + B / 10 - 100) does, without a floating-point step that could land a hair off.
std::optional<int> DecodeCompressorThreshold(ByteView bytes) {
  if (bytes.size() < kCompressorValueBytes) {
    return std::nullopt;
  }
  return (bytes[0] * 10 + bytes[1] - 1000) / 10;
}

std::array<std::uint8_t, 2> EncodeCompressorRatio(double ratio) {
  return EncodeTenthsPair(ratio, 0.0);
}

std::optional<double> DecodeCompressorRatio(ByteView bytes) {
  return JoinPair(bytes, 10.0);
}

std::array<std::uint8_t, 2> EncodeCompressorKnee(double knee) {
  return EncodeTenthsPair(knee, 0.0);
}

std::optional<double> DecodeCompressorKnee(ByteView bytes) {
  return JoinPair(bytes, 10.0);
}

// --- Calibration replies -----------------------------------------------------------------

std::optional<double> DecodeIrcDistance(ByteView bytes) {
  return JoinPair(bytes, 100.0);
}

std::array<std::uint8_t, 2> EncodeIrcDistance(double distance) {
  return SplitPair(ScaledTrunc(distance, 0.0, 100.0, 0, 25599), 100);
}

std::optional<double> DecodeSpectrumFrequency(ByteView bytes) {
  if (bytes.size() < kSpectrumFrequencyBytes) {
    return std::nullopt;
  }
  return *DecodeU16BE(bytes) + bytes[2] / 100.0;
}

std::array<std::uint8_t, 3> EncodeSpectrumFrequency(double hz) {
  const std::int64_t centiHz = ScaledTrunc(hz, 0.0, 100.0, 0, 6553599);
  const std::array<std::uint8_t, 2> whole = EncodeU16BE(centiHz / 100);
  return {whole[0], whole[1], Byte(centiHz % 100)};
}

std::optional<double> DecodeSpectrumGain(ByteView bytes) {
  return JoinSignedHundredths(bytes);
}

std::array<std::uint8_t, 2> EncodeSpectrumGain(double db) {
  return EncodeSignedHundredths(db);
}

}  // namespace qb

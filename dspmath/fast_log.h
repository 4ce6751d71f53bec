#pragma once
/// A natural logarithm made of plain arithmetic, so a loop over a whole curve can be
/// vectorised by the compiler; the library call cannot be, and it dominated the time of a
/// curve. Accurate to a few units in the last place over the range curves use.
///
/// The curve loops are compiled once per instruction set (curve_kernels.h) and each copy
/// inlines this function. It therefore has internal linkage and uses no library template: an
/// out-of-line copy built for AVX2 must never be the one the linker keeps for baseline code.
/// Where the translation unit may use FMA the series uses it, which changes only the
/// rounding.

#include <cstdint>

namespace qb {
namespace {

/// a * b + c, fused where the instruction set has it.
inline double FastLnMulAdd(double a, double b, double c) {
#if defined(__FMA__)
  return __builtin_fma(a, b, c);
#else
  return a * b + c;
#endif
}

/// ln(x) for a positive, finite, normal x (absolute error below about 5e-15 for
/// 1e-40 <= x <= 1e40). Zero, subnormal, infinite and NaN inputs give meaningless finite
/// results rather than -inf, +inf or NaN; callers keep such values out.
inline double FastLn(double x) {
  // Split x = 2^e * m with m in [sqrt(1/2), sqrt(2)): adding the bits of 1 - sqrt(1/2) to
  // the mantissa carries into the exponent exactly when m >= sqrt(2) after the split.
  constexpr std::uint64_t kOffset = 0x3ff0000000000000ULL - 0x3fe6a09e667f3bcdULL;
  constexpr std::uint64_t kExponentMask = 0xfff0000000000000ULL;
  constexpr std::uint64_t kOneBits = 0x3ff0000000000000ULL;
  // 2^52 + 1023: subtracting it from a double whose low bits hold the biased exponent
  // turns those bits into the exponent's value without an integer conversion.
  constexpr std::uint64_t kMagicBits = 0x4330000000000000ULL;
  constexpr double kMagicBias = 4503599627370496.0 + 1023.0;
  constexpr double kLn2 = 0.693147180559945309417232121458176568;

  const auto bits = __builtin_bit_cast(std::uint64_t, x);
  const std::uint64_t shifted = bits + kOffset;
  const double e = __builtin_bit_cast(double, (shifted >> 52) | kMagicBits) - kMagicBias;
  const double m = __builtin_bit_cast(double, bits - (shifted & kExponentMask) + kOneBits);

  // ln(m) = 2 atanh(s) with s = (m-1)/(m+1), |s| < 0.1716: the odd series converges by a
  // factor of s^2 < 0.0295 per term, so ten terms reach double precision.
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double r = 1.0 / 19.0;
  r = FastLnMulAdd(r, s2, 1.0 / 17.0);
  r = FastLnMulAdd(r, s2, 1.0 / 15.0);
  r = FastLnMulAdd(r, s2, 1.0 / 13.0);
  r = FastLnMulAdd(r, s2, 1.0 / 11.0);
  r = FastLnMulAdd(r, s2, 1.0 / 9.0);
  r = FastLnMulAdd(r, s2, 1.0 / 7.0);
  r = FastLnMulAdd(r, s2, 1.0 / 5.0);
  r = FastLnMulAdd(r, s2, 1.0 / 3.0);
  r = FastLnMulAdd(r, s2, 1.0);
  return FastLnMulAdd(e, kLn2, 2.0 * s * r);
}

}  // namespace
}  // namespace qb

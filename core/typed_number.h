#pragma once
/// Numbers the user types into the value fields (volumes, delays, crossover and band values,
/// mix trims), read from the whole text or not at all: a typo must never set a value, and
/// "-7x2" is not -7. What a field takes:
///
///   blanks, an optional sign, digits with a decimal point or comma (",5" and "1,5" read as
///   ".5" and "1.5", as the filter texts are read), blanks, one of the units the field
///   allows (any case), blanks.
///
/// Frequencies also take "k" for thousands, keeping the fraction ("2.5k" and "2,5 kHz" are
/// 2500 Hz), and the notation "1K5": a whole number, "K" or "k" and one digit counting
/// hundreds (1500 Hz). No exponent, no "inf" or "nan", no text after the unit. Text is read
/// the same whatever the process locale. Plain functions, no toolkit.

#include <optional>
#include <string_view>

namespace qb {

/// The units a field allows after its number (any combination; kNoUnit allows none).
enum TypedUnit : unsigned {
  kNoUnit = 0,
  kUnitDb = 1u << 0,
  kUnitHz = 1u << 1,
  kUnitMs = 1u << 2,
  kUnitCm = 1u << 3,
  kUnitIn = 1u << 4,
};

/// The number `text` holds as a whole, followed by at most one of `units`; nothing for any
/// other text (empty, a bare sign, a unit the field does not take, anything after the
/// number or unit). A number too large for a double is refused too.
std::optional<double> ReadTypedNumber(std::string_view text, unsigned units);

/// The frequency `text` holds as a whole, in whole Hz (rounded): a number with an optional
/// "k" (thousands, fraction kept) or the "1K5" notation, then an optional "Hz". Values
/// beyond the int range read as the nearer int limit; the ranges of the box are the
/// caller's. Nothing for any other text ("K5", "2.5x", "1K55").
std::optional<int> ReadTypedFrequency(std::string_view text);

/// A typed number as a whole value of a field that holds whole numbers (volumes in dB,
/// slider positions, mix trims): rounded to the nearest, halves away from zero, and held
/// to the int range so a huge negative volume still reads as the quietest.
int WholeOfTyped(double value);

}  // namespace qb

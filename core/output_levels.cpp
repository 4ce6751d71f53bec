#include "core/output_levels.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <system_error>

namespace qb {
namespace {

/// Main volume curve: 41.25 dB per decade of slider steps, 0 dB at step 10^(60/41.25).
constexpr double kMainVolumeDbPerDecade = 41.25;
/// Sound travels 519/15 cm and 204/15 in per ms (346 m/s).
constexpr double kCmPerMsTimes15 = 519.0;
constexpr double kInPerMsTimes15 = 204.0;
constexpr double kDistanceDenominator = 15.0;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

/// `text` without its leading blanks.
std::string_view SkipBlanks(std::string_view text) {
  const auto first = std::find_if(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)) == 0; });
  return text.substr(static_cast<std::size_t>(first - text.begin()));
}

/// Splits off one leading sign; true when it was a minus.
bool TakeSign(std::string_view& text) {
  if (text.empty() || (text.front() != '-' && text.front() != '+')) return false;
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  return negative;
}

double PerMsTimes15(DelayUnit unit) { return unit == DelayUnit::Cm ? kCmPerMsTimes15 : kInPerMsTimes15; }

}  // namespace

double MainVolumeDb(int position, int sliderMinimum) {
  if (position <= sliderMinimum || position <= 0) return kMainVolumeOffDb;
  if (position >= kMainVolumeTopStep) return kMainVolumeTopDb;
  return kMainVolumeDbPerDecade * std::log10(static_cast<double>(position)) + kMainVolumeOffDb;
}

double MainVolumeAttenuation(int position, int sliderMinimum) {
  return kMainVolumeTopDb - MainVolumeDb(position, sliderMinimum);
}

int LeadingWholeNumber(std::string_view text) {
  text = SkipBlanks(text);
  const bool negative = TakeSign(text);
  if (text.empty() || !IsDigit(text.front())) return 0;
  // Read the magnitude with the sign applied, so INT_MIN is reachable and overflow saturates.
  const std::string signedDigits = (negative ? "-" : "") + std::string(text);
  int value = 0;
  const auto [end, error] = std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) return negative ? INT_MIN : INT_MAX;
  return value;
}

bool StartsWithNumber(std::string_view text) {
  text = SkipBlanks(text);
  TakeSign(text);
  // from_chars would also take "inf" and "nan"; a typed value is digits or nothing.
  return !text.empty() && (IsDigit(text.front()) || (text.front() == '.' && text.size() > 1 && IsDigit(text[1])));
}

double LeadingNumber(std::string_view text) {
  if (!StartsWithNumber(text)) return 0.0;
  text = SkipBlanks(text);
  const bool negative = TakeSign(text);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  (void)end;
  if (error != std::errc{} || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

double HeldDistance(double distance, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return distance;
  const double longest = kMaxSentDelayMs * PerMsTimes15(unit) / kDistanceDenominator;
  return std::clamp(distance, 0.0, longest);
}

int WholeMicros(float delayMs) {
  constexpr double kRelativeGuard = 4e-7;
  constexpr double kAbsoluteGuard = 1e-9;
  const double scaled = static_cast<double>(delayMs) * 1000.0;
  if (!(scaled > 0.0)) return 0;
  const double guarded = scaled + kRelativeGuard * scaled + kAbsoluteGuard;
  return guarded >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(guarded);
}

float BoxDelayMs(double delayMs) {
  if (!(delayMs > 0.0)) return 0.0f;
  return static_cast<float>(std::round(delayMs * 1000.0) / 1000.0);
}

double DistanceOfDelay(float delayMs, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return static_cast<double>(delayMs);
  return static_cast<double>(WholeMicros(delayMs)) * PerMsTimes15(unit) / kDistanceDenominator / 1000.0;
}

double DelayMsOfDistance(double distance, DelayUnit unit) {
  if (unit == DelayUnit::Ms) return distance;
  return distance * kDistanceDenominator / PerMsTimes15(unit);
}

}  // namespace qb

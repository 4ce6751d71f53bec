#include "windows/view_formats.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/output_levels.h"
#include "devicelink/wire_codes.h"

namespace qb {
namespace {

/// 34.6 cm and 13.6 in per ms: sound at 346 m/s.
constexpr double kCmPerMsNumerator = 519.0;
constexpr double kInPerMsNumerator = 204.0;
constexpr double kPerMsDenominator = 15.0;
constexpr double kUsPerMs = 1000.0;

/// `value` with `decimals` digits after the point, rounded as printf rounds; to_chars keeps
/// the point whatever locale the toolkit installed.
std::string Fixed(double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

/// The distance factor (numerator over 15) applied to whole microseconds.
double Distance(float delayMs, double numerator) {
  // Whole microseconds as the box receives them (a float in ms does not always multiply
  // back to the microsecond it was made from).
  const int micros = WholeMicros(delayMs);
  return static_cast<double>(micros) * numerator / kPerMsDenominator / kUsPerMs;
}

std::string DistanceText(double distance, bool whole, const char* suffix) {
  if (whole) return std::to_string(static_cast<long>(std::lround(distance))) + suffix;
  return Fixed(distance, 2) + suffix;
}

}  // namespace

std::string DelayText(float delayMs, DelayUnit unit, bool whole) {
  switch (unit) {
    case DelayUnit::Cm: return DistanceText(Distance(delayMs, kCmPerMsNumerator), whole, " cm");
    case DelayUnit::In: return DistanceText(Distance(delayMs, kInPerMsNumerator), whole, " in");
    case DelayUnit::Ms: break;
  }
  return Fixed(static_cast<double>(delayMs), 3) + " ms";
}

std::string OutputVolumeText(float volumeDb, int sliderMinimum) {
  const int whole = static_cast<int>(volumeDb);
  // A volume below the slider's range (a file may hold one) shows as the slider does: off.
  if (whole * 10 <= sliderMinimum) return "${off}";
  return std::to_string(whole) + "dB";
}

std::string MainVolumeText(int position, int sliderMinimum) {
  if (position <= sliderMinimum) return "${off}";
  return std::to_string(position);
}

std::string CrossoverFreqText(int hz) { return std::to_string(hz) + "Hz"; }

std::string BandFreqText(int hz) { return std::to_string(hz); }

std::string BandQText(float q) { return Fixed(static_cast<double>(q), 2); }

std::string BandGainText(float gainDb) { return Fixed(static_cast<double>(gainDb), 1); }

std::string PhaseText(int phase) { return phase != 0 ? "${reverse phase}" : "${positive_phase}"; }

std::string BypassButtonText(int flag) { return flag == 1 ? "${bypass_eq}" : "${restore_eq}"; }

bool FourInputSource(int source) { return source == SOURCE_LOW || source == SOURCE_HI; }

}  // namespace qb

#include "windows/view_formats.h"

#include <array>
#include <charconv>
#include <cmath>

#include "core/output_levels.h"
#include "devicelink/wire_codes.h"

namespace qb {
namespace {

/// `value` with `decimals` digits after the point, rounded as printf rounds; to_chars keeps
/// the point whatever locale the toolkit installed.
std::string Fixed(double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

const char* UnitSuffix(DelayUnit unit) {
  switch (unit) {
    case DelayUnit::Cm: return " cm";
    case DelayUnit::In: return " in";
    case DelayUnit::Ms: break;
  }
  return " ms";
}

}  // namespace

std::string DelayText(float delayMs, DelayUnit unit, bool whole) {
  const double distance = DistanceOfDelay(delayMs, unit);
  if (whole && unit != DelayUnit::Ms) return std::to_string(std::lround(distance)) + UnitSuffix(unit);
  return DelayValueText(distance, unit);
}

std::string DelayValueText(double value, DelayUnit unit) {
  return Fixed(value, unit == DelayUnit::Ms ? 3 : 2) + UnitSuffix(unit);
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

}  // namespace qb

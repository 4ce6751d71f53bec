#pragma once
/// A frequency response measured with a microphone, or a house curve: levels in dB at
/// ascending frequencies, and the level between and beyond them.

#include <span>
#include <vector>

namespace qb {

struct MeasuredResponse {
  std::vector<double> freqHz;  ///< ascending, positive, finite
  std::vector<double> db;      ///< one finite level per frequency

  std::size_t Size() const { return freqHz.size(); }
};

/// The level at `hz`: straight lines between neighbouring points on a logarithmic frequency
/// axis, the end levels held beyond the ends. 0 dB for a response without points.
double LevelAt(const MeasuredResponse& response, double hz);

/// LevelAt for each of `hz`.
std::vector<double> LevelsAt(const MeasuredResponse& response, std::span<const double> hz);

}  // namespace qb

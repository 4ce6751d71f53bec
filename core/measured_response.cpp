#include "core/measured_response.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace qb {

double LevelAt(const MeasuredResponse& response, double hz) {
  const std::vector<double>& f = response.freqHz;
  if (f.empty() || response.db.size() != f.size()) return 0.0;
  if (!(hz > f.front())) return response.db.front();
  if (!(hz < f.back())) return response.db.back();
  const auto above = std::upper_bound(f.begin(), f.end(), hz);
  const auto i = static_cast<std::size_t>(std::distance(f.begin(), above));
  const double t = std::log(hz / f[i - 1]) / std::log(f[i] / f[i - 1]);
  return response.db[i - 1] + t * (response.db[i] - response.db[i - 1]);
}

std::vector<double> LevelsAt(const MeasuredResponse& response, std::span<const double> hz) {
  std::vector<double> levels;
  levels.reserve(hz.size());
  for (double f : hz) levels.push_back(LevelAt(response, f));
  return levels;
}

}  // namespace qb

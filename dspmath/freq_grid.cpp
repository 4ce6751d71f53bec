#include "dspmath/freq_grid.h"

#include <cmath>
#include <cstddef>

namespace qb {

void MakeLogFreqGrid(double sampleRate, std::span<double> grid) {
  const std::size_t count = grid.size();
  if (count < 2) {
    return;
  }
  const double nyquist = sampleRate / 2.0;
  const double step = std::log10(nyquist) / static_cast<double>(count - 1);
  for (std::size_t k = 1; k + 1 < count; ++k) {
    grid[k - 1] = std::pow(10.0, static_cast<double>(k) * step);
  }
  grid[count - 2] = nyquist;
  grid[count - 1] = sampleRate;
}

}  // namespace qb

#include "dspmath/peaking_eq.h"

#include <array>
#include <cmath>
#include <numbers>

namespace qb {
namespace {

bool AllFinite(const SectionCoeffs& s) {
  for (int i = 0; i < 3; ++i) {
    const auto j = static_cast<std::size_t>(i);
    if (!std::isfinite(s.b[j]) || !std::isfinite(s.a[j])) {
      return false;
    }
  }
  return true;
}

}  // namespace

SectionCoeffs DesignPeakingEq(double sampleRate, double centre, double gainDb, double q) {
  const SectionCoeffs flat;
  // Written so that NaN fails every test and falls through to the flat section.
  const bool usable = std::isfinite(sampleRate) && std::isfinite(centre) &&
                      std::isfinite(gainDb) && std::isfinite(q) && sampleRate > 0.0 &&
                      centre > 0.0 && centre < sampleRate / 2.0 && q > 0.0;
  if (!usable) {
    return flat;
  }
  const double gain = std::pow(10.0, gainDb / 20.0);
  const double w0 = 2.0 * std::numbers::pi * centre / sampleRate;
  const double s = std::sin(w0);
  const double cs = std::cos(w0);
  // Lower band edge, from the quality.
  const double r = std::sqrt(4.0 * q * q + 1.0);
  const double w1 = (r - 1.0) * w0 / (2.0 * q);
  double t = std::sin(w1) * s / (2.0 * (std::cos(w1) - cs));
  if (gain < 1.0) {
    t *= gain;
  }
  const double d = 2.0 * t + s;

  SectionCoeffs out;
  out.a = {1.0, -4.0 * t * cs / d, (2.0 * t - s) / d};
  out.b = {(2.0 * t + gain * s) / d, out.a[1], (2.0 * t - gain * s) / d};
  return AllFinite(out) ? out : flat;
}

bool PeakingCurve(double sampleRate, double centre, double gainDb, double q,
                  std::span<const double> grid, std::span<double> db) {
  const SectionCoeffs section = DesignPeakingEq(sampleRate, centre, gainDb, q);
  return EvalSectionsDb(section.b, section.a, 2, 1, grid, db);
}

double PeakingDbAt(double sampleRate, double centre, double gainDb, double q, double hz) {
  // The evaluator takes the next-to-last grid point as the Nyquist frequency.
  const std::array<double, 3> grid = {hz, sampleRate / 2.0, sampleRate};
  std::array<double, 3> db{};
  if (!PeakingCurve(sampleRate, centre, gainDb, q, grid, db)) return 0.0;
  return db[0];
}

}  // namespace qb

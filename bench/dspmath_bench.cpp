// Curve computation cost while editing: one band dragged on one output, a crossover changed,
// and all eight outputs computed from scratch (after a read-out or a scene load).
//
// Each case that runs the curve loops is measured with the loops chosen at start-up
// ("dispatched", its label names the instruction set) and with each set the processor runs,
// "portable" first, so their ratio is read from one run on a machine whose load varies.
// A set the processor lacks is reported as skipped.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "dspmath/channel_curve.h"
#include "dspmath/channel_curve_cache.h"
#include "dspmath/crossover_design.h"
#include "dspmath/curve_kernels.h"
#include "dspmath/curve_constants.h"
#include "dspmath/curve_grid.h"
#include "dspmath/freq_grid.h"
#include "dspmath/peaking_eq.h"

namespace {

constexpr int kOutputs = 8;

/// Switches the curve loops to `set` for one benchmark; false (the run marked skipped) when
/// the processor lacks it.
bool UseSet(benchmark::State& state, qb::CurveKernelSet set) {
  if (!qb::UseCurveKernels(set)) {
    state.SkipWithError("the processor lacks this instruction set");
    return false;
  }
  state.SetLabel(qb::ActiveCurveKernels().name);
  return true;
}

/// Registers `func` once per instruction set: the one chosen at start-up, then each set.
#define QB_BENCH_EACH_SET(func, unit)                                                \
  BENCHMARK_CAPTURE(func, dispatched, qb::BestCurveKernelSet())->Unit(unit);         \
  BENCHMARK_CAPTURE(func, portable, qb::CurveKernelSet::Portable)->Unit(unit);       \
  BENCHMARK_CAPTURE(func, avx2_fma, qb::CurveKernelSet::Avx2Fma)->Unit(unit);        \
  BENCHMARK_CAPTURE(func, avx512, qb::CurveKernelSet::Avx512)->Unit(unit)

/// A busy channel: every band in use with a nonzero gain, both crossovers on. Flat bands
/// would be skipped, so this is the worst case for a full computation.
qb::ChannelCurveSettings BusyChannel(int output) {
  static constexpr std::array<double, qb::kMaxEqBands> kThirdOctave = {
      20,   25,   31,   40,   50,   63,   80,   100,  125,  160,   200,   250,   315,   400,  500, 630,
      800,  1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
  qb::ChannelCurveSettings s;
  for (std::size_t i = 0; i < kThirdOctave.size(); ++i) {
    const double gain = (static_cast<double>(i % 7) - 3.0) * 2.0 + 0.5 + output;
    s.bands[i] = {kThirdOctave[i], 0.5 + static_cast<double>(i % 9), gain, true};
  }
  s.highPass = {output % 3 + 1, 4 + output % 5, 40.0 + 10.0 * output};
  s.lowPass = {(output + 1) % 3 + 1, 8 - output % 4, 8000.0 + 500.0 * output};
  return s;
}

/// One band dragged: its gain changes on every iteration, then the ready total is fetched.
void BM_OneBandChange(benchmark::State& state, qb::CurveKernelSet set) {
  if (!UseSet(state, set)) return;
  qb::ChannelCurveCache cache(BusyChannel(0));
  cache.Total();
  double gain = 3.0;
  for (auto _ : state) {
    gain = gain > 12.0 ? -12.0 : gain + 0.1;
    cache.SetBand(17, 1000.0, 2.5, gain, true);
    benchmark::DoNotOptimize(cache.Total().data());
  }
}
QB_BENCH_EACH_SET(BM_OneBandChange, benchmark::kNanosecond);

/// One crossover filter changed (an 8th-order filter: four sections), total fetched.
void BM_OneCrossoverChange(benchmark::State& state, qb::CurveKernelSet set) {
  if (!UseSet(state, set)) return;
  qb::ChannelCurveCache cache(BusyChannel(0));
  cache.Total();
  double corner = 100.0;
  for (auto _ : state) {
    corner = corner > 5000.0 ? 100.0 : corner + 7.0;
    cache.SetHighPass(qb::kFamilyBessel, 8, corner);
    benchmark::DoNotOptimize(cache.Total().data());
  }
}
QB_BENCH_EACH_SET(BM_OneCrossoverChange, benchmark::kNanosecond);

/// All eight outputs recomputed from scratch through their caches: 31 bands and both
/// crossovers each.
void BM_AllOutputsFromScratch(benchmark::State& state, qb::CurveKernelSet set) {
  if (!UseSet(state, set)) return;
  std::vector<qb::ChannelCurveCache> caches;
  for (int output = 0; output < kOutputs; ++output) {
    caches.emplace_back(BusyChannel(output));
  }
  for (auto _ : state) {
    for (qb::ChannelCurveCache& cache : caches) {
      cache.RecomputeAll();
      benchmark::DoNotOptimize(cache.Total().data());
    }
  }
}
QB_BENCH_EACH_SET(BM_AllOutputsFromScratch, benchmark::kMicrosecond);

/// The same through the stateless full path.
void BM_AllOutputsFullPath(benchmark::State& state, qb::CurveKernelSet set) {
  if (!UseSet(state, set)) return;
  std::vector<qb::ChannelCurveSettings> settings;
  for (int output = 0; output < kOutputs; ++output) {
    settings.push_back(BusyChannel(output));
  }
  qb::Curve total;
  for (auto _ : state) {
    for (const qb::ChannelCurveSettings& s : settings) {
      qb::ComputeChannelCurve(qb::StandardCurveGrid(), s, total);
      benchmark::DoNotOptimize(total.data());
    }
  }
}
QB_BENCH_EACH_SET(BM_AllOutputsFullPath, benchmark::kMicrosecond);

/// For comparison: all eight outputs through the plain operations (grid built per output,
/// trigonometry and logarithm at every point), as a caller without the cache would do it.
void BM_AllOutputsPlainOperations(benchmark::State& state) {
  std::vector<qb::ChannelCurveSettings> settings;
  for (int output = 0; output < kOutputs; ++output) {
    settings.push_back(BusyChannel(output));
  }
  qb::Curve grid;
  qb::Curve part;
  qb::Curve total;
  for (auto _ : state) {
    for (const qb::ChannelCurveSettings& s : settings) {
      qb::MakeLogFreqGrid(qb::CurveSampleRate, grid);
      qb::CrossoverCurve(2, qb::CurveSampleRate, s.highPass.cornerHz, s.highPass.slope,
                         s.highPass.family, grid, total);
      qb::CrossoverCurve(1, qb::CurveSampleRate, s.lowPass.cornerHz, s.lowPass.slope,
                         s.lowPass.family, grid, part);
      for (std::size_t k = 0; k < qb::kCurveSize; ++k) total[k] += part[k];
      for (const qb::EqBandSetting& band : s.bands) {
        qb::PeakingCurve(qb::CurveSampleRate, band.freqHz, band.gainDb, band.q, grid, part);
        for (std::size_t k = 0; k < qb::kCurveSize; ++k) total[k] += part[k];
      }
      benchmark::DoNotOptimize(total.data());
    }
  }
}
BENCHMARK(BM_AllOutputsPlainOperations)->Unit(benchmark::kMicrosecond);

/// One section over the grid with the precomputed grid, the unit of all the above.
void BM_SectionOverGrid(benchmark::State& state, qb::CurveKernelSet set) {
  if (!UseSet(state, set)) return;
  const qb::SectionCoeffs section = qb::DesignPeakingEq(qb::CurveSampleRate, 1000.0, 6.0, 2.0);
  qb::Curve db;
  for (auto _ : state) {
    qb::StandardCurveGrid().SectionDb(section, db);
    benchmark::DoNotOptimize(db.data());
  }
}
QB_BENCH_EACH_SET(BM_SectionOverGrid, benchmark::kNanosecond);

}  // namespace

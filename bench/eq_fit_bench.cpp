// The equaliser fit as the command line will run it: the measurement and its target read from
// the file, then the output's equaliser fitted: 31 and 10 parametric bands and the graphic
// equaliser, on every result file of a folder of measurements.
//
// The folder is QUORELBOX_MEASUREMENTS (files "*.csv" with the columns frequency, raw, target
// and, where present, parametric_eq: the response of a reference equaliser fitted elsewhere);
// without it, the small synthetic file of the tests. Each run reports, beside the time:
//   residual_dB   standard deviation of raw + eq - target, 20 Hz .. 10 kHz (the fit range)
//   reference_dB  the same for the file's parametric_eq column, where it has one
//   ratio         residual_dB / reference_dB
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/eq_fit.h"
#include "core/measurement_text.h"

namespace {

constexpr double kLowHz = 20.0;
constexpr double kHighHz = 10000.0;

/// Standard deviation of raw + eq - target over kLowHz..kHighHz.
double ReferenceResidual(const qb::MeasuredResponse& raw, const qb::MeasuredResponse& eq,
                         const qb::MeasuredResponse& target) {
  std::vector<double> d;
  for (std::size_t k = 0; k < raw.Size(); ++k)
    if (raw.freqHz[k] >= kLowHz && raw.freqHz[k] <= kHighHz) d.push_back(raw.db[k] + eq.db[k] - target.db[k]);
  if (d.empty()) return 0.0;
  double mean = 0.0;
  for (double v : d) mean += v;
  mean /= static_cast<double>(d.size());
  double squares = 0.0;
  for (double v : d) squares += (v - mean) * (v - mean);
  return std::sqrt(squares / static_cast<double>(d.size()));
}

void FitFile(benchmark::State& state, const std::string& path, qb::EqFitRequest request) {
  request.lowHz = kLowHz;
  request.highHz = kHighHz;
  const qb::Profile live;  // a full-range output, its equaliser bypassed
  double residual = 0.0;
  for (auto _ : state) {
    const qb::MeasurementRead raw = qb::ReadMeasurementFile(path, "raw");
    const qb::MeasurementRead target = qb::ReadMeasurementFile(path, "target");
    if (raw.error || target.error) {
      state.SkipWithError(qb::MeasurementErrorText(raw.error ? *raw.error : *target.error).c_str());
      return;
    }
    const qb::EqFitOutcome outcome =
        qb::FitEqualizer(live, 0, raw.response, {qb::FitTargetKind::HouseCurve, target.response}, request);
    if (!outcome.fit) {
      state.SkipWithError(outcome.error.c_str());
      return;
    }
    // The result is kept outside the loop, which the compiler cannot drop. (DoNotOptimize on a
    // double miscompiles with this library's constraints under GCC: the value read back after
    // the loop was garbage.)
    residual = outcome.fit->residualDb;
  }
  state.counters["residual_dB"] = residual;
  const qb::MeasurementRead raw = qb::ReadMeasurementFile(path, "raw");
  const qb::MeasurementRead target = qb::ReadMeasurementFile(path, "target");
  const qb::MeasurementRead reference = qb::ReadMeasurementFile(path, "parametric_eq");
  if (!reference.error && reference.response.freqHz == raw.response.freqHz) {
    const double figure = ReferenceResidual(raw.response, reference.response, target.response);
    state.counters["reference_dB"] = figure;
    state.counters["ratio"] = figure > 0.0 ? residual / figure : 0.0;
  }
}

std::vector<std::string> MeasurementFiles() {
  const char* folder = std::getenv("QUORELBOX_MEASUREMENTS");
  if (folder == nullptr || *folder == '\0') return {QB_EQ_FIT_SAMPLE};
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == ".csv") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

/// One benchmark per file and kind of fit, registered before main runs.
const bool kRegistered = [] {
  for (const std::string& path : MeasurementFiles()) {
    const std::string name = std::filesystem::path(path).stem().string();
    benchmark::RegisterBenchmark(("EqFit/" + name + "/peq31").c_str(), FitFile, path, qb::EqFitRequest{.bands = 31})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("EqFit/" + name + "/peq10").c_str(), FitFile, path, qb::EqFitRequest{.bands = 10})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("EqFit/" + name + "/geq").c_str(), FitFile, path,
                                 qb::EqFitRequest{.mode = qb::EqFitMode::Graphic})
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace

// Feeds arbitrary text to the reader of measured responses and house curves, with and without
// a named level column: whatever the text, a response is either read whole (ascending
// positive frequencies, finite levels in range) or refused with a line of the text; a response
// read is then interpolated, moved onto the curve grid and, when small, fitted, none of which
// may crash, hang or leave the box's ranges.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/eq_fit.h"
#include "core/eq_prediction.h"
#include "core/measurement_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

/// Responses up to this size are also fitted: enough to reach every path of the fit, small
/// enough to keep the run fast.
constexpr std::size_t kFittedPoints = 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view column = (size > 0 && data[0] % 3 == 0) ? "target" : "";
  const qb::MeasurementRead read = qb::ReadMeasurementText(text, column);
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (read.error) {
    Require(read.response.freqHz.empty() && read.response.db.empty());
    Require(read.error->line >= 0 && read.error->line <= lines);
    return 0;
  }
  const qb::MeasuredResponse& r = read.response;
  Require(r.Size() >= 2 && r.db.size() == r.Size());
  for (std::size_t k = 0; k < r.Size(); ++k) {
    Require(std::isfinite(r.freqHz[k]) && r.freqHz[k] > 0.0 && std::fabs(r.db[k]) <= 1000.0);
    if (k > 0) Require(r.freqHz[k] > r.freqHz[k - 1]);
  }
  const qb::GridCurve grid = qb::OnCurveGrid(r.freqHz, r.db);
  for (std::size_t k = grid.first; k < grid.first + grid.count; ++k) Require(std::fabs(grid.db[k]) <= 1000.0);
  const qb::FitTarget house{qb::FitTargetKind::HouseCurve, r};
  const qb::Profile live;
  const qb::EqFitCurves curves = qb::FitCurvesOf(live, 0, r, house, {});
  Require(curves.measured.count == grid.count);
  if (r.Size() > kFittedPoints) return 0;
  const qb::EqFitOutcome outcome = qb::FitEqualizer(live, 0, r, {}, {.bands = 2});
  if (!outcome.fit) return 0;
  Require(std::isfinite(outcome.fit->residualDb) && std::isfinite(outcome.fit->levelDb));
  for (const qb::EqBand& b : outcome.fit->bands) {
    Require(b.freq >= qb::kMinFrequencyHz && b.freq <= qb::kMaxFrequencyHz);
    Require(b.eqFactor >= qb::kMinBandQ && b.eqFactor <= qb::kMaxBandQ);
    Require(b.eqGain >= -18.0f && b.eqGain <= static_cast<float>(qb::kDefaultMaxBoostDb));
  }
  return 0;
}

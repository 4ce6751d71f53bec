// Feeds arbitrary text to the reader of equaliser filter texts and plans its import into an
// output: whatever the text, every band planned lies within the box's ranges and fits the
// output, every problem names a line of the text, and the planned bands written out read
// back as the same bands.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "core/eq_editor.h"
#include "core/eq_import.h"
#include "core/filter_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const qb::FilterText read = qb::ReadFilterText(text);
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  const qb::Profile live;
  const int output = size > 0 ? data[0] % qb::kOutputCount : 0;
  const qb::EqImportPlan plan = qb::PlanEqImport(read, live, output);
  Require(plan.bands.size() <= static_cast<std::size_t>(qb::EqSize(live, output)));
  for (const qb::TextProblem& p : plan.problems) Require(p.line >= 0 && p.line <= lines);
  for (const qb::EqBand& b : plan.bands) {
    Require(b.freq >= qb::kMinFrequencyHz && b.freq <= qb::kMaxFrequencyHz);
    Require(b.eqFactor >= qb::kMinBandQ && b.eqFactor <= qb::kMaxBandQ);
    Require(b.eqGain >= qb::kBandGainLimits.minimum && b.eqGain <= qb::kBandGainLimits.maximum);
  }
  const qb::FilterTextOutput written[] = {{output, "role", plan.bands, false}};
  const qb::EqImportPlan again = qb::PlanEqImport(qb::ReadFilterText(qb::WriteFilterText(written)), live, output);
  Require(again.problems.empty());
  Require(again.bands == plan.bands);
  return 0;
}

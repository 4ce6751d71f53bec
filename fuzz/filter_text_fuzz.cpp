// Feeds arbitrary text to the reader of equaliser filter texts and plans its import into an
// output: whatever the text, every band planned lies on the box's steps within its ranges
// and fits the output, every problem names a line of the text, and the planned bands and
// bypass written out read back as the same bands, switched on and off alike, and bypass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/eq_editor.h"
#include "core/eq_import.h"
#include "core/eq_values.h"
#include "core/filter_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

/// Lines of the text as the reader counts them: each ends at "\n", "\r\n" or a lone "\r".
int LineCount(std::string_view text) {
  int lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const qb::FilterText read = qb::ReadFilterText(text);
  const int lines = LineCount(text);
  const qb::Profile live;
  const int output = size > 0 ? data[0] % qb::kOutputCount : 0;
  const qb::EqImportPlan plan = qb::PlanEqImport(read, live, output);
  Require(plan.bands.size() <= static_cast<std::size_t>(qb::EqSize(live, output)));
  for (const qb::TextProblem& p : plan.problems) Require(p.line >= 0 && p.line <= lines);
  for (const qb::EqBand& b : plan.bands) {
    Require(b.freq >= qb::kMinFrequencyHz && b.freq <= qb::kMaxFrequencyHz);
    Require(b.eqFactor >= qb::kMinBandQ && b.eqFactor <= qb::kMaxBandQ);
    Require(b.eqGain >= qb::kBandGainLimits.minimum && b.eqGain <= qb::kBandGainLimits.maximum);
    Require(b == qb::BoxBand(b));
  }
  const bool bypassed = plan.bypassed.value_or(false);
  const qb::FilterTextOutput written[] = {{output, "role", plan.bands, bypassed}};
  const qb::EqImportPlan again = qb::PlanEqImport(qb::ReadFilterText(qb::WriteFilterText(written)), live, output);
  Require(again.problems.empty());
  Require(again.bands == plan.bands);
  Require(again.bypassed == bypassed);
  return 0;
}

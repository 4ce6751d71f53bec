#include "core/eq_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/eq_editor.h"
#include "core/text_file.h"

namespace qb {
namespace {

std::string Value(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

/// Why a peaking filter does not fit the box, or an empty text.
std::string OutOfRange(const TextFilter& f) {
  const long hz = std::lround(f.freq);
  if (hz < kMinFrequencyHz || hz > kMaxFrequencyHz)
    return "frequency " + Value(f.freq) + " Hz is outside the box's range " + std::to_string(kMinFrequencyHz) + ".." +
           std::to_string(kMaxFrequencyHz) + " Hz";
  if (f.q < kMinBandQ || f.q > kMaxBandQ)
    return "Q " + Value(f.q) + " is outside the box's range " + Value(kMinBandQ) + ".." + Value(kMaxBandQ);
  if (f.gain < kBandGainLimits.minimum || f.gain > kBandGainLimits.maximum)
    return "gain " + Value(f.gain) + " dB is outside the box's range " + Value(kBandGainLimits.minimum) + ".." +
           Value(kBandGainLimits.maximum) + " dB";
  return {};
}

/// The section of the text meant for `output`, -1 for all filters, -2 for none.
int ChosenSection(const FilterText& text, int output) {
  if (text.sections.empty()) return -1;
  if (std::find(text.sections.begin(), text.sections.end(), output) != text.sections.end()) return output;
  const bool one = std::all_of(text.sections.begin(), text.sections.end(),
                               [&text](int s) { return s == text.sections.front(); });
  return one ? text.sections.front() : -2;
}

}  // namespace

EqImportPlan PlanEqImport(const FilterText& text, const Profile& live, int output) {
  EqImportPlan plan;
  plan.problems = text.problems;
  const int section = ChosenSection(text, output);
  if (section == -2) {
    plan.problems.push_back({0, "the file holds filters of other outputs only, not of CH" + std::to_string(output + 1)});
    return plan;
  }
  const auto bands = static_cast<std::size_t>(EqSize(live, output));
  for (const TextFilter& f : text.filters) {
    if (section >= 0 && f.section != section) continue;
    std::string why;
    if (!f.peaking) why = "filter type " + f.type + " is not a peaking filter (PK), the only kind a band can be";
    else why = OutOfRange(f);
    if (why.empty() && plan.bands.size() >= bands)
      why = "more filters than the output's " + std::to_string(bands) + " bands";
    if (!why.empty()) {
      plan.problems.push_back({f.line, std::move(why)});
      continue;
    }
    plan.bands.push_back(EqBand{static_cast<float>(f.gain), static_cast<float>(f.q),
                                static_cast<int>(std::lround(f.freq)), 1});
  }
  std::stable_sort(plan.problems.begin(), plan.problems.end(),
                   [](const TextProblem& a, const TextProblem& b) { return a.line < b.line; });
  return plan;
}

std::vector<std::string> ProblemLines(const std::vector<TextProblem>& problems) {
  std::vector<std::string> lines;
  for (const TextProblem& p : problems)
    lines.push_back(p.line > 0 ? "line " + std::to_string(p.line) + ": " + p.text : p.text);
  return lines;
}

FilterFileResult PlanEqImportFile(const std::string& path, const Profile& live, int output, EqImportPlan& plan) {
  std::string text;
  if (!ReadTextFile(path, kMaxFilterTextBytes, text)) return FilterFileResult::OpenError;
  if (text.size() > kMaxFilterTextBytes) return FilterFileResult::TooLarge;
  plan = PlanEqImport(ReadFilterText(text), live, output);
  return FilterFileResult::Ok;
}

std::string EqExportText(const Profile& live, std::span<const int> outputs,
                         const std::function<std::string(int role)>& roleName) {
  std::vector<FilterTextOutput> written;
  for (int o : outputs) {
    if (!IsOutput(o)) continue;
    written.push_back({o, roleName ? roleName(live.outputs[At(o)]) : std::string{},
                       Bands(live, o).first(At(EqSize(live, o))), live.channels[At(o)].bypass != 0});
  }
  return WriteFilterText(written);
}

}  // namespace qb

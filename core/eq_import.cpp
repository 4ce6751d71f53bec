#include "core/eq_import.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "core/ascii_text.h"
#include "core/eq_editor.h"
#include "core/eq_values.h"
#include "core/text_file.h"

namespace qb {
namespace {

/// Why a filter cannot be a band: not a peaking filter, or a value outside the box's
/// ranges; an empty text when it can.
std::string Unusable(const TextFilter& f) {
  if (!f.peaking) return "filter type " + f.type + " is not a peaking filter (PK), the only kind a band can be";
  if (!(f.freq >= kMinFrequencyHz - 0.5 && f.freq < kMaxFrequencyHz + 0.5))
    return "frequency " + ShortNumber(f.freq) + " Hz is outside the box's range " + std::to_string(kMinFrequencyHz) + ".." +
           std::to_string(kMaxFrequencyHz) + " Hz";
  if (!(f.q >= kMinBandQ && f.q <= kMaxBandQ))
    return "Q " + ShortNumber(f.q) + " is outside the box's range " + ShortNumber(kMinBandQ) + ".." + ShortNumber(kMaxBandQ);
  if (!(f.gain >= kBandGainLimits.minimum && f.gain <= kBandGainLimits.maximum))
    return "gain " + ShortNumber(f.gain) + " dB is outside the box's range " + ShortNumber(kBandGainLimits.minimum) + ".." +
           ShortNumber(kBandGainLimits.maximum) + " dB";
  return {};
}

/// A usable filter as the band the box holds: frequency to the nearest Hz, Q and gain to the
/// nearest tenth.
EqBand BandOf(const TextFilter& f) {
  return BoxBand(EqBand{static_cast<float>(f.gain), static_cast<float>(f.q), static_cast<int>(std::lround(f.freq)),
                        static_cast<std::uint8_t>(f.on ? 1 : 0)});
}

/// The section of the text meant for `output`, -1 for all filters, -2 for none.
int ChosenSection(const FilterText& text, int output) {
  if (text.sections.empty()) return -1;
  const auto named = [&text](int o) {
    return std::any_of(text.sections.begin(), text.sections.end(), [o](const TextSection& s) { return s.output == o; });
  };
  if (named(output)) return output;
  const int first = text.sections.front().output;
  const bool one = std::all_of(text.sections.begin(), text.sections.end(),
                               [first](const TextSection& s) { return s.output == first; });
  return one ? first : -2;
}

/// Another tool's text: its switched-on filters packed into the first bands.
void PackFilters(const FilterText& text, std::size_t bands, EqImportPlan& plan) {
  for (const TextFilter& f : text.filters) {
    if (!f.on) continue;
    std::string why = Unusable(f);
    if (why.empty() && plan.bands.size() >= bands)
      why = "more filters than the output's " + std::to_string(bands) + " bands";
    if (!why.empty()) {
      plan.problems.push_back({f.line, std::move(why)});
      continue;
    }
    plan.bands.push_back(BandOf(f));
  }
}

/// This program's text: the section's filters at their numbered bands ("Filter N:" is band
/// N; a filter without a number follows the one before it), switched on or off as written,
/// and the section's bypass. A band left out between them goes flat, as the bands after the
/// last one do on import.
void PlaceSectionFilters(const FilterText& text, int section, std::span<const EqBand> row, EqImportPlan& plan) {
  for (const TextSection& s : text.sections)
    if (s.output == section && s.bypassed) plan.bypassed = s.bypassed;
  std::vector<std::optional<EqBand>> placed(row.size());
  int position = -1;
  for (const TextFilter& f : text.filters) {
    if (f.section != section) continue;
    position = f.number >= 0 ? f.number - 1 : position + 1;
    std::string why = Unusable(f);
    if (why.empty() && (position < 0 || At(position) >= row.size()))
      why = "filter " + std::to_string(position + 1) + " has no band: the output has " + std::to_string(row.size()) +
            " bands";
    else if (why.empty() && placed[At(position)])
      why = "filter " + std::to_string(position + 1) + " is given twice; the first is kept";
    if (!why.empty()) {
      plan.problems.push_back({f.line, std::move(why)});
      continue;
    }
    placed[At(position)] = BandOf(f);
  }
  const auto last = std::find_if(placed.rbegin(), placed.rend(), [](const auto& band) { return band.has_value(); });
  const auto count = static_cast<std::size_t>(placed.rend() - last);
  for (std::size_t b = 0; b < count; ++b)
    plan.bands.push_back(placed[b] ? *placed[b] : BoxBand(EqBand{0.0f, row[b].eqFactor, row[b].freq, 1}));
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
  const auto row = Bands(live, output).first(At(EqSize(live, output)));
  if (section >= 0) PlaceSectionFilters(text, section, row, plan);
  else PackFilters(text, row.size(), plan);
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

#pragma once
/// Filter texts to and from the outputs' equalisers.
///
/// What a filter text can become on one output: its peaking filters as bands, in order,
/// and line by line what cannot be represented (another type, a value outside the box's
/// ranges, more filters than the output has bands). Nothing changes here; the front end
/// shows the problems, asks, and hands the bands to EqEditor::ImportBands.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/filter_text.h"
#include "core/profile.h"

namespace qb {

struct EqImportPlan {
  std::vector<EqBand> bands;
  std::vector<TextProblem> problems;
};

/// The filters of `text` meant for `output`: when the text has sections ("Output: CHn"
/// headers), those of the output's own section, or of the only section there is; without
/// sections, all of them.
EqImportPlan PlanEqImport(const FilterText& text, const Profile& live, int output);

/// The problems as lines ("line 7: ..."), for a message or the command line.
std::vector<std::string> ProblemLines(const std::vector<TextProblem>& problems);

/// Filter texts are a few kilobytes; a larger file is not one.
inline constexpr std::size_t kMaxFilterTextBytes = 1024 * 1024;

enum class FilterFileResult { Ok, OpenError, TooLarge };

/// Reads the filter text file at `path` and plans its import into `output`.
FilterFileResult PlanEqImportFile(const std::string& path, const Profile& live, int output, EqImportPlan& plan);

/// The filter text of `outputs` (0..7) of `live`, their bands in use; `roleName` names a
/// role code for the headers.
std::string EqExportText(const Profile& live, std::span<const int> outputs,
                         const std::function<std::string(int role)>& roleName);

}  // namespace qb

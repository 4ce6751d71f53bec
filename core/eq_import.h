#pragma once
/// Filter texts to and from the outputs' equalisers.
///
/// What a filter text can become on one output, and line by line what cannot be represented
/// (another type, a value outside the box's ranges, a filter with no band to go to). Values
/// land on the box's steps (whole Hz, Q and gain in tenths), so what is imported is what the
/// box holds. Nothing changes here; the front end shows the problems, asks, and hands the
/// bands and the bypass to EqEditor::ImportBands.
///
/// Two kinds of text:
/// - This program's own, recognised by its "Output: CHn" sections: filter N is band N, an
///   "OFF" filter a switched-off band that keeps its values, and the section's "Bypass:" line
///   the equaliser's bypass, so an exported output reads back exactly as it was. A band the
///   section leaves out goes flat.
/// - Any other tool's: its switched-on peaking filters become the first bands, in order; its
///   "OFF" filters are skipped, as the tool does not apply them, and the bypass is left to
///   the import's flat rule.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/filter_text.h"
#include "core/profile.h"

namespace qb {

struct EqImportPlan {
  /// The output's bands from its first: band i becomes bands[i].
  std::vector<EqBand> bands;
  /// The equaliser's bypass as the text states it; nothing when the text does not.
  std::optional<bool> bypassed;
  std::vector<TextProblem> problems;
};

/// The filters of `text` meant for `output`: when the text has sections, those of the
/// output's own section, or of the only section there is; without sections, all of them.
EqImportPlan PlanEqImport(const FilterText& text, const Profile& live, int output);

/// The problems as lines ("line 7: ..."), for a message or the command line.
std::vector<std::string> ProblemLines(const std::vector<TextProblem>& problems);

/// Filter texts are a few kilobytes; a larger file is not one.
inline constexpr std::size_t kMaxFilterTextBytes = 1024 * 1024;

enum class FilterFileResult { Ok, OpenError, TooLarge };

/// Reads the filter text file at `path` and plans its import into `output`.
FilterFileResult PlanEqImportFile(const std::string& path, const Profile& live, int output, EqImportPlan& plan);

/// The filter text of `outputs` (0..7) of `live`: their bands in use and their bypass;
/// `roleName` names a role code for the headers.
std::string EqExportText(const Profile& live, std::span<const int> outputs,
                         const std::function<std::string(int role)>& roleName);

}  // namespace qb

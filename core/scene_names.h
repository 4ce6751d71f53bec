#pragma once
/// The one check of a scene name before it reaches the box, for the scene window, the
/// command line and whole-configuration files alike: a name the box cannot hold exactly
/// (too long, not in the code page of the UI language) or one another scene already has is
/// refused before anything is sent, never stored as something else.

#include <string>
#include <string_view>

#include "core/equalizer_mirror.h"

namespace qb {

/// UTF-16 code units a scene name holds at most (a character beyond U+FFFF counts as two).
inline constexpr std::size_t kMaxSceneNameUnits = kSceneNameUnits - 1;

enum class SceneNameProblem {
  None,
  Empty,             ///< an empty name reads as an empty slot
  TooLong,           ///< more than kMaxSceneNameUnits units, or more bytes than the box keeps
  ControlCharacter,  ///< a tab, a line break or another control character
  NotInCodePage,     ///< a character the box's code page cannot hold
  TakenByOtherScene, ///< another scene already has this name
};

struct SceneNameCheck {
  SceneNameProblem problem = SceneNameProblem::None;
  int otherScene = 0;  ///< TakenByOtherScene: the scene (1..10) with that name

  bool Ok() const { return problem == SceneNameProblem::None; }
};

/// The problems a name has whatever the code page and the other scenes: empty, too many
/// units, a control character. The command line checks these before it opens the box.
SceneNameProblem SceneNameTextProblem(std::u16string_view name);

/// Checks `name` as the new name of scene `scene` (1..10) among `names` (scenes 1..10) in
/// `codePage`. The scene's own current name never counts as taken.
SceneNameCheck CheckSceneName(const std::array<SceneName, kSceneSlots>& names, int scene, std::u16string_view name,
                              std::string_view codePage);

/// Checks a whole set of names, as a whole-configuration file brings them: every non-empty
/// name must fit and be in the code page, and no two scenes may share one. The first problem
/// found, with `scene` the scene it was found on (and otherScene the earlier one it repeats).
struct SceneNameSetCheck {
  SceneNameCheck check;
  int scene = 0;
};
SceneNameSetCheck CheckSceneNames(const std::array<SceneName, kSceneSlots>& names, std::string_view codePage);

/// A short English sentence naming the problem, for logs and the command line.
std::string SceneNameProblemText(const SceneNameCheck& check);

/// The name held in a slot, up to its terminator.
std::u16string_view SceneNameText(const SceneName& slot);

}  // namespace qb

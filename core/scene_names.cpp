#include "core/scene_names.h"

#include <algorithm>

#include "core/code_page.h"
#include "devicelink/scene_records.h"

namespace qb {
namespace {

bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit < 0xA0); }

/// Problems of the name alone, whatever the other scenes are called.
SceneNameProblem ProblemOfText(std::u16string_view name, std::string_view codePage) {
  if (const SceneNameProblem problem = SceneNameTextProblem(name); problem != SceneNameProblem::None) return problem;
  // A character the code page lacks would reach the box as '?': only a name that comes
  // back from the box's bytes unchanged is the name the user gave.
  const std::string bytes = ToCodePage(name, codePage);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (FromCodePage(std::span<const std::uint8_t>(data, bytes.size()), codePage) != name)
    return SceneNameProblem::NotInCodePage;
  // The box keeps the bytes zero-terminated.
  if (bytes.size() >= kSceneNameBytes) return SceneNameProblem::TooLong;
  return SceneNameProblem::None;
}

}  // namespace

SceneNameProblem SceneNameTextProblem(std::u16string_view name) {
  if (name.empty()) return SceneNameProblem::Empty;
  if (name.size() > kMaxSceneNameUnits) return SceneNameProblem::TooLong;
  if (std::any_of(name.begin(), name.end(), IsControl)) return SceneNameProblem::ControlCharacter;
  return SceneNameProblem::None;
}

std::u16string_view SceneNameText(const SceneName& slot) {
  const auto end = std::find(slot.begin(), slot.end(), u'\0');
  return std::u16string_view(slot.data(), static_cast<std::size_t>(end - slot.begin()));
}

SceneNameCheck CheckSceneName(const std::array<SceneName, kSceneSlots>& names, int scene, std::u16string_view name,
                              std::string_view codePage) {
  if (const SceneNameProblem problem = ProblemOfText(name, codePage); problem != SceneNameProblem::None)
    return {problem, 0};
  for (int other = 1; other <= kSceneCount; ++other) {
    if (other != scene && SceneNameText(names[At(other - 1)]) == name)
      return {SceneNameProblem::TakenByOtherScene, other};
  }
  return {};
}

SceneNameSetCheck CheckSceneNames(const std::array<SceneName, kSceneSlots>& names, std::string_view codePage) {
  for (int scene = 1; scene <= kSceneCount; ++scene) {
    const std::u16string_view name = SceneNameText(names[At(scene - 1)]);
    if (name.empty()) continue;
    if (const SceneNameProblem problem = ProblemOfText(name, codePage); problem != SceneNameProblem::None)
      return {{problem, 0}, scene};
    for (int earlier = 1; earlier < scene; ++earlier) {
      if (SceneNameText(names[At(earlier - 1)]) == name) return {{SceneNameProblem::TakenByOtherScene, earlier}, scene};
    }
  }
  return {};
}

std::string SceneNameProblemText(const SceneNameCheck& check) {
  switch (check.problem) {
    case SceneNameProblem::None: return "the name can be stored";
    case SceneNameProblem::Empty: return "a scene name must not be empty: an unnamed scene reads as an empty slot";
    case SceneNameProblem::TooLong:
      return "the name is too long: the box keeps " + std::to_string(kMaxSceneNameUnits) +
             " characters of a scene name (one beyond U+FFFF counts as two)";
    case SceneNameProblem::ControlCharacter: return "a scene name must not hold a control character (a tab, a line break, ...)";
    case SceneNameProblem::NotInCodePage:
      return "the scene name holds a character the box cannot store in the code page of the chosen language";
    case SceneNameProblem::TakenByOtherScene:
      return "scene " + std::to_string(check.otherScene) + " already has this name";
  }
  return {};
}

}  // namespace qb

// The one check of a scene name: what the box cannot keep exactly, or a name another scene
// has, is refused before anything is sent.
#include <gtest/gtest.h>

#include <string>

#include "core/scene_names.h"

namespace qb {
namespace {

std::array<SceneName, kSceneSlots> Names(std::initializer_list<std::pair<int, std::u16string>> named) {
  std::array<SceneName, kSceneSlots> names{};
  for (const auto& [scene, name] : named)
    std::copy(name.begin(), name.end(), names[static_cast<std::size_t>(scene - 1)].begin());
  return names;
}

TEST(SceneNameCheck, RefusesWhatTheBoxCannotKeepAndNamesTakenByOtherScenes) {
  const auto names = Names({{2, u"Road"}, {5, u"Night"}});
  struct Case {
    int scene;
    std::u16string name;
    const char* codePage;
    SceneNameProblem problem;
    int other;
  };
  const Case cases[] = {
      {3, u"Club", "CP1252", SceneNameProblem::None, 0},
      {2, u"Road", "CP1252", SceneNameProblem::None, 0},  // its own name again
      {3, u"Road", "CP1252", SceneNameProblem::TakenByOtherScene, 2},
      {3, u"", "CP1252", SceneNameProblem::Empty, 0},
      {3, u"Symphony", "CP1252", SceneNameProblem::TooLong, 0},
      {3, u"a\tb", "CP1252", SceneNameProblem::ControlCharacter, 0},
      // Cyrillic has no place in the Western code page, and becomes '?' there.
      {3, u"\u041A\u043B\u0443\u0431", "CP1252", SceneNameProblem::NotInCodePage, 0},
      {3, u"\u041A\u043B\u0443\u0431", "CP1251", SceneNameProblem::None, 0},
      {3, u"Caf\u00E9", "CP1252", SceneNameProblem::None, 0},
      {3, u"\u4E2D\u6587\u573A\u666F", "CP936", SceneNameProblem::None, 0},
      {3, u"Caf?", "CP1252", SceneNameProblem::None, 0},  // a question mark of the user's own
  };
  for (const Case& c : cases) {
    const SceneNameCheck check = CheckSceneName(names, c.scene, c.name, c.codePage);
    EXPECT_EQ(check.problem, c.problem) << std::string(c.name.begin(), c.name.end()) << " in " << c.codePage;
    EXPECT_EQ(check.otherScene, c.other);
  }
}

TEST(SceneNameCheck, ASetOfNamesFromAFileIsCheckedAsAWhole) {
  EXPECT_TRUE(CheckSceneNames(Names({{1, u"A"}, {2, u"B"}}), "CP1252").check.Ok());
  const SceneNameSetCheck twice = CheckSceneNames(Names({{1, u"A"}, {4, u"B"}, {9, u"A"}}), "CP1252");
  EXPECT_EQ(twice.check.problem, SceneNameProblem::TakenByOtherScene);
  EXPECT_EQ(twice.scene, 9);
  EXPECT_EQ(twice.check.otherScene, 1);
  const SceneNameSetCheck foreign = CheckSceneNames(Names({{6, u"\u4E2D"}}), "CP1252");
  EXPECT_EQ(foreign.check.problem, SceneNameProblem::NotInCodePage);
  EXPECT_EQ(foreign.scene, 6);
}

}  // namespace
}  // namespace qb

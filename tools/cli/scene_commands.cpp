// scenes and scene: the ten scenes stored in the box, and loading, saving and deleting one
// through the core's scene service, as the scene window does.
#include "core/scene_names.h"
#include "tools/cli/box_records.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

std::optional<std::u16string> SceneNameWord(Words& words) {
  const auto word = words.Next("scene name");
  if (!word) return std::nullopt;
  const auto name = Utf16FromUtf8(*word);
  if (!name) return words.Fail("scene name is not valid UTF-8 text");
  // What the box's code page and the other scenes say is asked once the box is open.
  if (const SceneNameProblem problem = SceneNameTextProblem(*name); problem != SceneNameProblem::None)
    return words.Fail("scene name " + Quoted(*word) + ": " + SceneNameProblemText({problem}));
  return name;
}

std::optional<SceneRequest> ParseScene(Words& words) {
  const auto action = words.Next("what to do with the scene (load, save, delete)");
  if (!action) return std::nullopt;
  SceneRequest request;
  if (*action == "load") {
    request.action = SceneAction::Load;
  } else if (*action == "save") {
    request.action = SceneAction::Save;
  } else if (*action == "delete") {
    request.action = SceneAction::Delete;
  } else {
    return words.Fail("unknown scene action " + Quoted(*action) + " (load, save, delete)");
  }
  const auto scene = words.Int("scene", 1, kSceneCount);
  if (!scene) return std::nullopt;
  request.scene = *scene;
  if (request.action == SceneAction::Save) {
    auto name = SceneNameWord(words);
    if (!name) return std::nullopt;
    request.name = std::move(*name);
  }
  words.ExpectEnd("scene " + std::string(*action));
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseSceneInto(Words& words, Invocation& invocation) {
  if (auto request = ParseScene(words)) invocation.scene = std::move(*request);
}

std::string ScenesHelp() {
  return "Usage: quorelbox-cli [OPTIONS] scenes\n"
         "\n"
         "Lists the ten scenes stored in the box: number, name (a slot without a name is\n"
         "shown as empty) and which one the box reports as current. With --json one object:\n"
         "\"current\" (null for none) and \"scenes\", each with scene, name, empty, valid\n"
         "(the box says the slot holds settings) and current.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

std::string SceneHelp() {
  return "Usage: quorelbox-cli [OPTIONS] scene load|save|delete N [NAME]\n"
         "\n"
         "  scene load N          the box copies scene N (1..10) into its live settings,\n"
         "                        which are read back and shown as 'status' shows them;\n"
         "                        an empty scene is refused\n"
         "  scene save N NAME     stores the live settings as scene N named NAME, over what\n"
         "                        scene N held; NAME is 1..7 characters (one beyond U+FFFF\n"
         "                        counts as two) that the box's code page can hold, and no\n"
         "                        other scene may have it\n"
         "  scene delete N        clears scene N and its name\n"
         "\n"
         "Each waits up to 20 s for the box. A refused NAME or an empty scene to load is a\n"
         "bad argument (exit 2) and leaves the box as it was; a save the box does not\n"
         "confirm is exit 4.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- scenes -----------------------------------------------------------------------------------

Value SceneListRecord(const EqualizerMirror& mirror) {
  const int current = CurrentScene(mirror);
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("current", current != 0 ? Value(current) : Value());
  List scenes;
  for (int n = 1; n <= kSceneCount; ++n) {
    Record scene;
    const Value name = SceneNameValue(mirror, n);
    scene.Add("scene", n);
    scene.Add("name", name);
    scene.Add("empty", name.Text().empty()).JsonOnly();
    scene.Add("valid", (mirror.sceneValid >> (n - 1) & 1u) != 0).JsonOnly();
    scene.Add("current", Value(n == current).Spelled(n == current ? "(current)" : "")).Label("");
    scenes.Add(std::move(scene));
  }
  record.Add("scenes", std::move(scenes));
  return record;
}

Outcome Scenes(BoxRun& box, const Invocation&) {
  // The read-out brings the names; which scene is current only the box's answer to this
  // question says.
  bool answered = false;
  const BoxRun::Listening listening(box, [&answered](const ReplyMessage& message) {
    if (message.number == WM_SCENE_ID) answered = true;
    return false;
  });
  if (!box.Core().Scenes().AskCurrentScene() || !box.PumpUntil([&answered] { return answered; }, kAnswerGrace))
    box.Warn("the box did not say which scene is current");
  return Outcome::Done(SceneListRecord(box.Mirror()));
}

// --- scene ------------------------------------------------------------------------------------

/// Why scene `scene` cannot be loaded, or nothing. A box refuses to load a slot that holds
/// nothing and keeps its live settings, which would then be reported as the scene's.
std::string UnloadableScene(const EqualizerMirror& mirror, int scene) {
  const bool named = mirror.sceneNames[At(scene - 1)][0] != u'\0';
  const bool valid = (mirror.sceneValid >> (scene - 1) & 1u) != 0;
  if (named || valid) return {};
  return "scene " + std::to_string(scene) + " is empty: there is nothing to load";
}

/// Why the box cannot take `request.name` for its scene, or nothing: the core's check, so a
/// script gets the window's answer before anything reaches the box.
std::string RefusedName(const SceneService& scenes, const SceneRequest& request) {
  const SceneNameCheck check = scenes.CheckName(request.scene, request.name);
  if (check.Ok()) return {};
  return "scene name '" + Utf8Name(request.name) + "' refused: " + SceneNameProblemText(check);
}

/// What a scene command left: the live state after a load (as `status` shows it), the scene
/// and its name after a save or a delete.
Value SceneRecord(const EqualizerMirror& mirror, const SceneRequest& request) {
  Record record;
  if (request.action == SceneAction::Load) {
    record = StateRecord(mirror, false);
  } else {
    record.Add("ok", true).JsonOnly();
  }
  record.Add("action", request.action == SceneAction::Load   ? "loaded"
                       : request.action == SceneAction::Save ? "saved"
                                                             : "deleted");
  record.Add("scene", request.scene);
  record.Add("name", SceneNameValue(mirror, request.scene));
  return record;
}

Outcome Scene(BoxRun& box, const Invocation& invocation) {
  const SceneRequest& request = invocation.scene;
  SceneService& scenes = box.Core().Scenes();
  bool saved = false;
  bool deleted = false;
  const BoxRun::Listening listening(box, [&](const ReplyMessage& message) {
    // Names and the valid mask come with a record; the saved notice has none.
    if (message.number == WM_SCENE_REPLY && !message.record) saved = true;
    if (message.number == WM_SCENE_DELETED) deleted = true;
    return false;
  });
  bool started = false;
  std::string what;
  switch (request.action) {
    case SceneAction::Load:
      if (std::string problem = UnloadableScene(box.Mirror(), request.scene); !problem.empty())
        return Outcome::Failed(kExitBadArgument, problem);
      started = scenes.LoadScene(request.scene, box.Window());
      what = "the scene load";
      break;
    case SceneAction::Save:
      if (std::string problem = RefusedName(scenes, request); !problem.empty())
        return Outcome::Failed(kExitBadArgument, problem);
      started = scenes.SaveScene(request.scene, request.name, box.Window());
      what = "the scene save";
      break;
    case SceneAction::Delete:
      started = scenes.DeleteScene(request.scene, box.Window());
      what = "the scene delete";
      break;
  }
  if (!started) return Outcome::Failed(kExitBoxRefused, "the box is busy with another task");
  if (std::string problem = box.AwaitTask(box.Options().sceneTimeout, what); !problem.empty())
    return Outcome::Failed(kExitBoxRefused, problem);
  const std::string scene = "scene " + std::to_string(request.scene);
  // The window tells the user a scene was saved only on the box's notice; a box that
  // refused the save sends none, and a script must not believe its scene is kept.
  if (request.action == SceneAction::Save && !box.PumpUntil([&saved] { return saved; }, kAnswerGrace))
    return Outcome::Failed(kExitBoxRefused, "the box did not confirm that " + scene + " was saved");
  if (request.action == SceneAction::Delete && !box.PumpUntil([&deleted] { return deleted; }, kAnswerGrace))
    box.Warn("the box did not confirm that " + scene + " was deleted");
  if (std::string problem = box.Drain(); !problem.empty()) return Outcome::Failed(kExitBoxRefused, problem);
  return Outcome::Done(SceneRecord(box.Mirror(), request));
}

}  // namespace

constinit const CommandFamily kScenesCommand{Command::Scenes, "scenes", NoArguments, ScenesHelp, Scenes};
constinit const CommandFamily kSceneCommand{Command::Scene, "scene", ParseSceneInto, SceneHelp, Scene};

}  // namespace qb::cli

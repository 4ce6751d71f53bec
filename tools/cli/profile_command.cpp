// profile: the box's settings to a profile file or a file's into the box, through the
// core's scene service, as the window's file menu does.
#include <algorithm>
#include <cctype>

#include "tools/cli/box_run.h"
#include "tools/cli/cli_text.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

// --- the words --------------------------------------------------------------------------------

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char lower, char c) { return std::tolower(static_cast<unsigned char>(c)) == lower; });
}

std::optional<ProfileRequest> ParseProfile(Words& words) {
  const auto action = words.Choice("profile action", "save", "load");
  if (!action) return std::nullopt;
  const auto path = words.Next("profile FILE");
  if (!path) return std::nullopt;
  ProfileRequest request{*action, ProfileKind::Scene, std::string(*path)};
  if (EndsWithNoCase(*path, ".spf")) {
    request.kind = ProfileKind::Scene;
  } else if (EndsWithNoCase(*path, ".wpf")) {
    request.kind = ProfileKind::Whole;
  } else {
    return words.Fail("profile file " + Quoted(*path) +
                      " must end in .spf (the live settings) or .wpf (every scene and the live settings)");
  }
  words.ExpectEnd(std::string("profile ") + (*action ? "save " : "load ") + "FILE");
  if (words.Failed()) return std::nullopt;
  return request;
}

void ParseProfileInto(Words& words, Invocation& invocation) {
  if (auto request = ParseProfile(words)) invocation.profile = std::move(*request);
}

std::string ProfileHelp() {
  return "Usage: quorelbox-cli [OPTIONS] profile save|load FILE\n"
         "\n"
         "  profile save FILE.spf  writes the live settings to FILE\n"
         "  profile save FILE.wpf  reads every scene and the live settings back from the box\n"
         "                         and writes them, with the scene names, to FILE\n"
         "  profile load FILE.spf  writes FILE's settings into the box's live settings\n"
         "  profile load FILE.wpf  writes FILE's ten scenes, their names and its live\n"
         "                         settings into the box\n"
         "\n"
         "The extension (.spf or .wpf, in any case) says what the file holds; any other\n"
         "is a bad argument (exit 2). Neither kind holds the input source, the amplifier\n"
         "or the karaoke settings; a load leaves those as they are. A file is read in full\n"
         "before anything is sent: one that cannot be read, is damaged or belongs to\n"
         "another model changes nothing (exit 1). A file that cannot be written is left as\n"
         "it was (exit 1). A whole configuration may take up to a minute either way.\n"
         "Exit status as in 'quorelbox-cli --help'.\n";
}

// --- the run ----------------------------------------------------------------------------------

/// One line saying why `path` could not be read or written (`result` is not Ok).
std::string ProfileProblem(ProfileFileResult result, const std::string& path) {
  switch (result) {
    case ProfileFileResult::Ok: break;
    case ProfileFileResult::OpenError: return "cannot open " + path;
    case ProfileFileResult::NotJson:
      return path + " is not a profile file (it does not read as JSON); nothing was changed";
    case ProfileFileResult::LoadError: return path + " is damaged or incomplete; nothing was changed";
    case ProfileFileResult::ModelMismatch: return path + " is a profile for another model";
    case ProfileFileResult::CreateError: return "cannot write " + path + "; an older file was left as it was";
    case ProfileFileResult::BoxLeft: return "the box left before every scene was read; " + path + " was not written";
    case ProfileFileResult::SceneNameRefused:
      return path + " names a scene the box cannot keep (too long, a character the box cannot show, or the same "
                    "name twice); nothing was changed";
    case ProfileFileResult::TaskBusy: return "the box is busy with another task; " + path + " was not used";
  }
  return path + ": unexpected profile file result";
}

/// Reads every scene back from the box and writes the whole configuration.
std::string SaveWhole(BoxRun& box, const std::string& path, int& code) {
  std::optional<ProfileFileResult> written;  // set when the service wrote (or gave up on) the file
  code = kExitBoxRefused;
  if (!box.Core().Scenes().SaveWholeProfile(path, [&written](ProfileFileResult file) { written = file; }))
    return "the box is busy with another task";
  if (std::string problem = box.AwaitTask(box.Options().transferTimeout, "the read of every scene"); !problem.empty()) {
    // A box that left is known to the service too, which then writes no file.
    if (written == ProfileFileResult::BoxLeft) problem += "; " + path + " was not written";
    else if (written == ProfileFileResult::Ok) problem += "; " + path + " may be incomplete";
    return problem;
  }
  if (!written) return "the box was read, but " + path + " was not written";
  code = kExitFailure;
  return *written == ProfileFileResult::Ok ? "" : ProfileProblem(*written, path);
}

/// Reads the file and writes its settings into the box on the service's task.
std::string Load(BoxRun& box, const ProfileRequest& request, int& code) {
  SceneService& scenes = box.Core().Scenes();
  const std::string& path = request.path;
  const ProfileFileResult file =
      request.kind == ProfileKind::Whole ? scenes.LoadWholeProfile(path) : scenes.LoadSceneProfile(path);
  code = kExitFailure;
  if (file != ProfileFileResult::Ok) return ProfileProblem(file, path);
  code = kExitBoxRefused;
  // The service writes the file into the box on a task; none started means none was sent.
  if (!box.Session().Busy()) return "the box is busy: " + path + " was not written to it";
  if (std::string problem = box.AwaitTask(box.Options().transferTimeout, "the write of " + path); !problem.empty())
    return problem;
  return box.Drain();
}

Outcome RunProfile(BoxRun& box, const Invocation& invocation) {
  const ProfileRequest& request = invocation.profile;
  int code = kExitFailure;
  std::string problem;
  if (request.save && request.kind == ProfileKind::Scene) {
    // The live settings were read at connect: nothing to ask the box.
    const ProfileFileResult file = box.Core().Scenes().SaveSceneProfile(request.path);
    if (file != ProfileFileResult::Ok) problem = ProfileProblem(file, request.path);
  } else {
    problem = request.save ? SaveWhole(box, request.path, code) : Load(box, request, code);
  }
  if (!problem.empty()) return Outcome::Failed(code, problem);
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("action", request.save ? "saved" : "loaded");
  record.Add("kind", request.kind == ProfileKind::Whole ? "whole" : "scene");
  record.Add("file", request.path);
  return Outcome::Done(std::move(record));
}

}  // namespace

constinit const CommandFamily kProfileCommand{Command::Profile, "profile", ParseProfileInto, ProfileHelp, RunProfile};

}  // namespace qb::cli

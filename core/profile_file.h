#pragma once
/// The two profile files the user saves and loads: a scene profile (.spf) holds one settings
/// set, a whole configuration (.wpf) the live settings, the ten stored scenes and their
/// names. Both are one line of JSON that other tools of the box exchange too, so the key
/// order and the way numbers are printed are part of the format.
///
/// Neither file holds the input source, the amplifier, karaoke, compressor, mix phases or
/// the synchronize state: a load leaves those of the target as they were, as it leaves the
/// values that describe the connected box (model, versions).

#include <array>
#include <string>
#include <string_view>

#include "core/equalizer_mirror.h"
#include "core/profile.h"

namespace qb {

enum class ProfileFileResult {
  Ok,
  OpenError,      ///< the file could not be opened or read
  NotJson,        ///< the text is not JSON at all
  LoadError,      ///< JSON, but something is missing, of the wrong kind or out of range
  ModelMismatch,  ///< a profile of another model
  CreateError,    ///< the file could not be written; an older file is left as it was
  BoxLeft,        ///< the box left before everything was read: no file was written
};

/// Everything a whole configuration carries.
struct WholeProfile {
  Profile current;
  std::array<Profile, kSceneSlots> scenes;     ///< scenes 1..10
  std::array<SceneName, kSceneSlots> names{};  ///< names of scenes 1..10

  bool operator==(const WholeProfile&) const = default;
};

/// The exact text of a scene profile of `profile`. Floats are printed with the fewest digits
/// that read back as the same float (a Q of 5.8 is written 5.8), whole numbers without a
/// fraction. An `eqSize` outside 0..31 is written held to that range, so the band list
/// always matches it.
std::string SceneProfileText(const Profile& profile);

/// The exact text of a whole configuration. A name slot is written with its last code unit
/// cleared, as a load would read it.
std::string WholeProfileText(const WholeProfile& whole);

/// Reads a scene profile into the fields of `profile` that the file carries. Anything but
/// Ok leaves `profile` exactly as it was. Every key must be present with the right kind and
/// within range; the crossover filters' frequency, family and slope are held by the
/// CrossoverFilter setters instead. Whole-number fields take the integer part of what is
/// read (a gain of -12.5 dB loads as -12), a delay keeps its fraction, a band whose
/// "enable" is not 0 is enabled.
ProfileFileResult ParseSceneProfile(std::string_view text, Profile& profile);

/// Reads a whole configuration into `whole` by the rules of ParseSceneProfile: the main
/// volumes into `current`, the settings sets into `current` and the scenes, all ten names.
/// Anything but Ok leaves all of `whole` as it was.
ProfileFileResult ParseWholeProfile(std::string_view text, WholeProfile& whole);

/// The Parse functions on a file's content; OpenError when it cannot be read.
ProfileFileResult ReadSceneProfileFile(const std::string& path, Profile& profile);
ProfileFileResult ReadWholeProfileFile(const std::string& path, WholeProfile& whole);

/// Writes the text atomically: the file at `path` is either replaced completely or, on
/// CreateError (missing folder, no permission, disk full), left as it was.
ProfileFileResult WriteSceneProfileFile(const Profile& profile, const std::string& path);
ProfileFileResult WriteWholeProfileFile(const WholeProfile& whole, const std::string& path);

/// The language key shown for `result`. A text that is not JSON counts as a file that
/// cannot be opened for a scene profile but as a damaged one for a whole configuration.
const char* ProfileFileMessage(ProfileFileResult result, bool wholeConfiguration);

}  // namespace qb

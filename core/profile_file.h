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
#include <cstdint>
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
  SceneNameRefused,  ///< a whole configuration's scene name the box cannot keep, or one twice
  TaskBusy,       ///< another task owns the box: nothing was read, changed or sent
};

/// Every stored scene slot, bit n - 1 for scene n.
inline constexpr std::uint16_t kAllScenesValid = (1u << kSceneCount) - 1;

/// Everything a whole configuration carries.
struct WholeProfile {
  Profile current;
  std::array<Profile, kSceneSlots> scenes;     ///< scenes 1..10
  std::array<SceneName, kSceneSlots> names{};  ///< names of scenes 1..10
  /// The slots that hold a scene (bit n - 1 for scene n): the others are empty in the box
  /// and a load keeps them empty. A file without the key had every slot written.
  std::uint16_t valid = kAllScenesValid;

  bool operator==(const WholeProfile&) const = default;
};

/// The exact text of a scene profile of `profile`. Floats are printed with the fewest digits
/// that read back as the same float (a Q of 5.8 is written 5.8), whole numbers without a
/// fraction. Every value is written held to the range the reader takes (a box may report a
/// value no editor makes, such as a mix level of 150 on an input it does not route), so a
/// file this program writes always loads.
std::string SceneProfileText(const Profile& profile);

/// The exact text of a whole configuration. A name slot is written with its last code unit
/// cleared, as a load would read it.
std::string WholeProfileText(const WholeProfile& whole);

/// Reads a scene profile into the fields of `profile` that the file carries. Anything but
/// Ok leaves `profile` exactly as it was. Every key must be present with the right kind and
/// within range (a crossover corner outside 20..20000 Hz, a family outside 1..3 or a slope
/// outside 0..8 included). Whole-number fields take the integer part of what is
/// read (a gain of -12.5 dB loads as -12), a delay keeps its fraction, a band whose
/// "enable" is not 0 is enabled.
ProfileFileResult ParseSceneProfile(std::string_view text, Profile& profile);

/// Reads a whole configuration into `whole` by the rules of ParseSceneProfile: the main
/// volumes into `current`, the settings sets into `current` and the scenes, all ten names,
/// and which slots hold a scene ("sceneValid", ten flags after "sceneArray"; a file without
/// it had every slot written). Anything but Ok leaves all of `whole` as it was.
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

// Feeds arbitrary bytes to the readers of both profile files. A refused text must leave the
// target exactly as it was; an accepted one must print and read back to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/profile_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

/// A target unlike a fresh profile wherever the files carry something, so a partial store
/// of a refused text shows.
qb::Profile Marked() {
  qb::Profile p;
  p.mainVolume = 17;
  p.currChannel = 3;
  p.channels[2].eqSize = 5;
  p.channels[6].bands[4].freq = 777;
  p.inputs[8][7] = 9;
  p.linkOutputs[1] = 4;
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A whole configuration is over 100 kB: kept off the stack and made once.
  static const auto markedScene = std::make_unique<qb::Profile>(Marked());
  static const auto markedWhole = [] {
    auto w = std::make_unique<qb::WholeProfile>();
    w->current = *markedScene;
    w->scenes[9] = *markedScene;
    w->names[4][0] = u'x';
    return w;
  }();
  static const auto scene = std::make_unique<qb::Profile>();
  static const auto sceneAgain = std::make_unique<qb::Profile>();
  static const auto whole = std::make_unique<qb::WholeProfile>();
  static const auto wholeAgain = std::make_unique<qb::WholeProfile>();

  const std::string_view text(reinterpret_cast<const char*>(data), size);

  *scene = *markedScene;
  if (qb::ParseSceneProfile(text, *scene) == qb::ProfileFileResult::Ok) {
    const std::string printed = qb::SceneProfileText(*scene);
    *sceneAgain = *markedScene;
    Require(qb::ParseSceneProfile(printed, *sceneAgain) == qb::ProfileFileResult::Ok);
    Require(*sceneAgain == *scene);
    Require(qb::SceneProfileText(*sceneAgain) == printed);
  } else {
    Require(*scene == *markedScene);
  }

  *whole = *markedWhole;
  if (qb::ParseWholeProfile(text, *whole) == qb::ProfileFileResult::Ok) {
    const std::string printed = qb::WholeProfileText(*whole);
    *wholeAgain = *markedWhole;
    Require(qb::ParseWholeProfile(printed, *wholeAgain) == qb::ProfileFileResult::Ok);
    Require(*wholeAgain == *whole);
    Require(qb::WholeProfileText(*wholeAgain) == printed);
  } else {
    Require(*whole == *markedWhole);
  }
  return 0;
}

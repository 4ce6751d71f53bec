// Feeds arbitrary bytes to the reader of scene profiles (.spf). A refused text must leave
// the target exactly as it was; an accepted one must print and read back to the same
// settings and the same text. Whole configurations have a target of their own
// (whole_profile_file_fuzz.cpp), so each input is read once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/profile_file.h"
#include "fuzz/marked_profile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A refused text leaves its target as it was, so it is put back only after an accepted one.
  static const auto marked = std::make_unique<qb::Profile>(qb::fuzz::MarkedProfile());
  static const auto scene = std::make_unique<qb::Profile>(*marked);
  static const auto again = std::make_unique<qb::Profile>();

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (qb::ParseSceneProfile(text, *scene) != qb::ProfileFileResult::Ok) {
    Require(*scene == *marked);
    return 0;
  }
  const std::string printed = qb::SceneProfileText(*scene);
  *again = *marked;
  Require(qb::ParseSceneProfile(printed, *again) == qb::ProfileFileResult::Ok);
  Require(*again == *scene);
  Require(qb::SceneProfileText(*again) == printed);
  *scene = *marked;
  return 0;
}

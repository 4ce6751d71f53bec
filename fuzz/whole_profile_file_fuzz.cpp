// Feeds arbitrary bytes to the reader of whole configurations (.wpf). A refused text must
// leave the target exactly as it was; an accepted one must print and read back to the same
// settings and the same text.
//
// A whole configuration is eleven settings sets, near 200 kB: the seeds are the heads of
// real ones (the names and the live settings, the scene list cut), which reach every part
// of the reader but the scenes' own settings, read by the scene profiles' rules
// (profile_file_fuzz.cpp). scripts/fuzz.sh reads whole real files once before fuzzing.
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
  // Over 100 kB each: kept off the stack and made once. A refused text leaves its target as
  // it was, so it is put back only after an accepted one.
  static const auto marked = [] {
    auto w = std::make_unique<qb::WholeProfile>();
    w->current = qb::fuzz::MarkedProfile();
    w->scenes[9] = w->current;
    w->names[4][0] = u'x';
    return w;
  }();
  static const auto whole = std::make_unique<qb::WholeProfile>(*marked);
  static const auto again = std::make_unique<qb::WholeProfile>();

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (qb::ParseWholeProfile(text, *whole) != qb::ProfileFileResult::Ok) {
    Require(*whole == *marked);
    return 0;
  }
  const std::string printed = qb::WholeProfileText(*whole);
  *again = *marked;
  Require(qb::ParseWholeProfile(printed, *again) == qb::ProfileFileResult::Ok);
  Require(*again == *whole);
  Require(qb::WholeProfileText(*again) == printed);
  *whole = *marked;
  return 0;
}

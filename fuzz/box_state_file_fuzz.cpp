// Feeds arbitrary bytes to the reader of saved virtual box states. A damaged input must
// leave the state exactly as it was and explain itself in one line; an accepted one must
// save again and read back to the same state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "simulator/box_state_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Over a megabyte each: kept off the stack and made once.
  static const auto factory = std::make_unique<qb::sim::BoxState>(qb::sim::FactoryState());
  static const auto state = std::make_unique<qb::sim::BoxState>();
  static const auto again = std::make_unique<qb::sim::BoxState>();
  *state = *factory;

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto result = qb::sim::ParseBoxState(text, *state, &error);
  if (result == qb::sim::LoadResult::Damaged) {
    Require(!error.empty() && error.find('\n') == std::string::npos);
    Require(*state == *factory);
    return 0;
  }
  Require(result == qb::sim::LoadResult::Loaded);
  Require(!state->pcConnected);

  std::string saved;
  Require(qb::sim::SerializeBoxState(*state, saved, &error));
  Require(qb::sim::ParseBoxState(saved, *again, &error) == qb::sim::LoadResult::Loaded);
  Require(*again == *state);
  return 0;
}

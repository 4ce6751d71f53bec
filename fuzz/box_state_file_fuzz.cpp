// Feeds arbitrary bytes to the reader of saved virtual box states. A damaged input must
// leave its target exactly as it was and explain itself in one line; an accepted one must
// save again and read back to the same value.
//
// A whole state is a megabyte of text, far too much to read hundreds of times a second, so
// the first byte picks what the rest is: 'o' one output's record, 's' one input source's,
// 'l' one link's; anything else makes the whole input a state file (the header checks, and
// every record once a state is whole).
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

void RequireOneLineReason(const std::string& error) {
  Require(!error.empty() && error.find('\n') == std::string::npos);
}

/// A record unlike a fresh one, so a partial store of a damaged text shows.
template <typename Record>
Record Marked();

template <>
qb::sim::OutputChannel Marked() {
  qb::sim::OutputChannel o;
  o.delayMs = 7.25;
  o.bands[30].gainDb = -3.5;
  o.remap = {1, 2};
  return o;
}

template <>
qb::sim::SourceSettings Marked() {
  qb::sim::SourceSettings s;
  s.mixMask[15] = 0x8001;
  s.inputs[15].eq[0].q = 0.7;
  return s;
}

template <>
qb::sim::ChannelLink Marked() {
  return qb::sim::ChannelLink{1, {{0, 1}, {2, 3}}};
}

template <typename Record>
void CheckRecord(std::string_view text) {
  static const Record marked = Marked<Record>();
  Record record = marked;
  std::string error;
  if (qb::sim::ParseBoxStateRecord(text, record, &error) == qb::sim::LoadResult::Damaged) {
    RequireOneLineReason(error);
    Require(record == marked);
    return;
  }
  std::string saved;
  Require(qb::sim::SerializeBoxStateRecord(record, saved, &error));
  Record again = marked;
  Require(qb::sim::ParseBoxStateRecord(saved, again, &error) == qb::sim::LoadResult::Loaded);
  Require(again == record);
}

void CheckState(std::string_view text) {
  // Over a megabyte each: kept off the stack and made once. A damaged text leaves `state`
  // as the factory made it, so it is put back only after an accepted one.
  static const auto factory = std::make_unique<qb::sim::BoxState>(qb::sim::FactoryState());
  static const auto state = std::make_unique<qb::sim::BoxState>(*factory);
  static const auto again = std::make_unique<qb::sim::BoxState>();

  std::string error;
  const auto result = qb::sim::ParseBoxState(text, *state, &error);
  if (result == qb::sim::LoadResult::Damaged) {
    RequireOneLineReason(error);
    Require(*state == *factory);
    return;
  }
  Require(result == qb::sim::LoadResult::Loaded);
  Require(!state->pcConnected);

  std::string saved;
  Require(qb::sim::SerializeBoxState(*state, saved, &error));
  Require(qb::sim::ParseBoxState(saved, *again, &error) == qb::sim::LoadResult::Loaded);
  Require(*again == *state);
  *state = *factory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view record = input.empty() ? input : input.substr(1);
  switch (input.empty() ? '\0' : input.front()) {
    case 'o':
      CheckRecord<qb::sim::OutputChannel>(record);
      break;
    case 's':
      CheckRecord<qb::sim::SourceSettings>(record);
      break;
    case 'l':
      CheckRecord<qb::sim::ChannelLink>(record);
      break;
    default:
      CheckState(input);
  }
  return 0;
}

#include "windows/focus_ring.h"

#include <algorithm>
#include <vector>

#include "core/profile.h"

namespace qb {
namespace {

using Kind = FocusField::Kind;

std::vector<FocusField> RingOf(int bandCount) {
  std::vector<FocusField> ring;
  for (int o = 0; o < kOutputCount; ++o) ring.push_back({Kind::OutputVolume, o});
  for (int o = 0; o < kOutputCount; ++o) ring.push_back({Kind::OutputDelay, o});
  ring.push_back({Kind::HighPass, 0});
  ring.push_back({Kind::LowPass, 0});
  ring.push_back({Kind::MainVolume, 0});
  for (const Kind row : {Kind::BandFreq, Kind::BandQ, Kind::BandGain})
    for (int b = 0; b < bandCount; ++b) ring.push_back({row, b});
  return ring;
}

}  // namespace

std::optional<FocusField> NextFocusField(const FocusField& from, bool forward, const FocusRingContext& context) {
  const int n = std::max(context.bandCount, 0);
  const auto enabled = [&](const FocusField& field) { return !context.isEnabled || context.isEnabled(field); };
  // The two exceptions: leaving the main volume forward lands on band 0's frequency, or on
  // its gain when frequencies are locked (graphic mode); leaving band 0's gain backward
  // lands on the last Q, or on the main volume when Q values are locked.
  if (forward && from.kind == Kind::MainVolume && n > 0) {
    const FocusField freq{Kind::BandFreq, 0};
    return enabled(freq) ? freq : FocusField{Kind::BandGain, 0};
  }
  if (!forward && from == FocusField{Kind::BandGain, 0} && n > 0) {
    const FocusField lastQ{Kind::BandQ, n - 1};
    return enabled(lastQ) ? lastQ : FocusField{Kind::MainVolume, 0};
  }
  const std::vector<FocusField> ring = RingOf(n);
  const auto at = std::find(ring.begin(), ring.end(), from);
  if (at == ring.end()) return std::nullopt;
  const auto size = static_cast<std::ptrdiff_t>(ring.size());
  const std::ptrdiff_t position = at - ring.begin();
  return ring[static_cast<std::size_t>((position + (forward ? 1 : size - 1)) % size)];
}

}  // namespace qb

#include "core/edit_fields.h"

#include <bit>
#include <type_traits>

namespace qb {
namespace {

constexpr FieldKind kLastKind = FieldKind::EqMode;

/// Hands `visit` the field `key` names, as a reference of its own type.
template <typename ProfileRef, typename BoolRef, typename Visit>
void VisitField(ProfileRef& live, BoolRef& parametricEq, FieldKey key, Visit&& visit) {
  const std::size_t o = key.output < kOutputSlots ? key.output : 0;
  const std::size_t s = key.source < kInputSourceCount ? key.source : 0;
  const std::size_t i = key.index;
  auto& channel = live.channels[o];
  switch (key.kind) {
    case FieldKind::LockMode: visit(live.lockMode); return;
    case FieldKind::LinkMode: visit(live.linkMode); return;
    case FieldKind::LinkPartner: visit(live.linkOutputs[o]); return;
    case FieldKind::Role: visit(live.outputs[o]); return;
    case FieldKind::HighPass: visit(channel.crossover.hp); return;
    case FieldKind::LowPass: visit(channel.crossover.lp); return;
    case FieldKind::BpType: visit(channel.crossover.bpType); return;
    case FieldKind::EqBypass: visit(channel.bypass); return;
    case FieldKind::Band:
      if (i < kBandSlots) visit(channel.bands[i]);
      return;
    case FieldKind::Volume: visit(channel.gain); return;
    case FieldKind::Mute: visit(channel.mute); return;
    case FieldKind::Phase: visit(channel.phase); return;
    case FieldKind::Delay: visit(channel.delay); return;
    case FieldKind::SyncMember: visit(live.synchronize[o]); return;
    case FieldKind::SyncSlider: visit(live.syncSavedSlider[o]); return;
    case FieldKind::SyncVolume: visit(live.syncSavedVolume[o]); return;
    case FieldKind::InputMask: visit(live.inputs[s][o]); return;
    case FieldKind::MixLevel:
      if (i < kMixInputSlots) visit(live.inputMixVolume[s][i][o]);
      return;
    case FieldKind::Source: visit(live.inputSource); return;
    case FieldKind::MainVolume: visit(live.mainVolume); return;
    case FieldKind::MainMute: visit(live.mainVolumeMute); return;
    case FieldKind::Amp: visit(live.ampOn); return;
    case FieldKind::EqMode: visit(parametricEq); return;
  }
}

/// Every key, in restore order.
template <typename Each>
void ForEachKey(Each&& each) {
  for (auto k = static_cast<int>(FieldKind::LockMode); k <= static_cast<int>(kLastKind); ++k) {
    const auto kind = static_cast<FieldKind>(k);
    switch (kind) {
      case FieldKind::LockMode:
      case FieldKind::LinkMode:
      case FieldKind::Source:
      case FieldKind::MainVolume:
      case FieldKind::MainMute:
      case FieldKind::Amp:
      case FieldKind::EqMode: each(FieldKey{kind}); break;
      case FieldKind::Band:
        for (int o = 0; o < kOutputCount; ++o)
          for (std::size_t b = 0; b < kBandSlots; ++b) each(FieldKey{kind, Byte(o), 0, Byte(static_cast<int>(b))});
        break;
      case FieldKind::InputMask:
        for (std::size_t s = 0; s < kInputSourceCount; ++s)
          for (int o = 0; o < kOutputCount; ++o) each(FieldKey{kind, Byte(o), Byte(static_cast<int>(s))});
        break;
      case FieldKind::MixLevel:
        for (std::size_t s = 0; s < kInputSourceCount; ++s)
          for (std::size_t i = 0; i < kMixInputSlots; ++i)
            for (int o = 0; o < kOutputCount; ++o)
              each(FieldKey{kind, Byte(o), Byte(static_cast<int>(s)), Byte(static_cast<int>(i))});
        break;
      default:
        for (int o = 0; o < kOutputCount; ++o) each(FieldKey{kind, Byte(o)});
        break;
    }
  }
}

bool SameValue(const FieldValue& a, const FieldValue& b) {
  if (a.index() != b.index()) return false;
  if (const float* fa = std::get_if<float>(&a)) return std::bit_cast<std::uint32_t>(*fa) == std::bit_cast<std::uint32_t>(std::get<float>(b));
  return a == b;
}

}  // namespace

FieldValue ReadField(const Profile& live, bool parametricEq, FieldKey key) {
  FieldValue value;
  VisitField(live, parametricEq, key, [&value](const auto& field) {
    using T = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, bool>) value = static_cast<int>(field);
    else value = field;
  });
  return value;
}

void WriteField(Profile& live, bool& parametricEq, FieldKey key, const FieldValue& value) {
  VisitField(live, parametricEq, key, [&value](auto& field) {
    using T = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, bool>) {
      if (const int* v = std::get_if<int>(&value)) field = static_cast<T>(*v);
    } else if (const T* v = std::get_if<T>(&value)) {
      field = *v;
    }
  });
}

std::vector<FieldChange> DiffEditedState(const Profile& before, bool beforeEq, const Profile& after, bool afterEq) {
  std::vector<FieldChange> changes;
  ForEachKey([&](FieldKey key) {
    FieldValue was = ReadField(before, beforeEq, key);
    FieldValue now = ReadField(after, afterEq, key);
    if (!SameValue(was, now)) changes.push_back(FieldChange{key, std::move(was), std::move(now)});
  });
  return changes;
}

}  // namespace qb

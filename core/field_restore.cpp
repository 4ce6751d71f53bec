#include "core/field_restore.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "core/live_commands.h"
#include "core/main_controls.h"
#include "core/output_editor.h"
#include "core/routing_editor.h"
#include "shell/log.h"

namespace qb {
namespace {

/// What a restore must send, gathered before anything goes out so each command is sent
/// once and in the order the box needs.
struct SendPlan {
  bool lock = false;
  bool link = false;
  bool source = false;
  bool mainVolume = false;
  bool mainMute = false;
  bool amp = false;
  std::array<std::bitset<16>, kOutputSlots> output{};  ///< by OutputPart
  std::array<std::bitset<kBandSlots>, kOutputSlots> bands{};
  std::vector<FieldKey> masks;
  std::vector<FieldKey> mixLevels;
  Change notice;
};

enum OutputPart { kRole, kHighPass, kLowPass, kBypass, kVolume, kMute, kPhase, kDelay };

void Plan(SendPlan& plan, FieldKey key) {
  const int o = key.output;
  Change& n = plan.notice;
  switch (key.kind) {
    case FieldKind::LockMode: plan.lock = true; n.Add(kAspectLinkLock); break;
    case FieldKind::LinkMode:
    case FieldKind::LinkPartner: plan.link = true; n.Add(kAspectLinkLock); break;
    case FieldKind::Role: plan.output[At(o)].set(kRole); n.Add(kAspectRoles | kAspectCrossover, o); break;
    case FieldKind::HighPass: plan.output[At(o)].set(kHighPass); n.Add(kAspectCrossover, o); break;
    case FieldKind::LowPass: plan.output[At(o)].set(kLowPass); n.Add(kAspectCrossover, o); break;
    case FieldKind::BpType: n.Add(kAspectCrossover, o); break;
    case FieldKind::EqBypass: plan.output[At(o)].set(kBypass); n.Add(kAspectBypass | kAspectBands, o); break;
    case FieldKind::Band: plan.bands[At(o)].set(key.index); n.Merge(Change{}.AddBand(o, key.index)); break;
    case FieldKind::Volume: plan.output[At(o)].set(kVolume); n.Add(kAspectVolume, o); break;
    case FieldKind::Mute: plan.output[At(o)].set(kMute); break;
    case FieldKind::Phase: plan.output[At(o)].set(kPhase); break;
    case FieldKind::Delay: plan.output[At(o)].set(kDelay); n.Add(kAspectDelay, o); break;
    case FieldKind::SyncMember:
    case FieldKind::SyncSlider:
    case FieldKind::SyncVolume: n.Add(kAspectSynchronize); break;
    case FieldKind::InputMask: plan.masks.push_back(key); n.Add(kAspectRouting, o); break;
    case FieldKind::MixLevel: plan.mixLevels.push_back(key); break;
    case FieldKind::Source: plan.source = true; break;
    case FieldKind::MainVolume: plan.mainVolume = true; n.Add(kAspectMainVolume); break;
    case FieldKind::MainMute: plan.mainMute = true; break;
    case FieldKind::Amp: plan.amp = true; break;
    case FieldKind::EqMode: n.Add(kAspectEqMode); break;
  }
}

/// The linked pairs as the link command carries them, each mutual pair once, and every
/// output the box copies onto: their whole equaliser and crossover go out again, so the
/// box holds the restored values, not the copy.
std::vector<std::uint8_t> LinkPairs(const Profile& live, SendPlan& plan) {
  std::vector<std::uint8_t> pairs;
  if (live.linkMode != 1) return pairs;
  for (int o = 0; o < kOutputCount; ++o) {
    const int partner = live.linkOutputs[At(o)];
    if (!IsOutput(partner) || partner <= o || live.linkOutputs[At(partner)] != o) continue;
    pairs.push_back(Byte(o));
    pairs.push_back(Byte(partner));
    plan.output[At(partner)].set(kHighPass).set(kLowPass).set(kBypass);
    for (int b = 0; b < EqSize(live, partner); ++b) plan.bands[At(partner)].set(At(b));
  }
  return pairs;
}

}  // namespace

void FieldRestorer::Restore(std::span<const FieldChange> changes, RestoreSide side) {
  if (changes.empty()) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  Profile& live = m_ctx.Live();
  SendPlan plan;
  for (const FieldChange& change : changes) {
    WriteField(live, m_ctx.mirror.session.parametricEq, change.key,
               side == RestoreSide::Before ? change.before : change.after);
    Plan(plan, change.key);
  }
  LogPrintA("restore %zu edited values\n", changes.size());

  DeviceLink& link = m_ctx.Link();
  if (plan.lock) SendLock(link, live.lockMode);
  if (plan.link) {
    const std::vector<std::uint8_t> pairs = LinkPairs(live, plan);
    SendLink(link, live.linkMode, pairs);
  }
  for (int o = 0; o < kOutputCount; ++o) {
    const auto& parts = plan.output[At(o)];
    if (parts[kRole]) {
      SendRoleAndCrossover(link, live, o);
    } else {
      if (parts[kHighPass]) SendFilter(link, live, o, true);
      if (parts[kLowPass]) SendFilter(link, live, o, false);
    }
    if (parts[kBypass]) SendBypass(link, live, o);
    for (std::size_t b = 0; b < kBandSlots; ++b)
      if (plan.bands[At(o)][b]) SendBand(link, live, o, static_cast<int>(b));
    if (parts[kVolume]) SendTrim(link, live, o);
    if (parts[kMute]) m_outputs.SetMute(o, live.channels[At(o)].mute != 0);
    if (parts[kPhase]) m_outputs.SetPhase(o, live.channels[At(o)].phase != 0);
    if (parts[kDelay]) SendDelay(link, live, o);
  }
  for (const FieldKey& key : plan.masks) SendInputMask(link, live, key.source, key.output);
  for (const FieldKey& key : plan.mixLevels)
    m_routing.SetMixLevel(key.source, key.index + 1, key.output, live.inputMixVolume[key.source][key.index][key.output]);
  if (plan.source) m_routing.SetSource(live.inputSource);
  if (plan.mainVolume) SendMainVolume(link, live);
  if (plan.mainMute) m_main.SetMainMute(live.mainVolumeMute != 0);
  if (plan.amp) m_main.SetAmp(live.ampOn != 0);
  m_ctx.Publish(plan.notice);
}

}  // namespace qb

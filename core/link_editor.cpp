#include "core/link_editor.h"

#include <cstdint>
#include <vector>

#include "core/live_commands.h"
#include "core/output_editor.h"
#include "core/role_pairing.h"
#include "core/routing_editor.h"
#include "shell/log.h"

namespace qb {
namespace {

/// The roles a fresh profile starts with, output by output.
PerOutput<int> DefaultRoles() { return Profile{}.outputs; }

}  // namespace

bool LinkEditor::IsLinkable() const { return qb::IsLinkable(m_ctx.Live().outputs); }

void LinkEditor::ClearLinkMode() {
  Profile& live = m_ctx.Live();
  live.linkMode = 0;
  live.linkOutputs.fill(-1);
  m_ctx.Publish(Change{}.Add(kAspectLinkLock));
}

void LinkEditor::CopyOutConfig(int from, int to) {
  LogPrintA("copy out config from %d to %d\n", from, to);
  if (!IsOutput(from) || !IsOutput(to) || from == to) return;
  CopyOutputSettings(m_ctx.Live(), from, to);
  m_ctx.Publish(Change{}.Add(kAspectBands | kAspectCrossover | kAspectBypass, to));
}

void LinkEditor::ToggleLock(const Confirm& confirm) {
  LogPrintA("on %s\n", "EqualizerManager::SetOutpuLock");
  Profile& live = m_ctx.Live();
  const bool wasLocked = live.lockMode == 1;
  const bool agreed = confirm && confirm(wasLocked ? Question::UnlockOutputs : Question::LockOutputs);
  const bool locked = agreed ? !wasLocked : wasLocked;
  const ChangeHub::Batch batch(m_ctx.changes);
  live.lockMode = locked ? 1 : 0;
  m_ctx.Publish(Change{}.Add(kAspectLinkLock));
  if (!locked) {
    if (live.linkMode == 1) {
      ClearLinkMode();
      SendLink(m_ctx.Link(), 0, {});
    }
    m_outputs.SelectOutput(live.currChannel);
  }
  SendLock(m_ctx.Link(), live.lockMode);
}

LinkOutcome LinkEditor::ToggleLink(const std::function<std::optional<CopyDirection>()>& askDirection) {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputLink");
  Profile& live = m_ctx.Live();
  const ChangeHub::Batch batch(m_ctx.changes);
  if (!IsLinkable()) {
    ClearLinkMode();
    SendLink(m_ctx.Link(), 0, {});
    return LinkOutcome::NotLinkable;
  }

  std::vector<std::uint8_t> pairs;
  LinkOutcome outcome = LinkOutcome::Unlinked;
  if (live.linkMode == 1) {
    // Leaving link mode unlocks as well.
    ClearLinkMode();
    live.lockMode = 0;
    SendLock(m_ctx.Link(), 0);
  } else {
    const std::optional<CopyDirection> direction = askDirection ? askDirection() : std::nullopt;
    if (!direction) {
      // The button the user clicked shows link mode as it stays.
      m_ctx.Publish(Change{}.Add(kAspectLinkLock));
      return LinkOutcome::Cancelled;
    }
    LogPrintA("CMsgCheckBoxWnd %d\n", *direction == CopyDirection::LeftToRight ? 1 : 2);
    live.linkMode = 1;
    live.lockMode = 1;
    SendLock(m_ctx.Link(), 1);
    live.linkOutputs = qb::PairOutputs(live.outputs);
    // Left roles have the smaller codes: the chosen side's outputs are the sources.
    for (int i = 0; i < kOutputCount; ++i) {
      const int partner = live.linkOutputs[At(i)];
      if (!IsOutput(partner)) continue;
      const bool left = live.outputs[At(i)] < live.outputs[At(partner)];
      if (left != (*direction == CopyDirection::LeftToRight)) continue;
      CopyOutConfig(i, partner);
      pairs.push_back(Byte(i));
      pairs.push_back(Byte(partner));
    }
    outcome = LinkOutcome::Linked;
  }
  m_ctx.Publish(Change{}.Add(kAspectLinkLock));
  m_outputs.SelectOutput(live.currChannel);
  SendLink(m_ctx.Link(), live.linkMode, pairs);
  return outcome;
}

void LinkEditor::ResetOutputs(OutputReset reset) {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputReset");
  const ChangeHub::Batch batch(m_ctx.changes);
  Profile& live = m_ctx.Live();
  const PerOutput<int> roles = DefaultRoles();
  for (int o = 0; o < kOutputCount; ++o) m_routing.SetRole(o, reset == OutputReset::Default ? roles[At(o)] : kRoleEmpty);

  live.lockMode = 0;
  SendLock(m_ctx.Link(), 0);
  ClearLinkMode();
  SendLink(m_ctx.Link(), 0, {});

  // Subwoofer pair: the right subwoofers take the left one's volume.
  for (int left = 0; left < kOutputCount; ++left) {
    if (live.outputs[At(left)] != kRoleSubwooferLeft) continue;
    for (int right = 0; right < kOutputCount; ++right) {
      if (live.outputs[At(right)] != kRoleSubwooferRight) continue;
      live.channels[At(right)].gain = live.channels[At(left)].gain;
      m_ctx.Publish(Change{}.Add(kAspectVolume, right));
    }
    break;
  }
  SendAllTrims(m_ctx.Link(), live);
  m_outputs.SelectOutput(0);
}

}  // namespace qb

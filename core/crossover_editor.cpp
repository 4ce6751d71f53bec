#include "core/crossover_editor.h"

#include <algorithm>

#include "core/eq_coupling.h"
#include "core/eq_values.h"
#include "core/live_commands.h"
#include "shell/log.h"

namespace qb {
namespace {

CrossoverFilter& FilterOf(Profile& profile, int output, bool highPass) {
  Crossover& crossover = profile.channels[At(output)].crossover;
  return highPass ? crossover.hp : crossover.lp;
}

}  // namespace

bool CrossoverEditor::DragFrequency(int o, bool highPass, int hz) {
  Profile& live = m_ctx.Live();
  // No handle: there was nothing to drag.
  if (!IsOutput(o) || hz < kMinFrequencyHz || hz > kMaxFrequencyHz) return false;
  const Crossover& crossover = live.channels[At(o)].crossover;
  if (highPass ? !HighPassMayTake(hz, crossover.lp.fs) : !LowPassMayTake(hz, crossover.hp.fs)) return false;
  const ChangeHub::Batch batch(m_ctx.changes);
  FilterOf(live, o, highPass).SetFs(hz);
  SendFilter(m_ctx.Link(), live, o, highPass);
  m_ctx.Publish(Change{}.Add(kAspectCrossover, o));
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetFs(hz);
    SendFilter(m_ctx.Link(), live, member, highPass);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, member));
  }
  if (const int partner = LinkedPartnerOf(live, o); partner >= 0) {
    FilterOf(live, partner, highPass).SetFs(hz);
    SendFilter(m_ctx.Link(), live, partner, highPass);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, partner));
  }
  return true;
}

void CrossoverEditor::SetFrequency(int o, bool highPass, int value) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(o)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  const Crossover& crossover = live.channels[At(o)].crossover;
  int hz = 0;
  if (highPass) {
    LogPrintA("set hp freq to %d \n", value);
    hz = HighPassFromValue(value, crossover.lp.fs);
  } else {
    LogPrintA("set lp freq to %d \n", value);
    hz = LowPassFromValue(value, crossover.hp.fs);
  }
  FilterOf(live, o, highPass).SetFs(hz);
  m_ctx.Publish(Change{}.Add(kAspectCrossover, o));
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) {
    FilterOf(live, partner, highPass).SetFs(hz);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, partner));
  }
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetFs(hz);
    SendFilter(m_ctx.Link(), live, member, highPass);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, member));
  }
  SendFilter(m_ctx.Link(), live, o, highPass);
  if (partner >= 0) SendFilter(m_ctx.Link(), live, partner, highPass);
}

void CrossoverEditor::StepFrequency(int o, bool highPass, bool up) {
  LogPrintA(highPass ? "SetHpFreqUp up(%d)\n" : "SetLpFreqUp up(%d)\n", up ? 1 : 0);
  if (!IsOutput(o)) return;
  const Crossover& crossover = m_ctx.Live().channels[At(o)].crossover;
  const int fs = highPass ? crossover.hp.fs : crossover.lp.fs;
  if ((up && fs == kMaxFrequencyHz) || (!up && fs == kMinFrequencyHz)) return;
  int hz = NextGridFrequency(fs, up);
  hz = highPass ? std::min(hz, crossover.lp.fs) : std::max(hz, crossover.hp.fs);
  SetFrequency(o, highPass, hz);
}

void CrossoverEditor::SetSlope(int o, bool highPass, int slope) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(o)) return;
  CrossoverFilter& filter = FilterOf(live, o, highPass);
  if (slope < 0 || slope == filter.slope) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  filter.SetSlope(slope);
  m_ctx.Publish(Change{}.Add(kAspectCrossover, o));
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetSlope(slope);
    SendFilter(m_ctx.Link(), live, member, highPass);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, member));
  }
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) {
    FilterOf(live, partner, highPass).SetSlope(slope);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, partner));
  }
  SendFilter(m_ctx.Link(), live, o, highPass);
  if (partner >= 0) SendFilter(m_ctx.Link(), live, partner, highPass);
}

void CrossoverEditor::SetType(int o, bool highPass, int type) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(o)) return;
  CrossoverFilter& filter = FilterOf(live, o, highPass);
  if (type < 0 || type == filter.type) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  filter.SetType(type);
  m_ctx.Publish(Change{}.Add(kAspectCrossover, o));
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) {
    FilterOf(live, partner, highPass).SetType(type);
    m_ctx.Publish(Change{}.Add(kAspectCrossover, partner));
  }
  SendFilter(m_ctx.Link(), live, o, highPass);
  if (partner >= 0) SendFilter(m_ctx.Link(), live, partner, highPass);
}

}  // namespace qb

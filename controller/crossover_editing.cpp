// Editing the current output's crossover: corner frequencies from the edits, their up/down
// steps and the curve's "H"/"L" handles, and the family and slope lists.
#include <QLoggingCategory>
#include <algorithm>
#include <string>

#include "controller/eq_coupling.h"
#include "controller/eq_values.h"
#include "controller/equalizer_manager.h"
#include "controller/view_controls.h"
#include "controller/view_formats.h"
#include "shell/log.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"

Q_LOGGING_CATEGORY(lcCrossoverEdit, "qb.crossover", QtWarningMsg)

namespace qb {
namespace {

using namespace view;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

CrossoverFilter& FilterOf(Profile& profile, int output, bool highPass) {
  Crossover& crossover = profile.channels[At(output)].crossover;
  return highPass ? crossover.hp : crossover.lp;
}

/// Linkwitz-Riley hides the odd slopes; the slope in use stays listed whatever the family,
/// so the list never shows a selection it does not contain.
void ShowSlopeItems(ui::Combo* slopes, int type) {
  if (!slopes) return;
  const int current = slopes->CurrentSelection();
  for (int item = 0; item < slopes->count(); ++item)
    slopes->SetItemVisible(item, item == current || !SlopeHiddenForType(type, item));
}

}  // namespace

void EqualizerManager::CommitCurveCrossover(bool highPass) {
  const auto* display = dynamic_cast<const ui::EqualizerDisplay*>(m_view.curve);
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!display || !IsOutput(o)) return;
  const int hz = highPass ? display->HpFreq() : display->LpFreq();
  // -1 is "no handle": there was nothing to drag.
  if (hz < kMinFilterHz || hz > kMaxFilterHz) return;
  qCDebug(lcCrossoverEdit, "EqualizerCallback mLpFreq(%d)", hz);
  FilterOf(live, o, highPass).SetFs(hz);
  SetText(highPass ? m_view.hpFreq : m_view.lpFreq, CrossoverFreqText(FilterOf(live, o, highPass).fs));
  SendFilter(m_link, live, o, highPass);
  const int partner = LinkedPartnerOf(live, o);
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetFs(hz);
    SendFilter(m_link, live, member, highPass);
  }
  if (partner >= 0) {
    FilterOf(live, partner, highPass).SetFs(hz);
    SendFilter(m_link, live, partner, highPass);
  }
  UpdateEqualizer(-1);
}

void EqualizerManager::CommitCrossoverFrequency(bool highPass) {
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsOutput(o)) return;
  ui::Edit* edit = highPass ? m_view.hpFreq : m_view.lpFreq;
  const int value = ReadFrequencyText(edit ? ui::ControlText(edit).toStdString() : std::string());
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
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) FilterOf(live, partner, highPass).SetFs(hz);
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetFs(hz);
    SendFilter(m_link, live, member, highPass);
  }
  SetText(edit, CrossoverFreqText(hz));
  UpdateEqualizer(-1);
  SendFilter(m_link, live, o, highPass);
  if (partner >= 0) SendFilter(m_link, live, partner, highPass);
}

void EqualizerManager::StepCrossoverFrequency(bool highPass, bool up) {
  const Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsOutput(o)) return;
  const Crossover& crossover = live.channels[At(o)].crossover;
  const int fs = highPass ? crossover.hp.fs : crossover.lp.fs;
  if ((up && fs == kMaxFilterHz) || (!up && fs == kMinFilterHz)) return;
  int hz = NextGridFrequency(fs, up);
  hz = highPass ? std::min(hz, crossover.lp.fs) : std::max(hz, crossover.hp.fs);
  SetText(highPass ? m_view.hpFreq : m_view.lpFreq, CrossoverFreqText(hz));
  CommitCrossoverFrequency(highPass);
}

void EqualizerManager::CommitCrossoverSlope(bool highPass) {
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  ui::Combo* list = highPass ? m_view.hpSlope : m_view.lpSlope;
  if (!IsOutput(o) || !list) return;
  const int slope = list->CurrentSelection();
  CrossoverFilter& filter = FilterOf(live, o, highPass);
  if (slope < 0 || slope == filter.slope) return;
  filter.SetSlope(slope);
  // The odd slope kept visible under Linkwitz-Riley goes once another one is chosen.
  ShowSlopeItems(list, filter.type);
  for (int member : EqGroupOf(live, o)) {
    FilterOf(live, member, highPass).SetSlope(slope);
    SendFilter(m_link, live, member, highPass);
  }
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) FilterOf(live, partner, highPass).SetSlope(slope);
  UpdateEqualizer(-1);
  SendFilter(m_link, live, o, highPass);
  if (partner >= 0) SendFilter(m_link, live, partner, highPass);
}

void EqualizerManager::CommitCrossoverType(bool highPass) {
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  ui::Combo* list = highPass ? m_view.hpType : m_view.lpType;
  if (!IsOutput(o) || !list) return;
  const int type = list->CurrentSelection();
  CrossoverFilter& filter = FilterOf(live, o, highPass);
  if (type < 0 || type == filter.type) return;
  filter.SetType(type);
  // A code the box does not know was stored as Butterworth: the list shows what is stored.
  if (filter.type != type) SelectListItem(list, filter.type);
  ShowSlopeItems(highPass ? m_view.hpSlope : m_view.lpSlope, filter.type);
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) FilterOf(live, partner, highPass).SetType(type);
  UpdateEqualizer(-1);
  SendFilter(m_link, live, o, highPass);
  if (partner >= 0) SendFilter(m_link, live, partner, highPass);
}

void EqualizerManager::SetHpFreq() { CommitCrossoverFrequency(true); }
void EqualizerManager::SetLpFreq() { CommitCrossoverFrequency(false); }

void EqualizerManager::SetHpFreqUp(bool up) {
  LogPrintA("SetHpFreqUp up(%d)\n", up ? 1 : 0);
  StepCrossoverFrequency(true, up);
}

void EqualizerManager::SetLpFreqUp(bool up) {
  LogPrintA("SetLpFreqUp up(%d)\n", up ? 1 : 0);
  StepCrossoverFrequency(false, up);
}

void EqualizerManager::SetHpType() { CommitCrossoverType(true); }
void EqualizerManager::SetLpType() { CommitCrossoverType(false); }
void EqualizerManager::SetHpSlope() { CommitCrossoverSlope(true); }
void EqualizerManager::SetLpSlope() { CommitCrossoverSlope(false); }

}  // namespace qb

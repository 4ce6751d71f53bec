// Lock and link mode of the outputs with the copy step of linking, and the reset of all
// outputs to empty roles. Lock keeps the roles from changing; link pairs left and right
// outputs by role so an edit of one reaches the other, which needs fixed roles, so linking
// locks as well.
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controller/controller_host.h"
#include "controller/equalizer_manager.h"
#include "controller/role_pairing.h"
#include "controller/view_controls.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/edit.h"
#include "ui/slider.h"

namespace qb {
namespace {

using namespace view;

/// Answers of the confirm dialog, the message box and the choice box.
constexpr int kAnswerConfirm = 1;
constexpr int kAnswerCancel = 0;
constexpr int kChoiceLeftToRight = 1;
constexpr int kChoiceRightToLeft = 2;

constexpr int kTenthsPerDb = 10;

const QString kTips = QStringLiteral("${tips}");
const char* const kEmptyRoleItem = "output_item_empty";

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

}  // namespace

// --- shared pieces ------------------------------------------------------------------------------

void EqualizerManager::SetRoleButtonsEnabled(bool enabled) {
  for (const OutputStripView& strip : m_view.outputs) SetEnabled(strip.roleButton, enabled);
}

void EqualizerManager::SetSynchronizeBoxesEnabled(bool enabled) {
  for (const OutputStripView& strip : m_view.outputs) SetEnabled(strip.synchronize, enabled);
}

void EqualizerManager::ClearLinkMode() {
  Profile& live = m_mirror.currentProfile;
  live.linkMode = 0;
  live.linkOutputs.fill(-1);
  SetSelected(m_view.link, false);
}

void EqualizerManager::SendLink(int linked, std::span<const std::uint8_t> pairs) {
  CH_Link_Ctrl(m_link, kLiveScene, Byte(linked), pairs.size() / 2, pairs, false);
}

void EqualizerManager::CopyOutConfig(int from, int to) {
  LogPrintA("copy out config from %d to %d\n", from, to);
  if (!IsOutput(from) || !IsOutput(to) || from == to) return;
  Profile& live = m_mirror.currentProfile;
  const OutputChannel& source = live.channels[At(from)];
  OutputChannel& target = live.channels[At(to)];
  const int bands = m_mirror.EqSize(to);
  for (int b = 0; b < bands; ++b) {
    const EqBand& band = source.bands[At(b)];
    target.bands[At(b)].eqGain = band.eqGain;
    target.bands[At(b)].eqFactor = band.eqFactor;
    target.bands[At(b)].freq = band.freq;
    target.bands[At(b)].enable = band.enable;
  }
  // Through the setters, so the copy keeps the filter rules (and the bypass flags follow
  // the slopes).
  target.crossover.hp.SetType(source.crossover.hp.type);
  target.crossover.lp.SetType(source.crossover.lp.type);
  target.crossover.hp.SetFs(source.crossover.hp.fs);
  target.crossover.lp.SetFs(source.crossover.lp.fs);
  target.crossover.hp.SetSlope(source.crossover.hp.slope);
  target.crossover.lp.SetSlope(source.crossover.lp.slope);
  target.bypass = source.bypass;
}

// --- lock ---------------------------------------------------------------------------------------

void EqualizerManager::SetOutpuLock() {
  LogPrintA("on %s\n", "EqualizerManager::SetOutpuLock");
  Profile& live = m_mirror.currentProfile;
  // The button has already toggled itself on the click; the mirror says what was.
  const bool wasLocked = live.lockMode == 1;
  const QString question = wasLocked ? QStringLiteral("${unlock_output_tips}") : QStringLiteral("${lock_output_tips}");
  const int answer = m_host ? m_host->ShowConfirm(kTips, question) : kAnswerCancel;
  const bool locked = answer == kAnswerConfirm ? !wasLocked : wasLocked;
  live.lockMode = locked ? 1 : 0;
  SetSelected(m_view.lock, locked);
  if (!locked) SetSynchronizeBoxesEnabled(true);
  SetRoleButtonsEnabled(!locked);
  if (!locked) {
    if (live.linkMode == 1) {
      ClearLinkMode();
      SendLink(0, {});
    }
    ActivateOutputSelector(live.currChannel);
  }
  CH_Lock_Ctrl(m_link, kLiveScene, Byte(live.lockMode), false);
}

// --- link ---------------------------------------------------------------------------------------

void EqualizerManager::SetOutputLink() {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputLink");
  Profile& live = m_mirror.currentProfile;
  if (!qb::IsLinkable(live.outputs)) {
    ClearLinkMode();
    SendLink(0, {});
    if (m_host) m_host->ShowMessage(kTips, QStringLiteral("${not_linkable_tips}"), {QStringLiteral("${confirm}")});
    return;
  }

  std::vector<std::uint8_t> pairs;
  if (live.linkMode == 1) {
    // Leaving link mode unlocks as well.
    SetSynchronizeBoxesEnabled(true);
    ClearLinkMode();
    live.lockMode = 0;
    SetSelected(m_view.lock, false);
    CH_Lock_Ctrl(m_link, kLiveScene, 0, false);
    SetRoleButtonsEnabled(true);
  } else {
    const int answer = m_host ? m_host->ShowChoice(kTips, QStringLiteral("${link_tips}"), QStringLiteral("${copy_left_to_right}"),
                                                   QStringLiteral("${copy_right_to_left}"))
                              : kAnswerCancel;
    if (answer != kChoiceLeftToRight && answer != kChoiceRightToLeft) {
      SetSelected(m_view.link, false);
      return;
    }
    SetSynchronizeBoxesEnabled(false);
    LogPrintA("CMsgCheckBoxWnd %d\n", answer);
    live.linkMode = 1;
    SetSelected(m_view.link, true);
    live.lockMode = 1;
    SetSelected(m_view.lock, true);
    CH_Lock_Ctrl(m_link, kLiveScene, 1, false);
    SetRoleButtonsEnabled(false);
    live.linkOutputs = qb::PairOutputs(live.outputs);
    // Left roles have the smaller codes: the chosen side's outputs are the sources.
    for (int i = 0; i < kOutputCount; ++i) {
      const int partner = live.linkOutputs[At(i)];
      if (!IsOutput(partner)) continue;
      const bool left = live.outputs[At(i)] < live.outputs[At(partner)];
      if (left != (answer == kChoiceLeftToRight)) continue;
      CopyOutConfig(i, partner);
      pairs.push_back(Byte(i));
      pairs.push_back(Byte(partner));
    }
    const int current = live.currChannel;
    if (IsOutput(current) && m_view.outputs[At(current)].volume) {
      const float gain = live.channels[At(current)].gain;
      SetSliderValue(m_view.outputs[At(current)].volume, static_cast<int>(gain * kTenthsPerDb));
      SetChVolume(current);
    }
  }
  ActivateOutputSelector(live.currChannel);
  SendLink(live.linkMode, pairs);
}

// --- reset --------------------------------------------------------------------------------------

void EqualizerManager::SetOutputReset() {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputReset");
  if (!m_host) return;
  const int answer = m_host->ShowMessage(
      kTips, QStringLiteral("${empty_output_tips}"),
      {QStringLiteral("${default}"), QStringLiteral("${cancel}"), QStringLiteral("${emptied}")});
  if (answer == kAnswerCancel) return;
  Profile& live = m_mirror.currentProfile;
  for (int o = 0; o < kOutputCount; ++o) SetOutputValue(o, QString::fromLatin1(kEmptyRoleItem));

  live.lockMode = 0;
  SetSelected(m_view.lock, false);
  CH_Lock_Ctrl(m_link, kLiveScene, 0, false);
  SetRoleButtonsEnabled(true);
  ClearLinkMode();
  SendLink(0, {});
  // Link mode disabled the synchronize boxes; it is over now.
  SetSynchronizeBoxesEnabled(true);

  // Subwoofer pair: the right subwoofers take the left one's volume.
  for (int left = 0; left < kOutputCount; ++left) {
    if (live.outputs[At(left)] != kRoleSubwooferLeft) continue;
    const ui::Slider* slider = m_view.outputs[At(left)].volume;
    for (int right = 0; right < kOutputCount; ++right) {
      if (live.outputs[At(right)] != kRoleSubwooferRight) continue;
      live.channels[At(right)].gain = live.channels[At(left)].gain;
      SetSliderValue(m_view.outputs[At(right)].volume, slider ? slider->value() : 0);
      SetText(m_view.outputs[At(right)].volumeEdit, OutputVolumeText(right).toStdString());
    }
    break;
  }

  std::array<float, kOutputSlots> trims{};
  for (std::size_t o = 0; o < trims.size(); ++o) trims[o] = -live.channels[o].gain;
  Trim_Ctrl(m_link, kLiveScene, 0, 0, Byte(kOutputCount - 1), trims, false);
  ActivateOutputSelector(0);
}

}  // namespace qb

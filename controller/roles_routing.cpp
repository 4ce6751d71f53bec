// Speaker roles of the outputs and what each output plays: a role change with its default
// crossover and the subwoofer pair's shared volume, the speaker pictures, left/right pairs,
// the input source and the per-output input masks.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

#include "controller/controller_host.h"
#include "controller/equalizer_manager.h"
#include "controller/profile_defaults.h"
#include "controller/role_catalogue.h"
#include "controller/role_pairing.h"
#include "controller/view_controls.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/selectable.h"
#include "ui/slider.h"

namespace qb {
namespace {

using namespace view;

/// Input boxes a source shows, by source index: 2 (inputs 1, 2), 6 (inputs 1..6), or 0 for
/// the sources the selector never offers.
constexpr std::array<int, kInputSourceCount> kSourceInputBoxes = {2, 2, 2, 0, 0, 6, 2, 0, 0};
constexpr int kAllInputs = 6;
/// Boxes 3..6 (indices 2..5) come and go with the source.
constexpr std::size_t kFirstExtraBox = 2;

/// The mix level an input gets when it first feeds an output.
constexpr int kFullMixLevel = 100;
constexpr int kTenthsPerDb = 10;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsOutput(int output) { return output >= 0 && output < kOutputCount; }

bool IsSource(int source) { return source >= 0 && source < static_cast<int>(kInputSourceCount); }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

/// The role that shares its volume with `role` (the other subwoofer of the pair), or 0.
int SubwooferPartnerRole(int role) {
  if (role == kRoleSubwooferLeft) return kRoleSubwooferRight;
  if (role == kRoleSubwooferRight) return kRoleSubwooferLeft;
  return 0;
}

void SendFilter(DeviceLink& link, int output, std::uint8_t selector, const CrossoverFilter& filter) {
  // A bypassed filter goes out with slope 0, which is what switches it off in the box.
  const int slope = filter.bypass != 0 ? FILTER_SLOPE_OFF : filter.slope;
  Filter_Ctrl(link, kLiveScene, 0, Byte(output), selector, filter.fs, Byte(slope), Byte(filter.type), false);
}

}  // namespace

// --- roles ----------------------------------------------------------------------------------------

void EqualizerManager::SetOutputValue(int output, const QString& itemName) {
  const QByteArray name = itemName.toUtf8();
  LogPrintA("SetOutputValue channel %d selected value %s\n", output, name.constData());
  const int code = RoleCode(name.toStdString());
  if (code < 0 || !IsOutput(output)) return;

  Profile& live = m_mirror.currentProfile;
  live.outputs[At(output)] = code;
  live.channels[At(output)].crossover = RoleDefaultCrossover(code);
  if (live.currChannel == output) SetFreqDivider(output);
  // Button texts of every output, and the pictures of the roles now in use.
  ShowRoleTexts();
  UpdateEqualizer(-1);
  ActivateOutputSelector(output);

  SendRoleAndCrossover(output);
  const int partnerRole = SubwooferPartnerRole(code);
  if (partnerRole != 0) ShareSubwooferVolume(output, partnerRole);
  SendOutputTrim(output);
  if (partnerRole == 0) return;
  for (int i = 0; i < kOutputCount; ++i) {
    if (i != output && live.outputs[At(i)] == partnerRole) SendOutputTrim(i);
  }
}

void EqualizerManager::SendRoleAndCrossover(int output) {
  const Profile& live = m_mirror.currentProfile;
  const std::array<std::uint8_t, 1> type{Byte(live.outputs[At(output)])};
  CH_Type_Ctrl(m_link, kLiveScene, 0, Byte(output), Byte(output), type, false);
  const Crossover& crossover = live.channels[At(output)].crossover;
  SendFilter(m_link, output, FILTER_SELECT_HIGH_PASS, crossover.hp);
  SendFilter(m_link, output, FILTER_SELECT_LOW_PASS, crossover.lp);
}

void EqualizerManager::ShareSubwooferVolume(int output, int partnerRole) {
  Profile& live = m_mirror.currentProfile;
  int source = -1;
  for (int i = 0; i < kOutputCount && source < 0; ++i) {
    if (i != output && live.outputs[At(i)] == partnerRole) source = i;
  }
  if (source < 0) return;
  // The output joining the pair takes the volume the pair already plays at: the subwoofer
  // that was tuned keeps its level.
  const float volume = live.channels[At(source)].gain;
  for (int i = 0; i < kOutputCount; ++i) {
    if (i != output && live.outputs[At(i)] != partnerRole) continue;
    live.channels[At(i)].gain = volume;
    const OutputStripView& strip = m_view.outputs[At(i)];
    SetSliderValue(strip.volume, static_cast<int>(volume * kTenthsPerDb));
    SetText(strip.volumeEdit, OutputVolumeText(i).toStdString());
  }
}

void EqualizerManager::SetSpeakerFocus(int role) {
  LogPrintA("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
  if (role < 1 || role > kSpeakerCount) return;
  SetSelected(m_view.speakers[At(role)], true);
  const Profile& live = m_mirror.currentProfile;
  for (int o = 0; o < kOutputCount; ++o) {
    if (live.outputs[At(o)] == role) ActivateOutputSelector(o);
  }
}

bool EqualizerManager::IsLinkable() const { return qb::IsLinkable(m_mirror.currentProfile.outputs); }

void EqualizerManager::PairOutputs() {
  Profile& live = m_mirror.currentProfile;
  live.linkOutputs = qb::PairOutputs(live.outputs);
}

// --- input routing --------------------------------------------------------------------------------

bool EqualizerManager::ShowsConnected() const {
  const auto* button = dynamic_cast<const ui::Selectable*>(m_view.connect);
  return button && button->IsSelected();
}

void EqualizerManager::ShowSourceInputs(int output, int source, bool layout) {
  const OutputStripView& strip = m_view.outputs[At(output)];
  const int mask = m_mirror.currentProfile.inputs[At(source)][At(output)];
  for (std::size_t k = 0; k < strip.inputs.size(); ++k) SetChecked(strip.inputs[k], ((mask >> k) & 1) != 0);
  if (!layout) return;
  const bool allInputs = kSourceInputBoxes[At(source)] == kAllInputs;
  for (std::size_t k = kFirstExtraBox; k < strip.inputs.size(); ++k) {
    SetEnabled(strip.inputs[k], allInputs);
    SetVisible(strip.inputs[k], allInputs);
  }
}

void EqualizerManager::SetInputSource() {
  const int source = m_view.source ? m_view.source->CurrentSelection() : -1;
  LogPrintA("on %s index %d\n", "EqualizerManager::SetInputSource", source);
  // A list without a selection names no source: the routing tables have no row for it.
  if (!IsSource(source)) return;
  m_mirror.currentProfile.inputSource = source;
  // Every output's boxes show the new source's routing. The sources the selector never
  // offers keep boxes 3..6 as they were: which of them they carry is the box's affair.
  const bool layout = kSourceInputBoxes[At(source)] != 0;
  for (int o = 0; o < kOutputCount; ++o) ShowSourceInputs(o, source, layout);

  if (!ShowsConnected()) return;
  Source_Switch_Ctrl(m_link, SourceSwitchCode(static_cast<InputSource>(source)), true);
  // The box changes its volume with the source; read it back for a while.
  if (m_host) m_host->StartMainVolumeTimer();
}

void EqualizerManager::SetChInput(int output, int input) {
  LogPrintA("set channel %d input %d\n", output, input);
  if (!IsOutput(output) || input < 1 || input > kInputBoxes) return;
  Profile& live = m_mirror.currentProfile;
  const int source = live.inputSource;
  const ui::CheckBox* box = m_view.outputs[At(output)].inputs[At(input - 1)];
  if (!IsSource(source) || !box) return;

  const bool on = box->IsChecked();
  int& mask = live.inputs[At(source)][At(output)];
  const int bit = 1 << (input - 1);
  mask = on ? (mask | bit) : (mask & ~bit);
  LogPrintA("set channel %d input = 0x%x\n", output, static_cast<unsigned>(mask));
  const std::array<std::uint32_t, 1> masks{static_cast<std::uint32_t>(mask)};
  Mix_Ch_Ctrl(m_link, kLiveScene, Byte(source), Byte(output), Byte(output), masks, false);

  // An input switched on at level 0 would stay silent: it starts at full level instead.
  int& level = live.inputMixVolume[At(source)][At(input - 1)][At(output)];
  if (!on || level != 0) return;
  level = kFullMixLevel;
  const std::array<std::uint8_t, 1> trims{Byte(kFullMixLevel)};
  Input_Mix_Trim_Ctrl(m_link, kLiveScene, Byte(source), Byte(input - 1), Byte(output), Byte(output), trims, false);
}

}  // namespace qb

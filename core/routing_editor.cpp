#include "core/routing_editor.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/live_commands.h"
#include "core/output_editor.h"
#include "core/profile_defaults.h"
#include "core/role_catalogue.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"

namespace qb {
void RoutingEditor::SetRole(int output, int role) {
  if (role < 0 || role >= kRoleCount) return;
  const std::string item(RoleCatalogue()[At(role)].menuItem);
  LogPrintA("SetOutputValue channel %d selected value %s\n", output, item.c_str());
  if (!IsOutput(output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  Profile& live = m_ctx.Live();
  live.outputs[At(output)] = role;
  live.channels[At(output)].crossover = RoleDefaultCrossover(role);
  m_ctx.Publish(Change{}.Add(kAspectRoles | kAspectCrossover, output));
  m_outputs.SelectOutput(output);

  SendRoleAndCrossover(m_ctx.Link(), live, output);
  const int partnerRole = SubwooferPartnerRole(role);
  if (partnerRole != 0) ShareSubwooferVolume(output, partnerRole);
  SendTrim(m_ctx.Link(), live, output);
  if (partnerRole == 0) return;
  for (int i = 0; i < kOutputCount; ++i) {
    if (i != output && live.outputs[At(i)] == partnerRole) SendTrim(m_ctx.Link(), live, i);
  }
}

void RoutingEditor::ShareSubwooferVolume(int output, int partnerRole) {
  Profile& live = m_ctx.Live();
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
    m_ctx.Publish(Change{}.Add(kAspectVolume, i));
  }
}

void RoutingEditor::FocusRole(int role) {
  LogPrintA("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
  if (role < 1 || role >= kRoleCount) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  for (int o = 0; o < kOutputCount; ++o) {
    if (m_ctx.Live().outputs[At(o)] == role) m_outputs.SelectOutput(o);
  }
}

void RoutingEditor::SetSource(int source) {
  LogPrintA("on %s index %d\n", "EqualizerManager::SetInputSource", source);
  // No source has no routing row.
  if (!IsSource(source)) return;
  m_ctx.Live().inputSource = source;
  m_ctx.Publish(Change{}.Add(kAspectSource | kAspectRouting));
  if (m_ctx.mirror.session.connection != ConnectionState::Connected) return;
  Source_Switch_Ctrl(m_ctx.Link(), SourceSwitchCode(static_cast<InputSource>(source)), true);
  m_ctx.session.StartMainVolumePoll();
}

bool RoutingEditor::IsMixCell(int source, int input, int output) {
  return IsSource(source) && IsOutput(output) && input >= 1 && input <= kBoxInputs;
}

void RoutingEditor::PutInput(int source, int output, int input, bool on) {
  int& mask = m_ctx.Live().inputs[At(source)][At(output)];
  const int bit = 1 << (input - 1);
  mask = on ? (mask | bit) : (mask & ~bit);
  SendInputMask(m_ctx.Link(), m_ctx.Live(), source, output);
  m_ctx.Publish(Change{}.Add(kAspectRouting, output));
}

void RoutingEditor::SetInput(int output, int input, bool on) {
  LogPrintA("set channel %d input %d\n", output, input);
  const int source = m_ctx.Live().inputSource;
  if (!IsMixCell(source, input, output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  PutInput(source, output, input, on);
  LogPrintA("set channel %d input = 0x%x\n", output, static_cast<unsigned>(m_ctx.Live().inputs[At(source)][At(output)]));
  const int level = m_ctx.Live().inputMixVolume[At(source)][At(input - 1)][At(output)];
  if (!on || level != 0) return;
  SetMixLevel(source, input, output, kFullMixLevel);
}

void RoutingEditor::SetMixLevel(int source, int input, int output, int level) {
  if (!IsMixCell(source, input, output)) return;
  const int held = std::clamp(level, 0, kFullMixLevel);
  LogPrintA("set mix level source %d input %d output %d to %d\n", source, input, output, held);
  m_ctx.Live().inputMixVolume[At(source)][At(input - 1)][At(output)] = held;
  const std::array<std::uint8_t, 1> trims{Byte(held)};
  Input_Mix_Trim_Ctrl(m_ctx.Link(), kLiveScene, Byte(source), Byte(input - 1), Byte(output), Byte(output), trims,
                      false);
  m_ctx.Publish(Change{}.Add(kAspectMixLevels, output));
}

void RoutingEditor::SetMixInput(int source, int input, int output, bool on) {
  if (!IsMixCell(source, input, output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  PutInput(source, output, input, on);
  const int level = m_ctx.Live().inputMixVolume[At(source)][At(input - 1)][At(output)];
  if (!on) SetMixLevel(source, input, output, 0);
  else if (level == 0) SetMixLevel(source, input, output, kFullMixLevel);
}

void RoutingEditor::SetMixTrim(int source, int input, int output, int level) {
  if (!IsMixCell(source, input, output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  SetMixLevel(source, input, output, level);
  const bool routed = (m_ctx.Live().inputs[At(source)][At(output)] >> (input - 1) & 1) != 0;
  const bool audible = m_ctx.Live().inputMixVolume[At(source)][At(input - 1)][At(output)] != 0;
  if (routed != audible) PutInput(source, output, input, audible);
}

}  // namespace qb

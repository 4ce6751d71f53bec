// Editing one output: the current output, volume with the outputs that follow it, mute,
// phase, delay, the synchronize group and the curves shown.
#include "core/output_editor.h"

#include <algorithm>
#include <cmath>

#include "core/eq_coupling.h"
#include "core/live_commands.h"
#include "core/output_levels.h"
#include "core/role_catalogue.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr float kUsPerMs = 1000.0f;
/// Synchronize saved values while an output keeps none.
constexpr int kNoSavedSlider = 1;
constexpr float kNoSavedVolume = 1.0f;

/// Where the fader of `channel` stands: its volume held to the fader's range.
int FaderPosition(const OutputChannel& channel) {
  return std::clamp(VolumeTenths(channel), kOutputVolumeMinTenths, kOutputVolumeMaxTenths);
}

}  // namespace

int VolumeTenths(const OutputChannel& channel) {
  return static_cast<int>(std::lround(channel.gain * kTenthsPerDb));
}

int ShownVolumeDb(const OutputChannel& channel) {
  const int whole = static_cast<int>(channel.gain);
  return whole * 10 <= kOutputVolumeMinTenths ? kOutputOffDb : whole;
}

int DelayMicros(const OutputChannel& channel) { return WholeMicros(channel.delay); }

// --- current output ---------------------------------------------------------------------------

void OutputEditor::SelectOutput(int output) {
  LogPrintA("on SetCurChannelChange channel index %d\n", output);
  if (!IsOutput(output)) return;
  m_ctx.Live().currChannel = output;
  m_ctx.Publish(Change{}.Add(kAspectCurrentOutput));
}

// --- volume -------------------------------------------------------------------------------------

void OutputEditor::PutVolume(int output, int tenths) {
  const int value = std::clamp(tenths, kOutputVolumeMinTenths, kOutputVolumeMaxTenths);
  m_ctx.Live().channels[At(output)].gain = static_cast<float>(value) / kTenthsPerDb;
  SendTrim(m_ctx.Link(), m_ctx.Live(), output);
  m_ctx.Publish(Change{}.Add(kAspectVolume, output));
}

void OutputEditor::SaveSyncVolume(int output, bool keep) {
  Profile& live = m_ctx.Live();
  if (!keep) {
    live.syncSavedSlider[At(output)] = kNoSavedSlider;
    live.syncSavedVolume[At(output)] = kNoSavedVolume;
    return;
  }
  const OutputChannel& channel = live.channels[At(output)];
  live.syncSavedSlider[At(output)] = FaderPosition(channel);
  // Only a marker of membership: an output shown "off" keeps 0, as its text has no number.
  const int shown = ShownVolumeDb(channel);
  live.syncSavedVolume[At(output)] = static_cast<float>(shown == kOutputOffDb ? 0 : shown);
}

void OutputEditor::FollowVolumeChange(int output, float deltaDb, bool typed) {
  Profile& live = m_ctx.Live();
  const int deltaTenths = static_cast<int>(std::lround(deltaDb * kTenthsPerDb));
  if (live.synchronize[At(output)] == 1) {
    for (int i = 0; i < kOutputCount; ++i) {
      if (i == output || live.synchronize[At(i)] != 1) continue;
      if (live.syncSavedVolume[At(i)] == kNoSavedVolume) continue;
      SaveSyncVolume(output, true);
      if (typed) {
        // Each member keeps its own distance from the edited output: its shown volume plus
        // the change.
        const float wanted = static_cast<float>(ShownVolumeDb(live.channels[At(i)])) + deltaDb;
        const float held = std::clamp(wanted, static_cast<float>(kOutputOffDb), 0.0f);
        PutVolume(i, static_cast<int>(std::lround(held * kTenthsPerDb)));
      } else {
        PutVolume(i, FaderPosition(live.channels[At(i)]) + deltaTenths);
      }
    }
  }
  if (live.linkMode == 1) {
    const int partner = live.linkOutputs[At(output)];
    if (IsOutput(partner) && partner != output)
      PutVolume(partner, FaderPosition(live.channels[At(partner)]) + deltaTenths);
    return;
  }
  const int otherRole = SubwooferPartnerRole(live.outputs[At(output)]);
  if (otherRole == 0) return;
  const float volume = live.channels[At(output)].gain;
  for (int i = 0; i < kOutputCount; ++i) {
    if (i != output && live.outputs[At(i)] == otherRole && live.channels[At(i)].gain != volume)
      PutVolume(i, FaderPosition(live.channels[At(output)]));
  }
}

void OutputEditor::SetVolumeTenths(int output, int tenths) {
  if (!IsOutput(output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  Profile& live = m_ctx.Live();
  if (live.currChannel != output) SelectOutput(output);
  const int value = std::clamp(tenths, kOutputVolumeMinTenths, kOutputVolumeMaxTenths);
  const float volume = static_cast<float>(value) / kTenthsPerDb;
  LogPrintA("set channel %d volume to %.1fdB\n", output, static_cast<double>(volume));
  m_ctx.Publish(Change{}.Add(kAspectVolume, output));
  OutputChannel& channel = live.channels[At(output)];
  if (channel.gain == volume) return;
  const float delta = volume - channel.gain;
  channel.gain = volume;
  SendTrim(m_ctx.Link(), live, output);
  FollowVolumeChange(output, delta, false);
}

void OutputEditor::SetVolumeDb(int output, int db) {
  if (!IsOutput(output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  const int value = std::clamp(db, kOutputOffDb, 0);
  LogPrintA("on ch %d volume edit change to %.1f dB\n", output, static_cast<double>(value));
  m_ctx.Publish(Change{}.Add(kAspectVolume, output));
  OutputChannel& channel = m_ctx.Live().channels[At(output)];
  const auto volume = static_cast<float>(value);
  if (channel.gain == volume) return;
  const float delta = volume - channel.gain;
  channel.gain = volume;
  LogPrintA("set channe %d volume to %.1fdB\n", output, static_cast<double>(volume));
  SendTrim(m_ctx.Link(), m_ctx.Live(), output);
  FollowVolumeChange(output, delta, true);
}

void OutputEditor::StepVolume(int output, bool up) {
  LogPrintA("SetChVolumeUp %d \n", output);
  if (!IsOutput(output)) return;
  const int position = FaderPosition(m_ctx.Live().channels[At(output)]);
  if (up ? position >= kOutputVolumeMaxTenths : position <= kOutputVolumeMinTenths) return;
  SetVolumeTenths(output, position + (up ? kOutputVolumeStepTenths : -kOutputVolumeStepTenths));
}

// --- mute, phase, curves ------------------------------------------------------------------------

void OutputEditor::SetMute(int output, bool muted) {
  if (!IsOutput(output)) return;
  m_ctx.Live().channels[At(output)].mute = muted ? 1 : 0;
  LogPrintA("channel %d mute seleted %d\n", output, muted ? 1 : 0);
  SendMute(m_ctx.Link(), m_ctx.Live(), output);
  m_ctx.Publish(Change{}.Add(kAspectMute, output));
}

void OutputEditor::SetPhase(int output, bool inverted) {
  if (!IsOutput(output)) return;
  m_ctx.Live().channels[At(output)].phase = inverted ? 1 : 0;
  LogPrintA("channel %d phase seleted %d\n", output, inverted ? 1 : 0);
  SendPhase(m_ctx.Link(), m_ctx.Live(), output);
  m_ctx.Publish(Change{}.Add(kAspectPhase, output));
}

void OutputEditor::SetShowCurve(int output, bool shown) {
  if (!IsOutput(output)) return;
  Profile& live = m_ctx.Live();
  live.showChEqualizer[At(output)] = shown ? 1 : 0;
  m_ctx.mirror.ComputeChannelResponse(output, live.channels[At(output)].bypass != 0);
  m_ctx.Publish(Change{}.Add(kAspectShowCurve, output));
}

// --- synchronize group --------------------------------------------------------------------------

void OutputEditor::SetSynchronize(int output, bool member) {
  if (!IsOutput(output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  Profile& live = m_ctx.Live();
  LogPrintA("channel %d synchronize seleted %d\n", output, member ? 1 : 0);
  live.synchronize[At(output)] = member ? 1 : 0;
  if (member) {
    // The group shares its EQ edits, so its members take the current output's bypass.
    const int current = live.currChannel;
    if (IsOutput(current) && current < kEqGroupOutputs && live.synchronize[At(current)] == 1) {
      const std::uint8_t bypass = live.channels[At(current)].bypass;
      for (int j = 0; j < kEqGroupOutputs; ++j) {
        if (live.synchronize[At(j)] != 1) continue;
        live.channels[At(j)].bypass = bypass;
        SendBypass(m_ctx.Link(), live, j);
        m_ctx.Publish(Change{}.Add(kAspectBypass, j));
      }
    }
  }
  SaveSyncVolume(output, member);
  if (member) {
    // The members' volumes are taken as shown: whole decibels, and an output shown "off"
    // stays at the bottom of the range rather than reading as 0 dB.
    for (int i = 0; i < kOutputCount; ++i) {
      if (live.syncSavedVolume[At(i)] == kNoSavedVolume) continue;
      live.channels[At(i)].gain = static_cast<float>(ShownVolumeDb(live.channels[At(i)]));
      SendTrim(m_ctx.Link(), live, i);
      m_ctx.Publish(Change{}.Add(kAspectVolume, i));
    }
  }
  m_ctx.Publish(Change{}.Add(kAspectSynchronize));
  SelectOutput(output);
}

void OutputEditor::ClearSynchronize() {
  Profile& live = m_ctx.Live();
  live.synchronize.fill(0);
  live.syncSavedSlider.fill(kNoSavedSlider);
  live.syncSavedVolume.fill(kNoSavedVolume);
  m_ctx.Publish(Change{}.Add(kAspectSynchronize));
}

// --- delay --------------------------------------------------------------------------------------

void OutputEditor::SetDelayMicros(int output, int micros) {
  if (!IsOutput(output)) return;
  OutputChannel& channel = m_ctx.Live().channels[At(output)];
  channel.delay = static_cast<float>(std::clamp(micros, 0, kDelayMaxMicros)) / kUsPerMs;
  LogPrintA("channel %d delay value %.3f\n", output, static_cast<double>(channel.delay));
  SendDelay(m_ctx.Link(), m_ctx.Live(), output);
  m_ctx.Publish(Change{}.Add(kAspectDelay, output));
}

double OutputEditor::SetDelayTyped(int output, double value) {
  if (!IsOutput(output)) return 0.0;
  LogPrintA("channel %d delay edit value %.3f\n", output, value);
  const DelayUnit unit = m_ctx.mirror.session.delayUnit;
  const double held = unit == DelayUnit::Ms ? std::clamp(value, 0.0, kMaxEditDelayMs) : HeldDistance(value, unit);
  m_ctx.Live().channels[At(output)].delay = BoxDelayMs(DelayMsOfDistance(held, unit));
  SendDelay(m_ctx.Link(), m_ctx.Live(), output);
  m_ctx.Publish(Change{}.Add(kAspectDelay, output));
  return held;
}

void OutputEditor::StepDelay(int output, bool up) {
  LogPrintA("SetChDelayUp %d \n", output);
  if (!IsOutput(output)) return;
  // The slider shows a longer typed delay at its end.
  const int position = std::clamp(DelayMicros(m_ctx.Live().channels[At(output)]), 0, kDelayMaxMicros);
  if (up ? position >= kDelayMaxMicros : position <= 0) return;
  SetDelayMicros(output, position + (up ? kDelayStepMicros : -kDelayStepMicros));
}

void OutputEditor::SetDelayUnit(DelayUnit unit) {
  LogPrintA("on eq comb_ch_unit valuechanged\n");
  m_ctx.mirror.session.delayUnit = unit;
  m_ctx.Publish(Change{}.Add(kAspectDelayUnit));
}

}  // namespace qb

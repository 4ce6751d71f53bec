#include "core/eq_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/box_limits.h"
#include "core/eq_coupling.h"
#include "core/live_commands.h"
#include "core/profile_defaults.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr float kZeroGain = 0.001f;
constexpr float kSameValue = 0.01f;

bool SameBand(const EqBand& band, int freq, float q, float gain) {
  return band.freq == freq && std::fabs(band.eqFactor - q) <= kSameValue && std::fabs(band.eqGain - gain) <= kSameValue;
}

/// Nothing the user could see changes: frequency and Q as stored, the gain as the row (or the
/// curve) shows it. A band of a bypassed output, or a disabled one, shows 0 dB; confirming
/// that 0 unchanged, or hovering the band on the curve, must not overwrite its stored gain.
bool SameAsShown(const EqBand& band, const OutputChannel& channel, int freq, float q, float gain) {
  return band.freq == freq && std::fabs(band.eqFactor - q) <= kSameValue &&
         std::fabs(ShownBandGain(band, channel) - gain) <= kSameValue;
}

}  // namespace

float ShownBandGain(const EqBand& band, const OutputChannel& channel) {
  return (channel.bypass == 0 && band.enable == 1) ? band.eqGain : 0.0f;
}

int ShownBandTenths(const EqBand& band, const OutputChannel& channel) {
  const int tenths = static_cast<int>(std::lround(ShownBandGain(band, channel) * kTenthsPerDb));
  return std::clamp(tenths, static_cast<int>(kBandGainLimits.minimum * kTenthsPerDb),
                    static_cast<int>(kBandGainLimits.maximum * kTenthsPerDb));
}

bool EqAudible(const Profile& profile, int output) {
  if (!IsOutput(output)) return false;
  const OutputChannel& channel = profile.channels[At(output)];
  const auto bands = Bands(profile, output).first(At(EqSize(profile, output)));
  return std::any_of(bands.begin(), bands.end(),
                     [&channel](const EqBand& band) { return ShownBandTenths(band, channel) != 0; });
}

// --- the band commit --------------------------------------------------------------------------

void EqEditor::ConsumeBypass(int output) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(output) || live.channels[At(output)].bypass == 0) return;
  const auto bands = Bands(live, output).first(At(EqSize(live, output)));
  for (std::size_t b = 0; b < bands.size(); ++b) {
    if (std::fabs(bands[b].eqGain) <= kZeroGain) continue;
    bands[b].eqGain = 0.0f;
    bands[b].enable = 1;
    SendBand(m_ctx.Link(), live, output, static_cast<int>(b));
  }
  m_ctx.Publish(Change{}.Add(kAspectBands, output));
}

void EqEditor::AlignBypass(int output) {
  Profile& live = m_ctx.Live();
  const std::uint8_t bypass = live.channels[At(output)].bypass;
  for (int follower : FollowersOf(live, output)) {
    if (live.channels[At(follower)].bypass == bypass) continue;
    live.channels[At(follower)].bypass = bypass;
    SendBypass(m_ctx.Link(), live, follower);
    m_ctx.Publish(Change{}.Add(kAspectBypass, follower));
  }
}

void EqEditor::CommitBand(int o, int band, int freq, float q, float gain, BandInput input) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(o) || band < 0 || band >= EqSize(live, o)) return;
  // What the box will hold, and so what the mirror keeps: a frequency in its range (a drag
  // past the curve's end stops there), Q and gain in tenths.
  freq = std::clamp(freq, kMinFrequencyHz, kMaxFrequencyHz);
  q = BoxTenths(ClampQ(q));
  gain = BoxTenths(ClampGain(gain, kBandGainLimits));
  const ChangeHub::Batch batch(m_ctx.changes);
  // The row is drawn again in any case: a typed value reads back as it is kept.
  m_ctx.Publish(Change{}.AddBand(o, band));
  OutputChannel& channel = live.channels[At(o)];
  EqBand& target = channel.bands[At(band)];
  const EqGroup group = EqGroupOf(live, o);
  const int partner = LinkedPartnerOf(live, o);

  if (input != BandInput::Slider && SameAsShown(target, channel, freq, q, gain)) return;
  if (input == BandInput::Drag && target.enable == 1 && SameBand(target, freq, q, gain)) return;

  if (input != BandInput::Drag || std::fabs(gain) > kZeroGain) {
    if (channel.bypass != 0) {
      ConsumeBypass(o);
      for (int member : group) ConsumeBypass(member);
      if (partner >= 0) ConsumeBypass(partner);
    }
  }
  if (input == BandInput::Edit && target.enable == 1 && SameBand(target, freq, q, gain)) return;

  const EqBand value{gain, q, freq, 1};
  target = value;
  for (int member : group) {
    if (band >= EqSize(live, member)) continue;
    live.channels[At(member)].bands[At(band)] = value;
    SendBand(m_ctx.Link(), live, member, band);
    m_ctx.Publish(Change{}.Add(kAspectBands, member));
  }
  if (partner >= 0 && band < EqSize(live, partner)) {
    live.channels[At(partner)].bands[At(band)] = value;
    m_ctx.Publish(Change{}.Add(kAspectBands, partner));
  }

  std::uint8_t bypass = 0;
  const bool nonZero = input == BandInput::Drag ? gain != 0.0f : std::fabs(gain) > kZeroGain;
  if (!nonZero) {
    const auto inUse = Bands(live, o).first(At(EqSize(live, o)));
    const bool flat = input == BandInput::Slider ? FlatBySum(inUse) : FlatByWholeDecibels(inUse);
    bypass = flat ? 1 : 0;
  }

  if (input == BandInput::Drag) SendBand(m_ctx.Link(), live, o, band);
  if (channel.bypass != bypass) {
    channel.bypass = bypass;
    SendBypass(m_ctx.Link(), live, o);
    m_ctx.Publish(Change{}.Add(kAspectBypass, o));
  }
  AlignBypass(o);

  if (input != BandInput::Drag) SendBand(m_ctx.Link(), live, o, band);
  if (partner >= 0) SendBand(m_ctx.Link(), live, partner, band);
}

// --- the three variants and the steps -----------------------------------------------------------

void EqEditor::EditBand(int output, int band, int freq, float q, float gainDb) {
  LogPrintA("SetChEqEdit band=%d\n", band);
  const auto bands = Bands(m_ctx.Live(), output);
  if (band < 0 || At(band) >= bands.size()) return;
  const int heldFreq = (freq < kMinFrequencyHz || freq > kMaxFrequencyHz) ? bands[At(band)].freq : freq;
  const float heldQ = ClampQ(q);
  const float heldGain = ClampGain(gainDb, kBandGainLimits);
  LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", heldFreq, static_cast<double>(heldQ),
            static_cast<double>(heldGain));
  CommitBand(output, band, heldFreq, heldQ, heldGain, BandInput::Edit);
}

void EqEditor::SetBandGainTenths(int output, int band, int tenths) {
  const auto bands = Bands(m_ctx.Live(), output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& stored = bands[At(band)];
  const float gain = static_cast<float>(tenths) / kTenthsPerDb;
  LogPrintA("SetChEqSlider freq(%d) q(%.2f) gain(%.1f) slider(%d) band(%d) channel(%d)\n", stored.freq,
            static_cast<double>(stored.eqFactor), static_cast<double>(gain), tenths, band, output);
  CommitBand(output, band, stored.freq, stored.eqFactor, gain, BandInput::Slider);
}

void EqEditor::DragBand(int output, int band, int freq, float q, float gainDb) {
  CommitBand(output, band, freq, q, gainDb, BandInput::Drag);
}

void EqEditor::ToggleBandEnable(int output, int band) {
  LogPrintA("OnEqEnable mEqIndex %d\n", band);
  Profile& live = m_ctx.Live();
  if (!IsOutput(output) || band < 0 || band >= EqSize(live, output)) return;
  const ChangeHub::Batch batch(m_ctx.changes);
  m_ctx.Publish(Change{}.AddBand(output, band));
  const OutputChannel& channel = live.channels[At(output)];
  EqBand& stored = live.channels[At(output)].bands[At(band)];
  const float shown = static_cast<float>(ShownBandTenths(stored, channel)) / kTenthsPerDb;
  if (stored.enable == 1 && std::fabs(shown) > kZeroGain) {
    stored.enable = 0;
    SendBand(m_ctx.Link(), live, output, band);
  } else if (stored.enable == 0 && std::fabs(stored.eqGain - shown) > kZeroGain) {
    stored.enable = 1;
    SendBand(m_ctx.Link(), live, output, band);
  }
  for (int follower : FollowersOf(live, output)) {
    if (band >= EqSize(live, follower)) continue;
    live.channels[At(follower)].bands[At(band)].enable = stored.enable;
    SendBand(m_ctx.Link(), live, follower, band);
    m_ctx.Publish(Change{}.Add(kAspectBands, follower));
  }
}

void EqEditor::StepBandFrequency(int output, int band, bool up) {
  LogPrintA("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const auto bands = Bands(m_ctx.Live(), output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& stored = bands[At(band)];
  if ((up && stored.freq == kMaxFrequencyHz) || (!up && stored.freq == kMinFrequencyHz)) return;
  const OutputChannel& channel = m_ctx.Live().channels[At(output)];
  EditBand(output, band, NextGridFrequency(stored.freq, up), stored.eqFactor, ShownBandGain(stored, channel));
}

void EqEditor::StepBandQ(int output, int band, bool up) {
  LogPrintA("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const auto bands = Bands(m_ctx.Live(), output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& stored = bands[At(band)];
  const auto next = StepQ(stored.eqFactor, up);
  if (!next) return;
  const OutputChannel& channel = m_ctx.Live().channels[At(output)];
  EditBand(output, band, stored.freq, *next, ShownBandGain(stored, channel));
}

void EqEditor::StepBandGain(int output, int band, bool up) {
  LogPrintA("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const auto bands = Bands(m_ctx.Live(), output);
  if (band < 0 || At(band) >= bands.size()) return;
  const EqBand& stored = bands[At(band)];
  const auto next = StepGain(stored.eqGain, up, kBandGainLimits);
  if (!next) return;
  EditBand(output, band, stored.freq, stored.eqFactor, *next);
}

// --- bypass, mode and reset ----------------------------------------------------------------------

BypassOutcome EqEditor::ToggleBypass(int o, const Confirm& confirm) {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputBypass");
  Profile& live = m_ctx.Live();
  if (!IsOutput(o) || EqSize(live, o) <= 0) return BypassOutcome::Unchanged;
  // Whatever the bypass keeps counts, even a band below 1 dB: a total truncated to whole
  // decibels would leave such an output bypassed with no way back.
  const bool kept = !FlatBySum(Bands(live, o).first(At(EqSize(live, o))));
  OutputChannel& channel = live.channels[At(o)];
  BypassOutcome outcome = BypassOutcome::Unchanged;
  if (EqAudible(live, o)) {
    if (!confirm || !confirm(Question::BypassAllEq)) return BypassOutcome::Cancelled;
    channel.bypass = 1;
    outcome = BypassOutcome::Bypassed;
  } else if (kept) {
    if (!confirm || !confirm(Question::RestoreAllEq)) return BypassOutcome::Cancelled;
    channel.bypass = 0;
    outcome = BypassOutcome::Restored;
  }
  const ChangeHub::Batch batch(m_ctx.changes);
  SendBypass(m_ctx.Link(), live, o);
  m_ctx.Publish(Change{}.Add(kAspectBypass | kAspectBands, o));
  for (int follower : FollowersOf(live, o)) {
    live.channels[At(follower)].bypass = channel.bypass;
    SendBypass(m_ctx.Link(), live, follower);
    m_ctx.Publish(Change{}.Add(kAspectBypass | kAspectBands, follower));
  }
  return outcome;
}

bool EqEditor::ToggleEqMode(const Confirm& confirm) {
  SessionState& session = m_ctx.mirror.session;
  const bool agreed =
      confirm && confirm(session.parametricEq ? Question::GraphicEqMode : Question::ParametricEqMode);
  if (agreed) session.parametricEq = !session.parametricEq;
  // Drawn again either way: a click may already have toggled the mode's button.
  m_ctx.Publish(Change{}.Add(kAspectEqMode));
  return agreed;
}

bool EqEditor::ResetEq(int o, const Confirm& confirm) {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputEqReset");
  if (!confirm || !confirm(Question::ResetAllEq)) return false;
  Profile& live = m_ctx.Live();
  if (!IsOutput(o)) return false;
  const ChangeHub::Batch batch(m_ctx.changes);
  ResetBands(Bands(live, o), live.channels[At(o)].eqSize);
  m_ctx.Publish(Change{}.Add(kAspectBands, o));
  for (int member : EqGroupOf(live, o)) {
    ResetBands(Bands(live, member), live.channels[At(member)].eqSize);
    for (int b = 0; b < EqSize(live, member); ++b) SendBand(m_ctx.Link(), live, member, b);
    m_ctx.Publish(Change{}.Add(kAspectBands, member));
  }
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) {
    ResetBands(Bands(live, partner), live.channels[At(partner)].eqSize);
    m_ctx.Publish(Change{}.Add(kAspectBands, partner));
  }
  std::vector<std::uint8_t> outputs{Byte(o)};
  if (partner >= 0) outputs.push_back(Byte(partner));
  PEQ_Reset_Ctrl(m_ctx.Link(), kLiveScene, 0, outputs.size(), outputs, false);
  return true;
}

// --- import ----------------------------------------------------------------------------------------

bool EqEditor::ImportBands(int o, std::span<const EqBand> imported, std::optional<bool> bypassed,
                           ImportEditing editing) {
  Profile& live = m_ctx.Live();
  if (!IsOutput(o) || imported.empty()) return false;
  LogPrintA("import %zu bands into channel %d\n", imported.size(), o);
  const ChangeHub::Batch batch(m_ctx.changes);
  SessionState& session = m_ctx.mirror.session;
  if (editing == ImportEditing::Parametric && !session.parametricEq) {
    session.parametricEq = true;
    m_ctx.Publish(Change{}.Add(kAspectEqMode));
  }
  std::vector<int> targets{o};
  for (int follower : FollowersOf(live, o))
    if (std::find(targets.begin(), targets.end(), follower) == targets.end()) targets.push_back(follower);
  for (int t : targets) {
    const auto row = Bands(live, t).first(At(EqSize(live, t)));
    for (std::size_t b = 0; b < row.size(); ++b) {
      if (b < imported.size()) {
        row[b] = BoxBand(imported[b]);
      } else {
        row[b].eqGain = 0.0f;
        row[b].enable = 1;
      }
    }
    live.channels[At(t)].bypass = bypassed.value_or(FlatBySum(row)) ? 1 : 0;
    for (std::size_t b = 0; b < row.size(); ++b) SendBand(m_ctx.Link(), live, t, static_cast<int>(b));
    SendBypass(m_ctx.Link(), live, t);
    m_ctx.Publish(Change{}.Add(kAspectBands | kAspectBypass, t));
  }
  return true;
}

}  // namespace qb

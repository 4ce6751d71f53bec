// Editing the current output's equaliser: band rows, the curve's band drags, the band
// enable boxes, the EQ bypass button, the PEQ/GEQ mode and the EQ reset.
#include <QString>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "controller/controller_host.h"
#include "controller/eq_coupling.h"
#include "controller/eq_values.h"
#include "controller/equalizer_manager.h"
#include "controller/profile_defaults.h"
#include "controller/view_controls.h"
#include "controller/view_formats.h"
#include "devicelink/dsp_setters.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/equalizer_display.h"
#include "ui/slider.h"

namespace qb {
namespace {

using namespace view;

constexpr float kZeroGain = 0.001f;
constexpr float kSameValue = 0.01f;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

bool IsBandIndex(int band) { return band >= 0 && band < kMaxEqBands; }

std::string TextOf(const QWidget* control) { return control ? ui::ControlText(control).toStdString() : std::string(); }

GainLimits BandGainLimits(const BandRowView& row) {
  if (!row.slider) return GainLimits{};
  return GainLimitsOfSlider(row.slider->minimum(), row.slider->maximum());
}

int SliderTenths(float gainDb) { return static_cast<int>(std::lround(gainDb * 10.0f)); }

/// The gain a band row shows: the stored gain while the band applies (enabled, EQ not
/// bypassed), 0 otherwise.
float ShownGain(const EqBand& band, const OutputChannel& channel) {
  return (channel.bypass == 0 && band.enable == 1) ? band.eqGain : 0.0f;
}

bool SameBand(const EqBand& band, int freq, float q, float gain) {
  return band.freq == freq && std::fabs(band.eqFactor - q) <= kSameValue && std::fabs(band.eqGain - gain) <= kSameValue;
}

/// Nothing the user could see changes: frequency and Q as stored, the gain as the row (or the
/// curve) shows it. A band of a bypassed output, or a disabled one, shows 0 dB; confirming
/// that 0 unchanged, or hovering the band on the curve, must not overwrite its stored gain.
bool SameAsShown(const EqBand& band, const OutputChannel& channel, int freq, float q, float gain) {
  return band.freq == freq && std::fabs(band.eqFactor - q) <= kSameValue &&
         std::fabs(ShownGain(band, channel) - gain) <= kSameValue;
}

ui::EqualizerDisplay* Display(QWidget* curve) { return dynamic_cast<ui::EqualizerDisplay*>(curve); }

}  // namespace

// --- the band commit --------------------------------------------------------------------------

void EqualizerManager::ConsumeBypass(int output) {
  Profile& live = m_mirror.currentProfile;
  if (output < 0 || output >= kOutputCount || live.channels[At(output)].bypass == 0) return;
  const auto bands = Bands(live, output).first(At(EqSize(live, output)));
  for (std::size_t b = 0; b < bands.size(); ++b) {
    if (std::fabs(bands[b].eqGain) <= kZeroGain) continue;
    bands[b].eqGain = 0.0f;
    bands[b].enable = 1;
    SendBand(m_link, live, output, static_cast<int>(b));
  }
}

void EqualizerManager::AlignBypass(int output) {
  Profile& live = m_mirror.currentProfile;
  const std::uint8_t bypass = live.channels[At(output)].bypass;
  for (int member : EqGroupOf(live, output)) {
    if (live.channels[At(member)].bypass == bypass) continue;
    live.channels[At(member)].bypass = bypass;
    SendBypass(m_link, live, member);
  }
  const int partner = LinkedPartnerOf(live, output);
  if (partner >= 0 && live.channels[At(partner)].bypass != bypass) {
    live.channels[At(partner)].bypass = bypass;
    SendBypass(m_link, live, partner);
  }
}

void EqualizerManager::CommitBand(int band, int freq, float q, float gain, BandInput input) {
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (o < 0 || o >= kOutputCount || band < 0 || band >= EqSize(live, o)) return;
  OutputChannel& channel = live.channels[At(o)];
  EqBand& target = channel.bands[At(band)];
  const BandRowView& row = m_view.bands[At(band)];
  const EqGroup group = EqGroupOf(live, o);
  const int partner = LinkedPartnerOf(live, o);

  if (input != BandInput::Slider && SameAsShown(target, channel, freq, q, gain)) return;
  if (input == BandInput::Drag && target.enable == 1 && SameBand(target, freq, q, gain)) return;

  // Editing a bypassed output starts it from flat: the bands kept behind the bypass go.
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
  SetChecked(row.enable, true);
  for (int member : group) {
    if (band >= EqSize(live, member)) continue;
    live.channels[At(member)].bands[At(band)] = value;
    SendBand(m_link, live, member, band);
  }
  if (partner >= 0 && band < EqSize(live, partner)) live.channels[At(partner)].bands[At(band)] = value;

  std::uint8_t bypass = 0;
  const bool nonZero = input == BandInput::Drag ? gain != 0.0f : std::fabs(gain) > kZeroGain;
  if (nonZero) {
    SetChecked(row.enable, true);
  } else {
    SetChecked(row.enable, false);
    const auto inUse = Bands(live, o).first(At(EqSize(live, o)));
    const bool flat = input == BandInput::Slider ? FlatBySum(inUse) : FlatByWholeDecibels(inUse);
    bypass = flat ? 1 : 0;
  }
  SetBypassButtonText(1 - bypass);

  if (input == BandInput::Drag) SendBand(m_link, live, o, band);
  if (channel.bypass != bypass) {
    channel.bypass = bypass;
    SendBypass(m_link, live, o);
  }
  AlignBypass(o);

  if (input == BandInput::Drag) {
    if (partner >= 0) SendBand(m_link, live, partner, band);
    UpdateEqBandView(o);
    UpdateEqualizer(band);
    return;
  }
  UpdateEqualizer(band);
  SendBand(m_link, live, o, band);
  if (partner >= 0) SendBand(m_link, live, partner, band);
}

// --- band rows -----------------------------------------------------------------------------------

void EqualizerManager::SetChEqEdit(int band) {
  if (!IsBandIndex(band)) return;
  LogPrintA("SetChEqEdit band=%d\n", band);
  const Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (o < 0 || o >= kOutputCount) return;
  const BandRowView& row = m_view.bands[At(band)];
  const EqBand& stored = live.channels[At(o)].bands[At(band)];

  const int freq = BandFrequencyFromText(TextOf(row.freq), stored.freq);
  SetText(row.freq, BandFreqText(freq));
  const float q = ClampQ(ReadNumber(TextOf(row.q)));
  SetText(row.q, BandQText(q));
  const float typed = ReadNumber(TextOf(row.gain));
  const float gain = ClampGain(typed, BandGainLimits(row));
  if (std::fabs(gain - typed) > kZeroGain) SetText(row.gain, BandGainText(gain));
  SetSliderValue(row.slider, SliderTenths(gain));
  LogPrintA("freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q), static_cast<double>(gain));
  CommitBand(band, freq, q, gain, BandInput::Edit);
}

void EqualizerManager::SetChEqSlider(int band) {
  if (!IsBandIndex(band)) return;
  const BandRowView& row = m_view.bands[At(band)];
  if (!row.slider) return;
  const int position = row.slider->value();
  const float gain = static_cast<float>(position) / 10.0f;
  const int freq = ReadWholeNumber(TextOf(row.freq));
  const float q = ReadNumber(TextOf(row.q));
  SetText(row.gain, BandGainText(gain));
  const int o = m_mirror.currentProfile.currChannel;
  LogPrintA("SetChEqSlider freq(%d) q(%.2f) gain(%.1f) slider(%d) band(%d) channel(%d)\n", freq,
            static_cast<double>(q), static_cast<double>(gain), position, band, o);
  CommitBand(band, freq, q, gain, BandInput::Slider);
}

void EqualizerManager::OnEqEnable(int band) {
  LogPrintA("OnEqEnable mEqIndex %d\n", band);
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsBandIndex(band) || o < 0 || o >= kOutputCount || band >= EqSize(live, o)) return;
  const BandRowView& row = m_view.bands[At(band)];
  EqBand& stored = live.channels[At(o)].bands[At(band)];
  const float shown = row.slider ? static_cast<float>(row.slider->value()) / 10.0f : 0.0f;

  if (stored.enable == 1 && std::fabs(shown) > kZeroGain) {
    stored.enable = 0;
    SetChecked(row.enable, false);
    SetSliderValue(row.slider, 0);
    SetText(row.gain, BandGainText(0.0f));
    SendBand(m_link, live, o, band);
    UpdateEqualizer(-1);
  } else if (stored.enable == 0 && std::fabs(stored.eqGain - shown) > kZeroGain) {
    SetChecked(row.enable, true);
    stored.enable = 1;
    SetSliderValue(row.slider, SliderTenths(stored.eqGain));
    SetText(row.gain, BandGainText(stored.eqGain));
    SendBand(m_link, live, o, band);
    UpdateEqualizer(-1);
  }

  std::vector<int> followers;
  for (int member : EqGroupOf(live, o)) followers.push_back(member);
  if (const int partner = LinkedPartnerOf(live, o); partner >= 0) followers.push_back(partner);
  for (int follower : followers) {
    if (band >= EqSize(live, follower)) continue;
    live.channels[At(follower)].bands[At(band)].enable = stored.enable;
    SendBand(m_link, live, follower, band);
  }

  SetChecked(row.enable, row.slider && row.slider->value() != 0);
  bool anyChecked = false;
  for (int b = 0; b < EqSize(live, o); ++b)
    if (const ui::CheckBox* box = m_view.bands[At(b)].enable; box && box->IsChecked()) anyChecked = true;
  SetBypassButtonText(anyChecked ? 1 : 0);
}

void EqualizerManager::SetEqFreqUp(int band, bool up) {
  LogPrintA("SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsBandIndex(band) || o < 0 || o >= kOutputCount) return;
  const int freq = live.channels[At(o)].bands[At(band)].freq;
  if ((up && freq == kMaxBandHz) || (!up && freq == kMinBandHz)) return;
  SetText(m_view.bands[At(band)].freq, BandFreqText(NextGridFrequency(freq, up)));
  SetChEqEdit(band);
}

void EqualizerManager::SetEqGainUp(int band, bool up) {
  LogPrintA("SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsBandIndex(band) || o < 0 || o >= kOutputCount) return;
  const BandRowView& row = m_view.bands[At(band)];
  const auto next = StepGain(live.channels[At(o)].bands[At(band)].eqGain, up, BandGainLimits(row));
  if (!next) return;
  SetText(row.gain, BandGainText(*next));
  SetChEqEdit(band);
}

void EqualizerManager::SetEqQUp(int band, bool up) {
  LogPrintA("SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
  const Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (!IsBandIndex(band) || o < 0 || o >= kOutputCount) return;
  const auto next = StepQ(live.channels[At(o)].bands[At(band)].eqFactor, up);
  if (!next) return;
  SetText(m_view.bands[At(band)].q, BandQText(*next));
  SetChEqEdit(band);
}

// --- the curve control ---------------------------------------------------------------------

void EqualizerManager::EqualizerCallback(int index, int kind) {
  LogPrintA("%s cmd %d index %d\n", "EqualizerCallback", kind, index);
  const ui::EqualizerDisplay* display = Display(m_view.curve);
  if (!display) return;
  switch (kind) {
    case 0: {
      const int o = m_mirror.currentProfile.currChannel;
      if (index < 0 || o < 0 || o >= kOutputCount || index >= EqSize(m_mirror.currentProfile, o)) return;
      const ui::CurveBand band = display->DisplayBand(index);
      CommitBand(index, band.freq, band.q, band.gain, BandInput::Drag);
      return;
    }
    case 1:
      CommitCurveCrossover(true);
      return;
    case 2:
      CommitCurveCrossover(false);
      return;
    default:
      return;
  }
}

// --- bypass, mode and reset ----------------------------------------------------------------------

int EqualizerManager::AskEq(const char* textKey) {
  if (!m_host) return 0;
  return m_host->ShowConfirm(QStringLiteral("${tips}"), QString::fromLatin1(textKey));
}

void EqualizerManager::SetOutputBypass() {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputBypass");
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (o < 0 || o >= kOutputCount) return;
  const int eqSize = EqSize(live, o);
  if (eqSize <= 0) return;
  int shown = 0;
  for (int b = 0; b < eqSize; ++b)
    if (const ui::Slider* slider = m_view.bands[At(b)].slider) shown += std::abs(slider->value());
  // Whatever the bypass keeps counts, even a band below 1 dB: a total truncated to whole
  // decibels would leave such an output bypassed with no way back from this button.
  const bool kept = !FlatBySum(Bands(live, o).first(At(eqSize)));

  OutputChannel& channel = live.channels[At(o)];
  if (shown != 0) {
    if (AskEq("${bypass_all_eq_tips}") != 1) return;
    SetBypassButtonText(0);
    channel.bypass = 1;
  } else if (kept) {
    if (AskEq("${restore_all_eq_tips}") != 1) return;
    SetBypassButtonText(1);
    channel.bypass = 0;
  }
  SendBypass(m_link, live, o);
  for (int member : EqGroupOf(live, o)) {
    live.channels[At(member)].bypass = channel.bypass;
    SendBypass(m_link, live, member);
  }
  if (const int partner = LinkedPartnerOf(live, o); partner >= 0) {
    live.channels[At(partner)].bypass = channel.bypass;
    SendBypass(m_link, live, partner);
  }
  UpdateEqBandView(o);
  UpdateEqualizer(-1);
}

void EqualizerManager::SetEqMode() {
  const int answer = AskEq(m_parametricEq ? "${geq_mode_tips}" : "${peq_mode_tips}");
  if (answer == 1) m_parametricEq = !m_parametricEq;
  // A click may already have toggled the option: it shows the mode kept here either way.
  SetSelected(m_view.eqMode, m_parametricEq);
  if (answer != 1) return;
  SetText(m_view.eqMode, m_parametricEq ? "${peq_mode}" : "${geq_mode}");
  UpdateEqBandView(m_mirror.currentProfile.currChannel);
  if (ui::EqualizerDisplay* display = Display(m_view.curve)) display->SetDragAllDirection(m_parametricEq);
  UpdateEqualizer(-1);
}

void EqualizerManager::SetOutputEqReset() {
  LogPrintA("on %s\n", "EqualizerManager::SetOutputEqReset");
  if (AskEq("${reset_all_eq_tips}") != 1) return;
  Profile& live = m_mirror.currentProfile;
  const int o = live.currChannel;
  if (o < 0 || o >= kOutputCount) return;
  ResetBands(Bands(live, o), live.channels[At(o)].eqSize);
  for (int member : EqGroupOf(live, o)) {
    ResetBands(Bands(live, member), live.channels[At(member)].eqSize);
    for (int b = 0; b < EqSize(live, member); ++b) SendBand(m_link, live, member, b);
  }
  const int partner = LinkedPartnerOf(live, o);
  if (partner >= 0) ResetBands(Bands(live, partner), live.channels[At(partner)].eqSize);
  UpdateEqBandView(o);
  SetBypassButtonText(1);
  UpdateEqualizer(-1);
  std::vector<std::uint8_t> outputs{static_cast<std::uint8_t>(o)};
  if (partner >= 0) outputs.push_back(static_cast<std::uint8_t>(partner));
  PEQ_Reset_Ctrl(m_link, kLiveScene, 0, outputs.size(), outputs, false);
}

}  // namespace qb

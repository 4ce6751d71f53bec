// The main view's controls looked up once and bound to what they do: each control gets its
// handlers in the step that finds it, so a notification reaches its handler by the control
// and the event, never by the control's name.
#include <QString>

#include "core/eq_values.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/slider.h"
#include "ui/window_base.h"
#include "windows/control_binder.h"
#include "windows/main_presenter.h"

namespace qb {

using ui::Event;
using windows::ControlBinder;
using windows::IndexedName;
using Kind = FocusField::Kind;

namespace {

bool Checked(const ui::CheckBox* box) { return box && box->IsChecked(); }

}  // namespace

bool MainPresenter::InitControls(ui::WindowBase& window, QString* missing) {
  ControlBinder binder(window);
  BindMainBlock(binder);
  BindCrossover(binder, true);
  BindCrossover(binder, false);
  for (int b = 0; b < static_cast<int>(m_view.bands.size()); ++b) BindBandRow(binder, b);
  for (int o = 0; o < kOutputCount; ++o) BindOutputStrip(binder, o);
  for (int r = 1; r <= kSpeakerCount; ++r)
    binder.Required(m_view.speakers[At(r)], IndexedName("speaker_%d", r)).On(Event::Click, [this, r] { SelectSpeaker(r); });
  if (missing) *missing = binder.Missing();
  if (!binder.Ok()) {
    LogPrintA("EqualizerManager::InitControls control %s not found\n", binder.Missing().toUtf8().constData());
    return false;
  }
  PrepareControls(window.DisplayScale());
  m_bound = true;
  // Every control shows the mirror from the first paint on.
  RefreshAllChannels();
  return true;
}

void MainPresenter::BindMainBlock(ControlBinder& binder) {
  binder.Required(m_view.connect, QStringLiteral("btnConnect")).On(Event::Click, [this] {
    m_core.Session().ConnectDevice(true);
  });
  binder.Required(m_view.amp, QStringLiteral("btn_amp_onoff")).On(Event::Click, [this] {
    m_core.Main().SetAmp(Mirrored().ampOn == 0);
  });
  // The window binds what opens its menus and its other windows.
  binder.Required(m_view.debug, QStringLiteral("btn_debug"));
  binder.Required(m_view.advance, QStringLiteral("btn_advance"));
  binder.Required(m_view.option, QStringLiteral("btn_option"));
  binder.Required(m_view.scene, QStringLiteral("btn_scene"));
  binder.Required(m_view.calibration, QStringLiteral("btn_irc"));
  binder.Required(m_view.source, QStringLiteral("btn_input_source")).On(Event::ItemSelect, [this] {
    m_core.Routing().SetSource(m_view.source->CurrentSelection());
  });
  binder.Required(m_view.curve, QStringLiteral("equalizer"))
      .On(Event::EqualizerEq, [this](const ui::Notification& n) { DragBand(n.SenderIndex()); })
      .On(Event::EqualizerHp, [this] { DragCrossover(true); })
      .On(Event::EqualizerLp, [this] { DragCrossover(false); });
  binder.Required(m_view.mainVolume, QStringLiteral("slider_main_volume"))
      .On(Event::ValueChanged, [this] { m_core.Main().SetMainVolume(m_view.mainVolume->value()); })
      .On(Event::MoveValueChanged, [this] { m_core.Main().SetMainVolume(m_view.mainVolume->value()); });
  binder.Required(m_view.mainVolumeEdit, QStringLiteral("edit_main_volume"));
  BindField(binder.Window(), m_view.mainVolumeEdit, {Kind::MainVolume, 0}, [this] { CommitMainVolume(); });
  binder.Window().Bind(m_view.mainVolumeEdit, Event::ValueChangedUp, [this] { m_core.Main().StepMainVolume(true); });
  binder.Window().Bind(m_view.mainVolumeEdit, Event::ValueChangedDown, [this] { m_core.Main().StepMainVolume(false); });
  binder.Required(m_view.mainMute, QStringLiteral("main_mute")).On(Event::SelectChanged, [this] {
    m_core.Main().SetMainMute(Checked(m_view.mainMute));
  });
  binder.Required(m_view.delayUnit, QStringLiteral("comb_ch_unit")).On(Event::ItemSelect, [this] {
    m_core.Outputs().SetDelayUnit(DelayUnitOfIndex(m_view.delayUnit->CurrentSelection()));
  });
  binder.Required(m_view.resetEq, QStringLiteral("btn_reset_eq")).On(Event::Click, [this] {
    m_core.Eq().ResetEq(Current(), Confirmer());
  });
  binder.Required(m_view.bypass, QStringLiteral("btn_bypass")).On(Event::Click, [this] {
    m_core.Eq().ToggleBypass(Current(), Confirmer());
  });
  binder.Required(m_view.eqMode, QStringLiteral("btn_arg_eq")).On(Event::Click, [this] {
    m_core.Eq().ToggleEqMode(Confirmer());
  });
  binder.Required(m_view.resetOutput, QStringLiteral("btn_reset_output")).On(Event::Click, [this] { ResetOutputs(); });
  binder.Required(m_view.lock, QStringLiteral("btn_lock_output")).On(Event::Click, [this] {
    m_core.Links().ToggleLock(Confirmer());
  });
  binder.Required(m_view.link, QStringLiteral("btn_link_output")).On(Event::Click, [this] { ToggleLink(); });
  const std::array<const char*, 5> panels{"panel_curve", "panel_crossover", "panel_bands", "panel_main",
                                          "channel_settings"};
  // Optional: a layout without them edits whatever the connection (the skin has them).
  for (std::size_t p = 0; p < panels.size(); ++p) binder.Optional(m_view.editing[p], QString::fromLatin1(panels[p]));
}

void MainPresenter::BindCrossover(ControlBinder& binder, bool highPass) {
  ui::Combo*& type = highPass ? m_view.hpType : m_view.lpType;
  ui::Combo*& slope = highPass ? m_view.hpSlope : m_view.lpSlope;
  ui::Edit*& freq = highPass ? m_view.hpFreq : m_view.lpFreq;
  binder.Required(type, QLatin1String(highPass ? "hp_type" : "lp_type")).On(Event::ItemSelect, [this, highPass, &type] {
    m_core.Crossovers().SetType(Current(), highPass, type->CurrentSelection());
  });
  binder.Required(slope, QLatin1String(highPass ? "hp_slop" : "lp_slop")).On(Event::ItemSelect, [this, highPass, &slope] {
    m_core.Crossovers().SetSlope(Current(), highPass, slope->CurrentSelection());
  });
  binder.Required(freq, QLatin1String(highPass ? "hp_freq" : "lp_freq"))
      .On(Event::ValueChangedUp, [this, highPass] { m_core.Crossovers().StepFrequency(Current(), highPass, true); })
      .On(Event::ValueChangedDown, [this, highPass] { m_core.Crossovers().StepFrequency(Current(), highPass, false); });
  BindField(binder.Window(), freq, {highPass ? Kind::HighPass : Kind::LowPass, 0},
            [this, highPass] { CommitCrossoverFrequency(highPass); });
}

void MainPresenter::BindBandRow(ControlBinder& binder, int b) {
  BandRowView& row = m_view.bands[At(b)];
  binder.Required(row.freq, IndexedName("eq_freq_%d", b))
      .On(Event::ValueChangedUp, [this, b] { m_core.Eq().StepBandFrequency(Current(), b, true); })
      .On(Event::ValueChangedDown, [this, b] { m_core.Eq().StepBandFrequency(Current(), b, false); });
  binder.Required(row.q, IndexedName("eq_q_%d", b))
      .On(Event::ValueChangedUp, [this, b] { m_core.Eq().StepBandQ(Current(), b, true); })
      .On(Event::ValueChangedDown, [this, b] { m_core.Eq().StepBandQ(Current(), b, false); });
  binder.Required(row.gain, IndexedName("eq_gain_%d", b))
      .On(Event::ValueChangedUp, [this, b] { m_core.Eq().StepBandGain(Current(), b, true); })
      .On(Event::ValueChangedDown, [this, b] { m_core.Eq().StepBandGain(Current(), b, false); });
  for (const auto& [edit, kind] : {std::pair<QWidget*, Kind>{row.freq, Kind::BandFreq}, {row.q, Kind::BandQ},
                                   {row.gain, Kind::BandGain}}) {
    const FocusField field{kind, b};
    BindField(binder.Window(), edit, field, [this, b] { CommitBand(b); });
    // Enter confirms the row and moves along it; a focused field marks its band on the curve.
    binder.Window().Bind(edit, Event::Return, [this, field] { ReturnInBand(field); });
    binder.Window().Bind(edit, Event::SetFocus, [this, b] {
      ShowDelaySlider(-1);
      UpdateEqualizer(b);
    });
  }
  binder.Required(row.slider, IndexedName("eq_slider_%d", b))
      .On(Event::ValueChanged, [this, b] { m_core.Eq().SetBandGainTenths(Current(), b, m_view.bands[At(b)].slider->value()); })
      .On(Event::MoveValueChanged,
          [this, b] { m_core.Eq().SetBandGainTenths(Current(), b, m_view.bands[At(b)].slider->value()); });
  binder.Required(row.enable, IndexedName("pt_enable_%d", b)).On(Event::Click, [this, b] {
    m_core.Eq().ToggleBandEnable(Current(), b);
  });
}

void MainPresenter::BindOutputStrip(ControlBinder& binder, int o) {
  OutputStripView& strip = m_view.outputs[At(o)];
  binder.Required(strip.show, IndexedName("ch_show_%d", o)).On(Event::SelectChanged, [this, o] {
    m_core.Outputs().SetShowCurve(o, Checked(m_view.outputs[At(o)].show));
  });
  binder.Required(strip.selector, IndexedName("ch_enable_%d", o)).On(Event::Click, [this, o] {
    m_core.Outputs().SelectOutput(o);
  });
  // The window binds the role button: it opens the output menu.
  binder.Required(strip.roleButton, IndexedName("ch_output_btn_%d", o));
  binder.Required(strip.volume, IndexedName("slider_ch_volume_%d", o))
      .On(Event::ValueChanged, [this, o] { m_core.Outputs().SetVolumeTenths(o, m_view.outputs[At(o)].volume->value()); })
      .On(Event::MoveValueChanged,
          [this, o] { m_core.Outputs().SetVolumeTenths(o, m_view.outputs[At(o)].volume->value()); });
  binder.Optional(strip.volumeBackground, IndexedName("ch_volume_bg_%d", o));
  binder.Required(strip.volumeEdit, IndexedName("edit_ch_volume_%d", o))
      .On(Event::ValueChangedUp, [this, o] { m_core.Outputs().StepVolume(o, true); })
      .On(Event::ValueChangedDown, [this, o] { m_core.Outputs().StepVolume(o, false); });
  BindField(binder.Window(), strip.volumeEdit, {Kind::OutputVolume, o}, [this, o] { CommitOutputVolume(o); });
  binder.Required(strip.mute, IndexedName("ch_mute_%d", o)).On(Event::SelectChanged, [this, o] {
    m_core.Outputs().SetMute(o, Checked(m_view.outputs[At(o)].mute));
  });
  binder.Required(strip.phase, IndexedName("ch_phase_%d", o)).On(Event::SelectChanged, [this, o] {
    m_core.Outputs().SetPhase(o, Checked(m_view.outputs[At(o)].phase));
  });
  binder.Required(strip.synchronize, IndexedName("ch_synchronize_%d", o)).On(Event::SelectChanged, [this, o] {
    m_core.Outputs().SetSynchronize(o, Checked(m_view.outputs[At(o)].synchronize));
  });
  binder.Required(strip.delay, IndexedName("slider_ch_delay_%d", o))
      .On(Event::ValueChanged, [this, o] { m_core.Outputs().SetDelayMicros(o, m_view.outputs[At(o)].delay->value()); })
      .On(Event::MoveValueChanged,
          [this, o] { m_core.Outputs().SetDelayMicros(o, m_view.outputs[At(o)].delay->value()); })
      .On(Event::SetFocus, [this, o] { ShowDelaySlider(o); });
  binder.Optional(strip.delayLabel, IndexedName("delay_lable_%d", o));
  binder.Required(strip.delayEdit, IndexedName("edit_ch_delay_%d", o))
      .On(Event::ValueChangedUp, [this, o] { m_core.Outputs().StepDelay(o, true); })
      .On(Event::ValueChangedDown, [this, o] { m_core.Outputs().StepDelay(o, false); });
  BindField(binder.Window(), strip.delayEdit, {Kind::OutputDelay, o}, [this, o] { CommitDelay(o); });
  binder.Window().Bind(strip.delayEdit, Event::SetFocus, [this, o] { ShowDelaySlider(o); });
  binder.Optional(strip.delayPlaceholder, IndexedName("control_empty_%d", o));
  // Layouts for two-input boxes leave out inputs 3..6.
  constexpr int kRequiredInputs = 2;
  for (int n = 1; n <= kInputBoxes; ++n) {
    const QString name = QStringLiteral("option_ch_in%1_%2").arg(n).arg(o);
    ui::CheckBox*& slot = strip.inputs[At(n - 1)];
    auto found = n <= kRequiredInputs ? binder.Required(slot, name) : binder.Optional(slot, name);
    found.On(Event::SelectChanged, [this, o, n] {
      m_core.Routing().SetInput(o, n, Checked(m_view.outputs[At(o)].inputs[At(n - 1)]));
    });
  }
  binder.Optional(strip.input123, IndexedName("input_123_%d", o));
  binder.Optional(strip.input456, IndexedName("input_456_%d", o));
}

void MainPresenter::BindField(ui::WindowBase& window, QWidget* edit, FocusField field, std::function<void()> commit) {
  if (!edit) return;
  window.Bind(edit, Event::ValueChangedLeft, [this, field] { MoveFocus(field, false); });
  window.Bind(edit, Event::ValueChangedRight, [this, field] { MoveFocus(field, true); });
  window.Bind(edit, Event::Return, commit);
  window.Bind(edit, Event::KillFocus, commit);
  m_fieldCommits[edit] = std::move(commit);
}

bool MainPresenter::CommitTyped(const QWidget* field) {
  const auto found = m_fieldCommits.find(field);
  if (found == m_fieldCommits.end()) return false;
  // A copy: the commit redraws, and a redraw never rebinds, but the table must not be
  // touched while one of its entries runs.
  const std::function<void()> commit = found->second;
  commit();
  return true;
}

QWidget* MainPresenter::FieldControl(const FocusField& field) const {
  const int i = field.index;
  switch (field.kind) {
    case Kind::OutputVolume: return IsOutput(i) ? m_view.outputs[At(i)].volumeEdit : nullptr;
    case Kind::OutputDelay: return IsOutput(i) ? m_view.outputs[At(i)].delayEdit : nullptr;
    case Kind::HighPass: return m_view.hpFreq;
    case Kind::LowPass: return m_view.lpFreq;
    case Kind::MainVolume: return m_view.mainVolumeEdit;
    case Kind::BandFreq: return i >= 0 && i < kMaxEqBands ? m_view.bands[At(i)].freq : nullptr;
    case Kind::BandQ: return i >= 0 && i < kMaxEqBands ? m_view.bands[At(i)].q : nullptr;
    case Kind::BandGain: return i >= 0 && i < kMaxEqBands ? m_view.bands[At(i)].gain : nullptr;
  }
  return nullptr;
}

void MainPresenter::MoveFocus(const FocusField& from, bool forward) {
  LogPrintA(forward ? "on edit %s MSGTYPE_VALUECHANGED_RIGHT\n" : "on edit %s MSGTYPE_VALUECHANGED_LEFT\n",
            FieldControl(from) ? qPrintable(FieldControl(from)->objectName()) : "");
  FocusRingContext context;
  context.bandCount = EqSize(Mirrored(), Current());
  context.isEnabled = [this](const FocusField& field) {
    const QWidget* control = FieldControl(field);
    return control && control->isEnabled();
  };
  const std::optional<FocusField> next = NextFocusField(from, forward, context);
  if (!next) return;
  if (QWidget* control = FieldControl(*next); control && control->isEnabled()) control->setFocus(Qt::OtherFocusReason);
}

}  // namespace qb

#include "windows/main_view.h"

#include <cstddef>

#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/slider.h"
#include "ui/window_base.h"

namespace qb {
namespace {

/// Looks controls up in one window and remembers the first required one that is missing
/// or of another kind; later lookups still run so optional controls are all found.
class Binder {
 public:
  explicit Binder(const ui::WindowBase& window) : m_window(window) {}

  template <typename T>
  void Required(T*& slot, const QString& name) {
    QWidget* control = m_window.FindControl(name);
    slot = qobject_cast<T*>(control);
    if (slot || !m_missing.isEmpty()) return;
    m_missing = control ? name + QStringLiteral(" (wrong kind of control)") : name;
  }

  /// Any widget of that name, for controls only shown, hidden or painted.
  void Required(QWidget*& slot, const QString& name) {
    slot = m_window.FindControl(name);
    if (!slot && m_missing.isEmpty()) m_missing = name;
  }

  template <typename T>
  void Optional(T*& slot, const QString& name) {
    slot = qobject_cast<T*>(m_window.FindControl(name));
  }

  void Optional(QWidget*& slot, const QString& name) { slot = m_window.FindControl(name); }

  bool Ok() const { return m_missing.isEmpty(); }
  const QString& Missing() const { return m_missing; }

 private:
  const ui::WindowBase& m_window;
  QString m_missing;
};

QString Indexed(const char* format, int index) {
  return QString::fromLatin1(format).replace(QStringLiteral("%d"), QString::number(index));
}

void BindBand(Binder& binder, BandRowView& row, int b) {
  binder.Required(row.freq, Indexed("eq_freq_%d", b));
  binder.Required(row.q, Indexed("eq_q_%d", b));
  binder.Required(row.gain, Indexed("eq_gain_%d", b));
  binder.Required(row.slider, Indexed("eq_slider_%d", b));
  binder.Required(row.enable, Indexed("pt_enable_%d", b));
}

void BindOutput(Binder& binder, OutputStripView& strip, int o) {
  binder.Required(strip.show, Indexed("ch_show_%d", o));
  binder.Required(strip.selector, Indexed("ch_enable_%d", o));
  binder.Required(strip.roleButton, Indexed("ch_output_btn_%d", o));
  binder.Required(strip.volume, Indexed("slider_ch_volume_%d", o));
  binder.Optional(strip.volumeBackground, Indexed("ch_volume_bg_%d", o));
  binder.Required(strip.volumeEdit, Indexed("edit_ch_volume_%d", o));
  binder.Required(strip.mute, Indexed("ch_mute_%d", o));
  binder.Required(strip.phase, Indexed("ch_phase_%d", o));
  binder.Required(strip.synchronize, Indexed("ch_synchronize_%d", o));
  binder.Required(strip.delay, Indexed("slider_ch_delay_%d", o));
  binder.Optional(strip.delayLabel, Indexed("delay_lable_%d", o));
  binder.Required(strip.delayEdit, Indexed("edit_ch_delay_%d", o));
  binder.Optional(strip.delayPlaceholder, Indexed("control_empty_%d", o));
  // Layouts for two-input boxes leave out inputs 3..6.
  constexpr int kRequiredInputs = 2;
  for (int n = 1; n <= kInputBoxes; ++n) {
    const QString name = QStringLiteral("option_ch_in%1_%2").arg(n).arg(o);
    ui::CheckBox*& slot = strip.inputs[static_cast<std::size_t>(n - 1)];
    if (n <= kRequiredInputs)
      binder.Required(slot, name);
    else
      binder.Optional(slot, name);
  }
  binder.Optional(strip.input123, Indexed("input_123_%d", o));
  binder.Optional(strip.input456, Indexed("input_456_%d", o));
}

}  // namespace

bool MainView::Bind(const ui::WindowBase& window, QString* missing) {
  Binder binder(window);
  binder.Required(connect, QStringLiteral("btnConnect"));
  binder.Required(amp, QStringLiteral("btn_amp_onoff"));
  binder.Required(debug, QStringLiteral("btn_debug"));
  binder.Required(advance, QStringLiteral("btn_advance"));
  binder.Required(source, QStringLiteral("btn_input_source"));
  binder.Required(curve, QStringLiteral("equalizer"));
  binder.Required(mainVolumeEdit, QStringLiteral("edit_main_volume"));
  binder.Required(mainVolume, QStringLiteral("slider_main_volume"));
  binder.Required(mainMute, QStringLiteral("main_mute"));
  binder.Required(delayUnit, QStringLiteral("comb_ch_unit"));
  binder.Required(hpType, QStringLiteral("hp_type"));
  binder.Required(lpType, QStringLiteral("lp_type"));
  binder.Required(hpSlope, QStringLiteral("hp_slop"));
  binder.Required(lpSlope, QStringLiteral("lp_slop"));
  binder.Required(hpFreq, QStringLiteral("hp_freq"));
  binder.Required(lpFreq, QStringLiteral("lp_freq"));
  for (std::size_t b = 0; b < bands.size(); ++b) BindBand(binder, bands[b], static_cast<int>(b));
  for (std::size_t o = 0; o < outputs.size(); ++o) BindOutput(binder, outputs[o], static_cast<int>(o));
  for (int r = 1; r <= kSpeakerCount; ++r)
    binder.Required(speakers[static_cast<std::size_t>(r)], Indexed("speaker_%d", r));
  binder.Required(resetEq, QStringLiteral("btn_reset_eq"));
  binder.Required(bypass, QStringLiteral("btn_bypass"));
  binder.Required(eqMode, QStringLiteral("btn_arg_eq"));
  binder.Required(resetOutput, QStringLiteral("btn_reset_output"));
  binder.Required(lock, QStringLiteral("btn_lock_output"));
  binder.Required(link, QStringLiteral("btn_link_output"));
  if (missing) *missing = binder.Missing();
  return binder.Ok();
}

}  // namespace qb

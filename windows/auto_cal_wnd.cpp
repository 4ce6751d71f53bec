#include "windows/auto_cal_wnd.h"

#include "controls/equalizer_curve_ac.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"
#include "ui/message_port.h"
#include "ui/notification.h"
#include "ui/progress.h"
#include "windows/indexed_name.h"
#include "windows/message_box.h"

namespace qb::windows {
namespace {

/// The distance label of output n, shown when its distance is reported.
QString DistanceLabelName(int n) { return QStringLiteral("ch_%1: ").arg(n); }

/// "Output 3" for output index 2, in the current language.
QString OutputName(int n) { return QStringLiteral("%1 %2").arg(ui::Tr(QStringLiteral("${output}"))).arg(n + 1); }

constexpr int kAllOutputsItem = 0;

}  // namespace

CAutoCalWnd::CAutoCalWnd(QWidget* owner, CalibrationSession& session) : DialogBase(owner), m_session(session) {}

CAutoCalWnd::~CAutoCalWnd() {
  // The port refuses posts once the window is gone; detaching also keeps the link from
  // decoding the box's calibration reports for nobody.
  m_session.Attach(nullptr);
}

// --- building -------------------------------------------------------------------------------------

void CAutoCalWnd::OnInit() {
  ApplyOwnerScale();
  ShowTitle(FindControl(QStringLiteral("MessageTitle")), QStringLiteral("${auto_cal}"));
  m_close = Require<ui::Button>(QStringLiteral("closebtn"));
  m_start = Require<ui::Button>(QStringLiteral("start_auto_cal"));
  m_tips = Require<QWidget>(QStringLiteral("tips"));
  m_progress = Require<ui::Progress>(QStringLiteral("progress"));
  m_curve = Require<controls::EqualizerCurveAc>(QStringLiteral("equalizer_ac"));
  if (!m_curve || !m_start || !m_close || !m_progress || !m_tips) return;
  Bind(m_close, ui::Event::Click, [this] { CloseWindow(); });
  Bind(m_start, ui::Event::Click, [this] { StartOrStop(); });
  Bind(Require<ui::Button>(QStringLiteral("irc_save_data")), ui::Event::Click, [this] { SaveResult(true); });
  Bind(Require<ui::Button>(QStringLiteral("irc_cancel_data")), ui::Event::Click, [this] { SaveResult(false); });
  const std::array<const char*, kDisplays> displays{"display_spk", "display_eq", "display_target", "display_predicted"};
  for (std::size_t d = 0; d < displays.size(); ++d) {
    auto* box = Require<ui::CheckBox>(QString::fromLatin1(displays[d]));
    Bind(box, ui::Event::SelectChanged, [this, d, box] {
      m_displayOn[d] = box->IsChecked();
      PushCurves(static_cast<Display>(d));
    });
  }
  std::array<QString, kCalibrationChannels> names;
  for (int n = 0; n < kCalibrationChannels; ++n) names[At(n)] = OutputName(n);
  m_curve->SetChannelNames(names);
  // Optional: a layout without the list shows every chosen output.
  m_shownOutput = Find<ui::Combo>(QStringLiteral("display_output"));
  if (m_shownOutput) {
    m_shownOutput->AddItem(QStringLiteral("show_all_outputs"), QStringLiteral("${irc_all_outputs}"));
    for (int n = 0; n < kCalibrationChannels; ++n) m_shownOutput->AddItem(QStringLiteral("show_output_%1").arg(n), names[At(n)]);
    m_shownOutput->SelectItem(kAllOutputsItem, false);
    Bind(m_shownOutput, ui::Event::ItemSelect, [this] { PushAllCurves(); });
  }
  BindChoices();
  ShowChoices();
  PushAllCurves();
  m_session.Attach(Port().get());
}

void CAutoCalWnd::BindChoices() {
  for (int n = 0; n < kCalibrationChannels; ++n) {
    ui::CheckBox* box = m_channels[At(n)] = Require<ui::CheckBox>(Indexed("ch_checkbox_%1", n));
    Bind(box, ui::Event::SelectChanged, [this, n, box] {
      LogPrintA("on option %s MSGTYPE_SELECTCHANGED index %d\n", qPrintable(box->objectName()), n);
      // The session refuses an output without a speaker, and every change during a run.
      m_session.SetOutput(n, box->IsChecked());
      ShowChoices();
      PushAllCurves();
    });
  }
  const std::array<std::pair<const char*, int>, 3> modules{
      {{"irc_eq", kIrcModuleEq}, {"irc_delay", kIrcModuleDelay}, {"irc_phase", kIrcModulePhase}}};
  for (std::size_t m = 0; m < modules.size(); ++m) {
    ui::CheckBox* box = m_modules[m] = Require<ui::CheckBox>(QString::fromLatin1(modules[m].first));
    const int module = modules[m].second;
    Bind(box, ui::Event::SelectChanged, [this, module, box] {
      if (module == kIrcModulePhase) LogPrintA("mOptionIrcDelay %d\n", box->IsChecked() ? 1 : 0);
      m_session.SetModule(module, box->IsChecked());
      ShowChoices();
    });
  }
  for (int mode = 0; mode < kEqModeOptions; ++mode) {
    const QString name = mode == 0 ? QStringLiteral("audio_effect_null") : Indexed("audio_effect_%1", mode - 1);
    ui::Option* option = m_eqModes[At(mode)] = Require<ui::Option>(name);
    Bind(option, ui::Event::SelectChanged, [this, mode, option] {
      if (!option->IsSelected()) return;
      m_session.SetEqMode(mode);
      ShowChoices();
      PushCurves(Display::Target);
    });
  }
}

void CAutoCalWnd::ShowChoices() {
  const bool editable = !m_session.Active();
  const std::uint16_t measurable = CalibratableOutputs(m_session.Live());
  for (int n = 0; n < kCalibrationChannels; ++n) {
    ui::CheckBox* box = m_channels[At(n)];
    if (!box) continue;
    box->setVisible(true);
    // An output without a speaker has nothing to measure: it cannot be chosen, and its
    // curves stay hidden.
    box->SetChecked((m_session.Outputs() >> n & 1u) != 0, false);
    box->setEnabled(editable && (measurable >> n & 1u) != 0);
  }
  const std::array<int, 3> modules{kIrcModuleEq, kIrcModuleDelay, kIrcModulePhase};
  for (std::size_t m = 0; m < modules.size(); ++m) {
    if (!m_modules[m]) continue;
    m_modules[m]->SetChecked((m_session.Modules() & modules[m]) != 0, false);
    m_modules[m]->setEnabled(editable);
  }
  for (int mode = 0; mode < kEqModeOptions; ++mode) {
    ui::Option* option = m_eqModes[At(mode)];
    if (!option) continue;
    if (mode == m_session.EqMode()) option->SetSelected(true, false);
    option->setEnabled(editable);
  }
  ShowOutputChoice();
}

void CAutoCalWnd::ShowOutputChoice() {
  if (!m_shownOutput) return;
  for (int n = 0; n < kCalibrationChannels; ++n)
    m_shownOutput->SetItemVisible(n + 1, (m_session.Outputs() >> n & 1u) != 0);
  if (!m_shownOutput->IsItemVisible(m_shownOutput->CurrentSelection())) m_shownOutput->SelectItem(kAllOutputsItem, false);
}

// --- user actions ---------------------------------------------------------------------------------

void CAutoCalWnd::OnCloseRequest() {
  // As the close button: not while a run goes on.
  if (m_close && m_close->isEnabled()) CloseWindow();
}

void CAutoCalWnd::StartOrStop() {
  if (m_session.Running()) {
    // The stop completes when the thread has ended (its end message), without blocking here.
    m_session.Stop();
    m_start->setEnabled(false);
    return;
  }
  if (m_session.Modules() == 0) return Tell(QStringLiteral("${irc_option_warning_tips}"));
  const int answer = ShowMessageBox(this, QStringLiteral("${tips}"), QStringLiteral("${irc_warning_tips}"),
                                    {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")});
  if (answer != 1) return;
  if (m_session.Start() != CalibrationSession::StartResult::Started) return;
  m_progress->SetValue(0);
  ui::SetControlText(m_tips, QStringLiteral("${start_irc_tips}"));
  SetRunning(true);
}

void CAutoCalWnd::SetRunning(bool running) {
  ui::SetControlText(m_start, running ? QStringLiteral("${stop}") : QStringLiteral("${start_irc}"));
  m_start->setEnabled(true);
  m_close->setEnabled(!running);
  ShowChoices();
}

void CAutoCalWnd::SaveResult(bool apply) {
  const bool sent = apply ? m_session.Apply() : m_session.Discard();
  if (!sent) return ui::SetControlText(m_tips, QStringLiteral("${irc_start_tips}"));
  ui::SetControlText(m_tips, apply ? QStringLiteral("${irc_applyed}") : QStringLiteral("${irc_canceled}"));
}

void CAutoCalWnd::CloseWindow() {
  bool applyNow = false;
  if (m_session.NeedsApplyQuestion()) {
    applyNow = ShowMessageBox(this, QStringLiteral("${tips}"), QStringLiteral("${irc_apply_tips}"),
                              {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}) == 1;
  }
  Close(m_session.Close(applyNow));
}

void CAutoCalWnd::Tell(const QString& key) {
  ShowMessageBox(this, QStringLiteral("${tips}"), key, {QStringLiteral("${confirm}")});
}

// --- what the box reports ---------------------------------------------------------------------------

void CAutoCalWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  handled = message.number == WM_IRC_REPLY || message.number == WM_IRC_PROGRESS || message.number == WM_IRC_THREAD_ENDED;
  if (!handled || !m_curve) return;
  Show(m_session.Handle(message));
}

void CAutoCalWnd::Show(const CalibrationUpdate& update) {
  if (update.progress) m_progress->SetValue(*update.progress);
  if (!update.tips.empty()) ui::SetControlText(m_tips, QString::fromStdString(update.tips));
  if (update.runEnded) SetRunning(false);
  if (update.measuredChanged >= 0) {
    PushCurves(Display::Measured);
    PushCurves(Display::Predicted);
  }
  if (update.correctionChanged >= 0) {
    PushCurves(Display::Correction);
    PushCurves(Display::Predicted);
  }
  if (update.distanceChannel >= 0) {
    if (QWidget* label = FindControl(DistanceLabelName(update.distanceChannel))) {
      label->setVisible(true);
      ui::SetControlText(label, QString::asprintf("%.2f m", double{update.distance}));
    }
  }
}

void CAutoCalWnd::PushAllCurves() {
  for (const Display d : {Display::Measured, Display::Correction, Display::Target, Display::Predicted}) PushCurves(d);
}

void CAutoCalWnd::PushCurves(Display display) {
  const CalibrationData& results = m_session.Data();
  std::array<controls::AcCurveView, kCalibrationChannels> views{};
  const bool on = m_displayOn[static_cast<std::size_t>(display)];
  const int only = m_shownOutput ? m_shownOutput->CurrentSelection() - 1 : -1;
  for (int n = 0; n < kCalibrationChannels; ++n) {
    controls::AcCurveView& v = views[At(n)];
    // Curves are shown for the outputs chosen, or for the one of them the user picked.
    v.show = on && (m_session.Outputs() >> n & 1u) != 0 && (only < 0 || only == n);
    switch (display) {
      case Display::Measured:
        v.frequencies = results.MeasuredFrequencies(n);
        v.decibels = results.MeasuredLevels(n);
        break;
      case Display::Predicted:
        v.frequencies = results.MeasuredFrequencies(n);
        v.decibels = results.PredictedLevels(n);
        break;
      case Display::Correction:
        v.frequencies = results.GridFrequencies();
        v.decibels = results.CorrectionCurve(n);
        break;
      case Display::Target:
        v.frequencies = results.GridFrequencies();
        v.decibels = results.TargetCurve(n);
        break;
    }
  }
  using Set = controls::EqualizerCurveAc::Set;
  const Set set = display == Display::Measured     ? Set::Measured
                  : display == Display::Correction ? Set::Correction
                  : display == Display::Target     ? Set::Target
                                                   : Set::Predicted;
  m_curve->SetCurves(set, views);
}

int ShowAutoCalWindow(QWidget* owner, CalibrationSession& session) {
  DialogHolder<CAutoCalWnd> window(owner, session);
  window->Build(QStringLiteral("autocalwnd"));
  return window->Run();
}

}  // namespace qb::windows

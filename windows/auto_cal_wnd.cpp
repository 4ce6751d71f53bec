#include "windows/auto_cal_wnd.h"

#include "controls/equalizer_curve_ac.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/message_port.h"
#include "ui/notification.h"
#include "ui/progress.h"
#include "windows/message_box.h"

namespace qb::windows {
namespace {

QString Indexed(const char* format, int n) { return QString::fromLatin1(format).arg(n); }

/// The distance label of output n, shown when its distance is reported.
QString DistanceLabelName(int n) { return QStringLiteral("ch_%1: ").arg(n); }

}  // namespace

CAutoCalWnd::CAutoCalWnd(QWidget* owner, DeviceLink& link, const Profile& profile, CalibrationTimings timings)
    : DialogBase(owner), m_session(link, timings), m_profile(profile) {}

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
  for (const char* name : {"display_spk", "display_eq", "display_target", "irc_eq", "irc_delay", "irc_phase"})
    Require<ui::CheckBox>(QString::fromLatin1(name));
  for (const char* name : {"irc_save_data", "irc_cancel_data"}) Require<ui::Button>(QString::fromLatin1(name));
  for (int i = 0; i < 9; ++i) m_effects[At(i)] = Require<ui::Option>(Indexed("audio_effect_%1", i));
  for (int n = 0; n < kCalibrationChannels; ++n) m_channels[At(n)] = Require<ui::CheckBox>(Indexed("ch_checkbox_%1", n));
  if (!m_curve || !m_start || !m_close || !m_progress || !m_tips) return;

  for (const char* name : {"irc_eq", "irc_delay", "irc_phase"}) {
    auto* box = Find<ui::CheckBox>(QString::fromLatin1(name));
    const int module = name == std::string_view("irc_eq") ? kIrcModuleEq : name == std::string_view("irc_delay") ? kIrcModuleDelay : kIrcModulePhase;
    if (box) m_session.SetModule(module, box->IsChecked());
  }
  for (int n = 0; n < kCalibrationChannels; ++n) {
    ui::CheckBox* box = m_channels[At(n)];
    if (!box) continue;
    box->setVisible(true);
    // An output without a speaker has nothing to measure: it cannot be chosen, and its
    // curves stay hidden.
    if (m_profile.outputs[At(n)] == kRoleEmpty) {
      box->SetChecked(false, false);
      box->setEnabled(false);
    }
    m_show[At(n)] = box->IsChecked();
  }
  for (const Display d : {Display::Measured, Display::Correction, Display::Target, Display::Predicted}) PushCurves(d);
  m_session.Attach(Port().get());
}

// --- user actions ---------------------------------------------------------------------------------

void CAutoCalWnd::Notify(ui::Notification& n) {
  if (n.type == QLatin1String(ui::notify::kSelectChanged)) OnSelectChanged(n.SenderName(), n.sender);
  DialogBase::Notify(n);
}

void CAutoCalWnd::OnClick(ui::Notification& n) {
  const QString name = n.SenderName();
  if (name == u"start_auto_cal") StartOrStop();
  else if (name == u"irc_save_data") SaveResult(true);
  else if (name == u"irc_cancel_data") SaveResult(false);
  else if (name == u"closebtn") CloseWindow();
}

void CAutoCalWnd::OnCloseRequest() {
  // As the close button: not while a run goes on.
  if (m_close && m_close->isEnabled()) CloseWindow();
}

void CAutoCalWnd::OnSelectChanged(const QString& name, QWidget* sender) {
  LogPrintA("on option %s MSGTYPE_SELECTCHANGED index ", qPrintable(name));
  LogPrintA("%d\n", ui::Notification{QString(), sender}.SenderIndex());
  const auto checked = [sender] {
    const auto* box = qobject_cast<const ui::CheckBox*>(sender);
    return box && box->IsChecked();
  };
  if (name == u"display_spk" || name == u"display_eq" || name == u"display_target" || name == u"display_predicted") {
    const Display d = name == u"display_spk"  ? Display::Measured
                      : name == u"display_eq" ? Display::Correction
                      : name == u"display_target" ? Display::Target
                                                  : Display::Predicted;
    m_displayOn[static_cast<std::size_t>(d)] = checked();
    PushCurves(d);
  } else if (name == u"audio_effect_null" || name == u"audio_effect_0") {
    if (const auto* option = qobject_cast<const ui::Option*>(sender); option && option->IsSelected()) {
      m_session.Data().SetTarget(name == u"audio_effect_0" ? TargetTable::B : TargetTable::A);
      PushCurves(Display::Target);
    }
  } else if (name.startsWith(QLatin1String("ch_checkbox_"))) {
    const int n = ui::Notification{QString(), sender}.SenderIndex();
    if (n >= 0 && n < kCalibrationChannels) m_show[At(n)] = checked();
    PushCurves(Display::Measured);
    PushCurves(Display::Correction);
    PushCurves(Display::Predicted);
  } else if (name == u"irc_eq" || name == u"irc_delay" || name == u"irc_phase") {
    if (name == u"irc_phase") LogPrintA("mOptionIrcDelay %d\n", checked() ? 1 : 0);
    m_session.SetModule(name == u"irc_eq" ? kIrcModuleEq : name == u"irc_delay" ? kIrcModuleDelay : kIrcModulePhase,
                        checked());
  }
}

int CAutoCalWnd::EqModeSelected() const {
  for (int i = 0; i < 9; ++i)
    if (m_effects[At(i)] && m_effects[At(i)]->IsSelected()) return i + 1;
  return 0;
}

std::uint16_t CAutoCalWnd::ChannelsSelected() const {
  std::uint16_t mask = 0;
  for (int n = 0; n < kCalibrationChannels; ++n)
    if (m_channels[At(n)] && m_channels[At(n)]->IsChecked()) mask = static_cast<std::uint16_t>(mask | (1u << n));
  return mask;
}

void CAutoCalWnd::StartOrStop() {
  if (m_session.Modules() == 0) return Tell(QStringLiteral("${irc_option_warning_tips}"));
  if (m_session.Running()) {
    // The stop completes when the thread has ended (its end message), without blocking here.
    m_session.Stop();
    m_start->setEnabled(false);
    return;
  }
  const int answer = ShowMessageBox(this, QStringLiteral("${tips}"), QStringLiteral("${irc_warning_tips}"),
                                    {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")});
  if (answer != 1) return;
  if (m_session.Start(ChannelsSelected(), EqModeSelected()) != CalibrationSession::StartResult::Started) return;
  m_progress->SetValue(0);
  ui::SetControlText(m_tips, QStringLiteral("${start_irc_tips}"));
  SetRunning(true);
}

void CAutoCalWnd::SetRunning(bool running) {
  ui::SetControlText(m_start, running ? QStringLiteral("${stop}") : QStringLiteral("${start_irc}"));
  m_start->setEnabled(true);
  m_close->setEnabled(!running);
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
      ui::SetControlText(label, QString::asprintf("%f", double{update.distance}));
    }
  }
}

void CAutoCalWnd::PushCurves(Display display) {
  const CalibrationData& results = m_session.Data();
  std::array<controls::AcCurveView, kCalibrationChannels> views{};
  const bool on = m_displayOn[static_cast<std::size_t>(display)];
  for (int n = 0; n < kCalibrationChannels; ++n) {
    controls::AcCurveView& v = views[At(n)];
    // The target is shown for every output whose box is ticked when the window opens.
    v.show = on && m_show[At(n)];
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

int ShowAutoCalWindow(QWidget* owner, DeviceLink& link, const Profile& profile, CalibrationTimings timings) {
  DialogHolder<CAutoCalWnd> window(owner, link, profile, timings);
  window->Build(QStringLiteral("autocalwnd"));
  return window->Run();
}

}  // namespace qb::windows

#include "windows/main_wnd.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTimerEvent>

#include "controls/control_factory.h"
#include "core/device_access.h"
#include "core/equalizer_manager.h"
#include "shell/display_scale.h"
#include "shell/firmware_resources.h"
#include "shell/hotplug_monitor.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "shell/settings.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/slider.h"
#include "ui/language_tables.h"
#include "ui/message_port.h"
#include "ui/popup_menu.h"
#include "ui/skin.h"
#include "windows/about_wnd.h"
#include "windows/auto_cal_wnd.h"
#include "windows/edit_gestures.h"
#include "windows/eq_exchange.h"
#include "windows/focus_ring.h"
#include "windows/force_update_wnd.h"
#include "windows/update_fw_wnd.h"
#include "windows/loading_wnd.h"
#include "windows/main_presenter.h"
#include "windows/mixer_wnd.h"
#include "windows/mem_wr_wnd.h"
#include "windows/profile_dialogs.h"
#include "windows/scene_wnd.h"
#include "windows/start_up.h"
#include "windows/message_box.h"
#include "windows/text_format.h"
#include "windows/msg_checkbox_wnd.h"

namespace qb {
namespace {

constexpr int kMainVolumePeriodMs = 1000;
constexpr int kPlugPollMs = 100;

bool StartsWith(const QString& name, const char* prefix) { return name.startsWith(QLatin1String(prefix)); }

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CMainWnd::CMainWnd(MainWndOptions options)
    : WindowBase(nullptr),
      m_options(std::move(options)),
      m_core(std::make_unique<EqualizerManager>(m_options.backend, m_options.timings)),
      m_presenter(std::make_unique<MainPresenter>(*m_core, *this)),
      m_gestures(std::make_unique<EditGestures>(m_core->History(), this, [this](bool redo) { UndoRedo(redo); })) {
  // Replies and the session's messages come to this window, on its thread.
  m_core->Attach(Port().get(), this);
  m_openRetry = new QTimer(this);
  m_openRetry->setSingleShot(true);
  connect(m_openRetry, &QTimer::timeout, this, [this] { m_core->Session().OpenRetryTick(); });
  if (m_options.plugSwitch) {
    // The box calls from whichever thread made it leave or return: post, never call.
    std::weak_ptr<ui::MessagePort> port = Port();
    m_options.plugSwitch->SetPlugListener([port](bool plugged) {
      if (auto target = port.lock()) target->Post(WM_SIMULATED_PLUG, plugged ? 1 : 0);
    });
    // A virtual box that restarts (a factory default) leaves the bus and comes back by the
    // clock; it is asked regularly, as the system's device monitor watches a real one.
    m_plugPoll = new QTimer(this);
    connect(m_plugPoll, &QTimer::timeout, this, [this] { m_options.plugSwitch->Poll(); });
    m_plugPoll->start(kPlugPollMs);
  }
}

CMainWnd::~CMainWnd() {
  if (m_options.plugSwitch) m_options.plugSwitch->SetPlugListener({});
  m_hotplug.reset();
  m_gestures.reset();
  m_presenter.reset();
  // Closes the link and waits for a running task while the window (and its port, which the
  // task may still post to) is there.
  m_core.reset();
}

QWidget* CMainWnd::CreateControl(const QString& className, QWidget* parent) {
  return CreateProgramControl(className, parent);
}

void CMainWnd::OnInit() {
  QString error;
  if (!InsertLayout(FindControl(QStringLiteral("channel_settings")),
                    QStringLiteral("xml/channel_settings_6in_mixer.xml"), &error))
    LogPrintA("channel_settings: %s\n", qPrintable(error));

  // Language tables: English, then Chinese (which is current after loading), then the
  // stored choice; a value without a table ("ru", or junk) leaves the Chinese texts.
  LoadProgramLanguages();
  m_core->SetFactoryEq(ReadConfigInt(kFactoryEqKey, 0));
  m_core->SetLanguage(ui::Languages().CurrentName().toStdString());
  Retranslate();

  SetDisplayScale(SelectDisplayScaleFromScreens().dpi);
  if (!m_presenter->InitControls(*this)) LogPrintA("InitControls failed\n");

  QMetaObject::invokeMethod(this, [this] { m_core->Session().ConnectDevice(false); }, Qt::QueuedConnection);
  if (m_options.hotplug) StartHotplug();
}

void CMainWnd::StartHotplug() {
  m_hotplug = std::make_unique<HotplugMonitor>();
  connect(m_hotplug.get(), &HotplugMonitor::boxArrived, this, [this] { OnBoxArrived(); });
  connect(m_hotplug.get(), &HotplugMonitor::boxRemoved, this, [this] { OnBoxRemoved(); });
  if (!m_hotplug->Start()) m_hotplug.reset();
}

void CMainWnd::EndTipsWindows() { ui::WindowBase::EndWindowsTitled(ui::Tr(QStringLiteral("${tips}")), 0); }

void CMainWnd::EndNoticeWindows() {
  EndTipsWindows();
  // The message windows too: an about window would go on showing the box that left.
  ui::WindowBase::EndWindowsNamed(QStringLiteral("MsgWnd"), 0);
}

void CMainWnd::OnBoxArrived() {
  EndNoticeWindows();
  m_core->Session().DevicePlugin();
}

void CMainWnd::OnBoxRemoved() {
  EndNoticeWindows();
  m_core->Session().DevicePlugOut();
}

// --- dialogs and notices -------------------------------------------------------------------

int CMainWnd::ShowMessage(const QString& title, const QString& text, const QStringList& buttons) {
  return windows::ShowMessageBox(this, title, text, buttons);
}

int CMainWnd::ShowConfirm(const QString& title, const QString& text) { return windows::ShowMessageBox(this, title, text); }

int CMainWnd::ShowChoice(const QString& title, const QString& text, const QString& choice1, const QString& choice2) {
  return windows::ShowChoiceBox(this, title, text, choice1, choice2);
}

void CMainWnd::OnNotice(SessionNotice notice, int value, std::string_view detail) {
  const QString tips = QStringLiteral("${tips}");
  const QStringList confirm{QStringLiteral("${confirm}")};
  switch (notice) {
    case SessionNotice::TaskStarted: ShowLoading(); break;
    case SessionNotice::TaskEnded: CloseLoading(); break;
    case SessionNotice::ConnectFailed: ShowMessage(tips, QStringLiteral("${device_connect_fail}"), confirm); break;
    case SessionNotice::DeviceNotMatch:
      ShowMessage(tips, ui::Tr(QStringLiteral("${device_not_match}")) + QStringLiteral(" %1").arg(value), confirm);
      break;
    case SessionNotice::PlugOut: ShowMessage(tips, QStringLiteral("${device_plugout}"), confirm); break;
    case SessionNotice::DeviceReboot:
      CloseLoading();
      ShowMessage(tips, QStringLiteral("${device_reboot}"), confirm);
      break;
    case SessionNotice::DeviceAbnormal:
      ShowMessage(tips, QStringLiteral("${device_status_unnormal}"), confirm);
      // The box can only be upgraded (an interrupted upgrade left it in its loader): the
      // update window finishes it.
      ShowUpdateWindow();
      break;
    case SessionNotice::PermissionDenied:
      ShowMessage(tips,
                  ui::Tr(QStringLiteral("${device_no_permission}"))
                      .arg(Utf8(detail), Utf8(kUdevRuleFile), Utf8(kAccessFixCommand)),
                  confirm);
      break;
    case SessionNotice::ForceUpdate: ForceUpdateEntry(); break;
    case SessionNotice::ForceUpdateContinue:
      if (m_forceUpdate) m_forceUpdate->ContinueUpdate();
      break;
  }
}

// --- firmware updates ---------------------------------------------------------------------------

void CMainWnd::ForceUpdateEntry() {
  LogPrintA("WM_FORCE_UPDATE entry\n");
  if (MarkerFileExists(kNoForceUpdateMarker)) return;
  const Profile& live = m_core->CurrentProfile();
  const QString text = windows::FillPlaceholders(
      ui::Tr(QStringLiteral("${update_tips}")),
      {QString::number(live.mainVersion), QString::number(live.slaveVersion), QString::number(kMinMainVersion),
       QString::number(kMinSlaveVersion)});
  if (ShowConfirm(QStringLiteral("${tips}"), text) != 1) return;
  LogPrintA("Start force update!\n");
  std::string mcu;
  std::string flash;
  int code = ExtractResourceToTemp(kMcuTempFile, mcu, kMcuResource, kResourceType);
  if (code == kResourceWritten) {
    code = ExtractResourceToTemp(kFlashTempFile, flash, kFlashResource, kResourceType);
    if (code != kResourceWritten) code += 6;
  }
  if (code != kResourceWritten) {
    QFile::remove(QString::fromStdString(mcu));
    QFile::remove(QString::fromStdString(flash));
    ShowMessage(QStringLiteral("${tips}"), QStringLiteral("File prepare error. error code %1").arg(code),
                {QStringLiteral("${confirm}")});
    return;
  }
  EqualizerMirror& mirror = m_core->Mirror();
  mirror.forcedUpdate = true;
  const int result = windows::ShowForceUpdateWindow(this, m_core->Firmware(), QString::fromStdString(mcu),
                                                    QString::fromStdString(flash),
                                                    [this](windows::CForceUpdateWnd* w) { m_forceUpdate = w; });
  mirror.forcedUpdate = false;
  // Read the box again after new firmware, and whenever the update left the link open
  // without live edits (closed part way): the session must show the box as it is.
  BoxSession& session = m_core->Session();
  if (result == 1 || (session.IsDeviceOpen() && !m_core->Link().QueueEnabled())) session.StartReadOut();
}

void CMainWnd::ShowUpdateWindow() {
  if (m_updateWindowOpen) return;
  m_updateWindowOpen = true;
  m_core->Mirror().manualUpdate = true;
  windows::ShowUpdateFwWindow(this, m_core->Firmware(), QString(), m_options.firmwareFileChooser);
  m_core->Mirror().manualUpdate = false;
  m_updateWindowOpen = false;
}

int CMainWnd::MainVolumePolls() const { return m_core->Session().MainVolumePolls(); }

void CMainWnd::StartMainVolumeTimer() {
  if (!m_mainVolumeTimerId) m_mainVolumeTimerId = startTimer(kMainVolumePeriodMs);
}

void CMainWnd::StopMainVolumeTimer() {
  if (m_mainVolumeTimerId) killTimer(m_mainVolumeTimerId);
  m_mainVolumeTimerId = 0;
}

bool CMainWnd::StartOpenRetryTimer(int delayMs) {
  m_openRetry->start(delayMs);
  return true;
}

void CMainWnd::StopOpenRetryTimer() { m_openRetry->stop(); }

void CMainWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_mainVolumeTimerId) {
    WindowBase::timerEvent(event);
    return;
  }
  m_core->Session().MainVolumePollTick();
}

// --- language --------------------------------------------------------------------------------

void CMainWnd::SwitchLanguage(const QString& name, int storedValue) {
  LogPrintA("change language to %s - %d\n", qPrintable(name), storedValue);
  ui::Languages().Select(name);
  WriteConfigInt(kLanguageKey, storedValue);
  m_core->SetLanguage(name.toStdString());
  Retranslate();
  LogPrintA("change language finish\n");
  m_presenter->UpdateAllVolumeEdit();
}

// --- messages ------------------------------------------------------------------------------

void CMainWnd::ShowLoading() {
  CloseLoading();
  windows::CLoadingWnd loading(this);
  if (!loading.Build()) return;
  m_loading = &loading;
  loading.Run();  // returns once 1275 (or the user) ended it
  m_loading = nullptr;
}

void CMainWnd::CloseLoading() {
  if (m_loading) m_loading->Finish();
}

void CMainWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  switch (message.number) {
    case WM_MENU_CLICK:
      if (auto* record = message.RecordAs<ui::MenuClickRecord>()) OnMenuClick(*record);
      handled = true;
      break;
    case WM_SIMULATED_PLUG:
      if (message.wParam) OnBoxArrived();
      else OnBoxRemoved();
      handled = true;
      break;
    default:
      // Replies, and the lifecycle messages of the session's tasks.
      if (m_core->HandleMessage(message)) handled = true;
      break;
  }
}

// --- notifications -----------------------------------------------------------------------------

void CMainWnd::Notify(ui::Notification& n) {
  LogPrintA("Notify %s\n", qPrintable(n.type));
  // Whatever one notification changes is one step of the history (a drag's many
  // notifications share the gesture the held mouse button opened).
  const EditHistory::Gesture gesture(m_core->History());
  const QString& type = n.type;
  if (type == QLatin1String(ui::notify::kClick) || type == QLatin1String(ui::notify::kSelectChanged) ||
      type == QLatin1String(ui::notify::kItemSelect) || type == QLatin1String(ui::notify::kValueChanged) ||
      type == QLatin1String(ui::notify::kMoveValueChanged) || type == QLatin1String(ui::notify::kEqualizerEq) ||
      type == QLatin1String(ui::notify::kEqualizerHp) || type == QLatin1String(ui::notify::kEqualizerLp))
    CommitPendingEdit(n.sender);
  if (type == QLatin1String(ui::notify::kClick)) {
    if (n.SenderName().compare(QLatin1String("minbtn"), Qt::CaseInsensitive) == 0) {
      showMinimized();
      return;  // nothing else, not even the base handling
    }
    OnClickNotification(n);
  } else if (type == QLatin1String(ui::notify::kSelectChanged)) {
    OnSelectChanged(n);
  } else if (type == QLatin1String(ui::notify::kValueChanged) ||
             type == QLatin1String(ui::notify::kMoveValueChanged)) {
    OnValueChanged(n);
  } else if (type == QLatin1String(ui::notify::kValueChangedUp) ||
             type == QLatin1String(ui::notify::kValueChangedDown)) {
    OnUpDown(n, type == QLatin1String(ui::notify::kValueChangedUp));
  } else if (type == QLatin1String(ui::notify::kValueChangedLeft) ||
             type == QLatin1String(ui::notify::kValueChangedRight)) {
    OnLeftRight(n, type == QLatin1String(ui::notify::kValueChangedRight));
  } else if (type == QLatin1String(ui::notify::kReturn)) {
    OnReturn(n);
  } else if (type == QLatin1String(ui::notify::kKillFocus)) {
    OnKillFocus(n);
  } else if (type == QLatin1String(ui::notify::kSetFocus)) {
    OnSetFocus(n);
  } else if (type == QLatin1String(ui::notify::kItemSelect)) {
    OnItemSelect(n);
  } else if (type == QLatin1String(ui::notify::kEqualizerEq) || type == QLatin1String(ui::notify::kEqualizerHp) ||
             type == QLatin1String(ui::notify::kEqualizerLp)) {
    if (n.SenderName() == u"equalizer") {
      const int index = n.SenderIndex();
      LogPrintA("on MSGTYPE_EQUALIZERCHANGED index %d\n", index);
      const int kind = type == QLatin1String(ui::notify::kEqualizerEq) ? 0
                       : type == QLatin1String(ui::notify::kEqualizerHp) ? 1
                                                                          : 2;
      if (index >= 0) m_presenter->EqualizerCallback(index, kind);
    }
  } else if (type == QLatin1String(ui::notify::kWindowSize)) {
    m_presenter->UpdateEqualizer(0);
  }
  // The base handling: "closebtn" closes (through the close sequence).
  WindowBase::Notify(n);
}

void CMainWnd::OnClickNotification(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  QWidget* sender = n.sender;
  MainPresenter& c = *m_presenter;
  if (name.compare(QLatin1String("btnDpi"), Qt::CaseInsensitive) == 0) return;  // no effect here
  // "web_btn_1" has no address configured: it opens nothing.
  if (StartsWith(name, "ch_output_btn")) {
    m_outputMenuChannel = index;
    c.ShowOutputMenu(sender, index);
  } else if (name == u"btnConnect") {
    c.ConnectClicked();
  } else if (name == u"btn_amp_onoff") {
    c.ToggleAmp();
  } else if (name == u"btn_option") {
    c.ShowOptionMenu(sender);
  } else if (name == u"btn_scene") {
    c.ShowSceneMenu(sender);
  } else if (name == u"btn_reset_eq") {
    c.SetOutputEqReset();
  } else if (name == u"btn_bypass") {
    c.SetOutputBypass();
  } else if (name == u"btn_reset_output") {
    c.SetOutputReset();
  } else if (StartsWith(name, "ch_enable_")) {
    c.SetCurChannelChange(index);
  } else if (StartsWith(name, "speaker_")) {
    c.SetSpeakerFocus(index);
  } else if (StartsWith(name, "pt_enable_")) {
    c.OnEqEnable(index);
  } else if (name == u"btn_lock_output") {
    c.SetOutpuLock();
  } else if (name == u"btn_link_output") {
    c.SetOutputLink();
  } else if (name == u"btn_debug") {
    LogPrintA("EqualizerManager::ShowMemoryWindow\n");
    windows::ShowMemoryWindow(this, m_core->Memory());
  } else if (name == u"btn_arg_eq") {
    c.SetEqMode();
  } else if (name == u"btn_advance") {
    c.ShowAdvanceMenu(sender);
  } else if (name == u"btn_irc") {
    ShowAutoCalibration();
  }
}

void CMainWnd::OnSelectChanged(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  LogPrintA("on option %s MSGTYPE_SELECTCHANGED index %d\n", qPrintable(name), index);
  MainPresenter& c = *m_presenter;
  if (StartsWith(name, "ch_show_")) c.SetChShowEqualizer(index);
  else if (StartsWith(name, "ch_mute_")) c.SetChMute(index);
  else if (StartsWith(name, "ch_phase_")) c.SetChPhase(index);
  else if (StartsWith(name, "ch_synchronize_")) c.SetChSynchronize(index);
  else if (StartsWith(name, "main_mute")) c.SetMainMute();
  else {
    for (int input = 1; input <= 6; ++input)
      if (name.startsWith(QStringLiteral("option_ch_in%1_").arg(input))) c.SetChInput(index, input);
  }
}

void CMainWnd::OnValueChanged(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  MainPresenter& c = *m_presenter;
  if (StartsWith(name, "eq_slider_")) c.SetChEqSlider(index);
  else if (StartsWith(name, "slider_main_volume")) c.SetMainVolume();
  else if (StartsWith(name, "slider_ch_volume_")) c.SetChVolume(index);
  else if (StartsWith(name, "slider_ch_delay_")) c.SetChDelay(index);
}

void CMainWnd::OnUpDown(ui::Notification& n, bool up) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  MainPresenter& c = *m_presenter;
  if (StartsWith(name, "eq_freq_")) c.SetEqFreqUp(index, up);
  else if (StartsWith(name, "eq_q_")) c.SetEqQUp(index, up);
  else if (StartsWith(name, "eq_gain_")) c.SetEqGainUp(index, up);
  else if (StartsWith(name, "hp_freq")) c.SetHpFreqUp(up);
  else if (StartsWith(name, "lp_freq")) c.SetLpFreqUp(up);
  else if (StartsWith(name, "edit_main_volume")) c.SetMainVolumeUp(up);
  else if (StartsWith(name, "edit_ch_volume_")) c.SetChVolumeUp(index, up);
  else if (StartsWith(name, "edit_ch_delay_")) c.SetChDelayUp(index, up);
}

void CMainWnd::FocusField(const QString& name) {
  if (QWidget* field = FindControl(name); field && field->isEnabled()) field->setFocus(Qt::OtherFocusReason);
}

void CMainWnd::OnLeftRight(ui::Notification& n, bool right) {
  const QString name = n.SenderName();
  LogPrintA(right ? "on edit %s MSGTYPE_VALUECHANGED_RIGHT\n" : "on edit %s MSGTYPE_VALUECHANGED_LEFT\n",
            qPrintable(name));
  FocusRingContext context;
  context.bandCount = EqSize(m_core->CurrentProfile(), m_core->CurrentProfile().currChannel);
  context.isEnabled = [this](const QString& field) {
    const QWidget* w = FindControl(field);
    return w && w->isEnabled();
  };
  const QString next = NextFocusField(name, right, context);
  if (!next.isEmpty()) FocusField(next);
}

void CMainWnd::CommitField(const QString& name, int index) {
  MainPresenter& c = *m_presenter;
  if (name == u"edit_main_volume") c.SetMainVolumeEdit();
  else if (StartsWith(name, "hp_freq")) c.SetHpFreq();
  else if (StartsWith(name, "lp_freq")) c.SetLpFreq();
  else if (StartsWith(name, "edit_ch_delay_")) c.SetChDelayEdit(index);
  else if (StartsWith(name, "edit_ch_volume_")) c.SetChVolumeEdit(index);
}

void CMainWnd::OnReturn(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  LogPrintA("on edit %s MSGTYPE_RETURN\n", qPrintable(name));
  // Enter confirms a band's row, then the focus moves along it. Leaving a field commits it
  // too, but the next field may not take the focus (frequency and Q in graphic mode), and
  // the value typed must not wait for that.
  if (StartsWith(name, "eq_freq_")) {
    m_presenter->SetChEqEdit(index);
    FocusField(QStringLiteral("eq_q_%1").arg(index));
  } else if (StartsWith(name, "eq_q_")) {
    m_presenter->SetChEqEdit(index);
    FocusField(QStringLiteral("eq_gain_%1").arg(index));
  } else if (StartsWith(name, "eq_gain_")) {
    m_presenter->SetChEqEdit(index);
    const int bands = EqSize(m_core->CurrentProfile(), m_core->CurrentProfile().currChannel);
    FocusField(QStringLiteral("eq_freq_%1").arg(index + 1 >= bands ? 0 : index + 1));
  } else {
    CommitField(name, index);
  }
}

void CMainWnd::CommitPendingEdit(const QWidget* sender) {
  // The window's own focus child: the field keeps it while the window is not active.
  auto* edit = qobject_cast<QLineEdit*>(focusWidget());
  if (!edit || edit == sender || !edit->isModified() || !isAncestorOf(edit)) return;
  // The skin's buttons take no focus, so a click leaves the focus (and what was typed) in
  // the field: confirm it before the click changes the output the field belongs to.
  const QString name = edit->objectName();
  const int index = ui::UserIndex(edit);
  LogPrintA("commit %s before %s\n", qPrintable(name), sender ? qPrintable(sender->objectName()) : "");
  if (StartsWith(name, "eq_freq_") || StartsWith(name, "eq_q_") || StartsWith(name, "eq_gain_"))
    m_presenter->SetChEqEdit(index);
  else
    CommitField(name, index);
}

void CMainWnd::OnKillFocus(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  LogPrintA("on %s MSGTYPE_KILLFOCUS\n", qPrintable(name));
  if (StartsWith(name, "eq_freq_") || StartsWith(name, "eq_q_") || StartsWith(name, "eq_gain_")) {
    LogPrintA("on eq %s killfocus index %d\n", qPrintable(name), index);
    m_presenter->SetChEqEdit(index);
  } else {
    CommitField(name, index);
  }
}

void CMainWnd::OnSetFocus(ui::Notification& n) {
  const QString name = n.SenderName();
  const int index = n.SenderIndex();
  LogPrintA("on %s MSGTYPE_SETFOCUS\n", qPrintable(name));
  if (StartsWith(name, "spk_delay_")) return;  // recognised, no effect
  if (StartsWith(name, "edit_ch_delay_") || StartsWith(name, "slider_ch_delay_")) {
    m_presenter->ShowDelaySlider(index);
  } else {
    LogPrintA("on mSliderChDelay SetVisible false\n");
    m_presenter->ShowDelaySlider(-1);
  }
  if (StartsWith(name, "eq_freq_") || StartsWith(name, "eq_q_") || StartsWith(name, "eq_gain_")) {
    LogPrintA("on eq %s setfocus index %d\n", qPrintable(name), index);
    m_presenter->UpdateEqualizer(index);
  }
}

void CMainWnd::OnItemSelect(ui::Notification& n) {
  const QString name = n.SenderName();
  LogPrintA("on %s MSGTYPE_ITEMSELECT\n", qPrintable(name));
  MainPresenter& c = *m_presenter;
  const int index = n.SenderIndex();
  if (StartsWith(name, "comb_ch_unit")) {
    c.SetDelayUnit();
  } else if (StartsWith(name, "hp_type")) {
    LogPrintA("on eq hp_type %s valuechanged index %d\n", qPrintable(name), index);
    c.SetHpType();
  } else if (StartsWith(name, "lp_type")) {
    LogPrintA("on eq lp_type %s valuechanged index %d\n", qPrintable(name), index);
    c.SetLpType();
  } else if (StartsWith(name, "hp_slop")) {
    LogPrintA("on eq hp_slop %s valuechanged index %d\n", qPrintable(name), index);
    c.SetHpSlope();
  } else if (StartsWith(name, "lp_slop")) {
    LogPrintA("on eq lp_slop %s valuechanged index %d\n", qPrintable(name), index);
    c.SetLpSlope();
  } else if (name == u"btn_input_source") {
    c.SetInputSource();
  }
  // "btn_channel_select" is recognised but has no effect.
}

void CMainWnd::OnMenuClick(const ui::MenuClickRecord& record) {
  const QString& name = record.name;
  LogPrintA("on menu click %s\n", qPrintable(name));
  if (name == u"option_item_undo" || name == u"option_item_redo") {
    UndoRedo(name == u"option_item_redo");
    return;
  }
  const EditHistory::Gesture gesture(m_core->History());
  const QString current = ui::Languages().CurrentName();
  const auto is = [&name](const char* item) { return name.compare(QLatin1String(item), Qt::CaseInsensitive) == 0; };
  if (StartsWith(name, "output_menu") || StartsWith(name, "output_item")) {
    m_presenter->SetOutputValue(m_outputMenuChannel, name);
  } else if (StartsWith(name, "option_item_firmware_upgrade")) {
    ShowUpdateWindow();
  } else if (name == u"option_item_eq_import" || name == u"option_item_eq_export") {
    const bool importing = name == u"option_item_eq_import";
    const QString path = AskProfilePath(static_cast<int>(windows::ProfileKind::FilterText),
                                        static_cast<int>(importing ? windows::ProfileDialog::Open : windows::ProfileDialog::Save));
    if (path.isEmpty()) return;
    if (importing) windows::ImportFilterText(*m_core, *this, path);
    else windows::ExportFilterText(*m_core, *this, path);
  } else if (StartsWith(name, "option_item_reset_default")) {
    m_presenter->ResetMcuFactoryDefault();
  } else if (StartsWith(name, "option_item_about")) {
    const Profile& profile = m_core->CurrentProfile();
    windows::ShowAboutWindow(this, windows::AboutInfo{profile.model, profile.mainVersion, profile.slaveVersion,
                                                      windows::BuildWebAddress(), HasBuiltInFirmware()});
  } else if (is("option_item_language_en")) {
    if (current != u"en") SwitchLanguage(QStringLiteral("en"), 0);
  } else if (is("option_item_language_cn")) {
    if (current != u"cn_zh") SwitchLanguage(QStringLiteral("cn_zh"), 1);
  } else if (is("option_item_language_ru")) {
    if (current != u"ru") SwitchLanguage(QStringLiteral("ru"), 2);
  } else if (is("option_item_language")) {
    if (current == u"cn_zh") SwitchLanguage(QStringLiteral("en"), 0);
    else SwitchLanguage(QStringLiteral("cn_zh"), 1);
  } else if (StartsWith(name, "scene_item_")) {
    OnSceneMenu(name);
  } else if (name == u"advance_item_mixer") {
    windows::ShowMixerWindow(this, *m_core);
  } else if (name == u"advance_item_autocal") {
    ShowAutoCalibration();
  } else if (StartsWith(name, "advance_item_")) {
    // The calibration comes with its own window.
    LogPrintA("%s not available\n", qPrintable(name));
  }
}

void CMainWnd::ShowAutoCalibration() {
  LogPrintA("EqualizerManager::ShowAutoCalWindow\n");
  if (windows::ShowAutoCalWindow(this, m_core->Link(), m_core->CurrentProfile(), m_options.calibration) == 1)
    m_core->Scenes().ReadBackLiveSettings(nullptr);
}

void CMainWnd::UndoRedo(bool redo) {
  EditHistory& history = m_core->History();
  {
    const EditHistory::Gesture typed(history);
    CommitPendingEdit(nullptr);
  }
  if (redo) history.Redo();
  else history.Undo();
}

// --- scenes and profile files ------------------------------------------------------------------

QString CMainWnd::AskProfilePath(int kind, int dialog) {
  if (m_options.profilePathChooser) return m_options.profilePathChooser(kind, dialog);
  return windows::AskProfilePath(this, static_cast<windows::ProfileKind>(kind), static_cast<windows::ProfileDialog>(dialog));
}

void CMainWnd::TellProfileResult(int result, bool whole) {
  ShowMessage(QStringLiteral("${tips}"),
              QString::fromLatin1(ProfileFileMessage(static_cast<ProfileFileResult>(result), whole)),
              {QStringLiteral("${confirm}")});
}

void CMainWnd::OnSceneMenu(const QString& item) {
  using windows::ProfileDialog;
  using windows::ProfileKind;
  const auto is = [&item](const char* name) { return item == QLatin1String(name); };
  SceneService& scenes = m_core->Scenes();
  if (is("scene_item_load_scene") || is("scene_item_saveas_scene") || is("scene_item_delete_scene")) {
    const windows::SceneWindowMode mode = is("scene_item_load_scene")     ? windows::SceneWindowMode::Load
                                          : is("scene_item_saveas_scene") ? windows::SceneWindowMode::Save
                                                                          : windows::SceneWindowMode::Delete;
    LogPrintA("%s\n", mode == windows::SceneWindowMode::Load   ? "EqualizerManager::LoadSenceConfigFromDSP"
                      : mode == windows::SceneWindowMode::Save ? "EqualizerManager::SaveSenceConfigToDSP"
                                                               : "EqualizerManager::DeleteDSPSenceConfig");
    windows::ShowSceneWindow(this, *m_core, mode);
    return;
  }
  const bool whole = is("scene_item_load_whole") || is("scene_item_save_whole");
  const bool save = is("scene_item_save_file") || is("scene_item_save_whole");
  const ProfileKind kind = whole ? ProfileKind::Whole : ProfileKind::Scene;
  const QString path =
      AskProfilePath(static_cast<int>(kind), static_cast<int>(save ? ProfileDialog::Save : ProfileDialog::Open));
  if (path.isEmpty()) return;
  LogPrintA(save ? "GetSaveFileName %s ok\n" : "GetOpenFileName %s ok\n", qPrintable(path));
  const std::string file = path.toStdString();
  if (!save) {
    const ProfileFileResult result = whole ? scenes.LoadWholeProfile(file) : scenes.LoadSceneProfile(file);
    if (result != ProfileFileResult::Ok) TellProfileResult(static_cast<int>(result), whole);
  } else if (!whole) {
    TellProfileResult(static_cast<int>(scenes.SaveSceneProfile(file)), false);
  } else {
    scenes.SaveWholeProfile(file, [this](ProfileFileResult result) {
      // The plug-out notice has already told the user the box left.
      if (result == ProfileFileResult::BoxLeft && m_core->Session().State() != ConnectionState::Connected) return;
      TellProfileResult(static_cast<int>(result), true);
    });
  }
}

void CMainWnd::keyPressEvent(QKeyEvent* event) {
  // Simulate mode: F8 takes the virtual box off the bus, F9 plugs it back in.
  if (m_options.plugSwitch && (event->key() == Qt::Key_F8 || event->key() == Qt::Key_F9)) {
    if (event->key() == Qt::Key_F8) m_options.plugSwitch->Unplug();
    else m_options.plugSwitch->Replug();
    m_options.plugSwitch->Poll();
    event->accept();
    return;
  }
  WindowBase::keyPressEvent(event);
}

// --- closing ---------------------------------------------------------------------------------

void CMainWnd::OnCloseRequest() {
  if (m_closing) return;
  m_closing = true;
  m_core->Session().DisconnectDevice();
  EndTipsWindows();
  CloseLoading();
  StopMainVolumeTimer();
  Close(0);
  QCoreApplication::quit();
}

}  // namespace qb

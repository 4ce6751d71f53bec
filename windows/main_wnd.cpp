#include "windows/main_wnd.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTimerEvent>
#include <utility>
#include <vector>

#include "controls/control_factory.h"
#include "core/device_access.h"
#include "core/equalizer_manager.h"
#include "shell/display_scale.h"
#include "shell/hotplug_monitor.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"
#include "ui/message_port.h"
#include "windows/about_wnd.h"
#include "windows/auto_cal_wnd.h"
#include "windows/edit_gestures.h"
#include "windows/factory_reset_watch.h"
#include "windows/firmware_flow.h"
#include "windows/loading_wnd.h"
#include "windows/main_menus.h"
#include "windows/main_presenter.h"
#include "windows/mem_wr_wnd.h"
#include "windows/message_box.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/plug_keys.h"
#include "windows/profile_dialogs.h"
#include "windows/start_up.h"
#include "windows/status_line.h"
#include "windows/undo_notice.h"

namespace qb {
namespace {

constexpr int kMainVolumePeriodMs = 1000;
constexpr int kPlugPollMs = 100;

/// Events by which the user acts on a control: a value typed into another field and not
/// yet confirmed counts before them.
bool ConfirmsTyping(ui::Event event) {
  switch (event) {
    case ui::Event::Click:
    case ui::Event::SelectChanged:
    case ui::Event::ItemSelect:
    case ui::Event::ValueChanged:
    case ui::Event::MoveValueChanged:
    case ui::Event::EqualizerEq:
    case ui::Event::EqualizerHp:
    case ui::Event::EqualizerLp: return true;
    default: return false;
  }
}

/// The diagnostic lines the notifications write.
void LogNotification(const ui::Notification& n) {
  LogPrintA("Notify %s\n", ui::EventName(n.event));
  const QByteArray name = n.SenderName().toUtf8();
  switch (n.event) {
    case ui::Event::SelectChanged:
      LogPrintA("on option %s MSGTYPE_SELECTCHANGED index %d\n", name.constData(), n.SenderIndex());
      break;
    case ui::Event::Return: LogPrintA("on edit %s MSGTYPE_RETURN\n", name.constData()); break;
    case ui::Event::KillFocus: LogPrintA("on %s MSGTYPE_KILLFOCUS\n", name.constData()); break;
    case ui::Event::SetFocus: LogPrintA("on %s MSGTYPE_SETFOCUS\n", name.constData()); break;
    case ui::Event::ItemSelect: LogPrintA("on %s MSGTYPE_ITEMSELECT\n", name.constData()); break;
    case ui::Event::EqualizerEq:
    case ui::Event::EqualizerHp:
    case ui::Event::EqualizerLp:
      LogPrintA("on MSGTYPE_EQUALIZERCHANGED index %d\n", n.SenderIndex());
      break;
    default: break;
  }
}

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CMainWnd::CMainWnd(MainWndOptions options)
    : WindowBase(nullptr),
      m_options(std::move(options)),
      m_core(std::make_unique<EqualizerManager>(m_options.backend, m_options.timings)),
      m_presenter(std::make_unique<MainPresenter>(*m_core, *this)),
      m_menus(std::make_unique<MainMenus>(
          *this, *m_core, *m_presenter, *this,
          MainMenuActions{[this](bool redo) { UndoRedo(redo); },
                          [this](const QString& name, int stored) { SwitchLanguage(name, stored); },
                          [this] { m_firmware->ShowUpdateWindow(); }, [this] { ShowAutoCalibration(); },
                          [this](int kind, int dialog) { return AskProfilePath(kind, dialog); },
                          [this] { m_factoryReset->Started(); }})),
      m_firmware(std::make_unique<FirmwareFlow>(*this, *m_core, *this, m_options.firmwareFileChooser)),
      m_gestures(std::make_unique<EditGestures>(m_core->History(), this, [this](bool redo) { UndoRedo(redo); })),
      m_factoryReset(std::make_unique<windows::FactoryResetWatch>(*m_core)) {
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
    m_plugKeys = new windows::PlugKeys(m_options.plugSwitch, this);
  }
  m_undoNotice = new windows::UndoNotice(*m_core, [this](const QString& text) { ShowStatus(text); }, this);
}

CMainWnd::~CMainWnd() {
  if (m_options.plugSwitch) m_options.plugSwitch->SetPlugListener({});
  // Before the core: they hear its changes.
  delete m_undoNotice;
  m_undoNotice = nullptr;
  m_factoryReset.reset();
  m_hotplug.reset();
  m_gestures.reset();
  m_firmware.reset();
  m_menus.reset();
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

  // Language tables: English and Chinese, then the stored choice; a value without a table
  // ("ru", or junk) falls back to English.
  LoadProgramLanguages();
  m_core->SetFactoryEq(ReadConfigInt(kFactoryEqKey, 0));
  m_core->SetLanguage(ui::Languages().CurrentName().toStdString());
  Retranslate();

  SetDisplayScale(SelectDisplayScaleFromScreens().dpi);
  // A control or menu item without its handler would do nothing when the user picks it: the
  // window refuses to start instead, naming it.
  QString missing;
  if (!m_presenter->InitControls(*this, &missing) || !m_menus->Bind(&missing)) {
    LogPrintA("InitControls failed: %s\n", qPrintable(missing));
    m_bindingProblem = missing.isEmpty() ? QStringLiteral("InitControls failed") : missing;
    return;
  }
  BindWindowControls();

  QMetaObject::invokeMethod(this, [this] { m_core->Session().ConnectDevice(false); }, Qt::QueuedConnection);
  if (m_options.hotplug) StartHotplug();
}

void CMainWnd::BindWindowControls() {
  const MainView& view = m_presenter->View();
  Bind(view.debug, ui::Event::Click, [this] {
    LogPrintA("EqualizerManager::ShowMemoryWindow\n");
    windows::ShowMemoryWindow(this, m_core->Memory());
  });
  Bind(view.calibration, ui::Event::Click, [this] { ShowAutoCalibration(); });
  // The window's own close button ends the program as the system's close does: the box is
  // told the PC leaves.
  Bind(FindControl(QStringLiteral("closebtn")), ui::Event::Click, [this] { OnCloseRequest(); });
  Bind(this, ui::Event::WindowSize, [this] { m_presenter->UpdateEqualizer(0); });
  BindWebButton();
  // The status line ends before the title bar's buttons to its right that show.
  std::vector<QWidget*> neighbours;
  for (const char* name : {"btn_debug", "web_btn_1", "btnConnect"}) neighbours.push_back(FindControl(QString::fromLatin1(name)));
  m_status = new windows::StatusLine(Find<QLabel>(QStringLiteral("status_line")), std::move(neighbours),
                                     m_options.statusHoldMs);
}

void CMainWnd::BindWebButton() {
  QWidget* web = FindControl(QStringLiteral("web_btn_1"));
  if (!web) return;
  const QUrl address = windows::WebAddress(m_options.webAddress.value_or(windows::BuildWebAddress()));
  // A button that opens nothing would only puzzle: without an address there is none.
  web->setVisible(!address.isEmpty());
  if (address.isEmpty()) return;
  web->setToolTip(address.toString());
  Bind(web, ui::Event::Click, [address] { QDesktopServices::openUrl(address); });
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

void CMainWnd::ShowStatus(const QString& text) {
  if (m_status) m_status->Show(text);
}

QString CMainWnd::StatusText() const { return m_status ? m_status->Text() : QString(); }

void CMainWnd::NameNextTask(const QString& textKey) { m_nextTaskTitle = textKey; }

void CMainWnd::OnNotice(SessionNotice notice, int value, std::string_view detail) {
  const QString tips = QStringLiteral("${tips}");
  const QStringList confirm{QStringLiteral("${confirm}")};
  switch (notice) {
    case SessionNotice::TaskStarted: ShowLoading(); break;
    case SessionNotice::TaskEnded:
      CloseLoading();
      // The restarted box has been read again: only now have its factory settings come back.
      if (m_factoryReset->TakeBoxBack()) ShowMessage(tips, QStringLiteral("${factory_reset_done}"), confirm);
      break;
    case SessionNotice::TaskNotStarted: ShowMessage(tips, QStringLiteral("${task_not_started}"), confirm); break;
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
      m_firmware->ShowUpdateWindow();
      break;
    case SessionNotice::PermissionDenied:
      ShowMessage(tips,
                  ui::Tr(QStringLiteral("${device_no_permission}"))
                      .arg(Utf8(detail), Utf8(kUdevRuleFile), Utf8(kAccessFixCommand)),
                  confirm);
      break;
    case SessionNotice::ForceUpdate: m_firmware->ForceUpdate(); break;
    case SessionNotice::ForceUpdateContinue: m_firmware->ContinueForcedUpdate(); break;
  }
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
  // A language without texts would change nothing now and start the program in another
  // next time: it is never stored.
  if (!ui::Languages().Has(name)) return;
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
  const QString title = std::exchange(m_nextTaskTitle, QString());
  if (!loading.Build()) return;
  if (!title.isEmpty()) loading.SetText(title);
  m_loading = &loading;
  loading.Run();  // returns once 1275 (or the user) ended it
  m_loading = nullptr;
}

void CMainWnd::CloseLoading() {
  if (m_loading) m_loading->Finish();
}

void CMainWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  switch (message.number) {
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
  LogNotification(n);
  // Whatever one notification changes is one step of the history (a drag's many
  // notifications share the gesture the held mouse button opened).
  const EditHistory::Gesture gesture(m_core->History());
  if (ConfirmsTyping(n.event)) CommitPendingEdit(n.sender);
  if (ControlBindings().Dispatch(n)) return;
  // Focus on anything but the delay fields puts the delay sliders away.
  if (n.event == ui::Event::SetFocus) {
    LogPrintA("on mSliderChDelay SetVisible false\n");
    m_presenter->ShowDelaySlider(-1);
  }
}

void CMainWnd::CommitPendingEdit(const QWidget* sender) {
  // The window's own focus child: the field keeps it while the window is not active.
  auto* edit = qobject_cast<QLineEdit*>(focusWidget());
  if (!edit || edit == sender || !edit->isModified() || !isAncestorOf(edit)) return;
  // The skin's buttons take no focus, so a click leaves the focus (and what was typed) in
  // the field: confirm it before the click changes the output the field belongs to.
  LogPrintA("commit %s before %s\n", qPrintable(edit->objectName()), sender ? qPrintable(sender->objectName()) : "");
  m_presenter->CommitTyped(edit);
}

void CMainWnd::ShowAutoCalibration() {
  LogPrintA("EqualizerManager::ShowAutoCalWindow\n");
  windows::ShowAutoCalWindow(this, m_core->OpenCalibration(m_options.calibration));
  // A result that reached the box is read back, under the loading window.
  m_core->CloseCalibration();
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

// --- files -------------------------------------------------------------------------------------

QString CMainWnd::AskProfilePath(int kind, int dialog) {
  if (m_options.profilePathChooser) return m_options.profilePathChooser(kind, dialog);
  return windows::AskProfilePath(this, static_cast<windows::ProfileKind>(kind), static_cast<windows::ProfileDialog>(dialog));
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

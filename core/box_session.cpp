// The connection lifecycle: connecting and the read-out task, disconnecting, hot-plug, the
// factory default task and the main-volume poll.
#include "core/box_session.h"

#include "core/device_access.h"
#include "devicelink/dsp_queries.h"
#include "devicelink/firmware_image.h"
#include "devicelink/link_decoders.h"
#include "devicelink/mcu_commands.h"
#include "shell/log.h"
#include "shell/marker_files.h"

namespace qb {

bool FirmwareNeedsForcedUpdate(int mainVersion, int slaveVersion) {
  return mainVersion < kMinMainVersion || (mainVersion == kMinMainVersion && slaveVersion < kMinSlaveVersion);
}

BoxSession::BoxSession(EqualizerMirror& mirror, ChangeHub& changes, std::shared_ptr<HidBackend> backend,
                       LinkTimings timings)
    : m_mirror(mirror), m_changes(changes), m_link(std::move(backend), timings) {
  m_link.SetLinkConfig(kBoxModel, kOutputCount, kBoxInputs, false, false);
  InstallReplyDecoders(m_link);
}

BoxSession::~BoxSession() {
  if (m_target) m_link.Unregister(m_target);
  // Closing makes a task's waits end within one read slice; only then wait for it.
  m_link.DisableQueue();
  if (m_link.IsDeviceOpen()) m_link.CloseHIDDevice(false);
  m_task.Join();
}

void BoxSession::Attach(MessageTarget* target, SessionHost* host) {
  if (m_target) m_link.Unregister(m_target);
  m_target = target;
  m_host = host;
  if (m_target) m_link.Register(ReplySlot::MainWindowHandle, m_target);
}

bool BoxSession::IsUpgrading() const {
  const std::uint32_t status = m_link.Upgrade().sys_upg_status.load();
  return status == UPG_ENTER || status == UPG_START;
}

void BoxSession::SetUpgrading(bool on) {
  if (on) SetState(ConnectionState::Upgrading);
  else SetState(m_link.IsDeviceOpen() && m_link.QueueEnabled() ? ConnectionState::Connected
                                                                : ConnectionState::Disconnected);
}

void BoxSession::SetState(ConnectionState state) {
  m_mirror.session.connection = state;
  m_changes.Publish(Change{}.Add(kAspectConnection));
}

void BoxSession::Post(std::uint32_t number) {
  if (!m_target) return;
  ReplyMessage message;
  message.number = number;
  m_target->PostReplyMessage(std::move(message));
}

void BoxSession::Tell(SessionNotice notice, int value, std::string_view detail) {
  if (m_host) m_host->OnNotice(notice, value, detail);
}

bool BoxSession::StartTask(std::function<void()> work, std::function<void()> ended) {
  if (Busy() || !work) return false;
  // The previous task has finished its work; its thread is at most returning.
  m_task.Join();
  m_taskWork = std::move(work);
  m_taskEnded = std::move(ended);
  // Without a target nobody would hear of the task's end.
  m_awaitingEnd = m_target != nullptr;
  m_taskRunning.store(true, std::memory_order_release);
  m_task = JoinableThread(&BoxSession::RunTask, this);
  return true;
}

void BoxSession::RunTask(BoxSession* self) {
  self->m_taskWork();
  // The last acts of a task: from here on it touches nothing of the session.
  self->m_taskRunning.store(false, std::memory_order_release);
  self->Post(WM_TASK_ENDED);
}

// --- connect -----------------------------------------------------------------------------

void BoxSession::ConnectDevice(bool showError) {
  LogPrintA("EqualizerManager::ConnectDevice\n");
  if (IsUpgrading()) return;
  if (m_link.IsDeviceOpen()) {
    DisconnectDevice();
    return;
  }
  if (Busy()) {
    // A read-out or factory default still finishing: connect once it has ended, without
    // making the user wait for it here.
    LogPrintA("ConnectDevice: a task is running, connecting after it\n");
    m_connectAfterTask = m_connectAfterTask.value_or(false) || showError;
    return;
  }
  // A connect asked for anew starts the refused box's backoff from the beginning.
  StopOpenRetry();
  m_openRetries = 0;
  SetState(ConnectionState::Connecting);
  OpenAndRead(showError);
}

void BoxSession::OpenRetryTick() {
  if (!m_openRetryPending) return;  // cancelled after the timer was started
  m_openRetryPending = false;
  if (IsUpgrading() || m_link.IsDeviceOpen()) return;
  if (Busy()) {
    m_connectAfterTask = m_connectAfterTask.value_or(false) || m_openRetryShowsError;
    return;
  }
  OpenAndRead(m_openRetryShowsError);
}

void BoxSession::StopOpenRetry() {
  if (!m_openRetryPending) return;
  m_openRetryPending = false;
  if (m_host) m_host->StopOpenRetryTimer();
}

void BoxSession::OpenRefused(const std::string& node, bool showError) {
  if (m_openRetries < kOpenRetryDelaysMs.size() && m_host &&
      m_host->StartOpenRetryTimer(kOpenRetryDelaysMs[m_openRetries])) {
    LogPrintA("open of %s refused, trying again in %d ms\n", node.c_str(), kOpenRetryDelaysMs[m_openRetries]);
    ++m_openRetries;
    m_openRetryPending = true;
    m_openRetryShowsError = showError;
    return;
  }
  LogPrintA("no permission to open %s: the udev rule %.*s is missing or not applied\n", node.c_str(),
            static_cast<int>(kUdevRuleFile.size()), kUdevRuleFile.data());
  m_openRetries = 0;
  // Disconnected before the notice: its message box waits for the user.
  SetState(ConnectionState::Disconnected);
  Tell(SessionNotice::PermissionDenied, 0, node);
}

void BoxSession::OpenAndRead(bool showError) {
  m_link.OpenHIDDevice();
  if (!m_link.IsDeviceOpen()) {
    const LinkOpenOutcome outcome = m_link.LastOpenOutcome();
    if (outcome.status == HidOpenStatus::PermissionDenied) {
      OpenRefused(outcome.path, showError);
      return;
    }
    m_openRetries = 0;
    LogPrintA("Can not conect usb devices, please connect devices again!\n");
    if (showError) Tell(SessionNotice::ConnectFailed);
    SetState(ConnectionState::Disconnected);
    return;
  }
  LogPrintA("Connect OK\xEF\xBC\x81\n");
  if (HandOverToForcedUpdate()) return;
  StartReadOut();
}

// --- firmware update hand-over -------------------------------------------------------------

bool BoxSession::HandOverToForcedUpdate() {
  // A forced update waits for the box to come back after each of its restarts; its window
  // goes on with the box instead of a read-out.
  if (!m_mirror.forcedUpdate || MarkerFileExists(kNoForceUpdateMarker)) return false;
  m_link.DisableQueue();
  SetState(ConnectionState::Connected);
  Tell(SessionNotice::ForceUpdateContinue);
  return true;
}

void BoxSession::StartReadOut() {
  if (!m_link.IsDeviceOpen()) {
    ConnectDevice(false);
    return;
  }
  if (Busy()) {
    m_readOutAfterTask = true;
    return;
  }
  m_link.DisableQueue();
  for (int o = 0; o < kOutputCount; ++o) m_readOutBands[At(o)] = m_mirror.EqSize(o);
  Post(WM_SHOW_LOADING);
  StartTask([this] { ReadMcuValueThread(); });
  SetState(ConnectionState::Reading);
}

void BoxSession::ReadMcuValueThread() {
  LogPrintA("Read mcu value thread start!\n");
  if (PC_UI_Status_Init(m_readOutBands) == -1) {
    Post(WM_CLOSE_LOADING);
    Post(WM_CONNECT_FAILED);
    Post(WM_DISCONNECT);
    LogPrintA("Read mcu value thread end!\n");
    return;
  }
  // Every reply of the read-out was posted before its query returned, and posted messages
  // are handled in order: WM_CONNECT_DONE is applied after all of them, so it needs no
  // fixed wait. The curves are computed there, where the replies write the mirror.
  Post(WM_CONNECT_DONE);
  Post(WM_CLOSE_LOADING);
  LogPrintA("Read mcu value thread end!\n");
  LogLocalTime();
  const int model = m_link.Model();
  const bool normal = m_link.ApplicationMode();
  if (model != kBoxModel && normal) {
    Post(WM_CLOSE_LOADING);
    Post(WM_DISCONNECT);
  } else if (!MarkerFileExists(kNoForceUpdateMarker) && normal &&
             FirmwareNeedsForcedUpdate(m_link.MainVersion(), m_link.SlaveVersion())) {
    Post(WM_FORCE_UPDATE);
  }
}

void BoxSession::OnConnectDone() {
  LogPrintA("EqualizerManager::OnConnectDone\n");
  if (IsUpgrading() || !m_link.ApplicationMode()) return;
  if (!m_link.IsDeviceOpen() || m_mirror.currentProfile.model == -1) {
    DisconnectDevice();
    return;
  }
  m_link.EnableQueue();
  m_mirror.ComputeAllChannelResponses();
  const ChangeHub::Batch batch(m_changes);
  SetState(ConnectionState::Connected);
  m_changes.Publish(Change{}.Add(kAspectBands | kAspectCrossover, -2));
}

void BoxSession::DisconnectDevice() {
  LogPrintA("EqualizerManager::DisconnectDevice\n");
  if (IsUpgrading()) return;
  StopOpenRetry();
  m_link.DisableQueue();
  if (m_link.IsDeviceOpen() || m_link.DeviceLost()) m_link.CloseHIDDevice(true);
  m_mirror.currentProfile.model = -1;
  const ChangeHub::Batch batch(m_changes);
  SetState(ConnectionState::Disconnected);
  m_changes.Publish(Change{}.Add(kAspectDevice));
}

void BoxSession::DevicePlugOut() {
  LogPrintA("DevicePlugOut\n");
  if (IsUpgrading()) {
    LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  // A link that found the box gone is still to be closed: that is a box that left too.
  const bool wasOpen = m_link.IsDeviceOpen() || m_link.DeviceLost();
  DisconnectDevice();
  if (wasOpen && !m_mirror.forcedUpdate && !m_mirror.manualUpdate) {
    // The notice is shown by the front end on this thread; it needs no thread of its own.
    LogPrintA("DisconnectMsgThread start!\n");
    Tell(SessionNotice::PlugOut);
    LogPrintA("DisconnectMsgThread end!\n");
  }
}

void BoxSession::DevicePlugin() {
  LogPrintA("DevicePlugin\n");
  if (IsUpgrading()) {
    LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  if (!m_link.IsDeviceOpen()) ConnectDevice(false);
}

// --- factory default -------------------------------------------------------------------------

bool BoxSession::StartFactoryDefault() {
  if (Busy()) return false;
  Post(WM_SHOW_LOADING);
  return StartTask([this] { FactoryDefaultThread(); });
}

void BoxSession::FactoryDefaultThread() {
  LogPrintA("Factory default thread start!\n");
  MCU_Factory_Default(m_link);
  Post(WM_DEVICE_REBOOT);
  LogPrintA("Factory default thread end!\n");
}

// --- main-volume poll ---------------------------------------------------------------------------

void BoxSession::StartMainVolumePoll() {
  m_mainVolumePolls = kMainVolumePolls;
  if (m_host) m_host->StartMainVolumeTimer();
}

bool BoxSession::MainVolumePollTick() {
  LogPrintA("GET_MAIN_VOLUME_TIMER, getMainVolumeTimer=%d\n", m_mainVolumePolls);
  if (m_mainVolumePolls > 0) {
    Get_Main_Volume(m_link);
    --m_mainVolumePolls;
    return true;
  }
  StopMainVolumePoll();
  return false;
}

void BoxSession::StopMainVolumePoll() {
  if (m_host) m_host->StopMainVolumeTimer();
}

// --- messages -----------------------------------------------------------------------------------

bool BoxSession::HandleMessage(const ReplyMessage& message) {
  switch (message.number) {
    case WM_CONNECT_DONE: OnConnectDone(); return true;
    case WM_DISCONNECT: DisconnectDevice(); return true;
    case WM_LINK_LOST:
      // The link gave up on a box that left; the system's notice of the unplug may come
      // later or, for a box that hangs, never.
      if (m_link.DeviceLost()) DevicePlugOut();
      return true;
    case WM_SHOW_LOADING: Tell(SessionNotice::TaskStarted); return true;
    case WM_CLOSE_LOADING: Tell(SessionNotice::TaskEnded); return true;
    case WM_CONNECT_FAILED: Tell(SessionNotice::ConnectFailed); return true;
    case WM_DEVICE_REBOOT: Tell(SessionNotice::DeviceReboot); return true;
    case WM_DEVICE_ABNORMAL: Tell(SessionNotice::DeviceAbnormal); return true;
    case WM_FORCE_UPDATE:
      LogPrintA("WM_FORCE_UPDATE\n");
      Tell(SessionNotice::ForceUpdate);
      return true;
    case WM_TASK_ENDED:
      if (!m_awaitingEnd) return true;
      m_awaitingEnd = false;
      if (m_taskEnded) {
        const std::function<void()> ended = std::move(m_taskEnded);
        m_taskEnded = {};
        ended();
      }
      if (m_connectAfterTask) {
        const bool showError = *m_connectAfterTask;
        m_connectAfterTask.reset();
        if (!m_link.IsDeviceOpen()) ConnectDevice(showError);
      }
      if (m_readOutAfterTask) {
        m_readOutAfterTask = false;
        StartReadOut();
      }
      return true;
    default: return false;
  }
}

}  // namespace qb

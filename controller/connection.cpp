// Connection lifecycle: connecting and the read-out task, disconnecting, hot-plug, the
// factory default task and the menus whose items depend on the connection.
#include <QWidget>

#include "controller/controller_host.h"
#include "controller/equalizer_manager.h"
#include "devicelink/firmware_image.h"
#include "devicelink/link_decoders.h"
#include "devicelink/mcu_commands.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/message_port.h"
#include "ui/popup_menu.h"
#include "ui/selectable.h"
#include "ui/widget_style.h"
#include "ui/window_base.h"

namespace qb {
namespace {

constexpr unsigned kRed = 0xFFFF0000u;
constexpr unsigned kWhite = 0xFFFFFFFFu;

}  // namespace

bool FirmwareNeedsForcedUpdate(int mainVersion, int slaveVersion) {
  return mainVersion < kMinMainVersion || (mainVersion == kMinMainVersion && slaveVersion < kMinSlaveVersion);
}

EqualizerManager::EqualizerManager(std::shared_ptr<HidBackend> backend, LinkTimings timings)
    : m_link(std::move(backend), timings) {
  m_link.SetLinkConfig(kBoxModel, 8, 6, false, false);
  InstallReplyDecoders(m_link);
}

EqualizerManager::~EqualizerManager() {
  // The task may still be talking to the box; it ends on its own (its waits are bounded).
  m_task.Join();
  m_link.Unregister(m_port.get());
}

bool EqualizerManager::IsUpgrading() const {
  const std::uint32_t status = m_link.Upgrade().sys_upg_status.load();
  return status == UPG_ENTER || status == UPG_START;
}

void EqualizerManager::Post(std::uint32_t number) {
  if (m_port) m_port->Post(number);
}

void EqualizerManager::StartTask(void (*body)(EqualizerManager*)) {
  // One task at a time: the loading window keeps the user from starting another, and a
  // finished task's thread is joined before the next one starts.
  m_task = JoinableThread(body, this);
}

void EqualizerManager::SetConnectButton(const char* textKey, unsigned color, bool selected,
                                        bool changeLook) {
  if (!m_view.connect) return;
  ui::SetControlText(m_view.connect, QString::fromLatin1(textKey));
  if (!changeLook) return;
  ui::SetOwnColor(m_view.connect, ui::StyleColor::Text, color);
  if (auto* selectable = dynamic_cast<ui::Selectable*>(m_view.connect)) selectable->SetSelected(selected);
}

void EqualizerManager::ConnectDevice(bool showError) {
  LogPrintA("EqualizerManager::ConnectDevice\n");
  if (IsUpgrading()) return;
  if (m_link.IsDeviceOpen()) {
    DisconnectDevice();
    return;
  }
  m_task.Join();  // a previous read-out still finishing must not overlap a new one
  m_link.OpenHIDDevice();
  if (!m_link.IsDeviceOpen()) {
    LogPrintA("Can not conect usb devices, please connect devices again!\n");
    if (showError && m_host)
      m_host->ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${device_connect_fail}"),
                          {QStringLiteral("${confirm}")});
    SetConnectButton("${btn_disconnected}", kRed, false, true);
    return;
  }
  LogPrintA("Connect OK\xEF\xBC\x81\n");
  SetConnectButton("${btn_connecting}", 0, false, false);
  // The forced update's own window takes over a box that comes back during the update;
  // that window arrives with the firmware tools, so every connection reads the box here.
  m_link.DisableQueue();
  Post(WM_SHOW_LOADING);
  StartTask(&EqualizerManager::ReadMcuValueThread);
}

void EqualizerManager::ReadMcuValueThread(EqualizerManager* self) {
  LogPrintA("Read mcu value thread start!\n");
  if (self->PC_UI_Status_Init() == -1) {
    self->Post(WM_CLOSE_LOADING);
    self->Post(WM_CONNECT_FAILED);
    self->Post(WM_DISCONNECT);
    LogPrintA("Read mcu value thread end!\n");
    return;
  }
  // Every reply of the read-out was posted to the main window before its query returned,
  // and posted messages are handled in order: WM_CONNECT_DONE is applied after all of them,
  // so it needs no fixed wait. The curves are computed there, on the UI thread, because the
  // replies write the mirror there.
  self->Post(WM_CONNECT_DONE);
  self->Post(WM_CLOSE_LOADING);
  LogPrintA("Read mcu value thread end!\n");
  LogLocalTime();
  const int model = self->m_link.Model();
  const bool normal = self->m_link.ApplicationMode();
  if (model != kBoxModel && normal) {
    self->Post(WM_CLOSE_LOADING);
    self->Post(WM_DISCONNECT);
    return;
  }
  if (!MarkerFileExists(kNoForceUpdateMarker) && normal &&
      FirmwareNeedsForcedUpdate(self->m_link.MainVersion(), self->m_link.SlaveVersion()))
    self->Post(WM_FORCE_UPDATE);
}

void EqualizerManager::OnConnectDone() {
  LogPrintA("EqualizerManager::OnConnectDone\n");
  if (IsUpgrading() || !m_link.ApplicationMode()) return;
  if (!m_link.IsDeviceOpen() || m_mirror.currentProfile.model == -1) {
    DisconnectDevice();
    return;
  }
  SetConnectButton("${btn_connected}", kWhite, true, true);
  m_link.EnableQueue();
  m_mirror.ComputeAllChannelResponses();
  UpdateEqualizer(-1);
}

void EqualizerManager::DisconnectDevice() {
  LogPrintA("EqualizerManager::DisconnectDevice\n");
  if (IsUpgrading()) return;
  m_link.DisableQueue();
  if (m_link.IsDeviceOpen()) m_link.CloseHIDDevice(true);
  SetConnectButton("${btn_disconnected}", kRed, false, true);
  m_mirror.currentProfile.model = -1;
}

void EqualizerManager::DevicePlugOut() {
  LogPrintA("DevicePlugOut\n");
  if (IsUpgrading()) {
    LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  const bool wasOpen = m_link.IsDeviceOpen();
  DisconnectDevice();
  // The notice is a modal box on the UI thread; it needs no thread of its own here.
  if (wasOpen && !m_mirror.forcedUpdate && !m_mirror.manualUpdate && m_host) {
    LogPrintA("DisconnectMsgThread start!\n");
    m_host->ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${device_plugout}"),
                        {QStringLiteral("${confirm}")});
    LogPrintA("DisconnectMsgThread end!\n");
  }
}

void EqualizerManager::DevicePlugin() {
  LogPrintA("DevicePlugin\n");
  if (IsUpgrading()) {
    LogPrintA("sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  if (!m_link.IsDeviceOpen()) ConnectDevice(false);
}

void EqualizerManager::ResetMcuFactoryDefault() {
  LogPrintA("EqualizerManager::ResetMcuFactoryDefault\n");
  if (!m_host || m_host->ShowConfirm(QStringLiteral("${tips}"), QStringLiteral("${factory_default_tips}")) != 1)
    return;
  m_task.Join();
  Post(WM_SHOW_LOADING);
  StartTask(&EqualizerManager::FactoryDefaultThread);
}

void EqualizerManager::FactoryDefaultThread(EqualizerManager* self) {
  LogPrintA("Factory default thread start!\n");
  MCU_Factory_Default(self->m_link);
  self->Post(WM_DEVICE_REBOOT);
  LogPrintA("Factory default thread end!\n");
}

void EqualizerManager::ShowOptionMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/option_menu.xml"));
  if (!menu) return;
  if (!m_link.IsDeviceOpen()) menu->SetItemEnabled(QStringLiteral("option_item_reset_default"), false);
  menu->PopBelow(button);
}

void EqualizerManager::ShowSceneMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/scene_menu.xml"));
  if (!menu) return;
  if (!m_link.IsDeviceOpen()) {
    for (const char* item : {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"})
      menu->SetItemEnabled(QString::fromLatin1(item), false);
  }
  menu->PopBelow(button);
}

void EqualizerManager::ShowAdvanceMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/advance_menu.xml"));
  if (!menu) return;
  menu->SetItemEnabled(QStringLiteral("advance_item_autocal"), true);
  for (const char* item : {"advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    menu->SetItemVisible(QString::fromLatin1(item), false);
  menu->PopBelow(button);
}

}  // namespace qb

#include "windows/firmware_flow.h"

#include <QFile>

#include "core/equalizer_manager.h"
#include "shell/firmware_resources.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "ui/language_tables.h"
#include "windows/force_update_wnd.h"
#include "windows/presenter_host.h"
#include "windows/text_format.h"
#include "windows/update_fw_wnd.h"
#include "windows/update_texts.h"

namespace qb {

FirmwareFlow::FirmwareFlow(QWidget& owner, EqualizerManager& core, PresenterHost& host,
                           std::function<QString(QWidget*)> chooseFile)
    : m_owner(owner), m_core(core), m_host(host), m_chooseFile(std::move(chooseFile)) {}

void FirmwareFlow::ForceUpdate() {
  LogPrintA("WM_FORCE_UPDATE entry\n");
  if (MarkerFileExists(kNoForceUpdateMarker)) return;
  const Profile& live = m_core.CurrentProfile();
  const QString text = windows::FillPlaceholders(
      ui::Tr(QStringLiteral("${update_tips}")),
      {QString::number(live.mainVersion), QString::number(live.slaveVersion), QString::number(kMinMainVersion),
       QString::number(kMinSlaveVersion)});
  if (m_host.ShowConfirm(QStringLiteral("${tips}"), text) != 1) return;
  LogPrintA("Start force update!\n");
  std::string mcu;
  std::string flash;
  int code = ExtractResourceToTemp(kMcuTempFile, mcu, kMcuResource, kResourceType);
  if (code == kResourceWritten) {
    code = ExtractResourceToTemp(kFlashTempFile, flash, kFlashResource, kResourceType);
    if (code != kResourceWritten) code += 6;
  }
  if (code != kResourceWritten) {
    if (!mcu.empty()) QFile::remove(QString::fromStdString(mcu));
    if (!flash.empty()) QFile::remove(QString::fromStdString(flash));
    LogPrintA("File prepare error. error code %d\n", code);
    m_host.ShowMessage(QStringLiteral("${tips}"),
                       windows::PrepareErrorText(code, QString::fromStdString(FirmwareTempDir())),
                       {QStringLiteral("${confirm}")});
    return;
  }
  int result = 0;
  {
    const FirmwareUpdateScope scope = m_core.BeginFirmwareUpdate(FirmwareUpdateKind::Forced);
    result = windows::ShowForceUpdateWindow(&m_owner, m_core.Firmware(), QString::fromStdString(mcu),
                                            QString::fromStdString(flash),
                                            [this](windows::CForceUpdateWnd* w) { m_forceUpdate = w; });
    m_forceUpdate = nullptr;
  }
  // Read the box again after new firmware, and whenever the update left the link open
  // without live edits (closed part way): the session must show the box as it is.
  BoxSession& session = m_core.Session();
  if (result == 1 || (session.IsDeviceOpen() && !session.LiveEditsReachBox())) session.StartReadOut();
}

void FirmwareFlow::ContinueForcedUpdate() {
  if (m_forceUpdate) m_forceUpdate->ContinueUpdate();
}

void FirmwareFlow::ShowUpdateWindow() {
  if (m_updateWindowOpen) return;
  m_updateWindowOpen = true;
  {
    const FirmwareUpdateScope scope = m_core.BeginFirmwareUpdate(FirmwareUpdateKind::Manual);
    windows::ShowUpdateFwWindow(&m_owner, m_core.Firmware(), QString(), m_chooseFile);
  }
  m_updateWindowOpen = false;
}

}  // namespace qb

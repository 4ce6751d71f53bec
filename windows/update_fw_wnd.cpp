#include "windows/update_fw_wnd.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>

#include "core/firmware_updater.h"
#include "shell/download_tool.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/message_port.h"
#include "ui/progress.h"
#include "windows/profile_dialogs.h"
#include "windows/update_texts.h"

namespace qb::windows {

QString ChooseFirmwareFile(QWidget* owner) {
  // The package names first, as the maker ships them; then the image files this program
  // sends itself, and anything.
  const QString filters = QStringLiteral(
      "ZX7140K_MCU_UPG.bin,ZX7140K_FLASH_UPG.bin (ZX7140K_MCU_UPG.bin ZX7140K_FLASH_UPG.bin);;"
      "Firmware images (*UPG.bin *UPG.BIN *UPG_FW.bin *UPG_FW.BIN);;All files (*)");
  QFileDialog files(owner, QString(), QDir::currentPath(), filters);
  PrepareFileDialog(files);
  files.setAcceptMode(QFileDialog::AcceptOpen);
  files.setFileMode(QFileDialog::ExistingFile);
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return {};
  return files.selectedFiles().first();
}

CUpdateFwWnd::CUpdateFwWnd(QWidget* owner, FirmwareUpdater& updater, QString packagePath, FirmwareFileChooser chooser)
    : DialogBase(owner),
      m_updater(updater),
      m_path(std::move(packagePath)),
      m_openedWithPath(!m_path.isEmpty()),
      m_chooser(chooser ? std::move(chooser) : FirmwareFileChooser(&ChooseFirmwareFile)) {}

CUpdateFwWnd::~CUpdateFwWnd() {
  m_updater.Stop();
  m_updater.DetachWindow(Port().get());
}

void CUpdateFwWnd::OnInit() {
  ApplyOwnerScale();
  m_pathEdit = Require<ui::Edit>(QStringLiteral("file_path_edt"));
  m_progress = Require<ui::Progress>(QStringLiteral("progress"));
  m_tips = Require<QLabel>(QStringLiteral("update_tips"));
  m_file = Require<ui::Button>(QStringLiteral("file_btn"));
  m_update = Require<ui::Button>(QStringLiteral("update_btn"));
  m_cancel = Require<ui::Button>(QStringLiteral("cancel_btn"));
  m_close = Require<ui::Button>(QStringLiteral("closebtn"));
  ShowTitle(FindControl(QStringLiteral("MessageTitle")), QStringLiteral("${firmware_upgrade}"));
  if (m_pathEdit) m_pathEdit->setText(m_path);
  m_updater.AttachWindow(Port().get());
  Bind(m_update, ui::Event::Click, [this] { BeginUpdate(); });
  Bind(m_file, ui::Event::Click, [this] { ChooseFile(); });
  Bind(m_cancel, ui::Event::Click, [this] { Close(kCodeCancel); });
  Bind(m_close, ui::Event::Click, [this] { Close(kCodeCancel); });
}

void CUpdateFwWnd::OnCloseRequest() {
  if (m_close && !m_close->isEnabled()) return;  // a transfer runs
  DialogBase::OnCloseRequest();
}

void CUpdateFwWnd::ChooseFile() {
  const QString path = m_chooser(this);
  if (path.isEmpty()) return;
  m_path = path;
  LogPrintA("Upg_GetOpenFileName %s ok\n", qPrintable(path));
  m_pathEdit->setText(path);
  // A new file is a new update: after a finished one, the window offers it again.
  m_update->setEnabled(true);
  ui::SetControlText(m_cancel, QStringLiteral("${cancel}"));
}

void CUpdateFwWnd::SetTips(const QString& text) { ui::SetControlText(m_tips, text); }

void CUpdateFwWnd::EnableControls(bool on) {
  for (QWidget* control : {static_cast<QWidget*>(m_close), static_cast<QWidget*>(m_cancel),
                           static_cast<QWidget*>(m_file), static_cast<QWidget*>(m_update),
                           static_cast<QWidget*>(m_pathEdit)})
    control->setEnabled(on);
}

void CUpdateFwWnd::BeginUpdate() {
  LogPrintA("%s\n", "CUpdateFwWnd::BeginUpdate");
  if (!m_updater.LinkOpen()) return;
  if (m_path.isEmpty()) {
    SetTips(QStringLiteral("${update_no_file}"));
    return;
  }
  const std::filesystem::path path = m_path.toStdString();
  bool started = false;
  if (IsToolPackage(path)) {
    started = m_updater.StartToolPreparation([path] {
      std::filesystem::path dir;
      std::filesystem::path bat;
      return PrepareDownloadTool(path, dir, bat);
    });
  } else {
    // An image file: the program sends it itself, checked before the box hears of it.
    started = m_updater.StartTransfer(path, TransferStart::None);
  }
  if (!started) return;
  m_progress->SetValue(0);
  SetTips(QStringLiteral("${loading_fw}"));
  EnableControls(false);
}

void CUpdateFwWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  handled = true;
  switch (message.number) {
    case WM_UPDATE_PROGRESS: {
      const int percent = static_cast<int>(message.wParam);
      SetTips(ProgressText(QStringLiteral("%d%%"), percent));
      m_progress->SetValue(percent);
      break;
    }
    case WM_UPDATE_FINISHED:
      SetTips(QStringLiteral("${update_ok}"));
      EnableControls(true);
      // Done: the same file again would only upgrade the box once more. The window now
      // offers to close (or another file).
      m_update->setEnabled(false);
      ui::SetControlText(m_cancel, QStringLiteral("${close}"));
      if (m_openedWithPath) QFile::rename(m_path, m_path + QStringLiteral("_bak"));
      break;
    case WM_UPDATE_FAILED:
      SetTips(QStringLiteral("${update_fail}"));
      EnableControls(true);
      break;
    case WM_UPDATE_PREPARE_FAILED:
      SetTips(QStringLiteral("${load_fw_fail}"));
      EnableControls(true);
      break;
    case WM_UPDATE_TOOL_UNAVAILABLE:
      SetTips(QStringLiteral("${update_tool_unavailable}"));
      EnableControls(true);
      break;
    default: handled = false; break;
  }
}

int ShowUpdateFwWindow(QWidget* owner, FirmwareUpdater& updater, const QString& packagePath,
                       FirmwareFileChooser chooser) {
  DialogHolder<CUpdateFwWnd> window(owner, updater, packagePath, std::move(chooser));
  window->Build(QStringLiteral("updatefwwnd"));
  return window->Run();
}

}  // namespace qb::windows

#include "windows/force_update_wnd.h"

#include <QLabel>

#include "core/firmware_updater.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/control_text.h"
#include "ui/message_port.h"
#include "ui/progress.h"
#include "windows/update_texts.h"

namespace qb::windows {

CForceUpdateWnd::CForceUpdateWnd(QWidget* owner, FirmwareUpdater& updater, QString mcuPath, QString flashPath)
    : DialogBase(owner), m_updater(updater), m_mcuPath(std::move(mcuPath)), m_flashPath(std::move(flashPath)) {}

CForceUpdateWnd::~CForceUpdateWnd() { m_updater.DetachWindow(Port().get()); }

void CForceUpdateWnd::OnInit() {
  ApplyOwnerScale();
  m_mcuFile = Require<QLabel>(QStringLiteral("mcu_file"));
  m_flashFile = Require<QLabel>(QStringLiteral("flash_file"));
  m_tips = Require<QLabel>(QStringLiteral("update_tips"));
  m_mcuProgress = Require<ui::Progress>(QStringLiteral("mcu_progress"));
  m_flashProgress = Require<ui::Progress>(QStringLiteral("flash_progress"));
  m_factory = Require<ui::CheckBox>(QStringLiteral("check_box_facotry"));
  m_update = Require<ui::Button>(QStringLiteral("update_btn"));
  m_cancel = Require<ui::Button>(QStringLiteral("cancel_btn"));
  m_close = Require<ui::Button>(QStringLiteral("closebtn"));
  ShowTitle(FindControl(QStringLiteral("MessageTitle")), QStringLiteral("${firmware_upgrade}"));
  if (m_mcuFile) m_mcuFile->setText(m_mcuPath);
  if (m_flashFile) m_flashFile->setText(m_flashPath);
  m_updater.AttachWindow(Port().get());
  Bind(m_update, ui::Event::Click, [this] { BeginUpdate(); });
  Bind(m_cancel, ui::Event::Click, [this] { Close(kCodeCancel); });
  Bind(m_close, ui::Event::Click, [this] { Close(kCodeCancel); });
}

void CForceUpdateWnd::OnCloseRequest() {
  // While a transfer runs the box is half written: the window stays until it ends.
  if (m_close && !m_close->isEnabled()) return;
  DialogBase::OnCloseRequest();
}

void CForceUpdateWnd::SetTips(const QString& text) { ui::SetControlText(m_tips, text); }

void CForceUpdateWnd::EnableButtons(bool on) {
  m_update->setEnabled(on);
  m_cancel->setEnabled(on);
  m_close->setEnabled(on);
}

void CForceUpdateWnd::BeginUpdate() {
  LogPrintA("%s\n", "CForceUpdateWnd::BeginUpdate");
  if (!m_updater.LinkOpen()) return;
  const QString mcu = m_mcuFile->text();
  const QString flash = m_flashFile->text();
  int next = 0;
  if (m_phase == 0 && !mcu.isEmpty()) next = 1;
  else if (m_phase == 1 && !flash.isEmpty()) next = 2;
  if (next == 0) {
    SetTips(QStringLiteral("${update_no_file}"));
    m_mcuProgress->SetValue(0);
    m_flashProgress->SetValue(0);
    return;
  }
  const QString path = next == 1 ? mcu : flash;
  const TransferStart start = next == 1 ? TransferStart::Mcu : TransferStart::Flash;
  if (!m_updater.StartTransfer(path.toStdString(), start)) return;  // another task still ends
  if (next == 1) {
    m_mcuProgress->SetValue(0);
    m_flashProgress->SetValue(0);
  }
  m_phase = next;
  m_failed = false;
  EnableButtons(false);
  SetTips(next == 1 ? QStringLiteral("${update_check_mcu}") : QStringLiteral("${update_check_flash}"));
}

void CForceUpdateWnd::ContinueUpdate() {
  LogPrintA("CForceUpdateWnd::ContinueUpdate phase %d\n", m_phase);
  // After a failure the box came back in its loader: the user retries from the buttons.
  if (m_failed) return;
  if (m_phase == 1 && !m_flashFile->text().isEmpty()) {
    BeginUpdate();
    return;
  }
  if (m_phase == 1 || m_phase == 2) {
    if (m_factory->IsChecked()) {
      SetTips(QStringLiteral("${update_factory}"));
      ResetMcuFactoryDefault();
      return;
    }
    SetTips(QStringLiteral("${update_finish}"));
    // The box runs new firmware: it is read again once the window closes.
    m_done = true;
  } else if (m_phase == 3) {
    m_done = true;
    SetTips(QStringLiteral("${update_finish}"));
  }
  EnableButtons(true);
  m_phase = 0;
  if (m_done) ShowFinished();
}

void CForceUpdateWnd::ShowFinished() {
  // The box runs the new firmware: another start would send it all again. The window only
  // closes now.
  m_update->setEnabled(false);
  ui::SetControlText(m_cancel, QStringLiteral("${close}"));
}

void CForceUpdateWnd::ResetMcuFactoryDefault() {
  LogPrintA("%s\n", "CForceUpdateWnd::ResetMcuFactoryDefault");
  m_phase = 3;
  if (!m_updater.StartFactoryReset()) {
    // Nothing was sent: the update itself is done, only the reset is left to the user.
    SetTips(QStringLiteral("${update_finish}"));
    m_done = true;
    m_phase = 0;
    EnableButtons(true);
    ShowFinished();
  }
}

void CForceUpdateWnd::RollBack(const QString& text) {
  SetTips(text);
  m_phase = m_phase > 0 ? m_phase - 1 : 0;
  m_failed = true;
  EnableButtons(true);
}

void CForceUpdateWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  handled = true;
  const bool flash = m_phase == 2;
  switch (message.number) {
    case WM_UPDATE_FACTORY_DONE: SetTips(QStringLiteral("${update_factory_reboot}")); break;
    case WM_UPDATE_PROGRESS: {
      const int percent = static_cast<int>(message.wParam);
      SetTips(ProgressText(flash ? QStringLiteral("${update_progress_flash}") : QStringLiteral("${update_progress_mcu}"),
                           percent));
      (flash ? m_flashProgress : m_mcuProgress)->SetValue(percent);
      break;
    }
    case WM_UPDATE_FINISHED:
      SetTips(flash ? QStringLiteral("${update_reboot_flash}") : QStringLiteral("${update_reboot_mcu}"));
      break;
    case WM_UPDATE_FAILED: RollBack(QStringLiteral("${update_fail}")); break;
    case WM_UPDATE_PREPARE_FAILED: RollBack(QStringLiteral("${load_fw_fail}")); break;
    case WM_UPDATE_MCU_STARTED: SetTips(QStringLiteral("${update_start_mcu}")); break;
    case WM_UPDATE_FLASH_STARTED: SetTips(QStringLiteral("${update_start_flash}")); break;
    default: handled = false; break;
  }
}

int ShowForceUpdateWindow(QWidget* owner, FirmwareUpdater& updater, const QString& mcuPath, const QString& flashPath,
                          const std::function<void(CForceUpdateWnd*)>& opened) {
  DialogHolder<CForceUpdateWnd> window(owner, updater, mcuPath, flashPath);
  if (!window->Build(QStringLiteral("updatefwwnd"))) return kCodeCancel;
  if (opened) opened(window.get());
  const int code = window->Run();
  if (opened) opened(nullptr);
  if (!window) return code;
  return window->Done() ? 1 : code;
}

}  // namespace qb::windows

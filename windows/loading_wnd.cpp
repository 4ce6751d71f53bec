#include "windows/loading_wnd.h"

namespace qb::windows {

CLoadingWnd::CLoadingWnd(QWidget* owner) : DialogBase(owner) {}

bool CLoadingWnd::Build() { return DialogBase::Build(QStringLiteral("loadingwnd")); }

int CLoadingWnd::Run() {
  if (m_finished && IsBuilt()) return kCodeConfirm;
  return DialogBase::Run();
}

void CLoadingWnd::Finish() {
  m_finished = true;
  if (IsModalRunning()) Close(kCodeConfirm);
}

void CLoadingWnd::OnInit() {
  // Every control of the loading window is optional: it may be a bare animation.
  ApplyOwnerScale();
}

void CLoadingWnd::OnClick(ui::Notification& notification) {
  const int code = CommonButtonCode(notification.SenderName());
  if (code == kCodeCancel || code == kCodeConfirm) Close(code);
}

}  // namespace qb::windows

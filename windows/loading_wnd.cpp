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

void CLoadingWnd::SetText(const QString& textKey) {
  ShowTitle(FindControl(QStringLiteral("loading_text")), textKey);
}

void CLoadingWnd::OnInit() {
  // Every control of the loading window is optional: it may be a bare animation.
  ApplyOwnerScale();
  BindCommonButtons([this](int code) {
    if (code == kCodeCancel || code == kCodeConfirm) Close(code);
  });
}

}  // namespace qb::windows

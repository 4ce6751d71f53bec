#include "windows/dialog_base.h"

#include "controls/control_factory.h"
#include "shell/log.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"

namespace qb::windows {

int CommonButtonCode(const QString& name) {
  struct Entry {
    const char16_t* name;
    int code;
  };
  static constexpr Entry kButtons[] = {
      {u"closebtn", kCodeCancel},
      {u"cancel_btn", kCodeCancel},
      {u"confirm_btn", kCodeConfirm},
      {u"third_btn", kCodeThird},
  };
  for (const Entry& entry : kButtons)
    if (name.compare(QStringView(entry.name), Qt::CaseInsensitive) == 0) return entry.code;
  return -1;
}

int OwnerDisplayScale(const QWidget* owner) {
  for (const QWidget* w = owner; w; w = w->parentWidget())
    if (auto* window = qobject_cast<const ui::WindowBase*>(w)) return window->DisplayScale();
  return 96;
}

DialogBase::DialogBase(QWidget* owner) : ui::WindowBase(owner) {}

bool DialogBase::Build(const QString& windowName) {
  m_missingControl = false;
  QString error;
  if (!Create(windowName, &error)) {
    LogPrintA("%s: cannot build layout %s: %s\n", qPrintable(ClassName()), qPrintable(LayoutId()),
              qPrintable(error));
    m_built = false;
    return false;
  }
  m_built = !m_missingControl;
  return m_built;
}

int DialogBase::Run() {
  if (!m_built) {
    LogPrintA("%s: not shown, its layout is incomplete\n", qPrintable(ClassName()));
    return kCodeCancel;
  }
  return ShowModal();
}

QWidget* DialogBase::CreateControl(const QString& className, QWidget* parent) {
  return CreateProgramControl(className, parent);
}

void DialogBase::ApplyOwnerScale() { SetDisplayScale(OwnerDisplayScale(parentWidget())); }

void DialogBase::BindCommonButtons(std::function<void(int code)> onCode) {
  if (!onCode) onCode = [this](int code) { Close(code); };
  for (QWidget* control : findChildren<QWidget*>()) {
    const int code = CommonButtonCode(control->objectName());
    if (code >= 0) Bind(control, ui::Event::Click, [onCode, code] { onCode(code); });
  }
}

void DialogBase::ShowTitle(QWidget* titleControl, const QString& title) {
  if (title.isEmpty()) return;
  if (titleControl) ui::SetControlText(titleControl, title);
  // Kept raw so a language switch (Retranslate) resolves the window title again.
  setProperty("qbRawText", title);
  setWindowTitle(ui::Tr(title));
}

void DialogBase::SetTextUnlessEmpty(QWidget* control, const QString& text) {
  if (control && !text.isEmpty()) ui::SetControlText(control, text);
}

void DialogBase::ReportMissing(const QString& name) {
  m_missingControl = true;
  LogPrintA("%s: control %s missing in layout %s\n", qPrintable(ClassName()), qPrintable(name),
            qPrintable(LayoutId()));
}

}  // namespace qb::windows

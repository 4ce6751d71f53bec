#include "windows/about_wnd.h"

#include <QDesktopServices>
#include <QLabel>

#include "shell/log.h"
#include "ui/control_text.h"
#include "ui/language_tables.h"

namespace qb::windows {

QString FirmwareVersionText(const AboutInfo& versions) {
  const QString model = QString::fromLatin1(kAboutModelName);
  if (versions.model == -1) return model;
  return QStringLiteral("%1 %2 v%3.%4")
      .arg(model, ui::Tr(QStringLiteral("${version}")))
      .arg(versions.firmwareMain)
      .arg(versions.firmwareSecondary);
}

QString SoftwareVersionText() {
  return QStringLiteral("%1 %2").arg(ui::Tr(QStringLiteral("${soft_version}")),
                                     QString::fromLatin1(kAboutSoftwareVersion));
}

QString InnerFirmwareVersionText() {
  return QStringLiteral("%1 v%2.%3")
      .arg(ui::Tr(QStringLiteral("${inner_fw_version}")))
      .arg(kInnerFirmwareMajor)
      .arg(kInnerFirmwareMinor);
}

QString BuildWebAddress() { return QStringLiteral(QUORELBOX_WEB_ADDRESS); }

QUrl WebAddress(const QString& text) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
    return {};
  return url;
}

CAboutWnd::CAboutWnd(QWidget* owner, const AboutInfo& versions)
    : DialogBase(owner), m_versions(versions) {}

void CAboutWnd::OnInit() {
  ApplyOwnerScale();
  auto* firmware = Require<QLabel>(QStringLiteral("fw_version"));
  auto* software = Require<QLabel>(QStringLiteral("soft_version"));
  auto* inner = Find<QLabel>(QStringLiteral("inner_fw_version"));
  auto* company = FindControl(QStringLiteral("company_title"));
  if (firmware) ui::SetControlText(firmware, FirmwareVersionText(m_versions));
  if (software) ui::SetControlText(software, SoftwareVersionText());
  if (inner) {
    ui::SetControlText(inner, m_versions.builtInFirmware ? InnerFirmwareVersionText()
                                                          : QStringLiteral("${inner_fw_none}"));
    inner->setVisible(true);
  }
  if (company) company->setVisible(false);
  // A build without the maker's address shows no link rather than a placeholder.
  if (QWidget* web = FindControl(QStringLiteral("web_btn_1"))) {
    const bool known = !WebAddress(m_versions.webAddress).isEmpty();
    if (known) ui::SetControlText(web, m_versions.webAddress.trimmed());
    web->setVisible(known);
    Bind(web, ui::Event::Click, [this, web] { OpenWebButton(web); });
  }
  BindCommonButtons();
}

void CAboutWnd::OpenWebButton(const QWidget* button) {
  const QString text = ui::Tr(ui::ControlText(button));
  const QUrl url = WebAddress(text);
  if (url.isEmpty()) {
    LogPrintA("about: not opening \"%s\", not a web address\n", qPrintable(text));
    return;
  }
  QDesktopServices::openUrl(url);
}

int ShowAboutWindow(QWidget* owner, const AboutInfo& versions) {
  DialogHolder<CAboutWnd> about(owner, versions);
  about->Build(QStringLiteral("msgwnd"));
  return about->Run();
}

}  // namespace qb::windows

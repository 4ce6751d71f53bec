#pragma once
/// The about window: the box's model and firmware version, the program's version and the
/// maker's web address (opened in the browser on a click).

#include <QUrl>

#include "windows/dialog_base.h"

class QLabel;

namespace qb::windows {

/// What the about window shows of the box, as read by the handshake.
struct AboutInfo {
  int model = -1;  ///< -1: no box read yet
  int firmwareMain = 0;
  int firmwareSecondary = 0;
  /// The maker's web address the link button opens; no link is shown without a valid one.
  QString webAddress;
  /// The build carries the firmware of the forced update; without it the window says so.
  bool builtInFirmware = true;
};

/// The web address the build was given (QUORELBOX_WEB_ADDRESS), empty without one.
QString BuildWebAddress();

/// The model name the program is made for.
inline constexpr char kAboutModelName[] = "ZX7140K";
/// The program's own version as the about window shows it.
inline constexpr char kAboutSoftwareVersion[] = "v6.7.50";
/// The firmware built into the program (major, minor).
inline constexpr int kInnerFirmwareMajor = 16;
inline constexpr int kInnerFirmwareMinor = 16;

/// The texts of the about window in the current language.
QString FirmwareVersionText(const AboutInfo& versions);
QString SoftwareVersionText();
QString InnerFirmwareVersionText();

/// The address a web button's text names: an absolute http or https URL with a host, or an
/// empty (invalid) QUrl for anything else (empty, relative, file:, javascript:, ...).
QUrl WebAddress(const QString& text);

class CAboutWnd : public DialogBase {
  Q_OBJECT
 public:
  CAboutWnd(QWidget* owner, const AboutInfo& versions);

  QString ClassName() const override { return QStringLiteral("AboutWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_ABOUT"); }

 protected:
  void OnInit() override;

 private:
  void OpenWebButton(const QWidget* button);

  AboutInfo m_versions;
};

/// Runs the about window on `owner`; returns its close code (0 when it cannot be built).
int ShowAboutWindow(QWidget* owner, const AboutInfo& versions);

}  // namespace qb::windows

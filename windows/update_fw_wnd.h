#pragma once
/// The firmware update window: the user chooses a file and the box is upgraded from it.
/// An image file (MCU, boot loader, DSP flash or merged) goes to the box through the core's
/// transfer with its real progress; a firmware package (a ZIP for the download tool) is
/// unpacked and checked, and the window then says that the tool cannot run on this system.
/// Opened from the option menu, and by the main window when the box can only be upgraded.

#include <QString>
#include <functional>

#include "windows/dialog_base.h"

class QLabel;

namespace qb {
class FirmwareUpdater;
}
namespace qb::ui {
class Button;
class Edit;
class Progress;
}  // namespace qb::ui

namespace qb::windows {

/// Asks for the file to upgrade from; an empty text means cancelled.
using FirmwareFileChooser = std::function<QString(QWidget* owner)>;

/// The open-file dialog of the update window.
QString ChooseFirmwareFile(QWidget* owner);

class CUpdateFwWnd : public DialogBase {
  Q_OBJECT
 public:
  /// `packagePath` preselects a file (empty: none); `chooser` replaces the file dialog.
  CUpdateFwWnd(QWidget* owner, FirmwareUpdater& updater, QString packagePath, FirmwareFileChooser chooser = {});
  ~CUpdateFwWnd() override;

  QString ClassName() const override { return QStringLiteral("UpdateFwWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_UPDATE_FW"); }

  void BeginUpdate();

 protected:
  void OnInit() override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;

 private:
  void ChooseFile();
  void SetTips(const QString& text);
  void EnableControls(bool on);

  FirmwareUpdater& m_updater;
  QString m_path;
  bool m_openedWithPath = false;
  FirmwareFileChooser m_chooser;
  ui::Edit* m_pathEdit = nullptr;
  ui::Progress* m_progress = nullptr;
  QLabel* m_tips = nullptr;
  ui::Button* m_file = nullptr;
  ui::Button* m_update = nullptr;
  ui::Button* m_cancel = nullptr;
  ui::Button* m_close = nullptr;
};

int ShowUpdateFwWindow(QWidget* owner, FirmwareUpdater& updater, const QString& packagePath,
                       FirmwareFileChooser chooser = {});

}  // namespace qb::windows

#pragma once
/// The forced update: the box's MCU and then its DSP flash from the program's built-in
/// images, across the restarts after each, optionally ending with a factory reset. The
/// main window hands the box to this window whenever it comes back during the update
/// (ContinueUpdate); the transfers and the reset run in the core's firmware updater.
///
/// Phases: 0 idle, 1 MCU, 2 DSP flash, 3 factory reset. The window returns 1 once the whole
/// sequence has finished, so the box is read again.
///
/// A transfer that fails or is refused rolls the phase back and gives the buttons back at
/// once: the user can retry it (the box stays in its loader until it is finished) or close
/// the window, and a box coming back after a failure is not taken for a finished phase.

#include <QString>

#include "windows/dialog_base.h"

class QLabel;

namespace qb {
class FirmwareUpdater;
}
namespace qb::ui {
class Button;
class CheckBox;
class Progress;
}  // namespace qb::ui

namespace qb::windows {

class CForceUpdateWnd : public DialogBase {
  Q_OBJECT
 public:
  CForceUpdateWnd(QWidget* owner, FirmwareUpdater& updater, QString mcuPath, QString flashPath);
  ~CForceUpdateWnd() override;

  QString ClassName() const override { return QStringLiteral("ForceUpdateWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_FORCE_UPDATE"); }

  void BeginUpdate();
  /// The box came back after a restart: the next phase, the factory reset or the end.
  void ContinueUpdate();
  void ResetMcuFactoryDefault();
  int Phase() const { return m_phase; }
  bool Done() const { return m_done; }

 protected:
  void OnInit() override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;

 private:
  void SetTips(const QString& text);
  void EnableButtons(bool on);
  /// A transfer failed or was refused: back to the phase before it, buttons enabled.
  void RollBack(const QString& text);
  /// The whole sequence is done: the window offers only to close.
  void ShowFinished();

  FirmwareUpdater& m_updater;
  QString m_mcuPath;
  QString m_flashPath;
  int m_phase = 0;
  bool m_done = false;
  bool m_failed = false;  ///< the last transfer failed; a return of the box continues nothing
  QLabel* m_mcuFile = nullptr;
  QLabel* m_flashFile = nullptr;
  QLabel* m_tips = nullptr;
  ui::Progress* m_mcuProgress = nullptr;
  ui::Progress* m_flashProgress = nullptr;
  ui::CheckBox* m_factory = nullptr;
  ui::Button* m_update = nullptr;
  ui::Button* m_cancel = nullptr;
  ui::Button* m_close = nullptr;
};

/// Runs the forced-update window; 1 when the sequence finished, else its close code.
/// `opened` (may be empty) is told the window while it is open, and null when it closes.
int ShowForceUpdateWindow(QWidget* owner, FirmwareUpdater& updater, const QString& mcuPath, const QString& flashPath,
                          const std::function<void(CForceUpdateWnd*)>& opened = {});

}  // namespace qb::windows

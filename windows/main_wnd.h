#pragma once
/// The program's main window: builds the main layout, owns the core of the session and the
/// presenter of its controls, and turns every control notification, menu choice, timer tick,
/// hot-plug event and posted message into a presenter or core operation or another window.
/// It holds no device state of its own.

#include <QString>
#include <functional>
#include <memory>

#include "core/auto_cal_thread.h"
#include "core/session_host.h"
#include "devicelink/hid_transport.h"
#include "devicelink/link_timing.h"
#include "devicelink/plug_switch.h"
#include "ui/window_base.h"
#include "windows/presenter_host.h"

class QTimer;

namespace qb {

class EditGestures;
class EqualizerManager;
class HotplugMonitor;
class MainPresenter;
namespace windows {
class CLoadingWnd;
class CForceUpdateWnd;
}
namespace ui {
struct MenuClickRecord;
}

struct MainWndOptions {
  std::shared_ptr<HidBackend> backend;
  LinkTimings timings{};
  /// Listen to the system's USB hot-plug events.
  bool hotplug = true;
  /// The virtual box behind `backend` in simulate mode: its unplug/replug drive the same
  /// handlers as real hot-plug, and F8/F9 unplug and replug it.
  std::shared_ptr<PlugSwitch> plugSwitch;
  /// Asks which profile file to open or write (kind, dialog): the file dialog unless a
  /// test answers instead; an empty text means cancelled.
  std::function<QString(int kind, int dialog)> profilePathChooser;
  /// The calibration's polling pace; tests shorten it.
  CalibrationTimings calibration{};
  /// Asks which firmware file the update window upgrades from (the file dialog unless a
  /// test answers instead); an empty text means cancelled.
  std::function<QString(QWidget* owner)> firmwareFileChooser;
};

/// Private message of the simulate mode: the virtual box left (wParam 0) or came back (1).
inline constexpr std::uint32_t WM_SIMULATED_PLUG = 0x7F01;

class CMainWnd final : public ui::WindowBase, public PresenterHost, public SessionHost {
  Q_OBJECT
 public:
  explicit CMainWnd(MainWndOptions options);
  ~CMainWnd() override;

  QString ClassName() const override { return QStringLiteral("MainWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_MAIN"); }
  QWidget* CreateControl(const QString& className, QWidget* parent) override;

  EqualizerManager& Controller() { return *m_core; }
  MainPresenter& Presenter() { return *m_presenter; }
  /// Remaining main-volume polls (timer 4114).
  int MainVolumePolls() const;
  /// Undoes (or redoes) one step of the edit history; what is typed and not yet confirmed
  /// becomes a step first.
  void UndoRedo(bool redo);
  /// Changes the language, stores the choice and re-resolves every text.
  void SwitchLanguage(const QString& name, int storedValue);

  // PresenterHost
  int ShowMessage(const QString& title, const QString& text, const QStringList& buttons) override;
  int ShowConfirm(const QString& title, const QString& text) override;
  int ShowChoice(const QString& title, const QString& text, const QString& choice1,
                 const QString& choice2) override;
  // SessionHost
  void OnNotice(SessionNotice notice, int value, std::string_view detail) override;
  void StartMainVolumeTimer() override;
  void StopMainVolumeTimer() override;
  bool StartOpenRetryTimer(int delayMs) override;
  void StopOpenRetryTimer() override;

  // Hot-plug events of the box (udev or the virtual box).
  void OnBoxArrived();
  void OnBoxRemoved();

 protected:
  void OnInit() override;
  void Notify(ui::Notification& notification) override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;
  void timerEvent(QTimerEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnClickNotification(ui::Notification& notification);
  void OnSelectChanged(ui::Notification& notification);
  void OnValueChanged(ui::Notification& notification);
  void OnUpDown(ui::Notification& notification, bool up);
  void OnLeftRight(ui::Notification& notification, bool right);
  void OnReturn(ui::Notification& notification);
  void OnKillFocus(ui::Notification& notification);
  void OnSetFocus(ui::Notification& notification);
  void OnItemSelect(ui::Notification& notification);
  void FocusField(const QString& name);
  /// Confirms a volume, delay or crossover field (Enter or leaving it).
  void CommitField(const QString& name, int index);
  /// Confirms the field that holds the focus and something typed, when another control
  /// than that field raised a notification.
  void CommitPendingEdit(const QWidget* sender);
  void OnMenuClick(const ui::MenuClickRecord& record);
  /// The scene menu's items: the scene window in its three modes and the four file items.
  void OnSceneMenu(const QString& item);
  /// Runs the calibration window; a result applied or discarded there is read back.
  void ShowAutoCalibration();
  QString AskProfilePath(int kind, int dialog);
  void TellProfileResult(int result, bool whole);
  void ShowLoading();
  void CloseLoading();
  void EndTipsWindows();
  /// The "${tips}" boxes and the message windows, which a plug event makes stale.
  void EndNoticeWindows();
  void StartHotplug();
  // Firmware updates.
  /// The box's firmware is older than 16.16: ask, write out the built-in images and run
  /// the forced update.
  void ForceUpdateEntry();
  /// The update window, unless one is open already (the box may report its loader again).
  void ShowUpdateWindow();

  MainWndOptions m_options;
  std::unique_ptr<EqualizerManager> m_core;
  std::unique_ptr<MainPresenter> m_presenter;
  std::unique_ptr<HotplugMonitor> m_hotplug;
  std::unique_ptr<EditGestures> m_gestures;
  windows::CLoadingWnd* m_loading = nullptr;
  windows::CForceUpdateWnd* m_forceUpdate = nullptr;  ///< while the forced update is open
  bool m_updateWindowOpen = false;
  int m_outputMenuChannel = 0;
  int m_mainVolumeTimerId = 0;
  QTimer* m_plugPoll = nullptr;
  QTimer* m_openRetry = nullptr;  ///< one-shot: the session's next try of a refused box
  bool m_closing = false;
};

}  // namespace qb

#pragma once
/// The program's main window and its life: it builds the main layout, owns the core of the
/// session, the presenter of its controls, its menus and the firmware flow, and hands timer
/// ticks, hot-plug events and posted messages to the core. Control notifications reach the
/// handlers the presenter and the menus bound. It holds no device state of its own.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

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
class FirmwareFlow;
class HotplugMonitor;
class MainMenus;
class MainPresenter;
namespace windows {
class CLoadingWnd;
class FactoryResetWatch;
class PlugKeys;
class StatusLine;
class UndoNotice;
}  // namespace windows

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
  /// The address the title bar's web button opens; unset, the build's. Without a usable
  /// one the button is hidden.
  std::optional<QString> webAddress;
  /// How long a confirmation stays on the status line before it fades; tests shorten it.
  int statusHoldMs = 4000;
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
  const MainPresenter& Presenter() const { return *m_presenter; }
  /// Empty once every control and menu item is bound; else what is missing, and the window
  /// must not be used (the program stops with this text).
  const QString& BindingProblem() const { return m_bindingProblem; }
  /// Remaining main-volume polls (timer 4114).
  int MainVolumePolls() const;
  /// Undoes (or redoes) one step of the edit history; what is typed and not yet confirmed
  /// becomes a step first.
  void UndoRedo(bool redo);
  /// Changes the language, stores the choice and re-resolves every text. A language
  /// without a text table changes nothing.
  void SwitchLanguage(const QString& name, int storedValue);
  /// What the status line shows now (empty once it has faded).
  QString StatusText() const;

  // PresenterHost
  int ShowMessage(const QString& title, const QString& text, const QStringList& buttons) override;
  int ShowConfirm(const QString& title, const QString& text) override;
  int ShowChoice(const QString& title, const QString& text, const QString& choice1,
                 const QString& choice2) override;
  void ShowStatus(const QString& text) override;
  void NameNextTask(const QString& textKey) override;
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
  /// Opens the gesture, confirms a typed value another control interrupts, then runs the
  /// control's bound handler.
  void Notify(ui::Notification& notification) override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  /// Binds the window's own controls (the memory and calibration windows, the web button,
  /// close, resize) and sets up the status line.
  void BindWindowControls();
  /// The web button opens the build's address, or is hidden without one.
  void BindWebButton();
  /// Confirms the field that holds the focus and something typed, when another control
  /// than that field raised a notification.
  void CommitPendingEdit(const QWidget* sender);
  /// Runs the calibration window; a result that reached the box is read back by the core.
  void ShowAutoCalibration();
  QString AskProfilePath(int kind, int dialog);
  void ShowLoading();
  void CloseLoading();
  void EndTipsWindows();
  /// The "${tips}" boxes and the message windows, which a plug event makes stale.
  void EndNoticeWindows();
  void StartHotplug();

  MainWndOptions m_options;
  std::unique_ptr<EqualizerManager> m_core;
  std::unique_ptr<MainPresenter> m_presenter;
  std::unique_ptr<MainMenus> m_menus;
  std::unique_ptr<FirmwareFlow> m_firmware;
  std::unique_ptr<HotplugMonitor> m_hotplug;
  std::unique_ptr<EditGestures> m_gestures;
  std::unique_ptr<windows::FactoryResetWatch> m_factoryReset;
  windows::StatusLine* m_status = nullptr;       ///< owned by its label
  windows::UndoNotice* m_undoNotice = nullptr;   ///< owned by the window
  windows::PlugKeys* m_plugKeys = nullptr;       ///< owned by the window; simulate mode only
  windows::CLoadingWnd* m_loading = nullptr;
  QString m_nextTaskTitle;  ///< the loading window's text for the next task, if named
  int m_mainVolumeTimerId = 0;
  QTimer* m_plugPoll = nullptr;
  QTimer* m_openRetry = nullptr;  ///< one-shot: the session's next try of a refused box
  bool m_closing = false;
  QString m_bindingProblem;
};

}  // namespace qb

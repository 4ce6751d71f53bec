#pragma once
/// The main window's four menus: the options menu, the scene menu, the advanced menu and the
/// output (role) menu of each strip. Each menu button is bound when the window starts, and
/// each item of the menu files to what it does; an item without a handler fails the start.
/// The scene menu's file items ask for a path, run the core's profile operation and tell the
/// user how it went.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace qb {

class EqualizerManager;
class MainPresenter;
class PresenterHost;
namespace ui {
class WindowBase;
}
namespace windows {
class MeasurementMenu;
}

/// What the menus need of the window beyond the core: its other windows and dialogs.
struct MainMenuActions {
  std::function<void(bool redo)> undoRedo;
  std::function<void(const QString& language, int storedValue)> switchLanguage;
  std::function<void()> showUpdateWindow;
  std::function<void()> showCalibration;
  /// Asks which profile file to open or write (windows::ProfileKind, ProfileDialog as int);
  /// empty when cancelled.
  std::function<QString(int kind, int dialog)> askPath;
};

class MainMenus {
 public:
  MainMenus(ui::WindowBase& window, EqualizerManager& core, MainPresenter& presenter, PresenterHost& host,
            MainMenuActions actions);
  ~MainMenus();

  /// Binds the menu buttons and every item of the four menu files. False when an item has no
  /// handler or a menu file cannot be read; *problem names it.
  bool Bind(QString* problem);

 private:
  void BindItem(const QString& item, std::function<void()> handler);
  void BindOptionItems();
  void BindSceneItems();
  void BindAdvanceItems();
  void BindOutputItems();
  void ShowOptionMenu();
  void ShowSceneMenu();
  void ShowAdvanceMenu();
  void ShowOutputMenu(int output);
  void OpenSceneWindow(int mode);
  void LoadProfile(bool whole);
  void SaveProfile(bool whole);
  void ExchangeFilterText(bool importing);
  void ShowAbout();
  void TellProfileResult(int result, bool whole);

  ui::WindowBase& m_window;
  EqualizerManager& m_core;
  MainPresenter& m_presenter;
  PresenterHost& m_host;
  MainMenuActions m_actions;
  int m_outputMenuChannel = 0;  ///< the strip whose role button opened the output menu
  /// The measurement items; made when the menus are bound, once the curve is there.
  std::unique_ptr<windows::MeasurementMenu> m_measurements;
};

}  // namespace qb

#pragma once
/// The main window's four menus: the options menu, the scene menu, the advanced menu and the
/// output (role) menu of each strip. Each menu button is bound when the window starts, and
/// each item of the menu files to what it does; an item without a handler fails the start.
/// The scene menu's file items ask for a path, run the core's profile operation and tell the
/// user how it went: a success on the status line, a failure in a message box.

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
  /// The box was told to restore its factory settings (the window says when it is back).
  std::function<void()> factoryResetStarted;
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
  /// The file of a scene profile or whole configuration to open or write; empty when
  /// cancelled.
  QString AskProfilePath(bool whole, bool save);
  void LoadProfile(bool whole);
  void SaveProfile(bool whole);
  void ExchangeFilterText(bool importing);
  void ShowAbout();
  /// A file operation's outcome: success on the status line, a failure in a message box.
  void TellProfileResult(int result, bool whole, bool saving, const QString& path);
  /// A file the scene-profile load refused that holds a whole configuration: says so and
  /// offers to load it as one. False when the file is no whole configuration either.
  bool OfferWholeLoad(const QString& path);

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

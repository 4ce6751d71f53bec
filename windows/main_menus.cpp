#include "windows/main_menus.h"

#include <QFileInfo>
#include <memory>
#include <utility>

#include "core/equalizer_manager.h"
#include "core/profile_file.h"
#include "core/role_catalogue.h"
#include "shell/firmware_resources.h"
#include "shell/log.h"
#include "ui/buttons.h"
#include "ui/language_tables.h"
#include "ui/popup_menu.h"
#include "ui/skin.h"
#include "ui/window_base.h"
#include "windows/about_wnd.h"
#include "windows/eq_exchange.h"
#include "windows/main_presenter.h"
#include "windows/measurement_menu.h"
#include "windows/mixer_wnd.h"
#include "windows/profile_dialogs.h"
#include "windows/scene_wnd.h"
#include "windows/text_format.h"

namespace qb {
namespace {

const QString kOptionMenu = QStringLiteral("xml/option_menu.xml");
const QString kSceneMenu = QStringLiteral("xml/scene_menu.xml");
const QString kAdvanceMenu = QStringLiteral("xml/advance_menu.xml");
const QString kOutputMenu = QStringLiteral("xml/output_menu.xml");

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

MainMenus::MainMenus(ui::WindowBase& window, EqualizerManager& core, MainPresenter& presenter, PresenterHost& host,
                     MainMenuActions actions)
    : m_window(window), m_core(core), m_presenter(presenter), m_host(host), m_actions(std::move(actions)) {}

MainMenus::~MainMenus() = default;

bool MainMenus::Bind(QString* problem) {
  const MainView& view = m_presenter.View();
  m_window.Bind(view.option, ui::Event::Click, [this] { ShowOptionMenu(); });
  m_window.Bind(view.scene, ui::Event::Click, [this] { ShowSceneMenu(); });
  m_window.Bind(view.advance, ui::Event::Click, [this] { ShowAdvanceMenu(); });
  for (int o = 0; o < kOutputCount; ++o)
    m_window.Bind(view.outputs[At(o)].roleButton, ui::Event::Click, [this, o] { ShowOutputMenu(o); });
  BindOptionItems();
  BindSceneItems();
  BindAdvanceItems();
  BindOutputItems();
  // Every item of every menu file must do something: a missing handler is found here, at
  // start, rather than by the user who picks it.
  for (const QString& file : {kOptionMenu, kSceneMenu, kAdvanceMenu, kOutputMenu}) {
    QByteArray xml;
    QString error;
    const auto menu = ui::ReadSkinFile(file, xml) ? ui::PopupMenu::FromXml(xml, nullptr, nullptr, &error) : nullptr;
    const QStringList unbound = menu ? m_window.MenuItemBindings().Unbound(*menu) : QStringList{file};
    if (!unbound.isEmpty()) {
      if (problem) *problem = file + QStringLiteral(": ") + unbound.join(QStringLiteral(", "));
      return false;
    }
  }
  return true;
}

void MainMenus::BindItem(const QString& item, std::function<void()> handler) {
  // A menu choice is one step of the edit history, like a click.
  m_window.MenuItemBindings().On(item, [this, handler = std::move(handler)] {
    const EditHistory::Gesture gesture(m_core.History());
    handler();
  });
}

// --- the options menu --------------------------------------------------------------------------

void MainMenus::BindOptionItems() {
  // Undo and redo make no step of their own.
  m_window.MenuItemBindings().On(QStringLiteral("option_item_undo"), [this] { m_actions.undoRedo(false); });
  m_window.MenuItemBindings().On(QStringLiteral("option_item_redo"), [this] { m_actions.undoRedo(true); });
  BindItem(QStringLiteral("option_item_eq_import"), [this] { ExchangeFilterText(true); });
  BindItem(QStringLiteral("option_item_eq_export"), [this] { ExchangeFilterText(false); });
  BindItem(QStringLiteral("option_item_firmware_upgrade"), [this] { m_actions.showUpdateWindow(); });
  BindItem(QStringLiteral("option_item_reset_default"), [this] {
    LogPrintA("EqualizerManager::ResetMcuFactoryDefault\n");
    if (m_host.ShowConfirm(QStringLiteral("${tips}"), QStringLiteral("${factory_default_tips}")) != 1) return;
    if (!m_core.Session().StartFactoryDefault()) {
      m_host.ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${task_not_started}"), {QStringLiteral("${confirm}")});
      return;
    }
    if (m_actions.factoryResetStarted) m_actions.factoryResetStarted();
  });
  BindItem(QStringLiteral("option_item_about"), [this] { ShowAbout(); });
  // Measurements and the equaliser fit (measurement_menu.h).
  m_measurements = std::make_unique<windows::MeasurementMenu>(
      m_window, m_core, m_host, m_presenter.View().curve, [this] {
        return m_actions.askPath(static_cast<int>(windows::ProfileKind::Measurement),
                                 static_cast<int>(windows::ProfileDialog::Open));
      });
  BindItem(QStringLiteral("option_item_measurement_import"), [this] { m_measurements->ImportMeasurement(); });
  BindItem(QStringLiteral("option_item_eq_fit"), [this] { m_measurements->FitEqualizer(); });
  const auto language = [this](const char* name, int stored) {
    return [this, name = QString::fromLatin1(name), stored] {
      if (ui::Languages().CurrentName() != name) m_actions.switchLanguage(name, stored);
    };
  };
  BindItem(QStringLiteral("option_item_language_en"), language("en", 0));
  BindItem(QStringLiteral("option_item_language_cn"), language("cn_zh", 1));
  BindItem(QStringLiteral("option_item_language_ru"), language("ru", 2));
}

void MainMenus::ShowOptionMenu() {
  ui::PopupMenu* menu = m_window.OpenMenu(kOptionMenu);
  if (!menu) return;
  if (!m_core.Session().IsDeviceOpen()) menu->SetItemEnabled(QStringLiteral("option_item_reset_default"), false);
  menu->SetItemEnabled(QStringLiteral("option_item_undo"), m_core.History().CanUndo());
  menu->SetItemEnabled(QStringLiteral("option_item_redo"), m_core.History().CanRedo());
  // Only the languages whose texts the program has are offered.
  for (const auto& [item, language] : {std::pair{"option_item_language_en", "en"}, std::pair{"option_item_language_cn", "cn_zh"},
                                       std::pair{"option_item_language_ru", "ru"}})
    menu->SetItemVisible(QString::fromLatin1(item), ui::Languages().Has(QString::fromLatin1(language)));
  menu->PopBelow(m_presenter.View().option);
}

void MainMenus::ExchangeFilterText(bool importing) {
  const QString path = m_actions.askPath(
      static_cast<int>(windows::ProfileKind::FilterText),
      static_cast<int>(importing ? windows::ProfileDialog::Open : windows::ProfileDialog::Save));
  if (path.isEmpty()) return;
  if (importing) windows::ImportFilterText(m_core, m_host, path);
  else windows::ExportFilterText(m_core, m_host, path);
}

void MainMenus::ShowAbout() {
  const Profile& profile = m_core.CurrentProfile();
  windows::ShowAboutWindow(&m_window, windows::AboutInfo{profile.model, profile.mainVersion, profile.slaveVersion,
                                                         windows::BuildWebAddress(), HasBuiltInFirmware()});
}

// --- the scene menu -----------------------------------------------------------------------------

void MainMenus::BindSceneItems() {
  BindItem(QStringLiteral("scene_item_load_scene"), [this] { OpenSceneWindow(static_cast<int>(windows::SceneWindowMode::Load)); });
  BindItem(QStringLiteral("scene_item_saveas_scene"), [this] { OpenSceneWindow(static_cast<int>(windows::SceneWindowMode::Save)); });
  BindItem(QStringLiteral("scene_item_delete_scene"), [this] { OpenSceneWindow(static_cast<int>(windows::SceneWindowMode::Delete)); });
  BindItem(QStringLiteral("scene_item_load_file"), [this] { LoadProfile(false); });
  BindItem(QStringLiteral("scene_item_save_file"), [this] { SaveProfile(false); });
  BindItem(QStringLiteral("scene_item_load_whole"), [this] { LoadProfile(true); });
  BindItem(QStringLiteral("scene_item_save_whole"), [this] { SaveProfile(true); });
}

void MainMenus::ShowSceneMenu() {
  ui::PopupMenu* menu = m_window.OpenMenu(kSceneMenu);
  if (!menu) return;
  if (!m_core.Session().IsDeviceOpen()) {
    for (const char* item : {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"})
      menu->SetItemEnabled(QString::fromLatin1(item), false);
  }
  menu->PopBelow(m_presenter.View().scene);
}

void MainMenus::OpenSceneWindow(int mode) {
  const auto sceneMode = static_cast<windows::SceneWindowMode>(mode);
  LogPrintA("%s\n", sceneMode == windows::SceneWindowMode::Load   ? "EqualizerManager::LoadSenceConfigFromDSP"
                    : sceneMode == windows::SceneWindowMode::Save ? "EqualizerManager::SaveSenceConfigToDSP"
                                                                  : "EqualizerManager::DeleteDSPSenceConfig");
  windows::ShowSceneWindow(&m_window, m_core, sceneMode);
}

QString MainMenus::AskProfilePath(bool whole, bool save) {
  const windows::ProfileKind kind = whole ? windows::ProfileKind::Whole : windows::ProfileKind::Scene;
  const windows::ProfileDialog dialog = save ? windows::ProfileDialog::Save : windows::ProfileDialog::Open;
  const QString path = m_actions.askPath(static_cast<int>(kind), static_cast<int>(dialog));
  if (!path.isEmpty()) LogPrintA(save ? "GetSaveFileName %s ok\n" : "GetOpenFileName %s ok\n", qPrintable(path));
  return path;
}

void MainMenus::LoadProfile(bool whole) {
  const QString path = AskProfilePath(whole, false);
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  SceneService& scenes = m_core.Scenes();
  const ProfileFileResult result = whole ? scenes.LoadWholeProfile(file) : scenes.LoadSceneProfile(file);
  const bool unreadable = result != ProfileFileResult::Ok && result != ProfileFileResult::TaskBusy;
  if (!whole && unreadable && OfferWholeLoad(path)) return;
  TellProfileResult(static_cast<int>(result), whole, false, path);
}

bool MainMenus::OfferWholeLoad(const QString& path) {
  auto whole = std::make_unique<WholeProfile>();
  if (ReadWholeProfileFile(path.toStdString(), *whole) != ProfileFileResult::Ok) return false;
  LogPrintA("%s holds a whole configuration\n", qPrintable(path));
  if (m_host.ShowConfirm(QStringLiteral("${tips}"), QStringLiteral("${profile_is_whole}")) != 1) return true;
  const ProfileFileResult result = m_core.Scenes().LoadWholeProfile(path.toStdString());
  TellProfileResult(static_cast<int>(result), true, false, path);
  return true;
}

void MainMenus::SaveProfile(bool whole) {
  const QString path = AskProfilePath(whole, true);
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  if (!whole) {
    TellProfileResult(static_cast<int>(m_core.Scenes().SaveSceneProfile(file)), false, true, path);
    return;
  }
  // The box's scenes are read before the file is written: the loading window says so.
  m_host.NameNextTask(QStringLiteral("${saving}"));
  const bool started = m_core.Scenes().SaveWholeProfile(file, [this, path](ProfileFileResult result) {
    // The plug-out notice has already told the user the box left.
    if (result == ProfileFileResult::BoxLeft && m_core.Session().State() != ConnectionState::Connected) return;
    TellProfileResult(static_cast<int>(result), true, true, path);
  });
  if (!started) {
    m_host.NameNextTask({});
    m_host.ShowMessage(QStringLiteral("${tips}"), QStringLiteral("${task_not_started}"), {QStringLiteral("${confirm}")});
  }
}

void MainMenus::TellProfileResult(int result, bool whole, bool saving, const QString& path) {
  const auto outcome = static_cast<ProfileFileResult>(result);
  if (outcome == ProfileFileResult::Ok) {
    const QString key = saving ? QStringLiteral("${status_saved}") : QStringLiteral("${status_loaded}");
    m_host.ShowStatus(windows::FillPlaceholders(ui::Tr(key), {QFileInfo(path).fileName()}));
    return;
  }
  m_host.ShowMessage(QStringLiteral("${tips}"), QString::fromLatin1(ProfileFileMessage(outcome, whole)),
                     {QStringLiteral("${confirm}")});
}

// --- the advanced menu and the output menu ------------------------------------------------------

void MainMenus::BindAdvanceItems() {
  BindItem(QStringLiteral("advance_item_mixer"), [this] { windows::ShowMixerWindow(&m_window, m_core); });
  BindItem(QStringLiteral("advance_item_autocal"), [this] { m_actions.showCalibration(); });
  // Hidden in this program: the box keeps these settings, no window edits them.
  for (const char* item : {"advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    BindItem(QString::fromLatin1(item), [item] { LogPrintA("%s not available\n", item); });
}

void MainMenus::ShowAdvanceMenu() {
  ui::PopupMenu* menu = m_window.OpenMenu(kAdvanceMenu);
  if (!menu) return;
  menu->SetItemEnabled(QStringLiteral("advance_item_autocal"), true);
  for (const char* item : {"advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    menu->SetItemVisible(QString::fromLatin1(item), false);
  menu->PopBelow(m_presenter.View().advance);
}

void MainMenus::BindOutputItems() {
  // The output menu's items are the roles; the strip that opened it takes the chosen one.
  for (const RoleEntry& role : RoleCatalogue()) {
    const int code = role.code;
    BindItem(Latin1(role.menuItem), [this, code] { m_core.Routing().SetRole(m_outputMenuChannel, code); });
  }
}

// Roles stay selectable when taken; the tick only tells the user which are.
void MainMenus::ShowOutputMenu(int output) {
  m_outputMenuChannel = output;
  ui::PopupMenu* menu = m_window.OpenMenu(kOutputMenu);
  if (!menu) return;
  for (const RoleEntry& role : RoleCatalogue()) {
    if (role.code <= 0) continue;
    LogPrintA("on %s\n", "EqualizerManager::SetSubMenu");
    const QString name = Latin1(role.menuItem);
    menu->SetItemEnabled(name, true);
    menu->SetItemChecked(name, IsRoleInUse(m_core.CurrentProfile(), role.code));
  }
  menu->PopBelow(m_presenter.View().outputs[At(output)].roleButton);
}

}  // namespace qb

// The presenter's life: binding the main window's controls, their starting state, the
// questions it puts to the user for the core, the connect button and the menus.
#include "windows/main_presenter.h"

#include <QString>
#include <array>
#include <cstddef>

#include "core/role_catalogue.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/popup_menu.h"
#include "ui/slider.h"
#include "ui/window_base.h"
#include "windows/view_controls.h"

namespace qb {
namespace {

using namespace view;

/// Main volume slider range in steps.
constexpr int kMainVolumeMin = 0;
constexpr int kMainVolumeMax = 40;

/// Output volume slider in tenths of a dB.
constexpr int kOutputVolumeStep = 10;

/// The source selected at start ("source_hi"): it shows all six inputs.
constexpr int kStartSource = SOURCE_HI;

/// The selector offers these sources; the others exist only for the box's replies.
constexpr std::array<const char*, 5> kShownSources{"source_opt", "source_coax", "source_bt", "source_hi",
                                                   "source_dmp"};
constexpr std::array<const char*, 4> kHiddenSources{"source_aux", "source_low", "source_udp", "source_scp"};

void PrepareSourceList(ui::Combo& list, int dpi) {
  SetListItemHeight(&list, dpi);
  for (const char* name : kShownSources) list.SetItemVisible(list.FindItem(QString::fromLatin1(name)), true);
  for (const char* name : kHiddenSources) list.SetItemVisible(list.FindItem(QString::fromLatin1(name)), false);
}

/// The starting state of one output's controls.
void PrepareOutput(const OutputStripView& strip, int source) {
  for (QWidget* control :
       {static_cast<QWidget*>(strip.show), static_cast<QWidget*>(strip.selector),
        static_cast<QWidget*>(strip.roleButton), static_cast<QWidget*>(strip.volume), strip.volumeBackground,
        static_cast<QWidget*>(strip.volumeEdit), static_cast<QWidget*>(strip.mute),
        static_cast<QWidget*>(strip.phase), static_cast<QWidget*>(strip.synchronize), strip.delayLabel,
        static_cast<QWidget*>(strip.delayEdit), strip.delayPlaceholder})
    SetVisible(control, true);
  if (strip.volume) {
    strip.volume->setMinimum(kOutputVolumeMinTenths);
    strip.volume->setMaximum(kOutputVolumeMaxTenths);
    strip.volume->SetStep(kOutputVolumeStep);
  }
  SetVisible(strip.delay, false);
  for (ui::CheckBox* box : strip.inputs) SetVisible(box, true);
  // Bluetooth and aux carry two inputs only.
  const bool twoInputs = source == SOURCE_BT || source == SOURCE_AUX;
  SetEnabled(strip.inputs[2], !twoInputs);
  SetEnabled(strip.inputs[3], !twoInputs);
  SetVisible(strip.input123, false);
  SetVisible(strip.input456, false);
}

const char* QuestionText(Question question) {
  switch (question) {
    case Question::LockOutputs: return "${lock_output_tips}";
    case Question::UnlockOutputs: return "${unlock_output_tips}";
    case Question::BypassAllEq: return "${bypass_all_eq_tips}";
    case Question::RestoreAllEq: return "${restore_all_eq_tips}";
    case Question::ResetAllEq: return "${reset_all_eq_tips}";
    case Question::ParametricEqMode: return "${peq_mode_tips}";
    case Question::GraphicEqMode: return "${geq_mode_tips}";
  }
  return "${tips}";
}

}  // namespace

MainPresenter::MainPresenter(EqualizerManager& core, PresenterHost& host) : m_core(core), m_host(host) {
  m_core.Changes().Subscribe(this);
}

MainPresenter::~MainPresenter() { m_core.Changes().Unsubscribe(this); }

bool MainPresenter::InitControls(ui::WindowBase& window) {
  QString missing;
  if (!m_view.Bind(window, &missing)) {
    LogPrintA("EqualizerManager::InitControls control %s not found\n", missing.toUtf8().constData());
    return false;
  }
  const int dpi = window.DisplayScale();
  m_view.debug->setVisible(MarkerFileExists(kDebugMarker));
  PrepareSourceList(*m_view.source, dpi);
  m_view.mainVolume->setMaximum(kMainVolumeMax);
  m_view.mainVolume->setMinimum(kMainVolumeMin);
  for (ui::Combo* list : {m_view.delayUnit, m_view.hpType, m_view.lpType, m_view.hpSlope, m_view.lpSlope})
    SetListItemHeight(list, dpi);
  for (const OutputStripView& strip : m_view.outputs) PrepareOutput(strip, Live().inputSource);
  for (std::size_t r = 1; r < m_view.speakers.size(); ++r) ui::SetControlText(m_view.speakers[r], QString());

  m_core.Outputs().ClearSynchronize();
  m_window = &window;
  // Every control shows the mirror from the first paint on.
  RefreshAllChannels();
  // The source the window starts on, as if the user had chosen it (no box yet: nothing is
  // sent).
  m_core.Routing().SetSource(kStartSource);
  return true;
}

bool MainPresenter::Ask(const char* textKey) {
  return m_host.ShowConfirm(QStringLiteral("${tips}"), QString::fromLatin1(textKey)) == 1;
}

Confirm MainPresenter::Confirmer() {
  return [this](Question question) { return Ask(QuestionText(question)); };
}

// --- connection ---------------------------------------------------------------------------------

void MainPresenter::ConnectClicked() { m_core.Session().ConnectDevice(true); }

void MainPresenter::ResetMcuFactoryDefault() {
  LogPrintA("EqualizerManager::ResetMcuFactoryDefault\n");
  if (!Ask("${factory_default_tips}")) return;
  m_core.Session().StartFactoryDefault();
}

// --- menus --------------------------------------------------------------------------------------

void MainPresenter::ShowOptionMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/option_menu.xml"));
  if (!menu) return;
  if (!m_core.Session().IsDeviceOpen())
    menu->SetItemEnabled(QStringLiteral("option_item_reset_default"), false);
  menu->SetItemEnabled(QStringLiteral("option_item_undo"), m_core.History().CanUndo());
  menu->SetItemEnabled(QStringLiteral("option_item_redo"), m_core.History().CanRedo());
  menu->PopBelow(button);
}

void MainPresenter::ShowSceneMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/scene_menu.xml"));
  if (!menu) return;
  if (!m_core.Session().IsDeviceOpen()) {
    for (const char* item : {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"})
      menu->SetItemEnabled(QString::fromLatin1(item), false);
  }
  menu->PopBelow(button);
}

void MainPresenter::ShowAdvanceMenu(QWidget* button) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/advance_menu.xml"));
  if (!menu) return;
  menu->SetItemEnabled(QStringLiteral("advance_item_autocal"), true);
  for (const char* item : {"advance_item_noise_threshold", "advance_item_poweroff_delay", "advance_item_ktv"})
    menu->SetItemVisible(QString::fromLatin1(item), false);
  menu->PopBelow(button);
}

// The window keeps the output as the menu's channel: the chosen item comes back as a posted
// menu message, which the window hands to SetOutputValue with that channel. Roles stay
// selectable when taken; the tick only tells the user which are.
void MainPresenter::ShowOutputMenu(QWidget* button, int /*output*/) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(QStringLiteral("xml/output_menu.xml"));
  if (!menu) return;
  for (const RoleEntry& role : RoleCatalogue()) {
    if (role.code <= 0) continue;
    LogPrintA("on %s\n", "EqualizerManager::SetSubMenu");
    const QString name = QString::fromLatin1(role.menuItem.data(), static_cast<qsizetype>(role.menuItem.size()));
    menu->SetItemEnabled(name, true);
    menu->SetItemChecked(name, IsRoleInUse(Live(), role.code));
  }
  menu->PopBelow(button);
}

}  // namespace qb

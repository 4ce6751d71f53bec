#pragma once
/// The presenter of the main window: it looks the window's controls up once and binds what
/// each of them does, turns what the user did into calls of the core's editing services,
/// and draws the mirror into the controls whenever the core announces a change. It holds no
/// tuning state of its own: every value it shows comes from the mirror.

#include <QString>
#include <functional>
#include <unordered_map>

#include "core/equalizer_manager.h"
#include "core/mirror_change.h"
#include "windows/focus_ring.h"
#include "windows/main_view.h"
#include "windows/presenter_host.h"

class QWidget;

namespace qb::ui {
class WindowBase;
}
namespace qb::windows {
class ControlBinder;
}

namespace qb {

class MainPresenter final : public MirrorObserver {
 public:
  MainPresenter(EqualizerManager& core, PresenterHost& host);
  ~MainPresenter() override;
  MainPresenter(const MainPresenter&) = delete;
  MainPresenter& operator=(const MainPresenter&) = delete;

  /// Looks the window's controls up and binds what each does, puts them in their starting
  /// state and draws the mirror. False when a required control is missing: it is named in
  /// the log and in *missing.
  bool InitControls(ui::WindowBase& window, QString* missing = nullptr);
  const MainView& View() const { return m_view; }

  /// Confirms what was typed into `field` and not confirmed yet, as Enter would: the user
  /// clicked elsewhere or asked to undo. False when `field` is no field of the view.
  bool CommitTyped(const QWidget* field);

  // --- drawing (mirror -> controls) -------------------------------------------------------
  void MirrorChanged(const Change& change) override;
  /// Everything, as after a full read or a load.
  void RefreshAllChannels();
  /// The curves of the current output (and of the outputs `changed` names) computed again
  /// and handed to the curve control; `selectedBand` is marked.
  void UpdateEqualizer(int selectedBand, std::uint8_t changed = 0);
  /// Volume texts again (after a language switch).
  void UpdateAllVolumeEdit();
  /// The delay slider of `output` in place of its placeholder; -1 hides every one.
  void ShowDelaySlider(int output);

 private:
  const Profile& Mirrored() const { return m_core.CurrentProfile(); }
  int Current() const { return m_core.CurrentProfile().currChannel; }
  bool Ask(const char* textKey);
  Confirm Confirmer();

  // binding (presenter_bindings.cpp)
  void BindOutputStrip(windows::ControlBinder& binder, int output);
  void BindBandRow(windows::ControlBinder& binder, int band);
  void BindCrossover(windows::ControlBinder& binder, bool highPass);
  void BindMainBlock(windows::ControlBinder& binder);
  /// Binds an edit of the focus ring: Left/Right move along it, Enter and leaving it commit
  /// it (`commit`), and what is typed there is confirmed before another control acts.
  void BindField(ui::WindowBase& window, QWidget* edit, FocusField field, std::function<void()> commit);
  void MoveFocus(const FocusField& from, bool forward);
  QWidget* FieldControl(const FocusField& field) const;
  void PrepareControls(int dpi);

  // what the user does (presenter_editing.cpp)
  void CommitOutputVolume(int output);
  void CommitDelay(int output);
  void CommitMainVolume();
  void CommitBand(int band);
  /// Enter in a band's row: the row is committed and the focus moves along it.
  void ReturnInBand(const FocusField& field);
  void CommitCrossoverFrequency(bool highPass);
  void DragBand(int band);
  void DragCrossover(bool highPass);
  void ToggleLink();
  void ResetOutputs();
  void SelectSpeaker(int role);

  // drawing pieces (presenter_drawing.cpp)
  void DrawConnection();
  void DrawMainVolume();
  void DrawAmp();
  void DrawSource();
  void DrawInputBoxes(int output, bool layout);
  void DrawVolume(int output);
  void DrawMute(int output);
  void DrawPhase(int output);
  void DrawDelay(int output, bool whole);
  void DrawLinkLock();
  void DrawCurrentOutput();
  void DrawBypassButton();
  void DrawEqMode();
  void SetFreqDivider(int output);
  void UpdateEqBandView(int output);
  void ShowSlopeItems();
  void ShowRoleTexts();

  EqualizerManager& m_core;
  PresenterHost& m_host;
  bool m_bound = false;
  MainView m_view;
  /// The field edits and what confirms each.
  std::unordered_map<const QWidget*, std::function<void()>> m_fieldCommits;
};

}  // namespace qb

#pragma once
/// The presenter of the main window: it binds the window's controls once, turns what the
/// user did with them into calls of the core's editing services, and draws the mirror into
/// the controls whenever the core announces a change. It holds no tuning state of its own:
/// every value it shows comes from the mirror.
///
/// The handlers carry the names of the operations the user starts (SetChVolume reads the
/// fader of an output and hands the value on); the drawing procedures (SetFreqDivider,
/// UpdateEqBandView, UpdateEqualizer, RefreshAllChannels...) only read the mirror.

#include <QString>

#include "core/equalizer_manager.h"
#include "core/mirror_change.h"
#include "windows/main_view.h"
#include "windows/presenter_host.h"

class QWidget;

namespace qb::ui {
class WindowBase;
}

namespace qb {

class MainPresenter final : public MirrorObserver {
 public:
  MainPresenter(EqualizerManager& core, PresenterHost& host);
  ~MainPresenter() override;
  MainPresenter(const MainPresenter&) = delete;
  MainPresenter& operator=(const MainPresenter&) = delete;

  /// Binds the window's controls, puts them in their starting state and draws the mirror.
  /// False when a required control is missing (it is named in the log).
  bool InitControls(ui::WindowBase& window);
  const MainView& View() const { return m_view; }
  bool IsBound() const { return m_window != nullptr; }

  // --- drawing (mirror -> controls) -------------------------------------------------------
  void MirrorChanged(const Change& change) override;
  void SetFreqDivider(int output);
  void UpdateEqBandView(int output);
  /// The curves of the current output (and of the outputs `changed` names) computed again
  /// and handed to the curve control; `selectedBand` is marked.
  void UpdateEqualizer(int selectedBand, std::uint8_t changed = 0);
  /// Everything, as after a full read or a load.
  void RefreshAllChannels();
  /// Volume texts again (after a language switch).
  void UpdateAllVolumeEdit();
  void ShowDelaySlider(int output);
  void ShowRoleTexts();

  // --- output strips, main volume, roles and routing (controls -> core) ---------------------
  void SetCurChannelChange(int output);
  void SetChVolume(int output);
  void SetChVolumeEdit(int output);
  void SetChVolumeUp(int output, bool up);
  void SetChMute(int output);
  void SetChPhase(int output);
  void SetChSynchronize(int output);
  void SetChShowEqualizer(int output);
  void SetChDelay(int output);
  void SetChDelayEdit(int output);
  void SetChDelayUp(int output, bool up);
  void SetDelayUnit();
  void SetMainVolume();
  void SetMainVolumeEdit();
  void SetMainVolumeUp(bool up);
  void SetMainMute();
  void ToggleAmp();
  void SetOutpuLock();
  void SetOutputLink();
  void SetOutputReset();
  void ShowOutputMenu(QWidget* button, int output);
  void SetOutputValue(int output, const QString& itemName);
  void SetSpeakerFocus(int role);
  void SetInputSource();
  void SetChInput(int output, int input);

  // --- equaliser and crossover (controls -> core) -----------------------------------------
  void SetChEqEdit(int band);
  void SetChEqSlider(int band);
  void OnEqEnable(int band);
  void SetEqFreqUp(int band, bool up);
  void SetEqGainUp(int band, bool up);
  void SetEqQUp(int band, bool up);
  /// A notification of the curve control: kind 0 a band drag, 1 the high-pass handle, 2 the
  /// low-pass handle.
  void EqualizerCallback(int index, int kind);
  void SetOutputBypass();
  void SetEqMode();
  void SetOutputEqReset();
  void SetHpFreq();
  void SetLpFreq();
  void SetHpFreqUp(bool up);
  void SetLpFreqUp(bool up);
  void SetHpType();
  void SetLpType();
  void SetHpSlope();
  void SetLpSlope();

  // --- connection and menus -----------------------------------------------------------------
  void ConnectClicked();
  void ResetMcuFactoryDefault();
  void ShowOptionMenu(QWidget* button);
  void ShowSceneMenu(QWidget* button);
  void ShowAdvanceMenu(QWidget* button);

 private:
  Profile& Live() { return m_core.CurrentProfile(); }
  int Current() const { return m_core.CurrentProfile().currChannel; }
  bool Ask(const char* textKey);
  Confirm Confirmer();

  // drawing pieces
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
  void ShowSlopeItems();

  void CommitCrossoverFrequency(bool highPass);

  EqualizerManager& m_core;
  PresenterHost& m_host;
  ui::WindowBase* m_window = nullptr;
  MainView m_view;
};

}  // namespace qb

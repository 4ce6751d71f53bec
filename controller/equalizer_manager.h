#pragma once
/// The application controller: owns the mirror of the box and the device link, decides when
/// the program is connected, runs the long operations on background tasks, applies the
/// box's replies and draws the mirror into the main window's controls.
///
/// Threads: every method runs on the UI thread except the task bodies (private), which only
/// talk to the box and post messages to the main window; the mirror is written on the UI
/// thread alone, by the reply callbacks and the editing operations.

#include <QString>
#include <atomic>
#include <memory>

#include "controller/equalizer_mirror.h"
#include "controller/main_view.h"
#include "devicelink/device_link.h"
#include "devicelink/joinable_thread.h"
#include "devicelink/reply_message.h"

namespace qb::ui {
class MessagePort;
class WindowBase;
}  // namespace qb::ui

namespace qb {

class ControllerHost;

/// The model number of the ZX7140K in the handshake.
inline constexpr int kBoxModel = 79;
/// Oldest firmware that needs no forced update: 16.16.
inline constexpr int kMinMainVersion = 16;
inline constexpr int kMinSlaveVersion = 16;
/// Timer id and polls of the main-volume poll after a source switch.
inline constexpr int GET_MAIN_VOLUME_TIMER = 4114;
inline constexpr int kMainVolumePolls = 10;

/// True for firmware older than 16.16 (numbers, never text).
bool FirmwareNeedsForcedUpdate(int mainVersion, int slaveVersion);

class EqualizerManager {
 public:
  explicit EqualizerManager(std::shared_ptr<HidBackend> backend, LinkTimings timings = {});
  ~EqualizerManager();
  EqualizerManager(const EqualizerManager&) = delete;
  EqualizerManager& operator=(const EqualizerManager&) = delete;

  DeviceLink& Link() { return m_link; }
  EqualizerMirror& Mirror() { return m_mirror; }
  Profile& CurrentProfile() { return m_mirror.currentProfile; }
  const MainView& View() const { return m_view; }

  /// Settings key "factoryEQ", stored at start-up.
  void SetFactoryEq(int value) { m_mirror.factoryEq = value; }

  // --- view binding and refresh -----------------------------------------------------------
  /// Binds the main window's controls and sets their initial state; registers the window as
  /// the target of the link's replies. Returns false when a required control is missing.
  bool InitControls(ui::WindowBase& window, ControllerHost& host);
  void SetFreqDivider(int output);
  void UpdateEqBandView(int output);
  void UpdateEqualizer(int selectedBand);
  void RefreshAllChannels();
  void UpdateAllVolumeEdit();
  void SetDelayUnit();
  void ShowDelaySlider(int output);
  void SetBypassButtonText(int flag);
  void SetAmpState(bool on);

  // --- connection lifecycle ---------------------------------------------------------------
  void ConnectDevice(bool showError);
  void OnConnectDone();
  void DisconnectDevice();
  void DevicePlugin();
  void DevicePlugOut();
  void ResetMcuFactoryDefault();
  void ShowOptionMenu(QWidget* button);
  void ShowSceneMenu(QWidget* button);
  void ShowAdvanceMenu(QWidget* button);
  /// The read-out task failed: the main window's 1242 handling shows the message.
  bool IsUpgrading() const;
  /// Waits for the running background task, if any (shutdown and tests).
  void WaitForTask() { m_task.Join(); }

  // --- replies ------------------------------------------------------------------------------
  void ReadDspValueCallback(const ReplyMessage& message);
  void ReadMcuValueCallback(const ReplyMessage& message);
  void ReadSenceValueCallback(const ReplyMessage& message);
  void ReadKtvValueCallback(const ReplyMessage& message);
  /// The initial full read (task thread). -1 when the handshake fails, else 0.
  int PC_UI_Status_Init();

  // --- helpers shared by the operations -------------------------------------------------------
  /// Selects an output's selector as if the user clicked it.
  void ActivateOutputSelector(int output);
  /// The text of a delay in the unit chosen in "comb_ch_unit" (whole cm/in when `whole`).
  QString DelayText(float delayMs, bool whole) const;
  /// Volume text of an output: "%ddB" or "${off}" at the slider's minimum.
  QString OutputVolumeText(int output) const;
  void ShowRoleTexts();

  /// Tests only: the host without a bound window (the program's host comes with InitControls).
  void SetHostForTest(ControllerHost* host) { m_host = host; }

  // --- output editing: current output, volume, mute, phase, delay, synchronize group,
  // link and lock, output reset, main volume and mute, amplifier ----------------------------
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
  void SetMainVolume();
  void SetMainVolumeEdit();
  void SetMainVolumeUp(bool up);
  void SetMainMute();
  void ToggleAmp();
  void SetOutpuLock();
  void SetOutputLink();
  void SetOutputReset();
  void SaveSyncVolume(int output, bool keep);
  // (output editing: further public members go here)

  // --- output roles and input routing -------------------------------------------------------
  void ShowOutputMenu(QWidget* button, int output);
  void SetOutputValue(int output, const QString& itemName);
  void SetSpeakerFocus(int role);
  void SetInputSource();
  void SetChInput(int output, int input);
  bool IsLinkable() const;
  void PairOutputs();
  // (roles and routing: further public members go here)

  // --- EQ and crossover editing ---------------------------------------------------------------
  void SetChEqEdit(int band);
  void SetChEqSlider(int band);
  void OnEqEnable(int band);
  void SetEqFreqUp(int band, bool up);
  void SetEqGainUp(int band, bool up);
  void SetEqQUp(int band, bool up);
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
  // (EQ editing: further public members go here)

 private:
  void SetConnectButton(const char* textKey, unsigned color, bool selected, bool changeLook);
  void StartTask(void (*body)(EqualizerManager*));
  static void ReadMcuValueThread(EqualizerManager* self);
  static void FactoryDefaultThread(EqualizerManager* self);
  void Post(std::uint32_t number);
  void ApplyLinkFlag(int flag);
  void ApplyLockFlag(int flag);

  EqualizerMirror m_mirror;
  DeviceLink m_link;
  MainView m_view;
  // (output editing: private helpers and state go here)
  /// Copies bands, crossover and EQ bypass of a live output onto another (link mode's copy
  /// step); sends nothing, the box copies itself from the link command's pairs.
  void CopyOutConfig(int from, int to);
  /// Trim_Ctrl (queued) for one live output with its negated volume.
  void SendOutputTrim(int output);
  /// Shows `sliderValue` (tenths of a dB, held to the slider's range) on an output's slider
  /// and text, stores it as its volume and sends it.
  void PutOutputVolume(int output, int sliderValue);
  /// The outputs that follow a volume change of `output` by `deltaDb`: the synchronize group
  /// (moved by their slider or, `byText`, by their volume text), the linked partner (moved by
  /// the same difference) and, while not linked, the other subwoofer of a pair (set to the
  /// same volume).
  void FollowVolumeChange(int output, float deltaDb, bool byText);
  /// The volume text of an output as a whole number, "${off}" reading as kOutputOffDb.
  int VolumeTextDb(int output) const;
  /// Link mode off in the mirror and the view (no command).
  void ClearLinkMode();
  void SetRoleButtonsEnabled(bool enabled);
  void SetSynchronizeBoxesEnabled(bool enabled);
  /// Sends CH_Link_Ctrl (queued) with `linked` and the pairs (from, to, from, to ...).
  void SendLink(int linked, std::span<const std::uint8_t> pairs);
  // (roles and routing: private helpers and state go here)
  /// Sends the role and both crossover filters of a live output (queued).
  void SendRoleAndCrossover(int output);
  /// The subwoofer pair shares one volume: `output`, which just took a subwoofer role, and
  /// every output holding `partnerRole` take the volume of the first other output holding
  /// `partnerRole` (mirror and view, no command); nothing without such an output.
  void ShareSubwooferVolume(int output, int partnerRole);
  /// Input boxes of `output` from the routing mask of `source`; `layout` also shows or hides
  /// boxes 3..6 as the source carries them.
  void ShowSourceInputs(int output, int source, bool layout);
  /// True while the connect button shows the connected state.
  bool ShowsConnected() const;
  // (EQ editing: private helpers and state go here)
  enum class BandInput { Edit, Slider, Drag };
  /// The band commit shared by the band edits, the band sliders and a band drag on the curve.
  void CommitBand(int band, int freq, float q, float gain, BandInput input);
  void ConsumeBypass(int output);
  void AlignBypass(int output);
  void CommitCurveCrossover(bool highPass);
  void CommitCrossoverFrequency(bool highPass);
  void StepCrossoverFrequency(bool highPass, bool up);
  void CommitCrossoverSlope(bool highPass);
  void CommitCrossoverType(bool highPass);
  int AskEq(const char* textKey);
  bool m_parametricEq = false;  ///< "btn_arg_eq": PEQ when true, GEQ (the start) when false
  ui::WindowBase* m_window = nullptr;
  ControllerHost* m_host = nullptr;
  std::shared_ptr<ui::MessagePort> m_port;
  JoinableThread m_task;
};

}  // namespace qb

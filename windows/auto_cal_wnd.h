#pragma once
/// The automatic room calibration window: the user picks the outputs, test items and
/// target voicing, starts the box's measurement and follows its phases; the measured,
/// correction, target and predicted curves of each output appear as the box reports them,
/// and the result is applied or discarded. The rules and the choices live in the core's
/// CalibrationSession; this window shows what it says and passes on what the user does.
/// While a run is active the choices are locked. The chart's legend names each output's
/// colour and each kind of curve, and the user may show one output at a time.
///
/// Result: 1 when the result was applied or discarded through the window's buttons or
/// applied on closing, 0 when it was discarded on closing.

#include <array>

#include "core/calibration_session.h"
#include "windows/dialog_base.h"

namespace qb::controls {
class EqualizerCurveAc;
}
namespace qb::ui {
class Button;
class CheckBox;
class Combo;
class Option;
class Progress;
}  // namespace qb::ui

namespace qb::windows {

/// Target options of the window: "audio_effect_null" is mode 0, "audio_effect_N" mode N + 1.
inline constexpr int kEqModeOptions = 10;

class CAutoCalWnd : public DialogBase {
  Q_OBJECT
 public:
  CAutoCalWnd(QWidget* owner, CalibrationSession& session);
  ~CAutoCalWnd() override;

  QString ClassName() const override { return QStringLiteral("AutoCalWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_AUTO_CAL"); }

  const CalibrationSession& Session() const { return m_session; }

 protected:
  void OnInit() override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;

 private:
  enum class Display { Measured, Correction, Target, Predicted };
  static constexpr int kDisplays = 4;

  void BindChoices();
  void StartOrStop();
  void SaveResult(bool apply);
  void CloseWindow();
  void Show(const CalibrationUpdate& update);
  void SetRunning(bool running);
  /// The choice controls as the session holds them, usable while no run is active.
  void ShowChoices();
  void PushCurves(Display display);
  void PushAllCurves();
  /// The output list offers "all" and each chosen output; a shown output that is no longer
  /// chosen gives way to all.
  void ShowOutputChoice();
  void Tell(const QString& key);

  CalibrationSession& m_session;
  std::array<ui::CheckBox*, kCalibrationChannels> m_channels{};
  std::array<ui::CheckBox*, 3> m_modules{};
  std::array<ui::Option*, kEqModeOptions> m_eqModes{};
  std::array<bool, kDisplays> m_displayOn{true, true, true, true};
  ui::Button* m_start = nullptr;
  ui::Button* m_close = nullptr;
  QWidget* m_tips = nullptr;
  ui::Progress* m_progress = nullptr;
  controls::EqualizerCurveAc* m_curve = nullptr;
  ui::Combo* m_shownOutput = nullptr;  ///< item 0: every chosen output; item n + 1: output n
};

/// Opens the calibration window on `owner` for the core's open `session` and runs it until
/// it is closed; returns its result (0 when it cannot be built).
int ShowAutoCalWindow(QWidget* owner, CalibrationSession& session);

}  // namespace qb::windows

#pragma once
/// The automatic room calibration window: the user picks the outputs, test items and
/// target voicing, starts the box's measurement and follows its phases; the measured,
/// correction, target and predicted curves of each output appear as the box reports them,
/// and the result is applied or discarded. The rules live in the core's CalibrationSession;
/// this window shows what it says and passes on what the user does.
///
/// Result: 1 when the result was applied or discarded through the window's buttons or
/// applied on closing, 0 when it was discarded on closing; on 1 the main window reads the
/// box back.

#include <array>

#include "core/calibration_session.h"
#include "core/profile.h"
#include "windows/dialog_base.h"

namespace qb::controls {
class EqualizerCurveAc;
}
namespace qb::ui {
class Button;
class CheckBox;
class Option;
class Progress;
}  // namespace qb::ui

namespace qb::windows {

class CAutoCalWnd : public DialogBase {
  Q_OBJECT
 public:
  /// `profile`: the output roles, to leave outputs without a speaker out of a run.
  CAutoCalWnd(QWidget* owner, DeviceLink& link, const Profile& profile, CalibrationTimings timings = {});
  ~CAutoCalWnd() override;

  QString ClassName() const override { return QStringLiteral("AutoCalWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_AUTO_CAL"); }

  const CalibrationSession& Session() const { return m_session; }

 protected:
  void OnInit() override;
  void Notify(ui::Notification& notification) override;
  void OnClick(ui::Notification& notification) override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;
  void OnCloseRequest() override;

 private:
  enum class Display { Measured, Correction, Target, Predicted };
  static constexpr int kDisplays = 4;

  void StartOrStop();
  void SaveResult(bool apply);
  void CloseWindow();
  void Show(const CalibrationUpdate& update);
  void OnSelectChanged(const QString& name, QWidget* sender);
  void SetRunning(bool running);
  int EqModeSelected() const;
  std::uint16_t ChannelsSelected() const;
  void PushCurves(Display display);
  void Tell(const QString& key);

  CalibrationSession m_session;
  const Profile& m_profile;
  std::array<ui::CheckBox*, kCalibrationChannels> m_channels{};
  std::array<bool, kCalibrationChannels> m_show{};
  std::array<ui::Option*, 9> m_effects{};
  std::array<bool, kDisplays> m_displayOn{true, true, true, true};
  ui::Button* m_start = nullptr;
  ui::Button* m_close = nullptr;
  QWidget* m_tips = nullptr;
  ui::Progress* m_progress = nullptr;
  controls::EqualizerCurveAc* m_curve = nullptr;
};

/// Opens the calibration window on `owner` and runs it until it is closed; returns its
/// result (0 when it cannot be built).
int ShowAutoCalWindow(QWidget* owner, DeviceLink& link, const Profile& profile, CalibrationTimings timings = {});

}  // namespace qb::windows

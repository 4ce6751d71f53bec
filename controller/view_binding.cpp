// Building the main view: the controller binds the main window's controls once and puts
// them in their starting state; from then on it draws the mirror into them itself.
#include <QString>
#include <array>
#include <cstddef>

#include "controller/controller_host.h"
#include "controller/equalizer_manager.h"
#include "controller/view_controls.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/message_port.h"
#include "ui/notification.h"
#include "ui/slider.h"
#include "ui/window_base.h"

namespace qb {
namespace {

using namespace view;

/// Main volume slider range in steps, and where it stands before the box reports.
constexpr int kMainVolumeMin = 0;
constexpr int kMainVolumeMax = 40;
constexpr int kMainVolumeStart = 30;

/// Output volume slider in tenths of a dB.
constexpr int kOutputVolumeMin = -600;
constexpr int kOutputVolumeMax = 0;
constexpr int kOutputVolumeStep = 10;

/// The source item selected at start ("source_hi"): it shows all six inputs.
constexpr int kStartSource = SOURCE_HI;

/// The selector offers these sources; the others exist only for the box's replies.
constexpr std::array<const char*, 5> kShownSources{"source_opt", "source_coax", "source_bt", "source_hi",
                                                   "source_dmp"};
constexpr std::array<const char*, 4> kHiddenSources{"source_aux", "source_low", "source_udp", "source_scp"};

/// Sync-group slider and volume values that mean "nothing remembered".
constexpr int kNoSavedSlider = 1;
constexpr float kNoSavedVolume = 1.0f;

std::size_t At(int index) { return static_cast<std::size_t>(index); }

void PrepareSourceList(ui::Combo& list, int dpi) {
  SetListItemHeight(&list, dpi);
  for (const char* name : kShownSources) list.SetItemVisible(list.FindItem(QString::fromLatin1(name)), true);
  for (const char* name : kHiddenSources) list.SetItemVisible(list.FindItem(QString::fromLatin1(name)), false);
}

/// The starting state of one output's controls; input boxes from `mask` (bit n-1 = input n).
void PrepareOutput(const OutputStripView& strip, int mask, int source) {
  for (QWidget* control :
       {static_cast<QWidget*>(strip.show), static_cast<QWidget*>(strip.selector),
        static_cast<QWidget*>(strip.roleButton), static_cast<QWidget*>(strip.volume), strip.volumeBackground,
        static_cast<QWidget*>(strip.volumeEdit), static_cast<QWidget*>(strip.mute),
        static_cast<QWidget*>(strip.phase), static_cast<QWidget*>(strip.synchronize), strip.delayLabel,
        static_cast<QWidget*>(strip.delayEdit), strip.delayPlaceholder})
    SetVisible(control, true);
  if (strip.volume) {
    strip.volume->setMinimum(kOutputVolumeMin);
    strip.volume->setMaximum(kOutputVolumeMax);
    strip.volume->SetStep(kOutputVolumeStep);
  }
  SetVisible(strip.delay, false);
  SetChecked(strip.synchronize, false);
  for (std::size_t k = 0; k < strip.inputs.size(); ++k) {
    SetVisible(strip.inputs[k], true);
    SetChecked(strip.inputs[k], ((mask >> k) & 1) != 0);
  }
  // Bluetooth and aux carry two inputs only.
  const bool twoInputs = source == SOURCE_BT || source == SOURCE_AUX;
  SetEnabled(strip.inputs[2], !twoInputs);
  SetEnabled(strip.inputs[3], !twoInputs);
  SetVisible(strip.input123, false);
  SetVisible(strip.input456, false);
}

}  // namespace

bool EqualizerManager::InitControls(ui::WindowBase& window, ControllerHost& host) {
  m_window = &window;
  m_host = &host;
  m_port = window.Port();
  m_link.Register(ReplySlot::MainWindowHandle, m_port.get());

  QString missing;
  if (!m_view.Bind(window, &missing)) {
    LogPrintA("EqualizerManager::InitControls control %s not found\n", missing.toUtf8().constData());
    return false;
  }
  Profile& live = m_mirror.currentProfile;
  const int dpi = window.DisplayScale();

  m_view.debug->setVisible(MarkerFileExists(kDebugMarker));
  PrepareSourceList(*m_view.source, dpi);
  m_view.mainVolume->setMaximum(kMainVolumeMax);
  m_view.mainVolume->setMinimum(kMainVolumeMin);
  m_view.mainVolume->SetValue(kMainVolumeStart);
  for (ui::Combo* list : {m_view.delayUnit, m_view.hpType, m_view.lpType, m_view.hpSlope, m_view.lpSlope})
    SetListItemHeight(list, dpi);

  const int source = live.inputSource;
  const bool sourceKnown = source >= 0 && source < static_cast<int>(kInputSourceCount);
  for (std::size_t o = 0; o < m_view.outputs.size(); ++o)
    PrepareOutput(m_view.outputs[o], sourceKnown ? live.inputs[At(source)][o] : 0, source);
  live.synchronize.fill(0);
  live.syncSavedSlider.fill(kNoSavedSlider);
  live.syncSavedVolume.fill(kNoSavedVolume);

  for (std::size_t r = 1; r < m_view.speakers.size(); ++r) {
    ui::SetControlText(m_view.speakers[r], QString());
    m_view.speakers[r]->setVisible(false);
  }
  m_view.eqMode->SetSelected(false, false);

  // Before the box reports, the profile's volume lies below the slider's range, so the
  // slider shows its minimum. No box is connected yet, so the link would drop the
  // main-volume command that a user's change sends: showing the text is all there is to do.
  m_view.mainVolume->SetValue(live.mainVolume);
  ShowMainVolumeText(m_view);

  // The window routes the selection to SetInputSource exactly as a user's choice; a layout
  // that already stands on the item still gets it routed.
  if (m_view.source->CurrentSelection() == kStartSource)
    ui::RaiseNotification(m_view.source, ui::notify::kItemSelect, kStartSource);
  else
    m_view.source->SelectItem(kStartSource, true);

  ShowRoleTexts();
  return true;
}

}  // namespace qb

// The presenter's life: the controls' starting state and the questions it puts to the user
// for the core.
#include "windows/main_presenter.h"

#include <QString>
#include <cstddef>

#include "core/box_limits.h"
#include "core/output_editor.h"
#include "core/source_catalogue.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/slider.h"
#include "windows/view_controls.h"

namespace qb {
namespace {

using namespace view;

/// The source the window starts on ("source_hi"): it shows all six inputs.
constexpr int kStartSource = SOURCE_HI;

/// The list's items are the sources in InputSource order; the ones the selector does not
/// offer exist only for the box's replies.
void PrepareSourceList(ui::Combo& list, int dpi) {
  SetListItemHeight(&list, dpi);
  for (int source = 0; source < static_cast<int>(kInputSourceCount); ++source)
    list.SetItemVisible(source, SelectorOffersSource(source));
}

/// The starting state of one output's controls (its input boxes follow the source).
void PrepareOutput(const OutputStripView& strip) {
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
    strip.volume->SetStep(kOutputVolumeStepTenths);
  }
  SetVisible(strip.delay, false);
  for (ui::CheckBox* box : strip.inputs) SetVisible(box, true);
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

void MainPresenter::PrepareControls(int dpi) {
  m_view.debug->setVisible(MarkerFileExists(kDebugMarker));
  PrepareSourceList(*m_view.source, dpi);
  m_view.mainVolume->setMaximum(kMainVolumeTopStep);
  m_view.mainVolume->setMinimum(0);
  for (ui::Combo* list : {m_view.delayUnit, m_view.hpType, m_view.lpType, m_view.hpSlope, m_view.lpSlope})
    SetListItemHeight(list, dpi);
  for (const OutputStripView& strip : m_view.outputs) PrepareOutput(strip);
  for (std::size_t r = 1; r < m_view.speakers.size(); ++r) ui::SetControlText(m_view.speakers[r], QString());
  m_core.Outputs().ClearSynchronize();
  // The source the window starts on, as if the user had chosen it (no box yet: nothing is
  // sent).
  m_core.Routing().SetSource(kStartSource);
}

Confirm MainPresenter::Confirmer() {
  return [this](Question question) { return Ask(QuestionText(question)); };
}

}  // namespace qb

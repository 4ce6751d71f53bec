#include "windows/view_controls.h"

#include <QString>
#include <QWidget>

#include "windows/main_view.h"
#include "windows/view_formats.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/slider.h"

namespace qb::view {
namespace {

constexpr int kListItemHeight = 16;
constexpr int kReferenceDpi = 96;

}  // namespace

void SetText(QWidget* control, const std::string& text) {
  if (control) ui::SetControlText(control, QString::fromStdString(text));
}

void SetVisible(QWidget* control, bool visible) {
  if (control) control->setVisible(visible);
}

void SetEnabled(QWidget* control, bool enabled) {
  if (control) control->setEnabled(enabled);
}

void SetChecked(ui::CheckBox* box, bool checked) {
  if (box) box->SetChecked(checked, false);
}

void SetSelected(ui::Option* option, bool selected) {
  if (option) option->SetSelected(selected, false);
}

void SetSliderValue(ui::Slider* slider, int value) {
  if (slider) slider->SetValue(value);
}

void SelectListItem(ui::Combo* list, int index) {
  if (list) list->SelectItem(index, false);
}

void SetListItemHeight(ui::Combo* list, int dpi) {
  if (list) list->SetItemHeight(kListItemHeight * dpi / kReferenceDpi);
}

void ShowMainVolumeText(const MainView& view) {
  if (!view.mainVolume) return;
  SetText(view.mainVolumeEdit, MainVolumeText(view.mainVolume->value(), view.mainVolume->minimum()));
}

}  // namespace qb::view

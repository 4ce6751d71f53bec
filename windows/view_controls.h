#pragma once
/// Small writers for the main view's controls that tolerate an absent control (the optional
/// ones of MainView) and never raise a notification: the program's own updates of the view
/// must not look like user actions to the window.

#include <string>

class QWidget;

namespace qb::ui {
class CheckBox;
class Combo;
class Option;
class Slider;
}  // namespace qb::ui

namespace qb {

struct MainView;

namespace view {

void SetText(QWidget* control, const std::string& text);
void SetVisible(QWidget* control, bool visible);
void SetEnabled(QWidget* control, bool enabled);
void SetChecked(ui::CheckBox* box, bool checked);
void SetSelected(ui::Option* option, bool selected);
void SetSliderValue(ui::Slider* slider, int value);
void SelectListItem(ui::Combo* list, int index);
/// Item height of a drop-down list: 16 px at 100 %, scaled by the window's DPI number
/// (96 = 100 %).
void SetListItemHeight(ui::Combo* list, int dpi);

/// "edit_main_volume" from the main volume slider's position (see MainVolumeText).
void ShowMainVolumeText(const MainView& view);

}  // namespace view
}  // namespace qb

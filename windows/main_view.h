#pragma once
/// Typed references to the main window's controls, looked up once by name when the presenter
/// binds them. A required control that is missing fails the binding loudly; the few the
/// layout may leave out (input boxes 3..6, placeholders, decorations) stay null and every
/// use tolerates that.

#include <QString>
#include <array>

#include "core/profile.h"

class QWidget;

namespace qb::ui {
class Button;
class CheckBox;
class Combo;
class Edit;
class Option;
class Slider;
}  // namespace qb::ui

namespace qb {

inline constexpr int kSpeakerCount = 24;
inline constexpr int kInputBoxes = 6;

struct BandRowView {
  ui::Edit* freq = nullptr;
  ui::Edit* q = nullptr;
  ui::Edit* gain = nullptr;
  ui::Slider* slider = nullptr;
  ui::CheckBox* enable = nullptr;
};

struct OutputStripView {
  ui::Option* selector = nullptr;         ///< "ch_enable_%d"
  ui::Button* roleButton = nullptr;       ///< "ch_output_btn_%d"
  ui::CheckBox* show = nullptr;           ///< "ch_show_%d"
  ui::Slider* volume = nullptr;           ///< "slider_ch_volume_%d"
  QWidget* volumeBackground = nullptr;    ///< "ch_volume_bg_%d"
  ui::Edit* volumeEdit = nullptr;         ///< "edit_ch_volume_%d"
  ui::CheckBox* mute = nullptr;
  ui::CheckBox* phase = nullptr;
  ui::CheckBox* synchronize = nullptr;
  ui::Slider* delay = nullptr;            ///< "slider_ch_delay_%d"
  QWidget* delayLabel = nullptr;          ///< "delay_lable_%d", optional
  ui::Edit* delayEdit = nullptr;          ///< "edit_ch_delay_%d"
  QWidget* delayPlaceholder = nullptr;    ///< "control_empty_%d", optional
  std::array<ui::CheckBox*, kInputBoxes> inputs{};  ///< boxes 3..6 optional
  QWidget* input123 = nullptr;            ///< decorations, optional
  QWidget* input456 = nullptr;
};

struct MainView {
  ui::Button* connect = nullptr;          ///< "btnConnect" (selectable)
  ui::Button* amp = nullptr;              ///< "btn_amp_onoff" (selectable)
  ui::Button* debug = nullptr;            ///< the memory window, with "debug.ini"
  ui::Button* advance = nullptr;          ///< the advanced menu
  ui::Button* option = nullptr;           ///< "btn_option": the options menu
  ui::Button* scene = nullptr;            ///< "btn_scene": the scene menu
  ui::Button* calibration = nullptr;      ///< "btn_irc"
  ui::Combo* source = nullptr;            ///< "btn_input_source"
  QWidget* curve = nullptr;               ///< "equalizer"
  ui::Edit* mainVolumeEdit = nullptr;
  ui::Slider* mainVolume = nullptr;
  ui::CheckBox* mainMute = nullptr;
  ui::Combo* delayUnit = nullptr;         ///< "comb_ch_unit"
  ui::Combo* hpType = nullptr;
  ui::Combo* lpType = nullptr;
  ui::Combo* hpSlope = nullptr;
  ui::Combo* lpSlope = nullptr;
  ui::Edit* hpFreq = nullptr;
  ui::Edit* lpFreq = nullptr;
  std::array<BandRowView, kBandSlots> bands{};
  std::array<OutputStripView, kOutputSlots> outputs{};
  std::array<ui::Option*, kSpeakerCount + 1> speakers{};  ///< 1..24; [0] unused
  ui::Button* resetEq = nullptr;
  ui::Button* bypass = nullptr;
  ui::Option* eqMode = nullptr;           ///< "btn_arg_eq": selected = PEQ
  ui::Button* resetOutput = nullptr;
  ui::Option* lock = nullptr;             ///< "btn_lock_output"
  ui::Option* link = nullptr;             ///< "btn_link_output"
  /// The panels of everything that edits the box: usable only while a box is connected, so
  /// no edit is shown that will not reach one.
  std::array<QWidget*, 5> editing{};      ///< the curve, crossover, band, main and strip panels
};

}  // namespace qb

#pragma once
// A random user of the main window: each Step picks one thing a user can do in the output
// strips, the main volume block, the band rows, the curve and the crossover block, does it
// with the mouse or the keyboard (dialogs answered through the answers it is given) and
// returns a line describing it, so that a failing session can be read back.

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/equalizer_manager.h"
#include "core/profile.h"
#include "controls/equalizer_curve.h"
#include "tests/windows/user_input.h"
#include "windows/main_wnd.h"

namespace qb::test {

class SessionDriver {
 public:
  /// `messageAnswer` and `choiceAnswer` are the answers the test's dialog answerers give;
  /// the driver sets them before each action that asks.
  SessionDriver(CMainWnd& window, unsigned seed, int& messageAnswer, int& choiceAnswer)
      : m_window(window), m_random(seed), m_messageAnswer(messageAnswer), m_choiceAnswer(choiceAnswer) {
    m_actions = {
        {"volume slider", 6, [this] { return VolumeSlider(); }},
        {"volume edit", 5, [this] { return VolumeEdit(); }},
        {"volume key", 4, [this] { return VolumeKey(); }},
        {"mute", 2, [this] { return ClickIndexed("ch_mute_%d"); }},
        {"phase", 2, [this] { return ClickIndexed("ch_phase_%d"); }},
        {"show", 1, [this] { return ClickIndexed("ch_show_%d"); }},
        {"delay edit", 5, [this] { return DelayEdit(); }},
        {"delay slider", 2, [this] { return DelaySlider(); }},
        {"delay key", 2, [this] { return DelayKey(); }},
        {"role", 4, [this] { return Role(); }},
        {"input box", 3, [this] { return InputBox(); }},
        {"source", 2, [this] { return Source(); }},
        {"band edit", 8, [this] { return BandEdit(); }},
        {"band slider", 5, [this] { return BandSlider(); }},
        {"band key", 4, [this] { return BandKey(); }},
        {"band switch", 2, [this] { return ClickBand("pt_enable_%d"); }},
        {"curve band", 6, [this] { return CurveBandDrag(); }},
        {"curve crossover", 2, [this] { return CurveCrossoverDrag(); }},
        {"eq mode", 1, [this] { return Click("btn_arg_eq", 1); }},
        {"crossover edit", 4, [this] { return CrossoverEdit(); }},
        {"crossover key", 2, [this] { return CrossoverKey(); }},
        {"crossover list", 4, [this] { return CrossoverList(); }},
        {"bypass", 3, [this] { return Click("btn_bypass", Pick(0, 4) == 0 ? 0 : 1); }},
        {"eq reset", 1, [this] { return Click("btn_reset_eq", Pick(0, 4) == 0 ? 0 : 1); }},
        {"output reset", 1, [this] { return Click("btn_reset_output", Pick(0, 2)); }},
        {"lock", 2, [this] { return Click("btn_lock_output", Pick(0, 3) == 0 ? 0 : 1); }},
        {"link", 3, [this] { return Link(); }},
        {"synchronize", 4, [this] { return Synchronize(); }},
        {"current output", 4, [this] { return ClickIndexed("ch_enable_%d"); }},
        {"main volume", 3, [this] { return MainVolume(); }},
        {"main mute", 1, [this] { return Click("main_mute", 1); }},
        {"amplifier", 1, [this] { return Click("btn_amp_onoff", 1); }},
    };
  }

  /// Does one random action; returns what was done.
  std::string Step() {
    int total = 0;
    for (const Action& a : m_actions) total += a.weight;
    int roll = Pick(0, total - 1);
    for (const Action& a : m_actions) {
      if (roll < a.weight) {
        ++m_counts[a.kind];
        return a.kind + ": " + a.run();
      }
      roll -= a.weight;
    }
    return "nothing";
  }

  /// How often actions whose kind begins with `kind` ran.
  int Count(const std::string& kind) const {
    int count = 0;
    for (const auto& [name, n] : m_counts) count += name.starts_with(kind) ? n : 0;
    return count;
  }

 private:
  struct Action {
    std::string kind;
    int weight;
    std::function<std::string()> run;
  };

  // --- picking ---------------------------------------------------------------------------

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  double PickReal(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }
  int Output() { return Pick(0, kOutputCount - 1); }

  const Profile& Live() { return m_window.Controller().CurrentProfile(); }
  int Current() { return Live().currChannel; }
  int BandsInUse() { return EqSize(Live(), Current()); }

  template <typename T>
  T* Find(const QString& name) {
    return m_window.Find<T>(name);
  }
  static QString Indexed(const char* format, int index) { return QString::asprintf(format, index); }
  static std::string Name(const QString& text) { return text.toStdString(); }

  // --- how a user acts (tests/windows/user_input.h) -----------------------------------------

  /// Whether a user could act on the control: "" if so, else why not.
  static std::string Unusable(const QWidget* widget) {
    if (!widget) return " (missing)";
    return widget->isEnabled() && widget->isVisible() ? "" : " (disabled)";
  }

  /// A click where the control is; a disabled or hidden control ignores it as a user's would.
  std::string ClickWidget(QWidget* widget) {
    const std::string why = Unusable(widget);
    input::Click(widget);
    return why;
  }

  std::string Click(const char* name, int answer) {
    m_messageAnswer = answer;
    return std::string(name) + " answer " + std::to_string(answer) +
           ClickWidget(Find<QWidget>(QString::fromLatin1(name)));
  }

  std::string ClickIndexed(const char* format) {
    const QString name = Indexed(format, Output());
    return Name(name) + ClickWidget(Find<QWidget>(name));
  }

  std::string ClickBand(const char* format) {
    const QString name = Indexed(format, Pick(0, BandsInUse() - 1));
    return Name(name) + ClickWidget(Find<QWidget>(name));
  }

  /// Types over an edit's text and leaves it with `key` (Enter or Tab).
  std::string TypeInto(const QString& name, const QString& text, Qt::Key key) {
    auto* edit = Find<ui::Edit>(name);
    if (const std::string why = Unusable(edit); !why.empty()) return Name(name) + why;
    input::Type(edit, text, key);
    return Name(name) + " \"" + Name(text) + "\" " + (key == Qt::Key_Tab ? "Tab" : "Enter");
  }

  std::string PressKey(const QString& name, bool up) {
    auto* edit = Find<ui::Edit>(name);
    if (const std::string why = Unusable(edit); !why.empty()) return Name(name) + why;
    input::Press(edit, up ? Qt::Key_Up : Qt::Key_Down);
    return Name(name) + (up ? " up" : " down");
  }

  /// Drags a slider's thumb to a random position and lets go.
  std::string MoveSlider(const QString& name) {
    auto* slider = Find<ui::Slider>(name);
    if (const std::string why = Unusable(slider); !why.empty()) return Name(name) + why;
    const int reached = input::DragSlider(slider, Pick(slider->minimum(), slider->maximum()));
    return Name(name) + " to " + std::to_string(reached);
  }

  /// Picks a random offered item of a list.
  std::string SelectVisible(const QString& name) {
    auto* list = Find<ui::Combo>(name);
    if (!list) return Name(name) + " (missing)";
    std::vector<int> visible;
    for (int i = 0; i < list->count(); ++i) {
      if (list->IsItemVisible(i)) visible.push_back(i);
    }
    if (visible.empty()) return Name(name) + " (empty)";
    const int item = visible[static_cast<std::size_t>(Pick(0, static_cast<int>(visible.size()) - 1))];
    input::Choose(list, item);
    return Name(name) + " item " + std::to_string(item);
  }

  Qt::Key Leave() { return Chance(50) ? Qt::Key_Return : Qt::Key_Tab; }

  // --- the actions -------------------------------------------------------------------------

  std::string VolumeSlider() { return MoveSlider(Indexed("slider_ch_volume_%d", Output())); }

  std::string VolumeEdit() {
    QString text = QString::number(Pick(-70, 5));
    if (Chance(10)) text = QStringLiteral("x");
    if (Chance(5)) text += QStringLiteral("dB");
    return TypeInto(Indexed("edit_ch_volume_%d", Output()), text, Qt::Key_Return);
  }

  std::string VolumeKey() { return PressKey(Indexed("edit_ch_volume_%d", Output()), Chance(50)); }

  std::string DelayEdit() {
    const int unit = Pick(0, 2);
    input::Choose(Find<ui::Combo>(QStringLiteral("comb_ch_unit")), unit);
    const double high = unit == 0 ? 17.0 : unit == 1 ? 650.0 : 260.0;
    const QString text = QString::number(PickReal(-1.0, high), 'f', Pick(0, 3));
    return "unit " + std::to_string(unit) + " " + TypeInto(Indexed("edit_ch_delay_%d", Output()), text, Qt::Key_Return);
  }

  /// A delay slider shows while its field has the focus: a click into the field first.
  std::string DelaySlider() {
    const int output = Output();
    if (auto* edit = Find<ui::Edit>(Indexed("edit_ch_delay_%d", output)); edit && edit->isEnabled()) input::Focus(edit);
    return MoveSlider(Indexed("slider_ch_delay_%d", output));
  }
  std::string DelayKey() { return PressKey(Indexed("edit_ch_delay_%d", Output()), Chance(50)); }

  std::string Role() {
    static const std::array<const char*, 25> kItems = {
        "output_item_empty",
        "output_menu_front_left_high_freq", "output_menu_front_left_mid_freq",
        "output_menu_front_left_low_freq", "output_menu_front_left_mid_high_freq",
        "output_menu_front_left_mid_low_freq", "output_menu_front_left_all_freq",
        "output_menu_front_right_high_freq", "output_menu_front_right_mid_freq",
        "output_menu_front_right_low_freq", "output_menu_front_right_mid_high_freq",
        "output_menu_front_right_mid_low_freq", "output_menu_front_right_all_freq",
        "output_menu_rear_left_high_freq", "output_menu_rear_left_low_freq",
        "output_menu_rear_left_all_freq", "output_menu_rear_right_high_freq",
        "output_menu_rear_right_low_freq", "output_menu_rear_right_all_freq",
        "output_menu_center_high_freq", "output_menu_center_low_freq",
        "output_menu_center_all_freq", "output_menu_subwoof_left", "output_menu_subwoof_right",
        "output_menu_subwoof_low"};
    const int output = Output();
    const char* item = kItems[static_cast<std::size_t>(Pick(0, static_cast<int>(kItems.size()) - 1))];
    const std::string what = "output " + std::to_string(output) + " " + item;
    auto* button = Find<QWidget>(Indexed("ch_output_btn_%d", output));
    if (!button) return what + " (missing)";
    if (!button->isEnabled()) {
      ClickWidget(button);
      return what + " (locked)";
    }
    return input::ChooseMenuItem(m_window, button, QString::fromLatin1(item)) ? what : what + " (no menu item)";
  }

  std::string InputBox() {
    const int inputs = Live().inputSource == SOURCE_HI ? 6 : 2;
    return ClickIndexed2(Pick(1, inputs), Output());
  }
  std::string ClickIndexed2(int input, int output) {
    const QString name = QString::asprintf("option_ch_in%d_%d", input, output);
    return Name(name) + ClickWidget(Find<QWidget>(name));
  }

  std::string Source() { return SelectVisible(QStringLiteral("btn_input_source")); }

  std::string BandEdit() {
    const int band = Pick(0, BandsInUse() - 1);
    const int field = Pick(0, 2);
    QString text;
    const char* format = "eq_gain_%d";
    if (field == 0) {
      text = QString::number(PickReal(-22.0, 16.0), 'f', Pick(0, 2));
    } else if (field == 1) {
      format = "eq_q_%d";
      text = QString::number(PickReal(0.2, 10.0), 'f', Pick(0, 2));
    } else {
      format = "eq_freq_%d";
      text = Chance(20) ? QStringLiteral("%1K%2").arg(Pick(0, 25)).arg(Pick(0, 9)) : QString::number(Pick(5, 25000));
    }
    return TypeInto(Indexed(format, band), text, Leave());
  }

  std::string BandSlider() { return MoveSlider(Indexed("eq_slider_%d", Pick(0, BandsInUse() - 1))); }

  std::string BandKey() {
    static const std::array<const char*, 3> kFields = {"eq_gain_%d", "eq_q_%d", "eq_freq_%d"};
    const char* field = kFields[static_cast<std::size_t>(Pick(0, 2))];
    return PressKey(Indexed(field, Pick(0, BandsInUse() - 1)), Chance(50));
  }

  static QPoint Centre(const controls::PixelRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  QPoint RandomPlotPoint(const controls::EqualizerCurve& curve) {
    const controls::PixelRect& plot = curve.Axes().Plot();
    return {Pick(plot.left, plot.right - 1), Pick(plot.top, plot.bottom - 1)};
  }

  /// Press on a handle, move through one point, let go at another.
  std::string Drag(controls::EqualizerCurve& curve, QPoint from) {
    const QPoint via = RandomPlotPoint(curve);
    const QPoint to = Chance(30) ? via : RandomPlotPoint(curve);
    input::Drag(&curve, from, via, to);
    return "from (" + std::to_string(from.x()) + "," + std::to_string(from.y()) + ") to (" +
           std::to_string(to.x()) + "," + std::to_string(to.y()) + ")";
  }

  controls::EqualizerCurve* Curve() { return Find<controls::EqualizerCurve>(QStringLiteral("equalizer")); }

  std::string CurveBandDrag() {
    controls::EqualizerCurve* curve = Curve();
    if (!curve || curve->BandCount() == 0) return "(no bands)";
    const int band = Pick(0, curve->BandCount() - 1);
    return "band " + std::to_string(band) + " " + Drag(*curve, Centre(curve->Layout().labels[static_cast<std::size_t>(band)]));
  }

  std::string CurveCrossoverDrag() {
    controls::EqualizerCurve* curve = Curve();
    if (!curve) return "(missing)";
    const bool high = Chance(50);
    const controls::PixelRect& handle = high ? curve->Layout().highPass : curve->Layout().lowPass;
    if (handle.IsEmpty()) return high ? "no high-pass handle" : "no low-pass handle";
    return std::string(high ? "high-pass " : "low-pass ") + Drag(*curve, Centre(handle));
  }

  std::string CrossoverEdit() {
    const QString name = Chance(50) ? QStringLiteral("hp_freq") : QStringLiteral("lp_freq");
    const QString text = Chance(15) ? QStringLiteral("%1k%2").arg(Pick(0, 22)).arg(Pick(0, 9))
                                    : QString::number(Pick(0, 24000));
    return TypeInto(name, text, Chance(50) ? Qt::Key_Return : Qt::Key_Tab);
  }

  std::string CrossoverKey() {
    return PressKey(Chance(50) ? QStringLiteral("hp_freq") : QStringLiteral("lp_freq"), Chance(50));
  }

  std::string CrossoverList() {
    static const std::array<const char*, 4> kLists = {"hp_type", "lp_type", "hp_slop", "lp_slop"};
    return SelectVisible(QString::fromLatin1(kLists[static_cast<std::size_t>(Pick(0, 3))]));
  }

  std::string Link() {
    m_choiceAnswer = Pick(0, 2);
    m_messageAnswer = 1;
    return "choice " + std::to_string(m_choiceAnswer) + ClickWidget(Find<QWidget>(QStringLiteral("btn_link_output")));
  }

  /// Leaving the group is likelier than joining it while outputs are synchronized, so the
  /// link button (disabled meanwhile) gets its turns too.
  std::string Synchronize() {
    std::vector<int> members;
    for (int o = 0; o < kOutputCount; ++o) {
      if (Live().synchronize[static_cast<std::size_t>(o)] == 1) members.push_back(o);
    }
    int output = Output();
    if (!members.empty() && Chance(60)) {
      output = members[static_cast<std::size_t>(Pick(0, static_cast<int>(members.size()) - 1))];
    }
    const QString name = Indexed("ch_synchronize_%d", output);
    return Name(name) + ClickWidget(Find<QWidget>(name));
  }

  std::string MainVolume() {
    switch (Pick(0, 2)) {
      case 0: return MoveSlider(QStringLiteral("slider_main_volume"));
      case 1: {
        const QString text = Chance(10) ? QStringLiteral("x") : QString::number(Pick(-5, 45));
        return TypeInto(QStringLiteral("edit_main_volume"), text, Chance(50) ? Qt::Key_Return : Qt::Key_Tab);
      }
      default: return PressKey(QStringLiteral("edit_main_volume"), Chance(50));
    }
  }

  CMainWnd& m_window;
  std::mt19937 m_random;
  int& m_messageAnswer;
  int& m_choiceAnswer;
  std::vector<Action> m_actions;
  std::map<std::string, int> m_counts;
};

}  // namespace qb::test

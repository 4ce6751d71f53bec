// Speaker roles and input routing against a virtual box: left/right pairs, the role menu
// with its ticks, a role change with its crossover and the subwoofer pair's volume, the
// speaker pictures, the input boxes with their first-use mix level, and the source switch
// with its volume poll. Each test acts through the window's controls and menu, lets the box
// answer, and compares the box with the mirror and the view.
#include <QAction>
#include <QTest>

#include "core/profile_defaults.h"
#include "core/role_catalogue.h"
#include "core/role_pairing.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/notification.h"
#include "ui/popup_menu.h"
#include "ui/slider.h"

namespace qb::test {
namespace {

QString Indexed(const char* format, int index) { return QString::asprintf(format, index); }
QString InputBoxName(int input, int output) {
  return QString::asprintf("option_ch_in%d_%d", input, output);
}
std::size_t At(int index) { return static_cast<std::size_t>(index); }
/// Whether the main window routes the notifications of the role buttons, the role menu,
/// the speaker pictures, the input boxes, the source list, the output selectors and the
/// volume sliders to the controller. While it does not, the helpers act on the control and
/// then run the controller's operation themselves, and the checks that need the selector's
/// routing are skipped. Set to true once the window routes them: the helpers then act
/// through the window alone.
constexpr bool kWindowRoutes = true;
constexpr bool kCallDirectly = !kWindowRoutes;

class RolesRoutingTest : public ConnectedWindowTest {
 protected:
  /// Opens the role menu of `output` with a click on its button.
  ui::PopupMenu* OpenRoleMenu(int output) {
    auto* button = Control<ui::Button>(Indexed("ch_output_btn_%d", output));
    if (!button) return nullptr;
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    if (kCallDirectly) window->Presenter().ShowOutputMenu(button, output);
    return window->CurrentMenu();
  }

  /// Chooses a role for `output` from its menu, as a user does, and lets the box answer.
  void ChooseRole(int output, const char* item) {
    ui::PopupMenu* menu = OpenRoleMenu(output);
    ASSERT_NE(menu, nullptr);
    QAction* action = menu->FindItem(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
    if (kCallDirectly) window->Presenter().SetOutputValue(output, QString::fromLatin1(item));
    ASSERT_TRUE(Drain());
  }

  void SetVolume(int output, int tenths) {
    auto* slider = Control<ui::Slider>(Indexed("slider_ch_volume_%d", output));
    ASSERT_NE(slider, nullptr);
    slider->SetValue(tenths);
    ui::RaiseNotification(slider, ui::notify::kValueChanged, tenths);
    if (kCallDirectly) window->Presenter().SetChVolume(output);
    ASSERT_TRUE(Drain());
  }

  void SelectSource(int source) {
    auto* list = Control<ui::Combo>(QStringLiteral("btn_input_source"));
    ASSERT_NE(list, nullptr);
    list->SelectItem(source, true);
    if (kCallDirectly) window->Presenter().SetInputSource();
    ASSERT_TRUE(Drain());
  }

  void ClickInputBox(int input, int output) {
    auto* box = Control<ui::CheckBox>(InputBoxName(input, output));
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton);
    if (kCallDirectly) window->Presenter().SetChInput(output, input);
    ASSERT_TRUE(Drain());
  }

  bool SpeakerShown(int role) {
    QWidget* speaker = window->FindControl(Indexed("speaker_%d", role));
    return speaker && speaker->isVisibleTo(window.get());
  }
};

// --- pairs -------------------------------------------------------------------------------------------

TEST_F(RolesRoutingTest, PairsFollowTheRolesWithinEachGroup) {
  struct Case {
    const char* what;
    PerOutput<int> roles;
    bool linkable;
    PerOutput<int> partners;
  };
  const Case cases[] = {
      {"default roles", {6, 12, 15, 18, 19, 20, 22, 23}, true, {1, 0, 3, 2, -1, -1, 7, 6}},
      // The front pair is split across the groups and nothing else mirrors.
      {"pair across groups", {6, 19, 20, 21, 24, 0, 12, 24}, false, {-1, -1, -1, -1, -1, -1, -1, -1}},
      // A counterpart in the other group does not hide a later one in the own group.
      {"second counterpart in group", {1, 0, 0, 0, 0, 7, 7, 0}, true, {5, -1, -1, -1, -1, 0, -1, -1}},
  };
  for (const Case& c : cases) {
    Live().outputs = c.roles;
    EXPECT_EQ(Controller().Links().IsLinkable(), c.linkable) << c.what;
    EXPECT_EQ(PairOutputs(Live().outputs), c.partners) << c.what;
  }
}

// --- role menu and role changes ------------------------------------------------------------------

TEST_F(RolesRoutingTest, MenuTicksTheRolesInUseAndKeepsEveryRoleChoosable) {
  ui::PopupMenu* menu = OpenRoleMenu(2);
  ASSERT_NE(menu, nullptr);
  for (const RoleEntry& role : RoleCatalogue()) {
    if (role.code == 0) continue;
    QAction* action = menu->FindItem(QString::fromLatin1(role.menuItem.data(), qsizetype(role.menuItem.size())));
    ASSERT_NE(action, nullptr) << role.menuItem;
    EXPECT_EQ(action->isChecked(), IsRoleInUse(Live(), role.code)) << role.menuItem;
    EXPECT_TRUE(action->isEnabled()) << role.menuItem;
  }
}

TEST_F(RolesRoutingTest, RoleChangeSendsTypeAndDefaultCrossoverAndRedrawsTheStrip) {
  // Output 3 (rear left full) becomes the front left woofer: a band-pass 80..500 Hz.
  ChooseRole(2, "output_menu_front_left_low_freq");
  const Crossover expected = RoleDefaultCrossover(kRoleFrontLeftWoofer);
  EXPECT_EQ(Live().outputs[2], kRoleFrontLeftWoofer);
  EXPECT_EQ(Live().channels[2].crossover, expected);

  // The box's high-pass takes the high-pass corner and its low-pass the low-pass one.
  const sim::OutputChannel box = Box().State().live.outputs[2];
  EXPECT_EQ(box.role, kRoleFrontLeftWoofer);
  EXPECT_EQ(box.highPass.freqHz, expected.hp.fs);
  EXPECT_EQ(box.highPass.slope, expected.hp.slope);
  EXPECT_EQ(box.highPass.family, expected.hp.type);
  EXPECT_EQ(box.lowPass.freqHz, expected.lp.fs);
  EXPECT_EQ(box.lowPass.slope, expected.lp.slope);
  EXPECT_EQ(box.lowPass.family, expected.lp.type);

  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_2")), ui::Tr(QStringLiteral("${front_left_woofer}")));
  EXPECT_TRUE(SpeakerShown(kRoleFrontLeftWoofer));
  EXPECT_FALSE(SpeakerShown(kRoleRearLeftFull));  // no output keeps the old role
  // The changed output becomes the one being edited, its crossover on view.
  if (kWindowRoutes) {
    EXPECT_EQ(Live().currChannel, 2);
    EXPECT_EQ(Text(QStringLiteral("hp_freq")), QStringLiteral("80Hz"));
    EXPECT_EQ(Text(QStringLiteral("lp_freq")), QStringLiteral("500Hz"));
  }

  // Emptying it switches both filters off in the box.
  ChooseRole(2, "output_item_empty");
  EXPECT_EQ(Live().outputs[2], kRoleEmpty);
  EXPECT_EQ(Box().State().live.outputs[2].role, kRoleEmpty);
  EXPECT_EQ(Box().State().live.outputs[2].highPass.slope, FILTER_SLOPE_OFF);
  EXPECT_EQ(Box().State().live.outputs[2].lowPass.slope, FILTER_SLOPE_OFF);
  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_2")), ui::Tr(QStringLiteral("${empty}")));
}

TEST_F(RolesRoutingTest, ChoosingTheOtherSubwooferTakesThePairsVolume) {
  // Output 8 leaves the pair, output 7 (left subwoofer) goes to -15 dB alone.
  ChooseRole(7, "output_item_empty");
  SetVolume(6, -150);
  ASSERT_EQ(Live().channels[6].gain, -15.0f);
  ASSERT_EQ(Live().channels[7].gain, 0.0f);

  ChooseRole(7, "output_menu_subwoof_right");
  EXPECT_EQ(Live().channels[7].gain, -15.0f);
  EXPECT_EQ(Control<ui::Slider>(QStringLiteral("slider_ch_volume_7"))->value(), -150);
  EXPECT_EQ(Text(QStringLiteral("edit_ch_volume_7")), QStringLiteral("-15dB"));
  EXPECT_DOUBLE_EQ(Box().State().live.outputs[7].volumeDb, -15.0);
  EXPECT_DOUBLE_EQ(Box().State().live.outputs[6].volumeDb, -15.0);

  // Any other role leaves the volumes alone.
  SetVolume(5, -30);
  ChooseRole(5, "output_menu_center_all_freq");
  EXPECT_EQ(Live().channels[5].gain, -3.0f);
  EXPECT_EQ(Live().channels[7].gain, -15.0f);
}

TEST_F(RolesRoutingTest, NamesOutsideTheRoleCatalogueChangeNothing) {
  const PerOutput<int> before = Live().outputs;
  Box().ClearCommands();
  for (const char* name : {"output_menu_front", "output_menu_subwoof", "output_item_none"}) {
    window->Presenter().SetOutputValue(1, QString::fromLatin1(name));
  }
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().outputs, before);
  EXPECT_TRUE(Box().Commands().empty());
}

TEST_F(RolesRoutingTest, SpeakerPictureSelectsTheOutputsOfItsRole) {
  auto* speaker = Control<ui::Option>(QStringLiteral("speaker_12"));
  ASSERT_NE(speaker, nullptr);
  ASSERT_TRUE(SpeakerShown(kRoleFrontRightFull));
  QTest::mouseClick(speaker, Qt::LeftButton);
  if (kCallDirectly) window->Presenter().SetSpeakerFocus(12);
  QApplication::processEvents();
  if (kWindowRoutes) {
    EXPECT_EQ(Live().currChannel, 1);
  }
  EXPECT_TRUE(speaker->IsSelected());

  // No output holds the front left tweeter: only its picture is selected.
  const int current = Live().currChannel;
  window->Presenter().SetSpeakerFocus(kRoleFrontLeftTweeter);
  EXPECT_EQ(Live().currChannel, current);
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("speaker_1"))->IsSelected());
}

// --- input routing -------------------------------------------------------------------------------

TEST_F(RolesRoutingTest, SwitchingAnInputOnStartsItsSilentMixLevelOnce) {
  const int source = Live().inputSource;
  ASSERT_TRUE(source >= 0 && source < static_cast<int>(kInputSourceCount));
  const auto s = At(source);
  // Input 2 does not feed output 3 yet, and its level there is 0.
  Live().inputMixVolume[s][1][2] = 0;
  Box().Modify([s](sim::BoxState& state) { state.live.sources[s].mixTrim[1][2] = 0; });
  ASSERT_FALSE(Control<ui::CheckBox>(InputBoxName(2, 2))->IsChecked());
  const int before = Live().inputs[s][2];

  ClickInputBox(2, 2);
  EXPECT_EQ(Live().inputs[s][2], before | 0x2);
  EXPECT_EQ(Box().State().live.sources[s].mixMask[2], before | 0x2);
  EXPECT_EQ(Live().inputMixVolume[s][1][2], 100);
  EXPECT_EQ(Box().State().live.sources[s].mixTrim[1][2], 100);

  // Off again; later the mixer set 40: switching on keeps 40.
  ClickInputBox(2, 2);
  EXPECT_EQ(Live().inputs[s][2], before);
  EXPECT_EQ(Box().State().live.sources[s].mixMask[2], before);
  Live().inputMixVolume[s][1][2] = 40;
  Box().Modify([s](sim::BoxState& state) { state.live.sources[s].mixTrim[1][2] = 40; });
  ClickInputBox(2, 2);
  EXPECT_EQ(Live().inputs[s][2], before | 0x2);
  EXPECT_EQ(Live().inputMixVolume[s][1][2], 40);
  EXPECT_EQ(Box().State().live.sources[s].mixTrim[1][2], 40);
}

TEST_F(RolesRoutingTest, SourceSwitchSendsTheCodeShowsItsInputsAndPollsTheVolume) {
  struct Case {
    int source;
    bool sixInputs;
  };
  // The source the box reported while connecting was not sent back: nothing polls yet.
  ASSERT_EQ(window->MainVolumePolls(), 0);
  for (const Case c : {Case{SOURCE_OPT, false}, Case{SOURCE_HI, true}, Case{SOURCE_DMP, false}}) {
    SelectSource(c.source);
    EXPECT_EQ(Live().inputSource, c.source);
    EXPECT_EQ(Box().State().live.source, c.source);
    EXPECT_GT(window->MainVolumePolls(), kMainVolumePolls - 2) << c.source;
    for (int o = 0; o < kOutputCount; ++o) {
      const int mask = Live().inputs[At(c.source)][At(o)];
      for (int n = 1; n <= 6; ++n) {
        auto* box = Control<ui::CheckBox>(InputBoxName(n, o));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->IsChecked(), ((mask >> (n - 1)) & 1) != 0) << c.source << " " << o << " " << n;
        const bool shown = n <= 2 || c.sixInputs;
        EXPECT_EQ(box->isVisibleTo(window.get()), shown) << c.source << " " << o << " " << n;
        EXPECT_EQ(box->isEnabled(), shown) << c.source << " " << o << " " << n;
      }
    }
  }
}

TEST_F(RolesRoutingTest, SourceSelectedWhileDisconnectedOnlyRedraws) {
  Controller().Session().DisconnectDevice();
  window->StopMainVolumeTimer();
  const int polls = window->MainVolumePolls();
  const std::uint8_t boxSource = Box().State().live.source;
  const int other = boxSource == SOURCE_OPT ? SOURCE_COAX : SOURCE_OPT;
  Box().ClearCommands();
  SelectSource(other);
  EXPECT_EQ(Live().inputSource, other);
  EXPECT_EQ(Box().State().live.source, boxSource);
  EXPECT_TRUE(Box().Commands().empty());
  EXPECT_EQ(window->MainVolumePolls(), polls);
}

TEST_F(RolesRoutingTest, HiddenSourceShowsItsOwnRoutingOnEveryOutput) {
  // A source reply may select a source the selector does not offer.
  Live().inputs[SOURCE_AUX] = {2, 1, 3, 0, 1, 2, 3, 0};
  SelectSource(SOURCE_AUX);
  EXPECT_EQ(Live().inputSource, SOURCE_AUX);
  for (int o = 0; o < kOutputCount; ++o) {
    const int mask = Live().inputs[SOURCE_AUX][At(o)];
    EXPECT_EQ(Control<ui::CheckBox>(InputBoxName(1, o))->IsChecked(), (mask & 1) != 0) << o;
    EXPECT_EQ(Control<ui::CheckBox>(InputBoxName(2, o))->IsChecked(), (mask & 2) != 0) << o;
  }
}

TEST_F(RolesRoutingTest, SourceListWithoutSelectionLeavesTheSourceAlone) {
  const int before = Live().inputSource;
  auto* list = Control<ui::Combo>(QStringLiteral("btn_input_source"));
  ASSERT_NE(list, nullptr);
  list->setCurrentIndex(-1);
  window->Presenter().SetInputSource();
  EXPECT_EQ(Live().inputSource, before);
}

}  // namespace
}  // namespace qb::test

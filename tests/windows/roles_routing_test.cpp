// Speaker roles and input routing through the main window with real input against the
// virtual box: the role menu with its ticks, what a role change redraws, the speaker
// pictures, the source list and the input boxes it offers. What a role or a source change
// does to the settings is the core's and tested there.
#include "core/profile_defaults.h"
#include "core/role_catalogue.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"

namespace qb::test {
namespace {

QString ControlName(const char* format, int index) { return QString::asprintf(format, index); }
QString InputBoxName(int input, int output) { return QString::asprintf("option_ch_in%d_%d", input, output); }

/// Boxes 3..6 of every strip offered (shown and enabled) or not, and each box ticked as the
/// source's mask of its output says.
void ExpectInputBoxes(CMainWnd& window, const Profile& live, bool sixInputs) {
  for (int o = 0; o < kOutputCount; ++o) {
    const int mask = live.inputs[At(live.inputSource)][At(o)];
    for (int n = 1; n <= 6; ++n) {
      SCOPED_TRACE(InputBoxName(n, o).toStdString());
      auto* box = window.Find<ui::CheckBox>(InputBoxName(n, o));
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->IsChecked(), ((mask >> (n - 1)) & 1) != 0);
      const bool offered = n <= 2 || sixInputs;
      EXPECT_EQ(box->isVisibleTo(&window), offered);
      EXPECT_EQ(box->isEnabled(), offered);
    }
  }
}

class RolesRoutingTest : public ConnectedWindowTest {
 protected:
  void TearDown() override {
    if (!HasFatalFailure()) ExpectBoxAsMirror();
    ConnectedWindowTest::TearDown();
  }
  bool SpeakerShown(int role) {
    QWidget* speaker = window->FindControl(ControlName("speaker_%d", role));
    return speaker && speaker->isVisibleTo(window.get());
  }
};

TEST_F(RolesRoutingTest, MenuTicksTheRolesInUseAndKeepsEveryRoleChoosable) {
  ClickOn(QStringLiteral("ch_output_btn_2"));
  ui::PopupMenu* menu = window->CurrentMenu();
  ASSERT_NE(menu, nullptr);
  for (const RoleEntry& role : RoleCatalogue()) {
    if (role.code == 0) continue;
    QAction* action = menu->FindItem(QString::fromLatin1(role.menuItem.data(), qsizetype(role.menuItem.size())));
    ASSERT_NE(action, nullptr) << role.menuItem;
    EXPECT_EQ(action->isChecked(), IsRoleInUse(Live(), role.code)) << role.menuItem;
    EXPECT_TRUE(action->isEnabled()) << role.menuItem;
  }
  menu->close();
}

TEST_F(RolesRoutingTest, ARoleChosenFromTheMenuRedrawsItsStripAndTheSpeakers) {
  // Output 3 (rear left full) becomes the front left woofer: a band-pass 80..500 Hz.
  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("ch_output_btn_2"), QStringLiteral("output_menu_front_left_low_freq")));
  EXPECT_EQ(Live().outputs[2], kRoleFrontLeftWoofer);
  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_2")), ui::Tr(QStringLiteral("${front_left_woofer}")));
  EXPECT_TRUE(SpeakerShown(kRoleFrontLeftWoofer));
  EXPECT_FALSE(SpeakerShown(kRoleRearLeftFull));  // no output keeps the old role
  // The changed output becomes the one being edited, its crossover on view.
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("ch_enable_2"))->IsSelected());
  EXPECT_EQ(Text(QStringLiteral("hp_freq")), QStringLiteral("80Hz"));
  EXPECT_EQ(Text(QStringLiteral("lp_freq")), QStringLiteral("500Hz"));

  ASSERT_TRUE(ChooseMenuItem(QStringLiteral("ch_output_btn_2"), QStringLiteral("output_item_empty")));
  EXPECT_EQ(Live().outputs[2], kRoleEmpty);
  EXPECT_EQ(Text(QStringLiteral("ch_output_btn_2")), ui::Tr(QStringLiteral("${empty}")));
}

TEST_F(RolesRoutingTest, SpeakerPictureSelectsTheOutputsOfItsRole) {
  ASSERT_TRUE(SpeakerShown(kRoleFrontRightFull));
  ClickOn(QStringLiteral("speaker_12"));
  EXPECT_EQ(Live().currChannel, 1);
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("speaker_12"))->IsSelected());
  EXPECT_TRUE(Control<ui::Option>(QStringLiteral("ch_enable_1"))->IsSelected());
}

TEST_F(RolesRoutingTest, SourceListOffersTheSourcesInputBoxesAndTheBoxesRouteTheirInput) {
  for (const int source : {SOURCE_OPT, SOURCE_HI, SOURCE_DMP}) {
    SCOPED_TRACE(source);
    ASSERT_TRUE(ChooseItem(QStringLiteral("btn_input_source"), source));
    EXPECT_EQ(Live().inputSource, source);
    ExpectInputBoxes(*window, Live(), source == SOURCE_HI);
  }
  // A source's own inputs only: the selector never offers the others.
  auto* list = Control<ui::Combo>(QStringLiteral("btn_input_source"));
  EXPECT_FALSE(list->IsItemVisible(list->FindItem(QStringLiteral("source_udp"))));

  ASSERT_TRUE(ChooseItem(QStringLiteral("btn_input_source"), SOURCE_HI));
  const int before = Live().inputs[SOURCE_HI][3];
  ClickOn(InputBoxName(5, 3));
  EXPECT_EQ(Live().inputs[SOURCE_HI][3], before ^ 0b10000);
  EXPECT_EQ(Control<ui::CheckBox>(InputBoxName(5, 3))->IsChecked(), (before & 0b10000) == 0);
}

/// The window connects to a box whose source was chosen before: the read-out's redraw alone
/// must offer that source's input boxes.
class SourceAtConnectTest : public MainWindowTest, public ::testing::WithParamInterface<int> {
 protected:
  void PrepareBox(sim::VirtualBox& box) override {
    box.Modify([source = GetParam()](sim::BoxState& state) { state.live.source = static_cast<std::uint8_t>(source); });
  }
};

TEST_P(SourceAtConnectTest, InputBoxesFollowTheSourceOnTheReadOutAlone) {
  ASSERT_TRUE(WaitConnected());
  ASSERT_EQ(Live().inputSource, GetParam());
  ExpectInputBoxes(*window, Live(), GetParam() == SOURCE_HI);
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceAtConnectTest, ::testing::Values(SOURCE_HI, SOURCE_OPT));

}  // namespace
}  // namespace qb::test

// The mixer against a virtual box, driven as a user drives it: the advanced menu opens it,
// boxes are clicked, sliders dragged, trims typed and stepped with the keys, and the box
// and the main window's input boxes show the outcome.

#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "tests/support/mirror_box_compare.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/edit.h"
#include "ui/popup_menu.h"
#include "ui/slider.h"
#include "windows/mixer_wnd.h"

namespace qb::test {
namespace {

using windows::CMixerWnd;
using windows::test::OpenDialog;

QString CellName(const char* kind, int column, int row) {
  return QStringLiteral("box_%1_%2_%3").arg(QLatin1String(kind)).arg(column).arg(row);
}

template <typename T>
T* CellControl(CMixerWnd& mixer, const char* kind, int column, int row) {
  T* control = mixer.Find<T>(CellName(kind, column, row));
  EXPECT_NE(control, nullptr) << CellName(kind, column, row).toStdString();
  return control;
}

QString FocusedName() {
  const QWidget* focused = QApplication::focusWidget();
  return focused ? focused->objectName() : QString();
}

class MixerWindowTest : public ConnectedWindowTest {
 protected:
  /// Opens the mixer from the advanced menu and runs `body` inside its modal loop; returns
  /// once the mixer is gone. `body` closes the mixer (or has it closed).
  void WithMixer(const std::function<void(CMixerWnd&)>& body) {
    bool ran = false;
    QTimer turn;
    turn.setInterval(5);
    QObject::connect(&turn, &QTimer::timeout, [&] {
      CMixerWnd* mixer = OpenDialog<CMixerWnd>();
      if (ran || !mixer) return;
      ran = true;
      turn.stop();
      mixer->activateWindow();
      EXPECT_TRUE(WaitFor([mixer] { return QApplication::activeWindow() == mixer; }, 2000)) << "the mixer is active";
      body(*mixer);
    });
    turn.start();
    QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_advance")), Qt::LeftButton);
    ui::PopupMenu* menu = window->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    QAction* item = menu->FindItem(QStringLiteral("advance_item_mixer"));
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    const bool closed = WaitFor([&] { return ran && !OpenDialog<CMixerWnd>(); }, 20000);
    if (!closed) {
      for (ui::WindowBase* w : ui::WindowBase::LiveWindows())
        if (w->IsModalRunning()) w->Close(0);
    }
    ASSERT_TRUE(closed) << "the mixer opened, the steps ran and it closed";
    ASSERT_TRUE(Drain());
  }

  static void Close(CMixerWnd& mixer) { windows::test::Click(mixer, "closebtn"); }

  /// Types `text` into a cell's edit and presses `key`.
  void Type(CMixerWnd& mixer, int column, int row, const QString& text, Qt::Key key = Qt::Key_Return) {
    auto* edit = CellControl<ui::Edit>(mixer, "edit", column, row);
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, key);
  }

  /// Drags a cell's slider thumb to its right end.
  static void DragToTop(CMixerWnd& mixer, int column, int row) {
    auto* slider = CellControl<ui::Slider>(mixer, "volume", column, row);
    ASSERT_NE(slider, nullptr);
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    if (slider->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    const QPoint thumb =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(slider, QPoint(slider->width() / 2, thumb.y()));
    QTest::mouseMove(slider, QPoint(slider->width() + 20, thumb.y()));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() + 20, thumb.y()));
  }

  /// What the box holds for input `input` (1..6) of `source` on `output` (0..7).
  std::pair<bool, int> BoxCell(int source, int input, int output) {
    std::pair<bool, int> cell;
    Box().Inspect([&](const sim::BoxState& state) {
      const sim::SourceSettings& s = state.live.sources[At(source)];
      cell = {(s.mixMask[At(output)] >> (input - 1) & 1) != 0, int{s.mixTrim[At(input - 1)][At(output)]}};
    });
    return cell;
  }
  bool MainInputBox(int output, int input) {
    auto* box = Control<ui::CheckBox>(QStringLiteral("option_ch_in%1_%2").arg(input).arg(output));
    return box && box->IsChecked();
  }
};

TEST_F(MixerWindowTest, RowsFollowTheSourceAndTheWindowShrinksToThem) {
  struct Case {
    int source;
    int rows;
    QStringList titles;
  };
  const std::vector<Case> cases = {
      {SOURCE_HI, 6, {"High Level1", "High Level2", "High Level3", "High Level4", "High Level5", "High Level6"}},
      {SOURCE_COAX, 2, {"Coaxial L", "Coaxial R"}},
      {SOURCE_AUX, 0, {}},
  };
  int sixRowsHeight = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    Controller().Routing().SetSource(c.source);
    WithMixer([&](CMixerWnd& mixer) {
      EXPECT_EQ(mixer.Rows(), c.rows);
      for (int row = 0; row < kBoxInputs; ++row) {
        const bool shown = row < c.rows;
        EXPECT_EQ(mixer.FindControl(QStringLiteral("left_box_%1").arg(row))->isVisible(), shown) << row;
        for (int column = 0; column < kOutputCount; ++column)
          EXPECT_EQ(mixer.FindControl(QStringLiteral("box_%1_%2").arg(column).arg(row))->isVisible(), shown);
        if (!shown) continue;
        const QByteArray title = QStringLiteral("title_label_%1").arg(row).toLatin1();
        EXPECT_EQ(windows::test::Shown(mixer, title.constData()), c.titles[row]);
      }
      EXPECT_TRUE(mixer.FindControl(QStringLiteral("column_7"))->isVisible()) << "the column frames stay";
      if (c.rows == 6) sixRowsHeight = mixer.height();
      else EXPECT_NEAR(mixer.height(), sixRowsHeight - (6 - c.rows) * windows::kMixerRowHeight * mixer.DisplayScale() / 96, 1);
      Close(mixer);
    });
  }
}

TEST_F(MixerWindowTest, EveryWayOfSettingACellReachesTheBoxAndTheMainWindow) {
  Controller().Routing().SetMixLevel(SOURCE_HI, 3, 2, 0);  // output 3, input 3: silent and routed
  Controller().Routing().SetInput(2, 3, false);
  ASSERT_TRUE(Drain());
  WithMixer([&](CMixerWnd& mixer) {
    // Ticked at level 0: routed in the box, at full level.
    QTest::mouseClick(CellControl<ui::CheckBox>(mixer, "enable", 2, 2), Qt::LeftButton);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 3, 2), std::make_pair(true, 100));
    EXPECT_TRUE(MainInputBox(2, 3)) << "the main window shows the input at once";
    EXPECT_EQ(CellControl<ui::Edit>(mixer, "edit", 2, 2)->text(), u"100");

    Type(mixer, 4, 1, QStringLiteral("37"));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 2, 4), std::make_pair(true, 37));
    EXPECT_EQ(CellControl<ui::Slider>(mixer, "volume", 4, 1)->value(), 37);

    auto* edit = CellControl<ui::Edit>(mixer, "edit", 4, 1);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 2, 4).second, 36);

    Type(mixer, 5, 3, QStringLiteral("250"));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 4, 5), std::make_pair(true, 100));
    EXPECT_EQ(CellControl<ui::Edit>(mixer, "edit", 5, 3)->text(), u"100") << "held to the slider's range";

    // A typo changes nothing, wherever it is: the cell takes its whole text or nothing.
    for (const char* typo : {"x7", "7x", "1,5,0"}) {
      Type(mixer, 4, 1, QString::fromLatin1(typo));
      ASSERT_TRUE(Drain());
      EXPECT_EQ(BoxCell(SOURCE_HI, 2, 4), std::make_pair(true, 36)) << typo;
      EXPECT_EQ(edit->text(), u"36") << typo;
    }

    // Typing 0 stops the routing: the box, the tick and the main window's box follow.
    Type(mixer, 2, 2, QStringLiteral("0"));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 3, 2), std::make_pair(false, 0));
    EXPECT_FALSE(CellControl<ui::CheckBox>(mixer, "enable", 2, 2)->IsChecked());
    EXPECT_FALSE(MainInputBox(2, 3));

    DragToTop(mixer, 6, 5);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 6, 6), std::make_pair(true, 100));
    EXPECT_TRUE(MainInputBox(6, 6));
    EXPECT_EQ(FocusedName(), CellName("edit", 6, 5)) << "the slider hands the focus to its edit";

    // Unticked, a cell plays nothing and reads 0.
    QTest::mouseClick(CellControl<ui::CheckBox>(mixer, "enable", 6, 5), Qt::LeftButton);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 6, 6), std::make_pair(false, 0));
    EXPECT_FALSE(CellControl<ui::CheckBox>(mixer, "phase", 6, 5)->isEnabled()) << "the phase is only shown";
    Close(mixer);
  });
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
}

TEST_F(MixerWindowTest, LeftAndRightRunAlongTheRowsAndWrap) {
  WithMixer([&](CMixerWnd& mixer) {
    const auto after = [&](int column, int row, Qt::Key key) {
      auto* edit = CellControl<ui::Edit>(mixer, "edit", column, row);
      QTest::mouseClick(edit, Qt::LeftButton);
      QTest::keyClick(edit, key);
      return FocusedName();
    };
    EXPECT_EQ(after(3, 2, Qt::Key_Right), CellName("edit", 4, 2));
    EXPECT_EQ(after(7, 2, Qt::Key_Right), CellName("edit", 0, 3));
    EXPECT_EQ(after(7, 5, Qt::Key_Right), CellName("edit", 0, 0));
    EXPECT_EQ(after(0, 0, Qt::Key_Left), CellName("edit", 7, 5));
    // Leaving an edit confirms what was typed in it.
    Type(mixer, 1, 0, QStringLiteral("55"), Qt::Key_Right);
    EXPECT_EQ(FocusedName(), CellName("edit", 2, 0));
    ASSERT_TRUE(Drain());
    EXPECT_EQ(BoxCell(SOURCE_HI, 1, 1), std::make_pair(true, 55));
    // So does closing the window.
    auto* edit = CellControl<ui::Edit>(mixer, "edit", 3, 1);
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12"));
    Close(mixer);
  });
  EXPECT_EQ(BoxCell(SOURCE_HI, 2, 3), std::make_pair(true, 12));
}

TEST_F(MixerWindowTest, AChangeElsewhereShowsAtOnceAndUnpluggingClosesTheMixer) {
  WithMixer([&](CMixerWnd& mixer) {
    auto* enable = CellControl<ui::CheckBox>(mixer, "enable", 1, 3);
    ASSERT_FALSE(enable->IsChecked());
    // The main window's input box of output 2, input 4 calls this service.
    Controller().Routing().SetInput(1, 4, true);
    EXPECT_TRUE(enable->IsChecked());
    EXPECT_EQ(CellControl<ui::Edit>(mixer, "edit", 1, 3)->text(), u"100");

    Box().Unplug();
    EXPECT_TRUE(WaitFor([&] { return mixer.CloseCode() == 1; })) << "closed by the session with code 1";
  });
  EXPECT_EQ(Controller().Session().State(), ConnectionState::Disconnected);
}

}  // namespace
}  // namespace qb::test

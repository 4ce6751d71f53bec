// The Options menu's filter text items against the virtual box: an import lists what cannot
// be used, takes the rest when the user agrees and is one undo step; an export of another
// output reads back as its bands.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/eq_import.h"
#include "tests/windows/main_window_fixture.h"

namespace qb::test {
namespace {

class EqExchangeWindowTest : public ConnectedWindowTest {
 protected:
  void AdjustOptions(MainWndOptions& options) override {
    options.profilePathChooser = [this](int, int) { return path; };
    options.statusHoldMs = 60000;
  }
  void Choose(const char* item) {
    ASSERT_TRUE(ChooseMenuItem(QStringLiteral("btn_option"), QString::fromLatin1(item))) << item;
    ASSERT_TRUE(Drain());
  }

  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("filters.txt"));
};

TEST_F(EqExchangeWindowTest, AnImportListsWhatCannotBeUsedAndTakesTheRestAsOneStep) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Filter Settings file\n\nFilter  1: ON  PK  Fc 63,0 Hz  Gain -5,0 dB  Q 4,00\n"
             "Filter  2: ON  HS  Fc 8000 Hz  Gain 3.0 dB\nFilter  3: ON  PK  Fc 250 Hz  Gain 2.5 dB  Q 1.5\n");
  file.close();
  const OutputChannel before = Live().channels[0];
  Choose("option_item_eq_import");
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("line 4: filter type HS"))) << messages[0].toStdString();
  EXPECT_EQ(Live().channels[0].bands[1], (EqBand{2.5f, 1.5f, 250, 1}));
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
  EXPECT_EQ(window->StatusText(), QStringLiteral("Imported 2 filters from filters.txt"));

  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_TRUE(Drain());
  EXPECT_EQ(Live().channels[0], before);
  EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
}

TEST_F(EqExchangeWindowTest, AnImportTheUserDeclinesChangesNothing) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Filter 1: ON PK Fc 100 Hz Gain 30 dB Q 1\nFilter 2: ON PK Fc 200 Hz Gain 3 dB Q 1\n");
  file.close();
  messageAnswer = 0;
  const OutputChannel before = Live().channels[0];
  Choose("option_item_eq_import");
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("-18..12 dB"))) << messages[0].toStdString();
  EXPECT_EQ(Live().channels[0], before);
  EXPECT_FALSE(Controller().History().CanUndo());
  EXPECT_TRUE(window->StatusText().isEmpty()) << "nothing imported, nothing confirmed";
}

TEST_F(EqExchangeWindowTest, AnExportOfTheCurrentOutputReadsBackAsItsBands) {
  QTest::mouseClick(Control<QWidget>(QStringLiteral("ch_enable_1")), Qt::LeftButton);
  Controller().Eq().EditBand(1, 0, 80, 2.0f, -3.5f);
  ASSERT_EQ(Live().currChannel, 1);
  Choose("option_item_eq_export");
  EXPECT_EQ(window->StatusText(), QStringLiteral("Exported filters.txt"));
  EXPECT_TRUE(messages.isEmpty());
  EqImportPlan plan;
  ASSERT_EQ(PlanEqImportFile(path.toStdString(), Live(), 1, plan), FilterFileResult::Ok);
  EXPECT_TRUE(plan.problems.empty());
  const auto bands = Bands(Live(), 1).first(At(EqSize(Live(), 1)));
  EXPECT_EQ(plan.bands, std::vector<EqBand>(bands.begin(), bands.end()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("Output: CH2\nRole: "));
}

}  // namespace
}  // namespace qb::test

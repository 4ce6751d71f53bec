#include "controls/sbutton.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMap>
#include <QStringList>

#include "ui/window_base.h"

namespace qb::controls {
namespace {

TEST(CutStateImage, SplitsTheStripIntoNormalHotAndPushedParts) {
  struct Case {
    int width;
    int count;
    QRect normal;
    QRect hot;
    QRect pushed;
  };
  const Case cases[] = {
      {300, 3, QRect(0, 0, 100, 40), QRect(100, 0, 100, 40), QRect(200, 0, 100, 40)},
      {300, 2, QRect(0, 0, 150, 40), QRect(150, 0, 150, 40), QRect(150, 0, 150, 40)},
      {300, 1, QRect(0, 0, 300, 40), QRect(), QRect()},
      {301, 3, QRect(0, 0, 100, 40), QRect(100, 0, 100, 40), QRect(200, 0, 100, 40)},
      {300, 4, QRect(0, 0, 75, 40), QRect(75, 0, 75, 40), QRect(150, 0, 75, 40)},
      {300, 0, QRect(), QRect(), QRect()},
      {300, -1, QRect(), QRect(), QRect()},
      {2, 3, QRect(), QRect(), QRect()},  // parts narrower than a pixel
  };
  for (const Case& c : cases) {
    const StateImageParts parts = CutStateImage(c.width, 40, c.count);
    EXPECT_EQ(parts.normal, c.normal) << c.width << "/" << c.count;
    EXPECT_EQ(parts.hot, c.hot) << c.width << "/" << c.count;
    EXPECT_EQ(parts.pushed, c.pushed) << c.width << "/" << c.count;
  }
}

TEST(SelectedTextColor, PrefersTheSelectedColoursOverTheNormalOne) {
  constexpr unsigned kNormal = 0xFF111111, kSel = 0xFF222222, kSelHot = 0xFF333333;
  EXPECT_EQ(SelectedTextColor(kNormal, kSel, kSelHot, false), kSel);
  EXPECT_EQ(SelectedTextColor(kNormal, kSel, kSelHot, true), kSelHot);
  EXPECT_EQ(SelectedTextColor(kNormal, 0, kSelHot, false), kNormal);
  EXPECT_EQ(SelectedTextColor(kNormal, 0, kSelHot, true), kSelHot);
  EXPECT_EQ(SelectedTextColor(kNormal, kSel, 0, true), kSel);
  EXPECT_EQ(SelectedTextColor(kNormal, 0, 0, true), kNormal);
}

QByteArray SolidSvg(const char* color, int width = 30, int height = 10) {
  return QStringLiteral(
             "<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2'>"
             "<rect width='%1' height='%2' fill='%3'/></svg>")
      .arg(width)
      .arg(height)
      .arg(QString::fromLatin1(color))
      .toUtf8();
}

/// A strip of three 100x30 states: red, green, blue.
QByteArray StateStripSvg() {
  return QByteArrayLiteral(
      "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='30'>"
      "<rect x='0' width='100' height='30' fill='#ff0000'/>"
      "<rect x='100' width='100' height='30' fill='#00ff00'/>"
      "<rect x='200' width='100' height='30' fill='#0000ff'/></svg>");
}

constexpr unsigned kRed = 0xFFFF0000u;
constexpr unsigned kGreen = 0xFF00FF00u;
constexpr unsigned kBlue = 0xFF0000FFu;
constexpr unsigned kYellow = 0xFFFFFF00u;

/// Pictures served from memory instead of the skin.
class PictureFiles {
 public:
  PictureFiles() {
    m_files.insert(QStringLiteral("red.svg"), SolidSvg("#ff0000"));
    m_files.insert(QStringLiteral("green.svg"), SolidSvg("#00ff00"));
    m_files.insert(QStringLiteral("blue.svg"), SolidSvg("#0000ff"));
    m_files.insert(QStringLiteral("yellow.svg"), SolidSvg("#ffff00"));
    m_files.insert(QStringLiteral("states.svg"), StateStripSvg());
  }
  SButton::FileReader Reader() {
    return [this](const QString& path, QByteArray& bytes) {
      m_reads.append(path);
      bytes = m_files.value(path);
      return m_files.contains(path);
    };
  }
  const QStringList& Reads() const { return m_reads; }

 private:
  QMap<QString, QByteArray> m_files;
  QStringList m_reads;
};

class SButtonPaint : public ::testing::Test {
 protected:
  SButtonPaint() {
    m_button.resize(60, 20);
    m_button.SetFileReader(m_files.Reader());
  }
  void Set(const char* name, const char* value) {
    ASSERT_TRUE(m_button.SetAttribute(QString::fromLatin1(name), QString::fromLatin1(value)))
        << name << "=" << value;
  }
  unsigned PixelAt(int x, int y) { return m_button.grab().toImage().pixelColor(x, y).rgba(); }
  unsigned Centre() { return PixelAt(30, 10); }
  void MakeHot() { m_button.setAttribute(Qt::WA_UnderMouse, true); }
  void MakePushed() {
    MakeHot();
    m_button.setDown(true);
    ASSERT_TRUE(m_button.isDown());
  }

  PictureFiles m_files;
  SButton m_button;
};

TEST_F(SButtonPaint, SelectedPaintsTheImageOfTheStateAndFallsBackToTheNormalOne) {
  Set("selected", "true");
  Set("selectedimage", "red.svg");
  Set("selectedhotimage", "green.svg");
  Set("selectedpushedimage", "blue.svg");
  EXPECT_EQ(Centre(), kRed);
  MakeHot();
  EXPECT_EQ(Centre(), kGreen);
  MakePushed();
  EXPECT_EQ(Centre(), kBlue);

  Set("selectedpushedimage", "missing.svg");  // a pushed image that fails to draw
  EXPECT_EQ(Centre(), kGreen);
  Set("selectedhotimage", "");
  EXPECT_EQ(Centre(), kRed);
}

TEST_F(SButtonPaint, DisabledAndSelectedShowsOnlyTheNormalSelectedImage) {
  Set("selected", "true");
  Set("selectedimage", "red.svg");
  Set("selectedhotimage", "green.svg");
  Set("selectedpushedimage", "blue.svg");
  m_button.setEnabled(false);
  MakePushed();
  EXPECT_EQ(Centre(), kRed);
}

TEST_F(SButtonPaint, TheStateImageIsCutOnceIntoTheSelectedImages) {
  Set("selected", "true");
  Set("selectedstateimage", "res='states.svg' restype='FILE'");
  Set("selectedstatecount", "3");
  m_button.PrepareSelectedImages();
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Normal).source, QRect(0, 0, 100, 30));
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Hot).source, QRect(100, 0, 100, 30));
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Pushed).source, QRect(200, 0, 100, 30));
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Pushed).path, QStringLiteral("states.svg"));

  EXPECT_EQ(Centre(), kRed);
  MakeHot();
  EXPECT_EQ(Centre(), kGreen);
  MakePushed();
  EXPECT_EQ(Centre(), kBlue);
  m_button.setEnabled(false);
  m_button.setDown(true);
  EXPECT_EQ(Centre(), kRed);
  EXPECT_EQ(m_files.Reads().count(QStringLiteral("states.svg")), 1) << "read once, then kept";
}

TEST_F(SButtonPaint, TwoStatesShareTheSecondPartForHotAndPushed) {
  Set("selected", "true");
  Set("selectedstateimage", "states.svg");
  Set("selectedstatecount", "2");
  m_button.PrepareSelectedImages();
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Normal).source, QRect(0, 0, 150, 30));
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Hot).source, QRect(150, 0, 150, 30));
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Pushed).source, QRect(150, 0, 150, 30));
}

TEST_F(SButtonPaint, AnExplicitNormalImageWinsOverTheStateImage) {
  Set("selected", "true");
  Set("selectedimage", "yellow.svg");
  Set("selectedstateimage", "states.svg");
  Set("selectedstatecount", "3");
  m_button.PrepareSelectedImages();
  EXPECT_EQ(m_button.SelectedImage(SButton::State::Normal).path, QStringLiteral("yellow.svg"));
  EXPECT_TRUE(m_button.SelectedImage(SButton::State::Hot).IsEmpty());
  EXPECT_EQ(Centre(), kYellow);
}

TEST_F(SButtonPaint, BackgroundAndForegroundLayersAndTheUnselectedButton) {
  Set("selectedbkcolor", "#FF0000FF");
  Set("selectedforeimage", "res='yellow.svg' dest='0,0,10,10'");
  EXPECT_NE(Centre(), kBlue) << "not selected: the plain button";
  m_button.SetSelected(true);
  EXPECT_EQ(Centre(), kBlue);
  EXPECT_EQ(PixelAt(5, 5), kYellow);  // the foreground image at its destination
  EXPECT_EQ(PixelAt(15, 5), kBlue);
  m_button.SetSelected(false);
  EXPECT_NE(Centre(), kBlue);
}

bool Shows(const QImage& image, unsigned argb) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).rgba() == argb) return true;
  return false;
}

TEST(SButtonText, TakesTheColourOfTheSelectedAndHotState) {
  constexpr unsigned kSelected = 0xFFFF00FFu, kSelectedHot = 0xFF00FFFFu, kHot = 0xFFFF8000u;
  struct Case {
    bool selected;
    bool hot;
    bool enabled;
    unsigned shown;  // 0: none of the three colours
  };
  const Case cases[] = {
      {true, false, true, kSelected}, {true, true, true, kSelectedHot},
      {false, true, true, kHot},      {false, false, true, 0},
      {true, true, false, 0},  // disabled: the palette's disabled colour
  };
  for (const Case& c : cases) {
    SButton button;
    button.resize(160, 40);
    QFont font = button.font();
    font.setPixelSize(28);
    font.setBold(true);
    button.setFont(font);
    button.setText(QStringLiteral("HHHH"));
    ASSERT_TRUE(button.SetAttribute(QStringLiteral("selectedtextcolor"), QStringLiteral("#FF00FF")));
    ASSERT_TRUE(
        button.SetAttribute(QStringLiteral("selectedhottextcolor"), QStringLiteral("#00FFFF")));
    ASSERT_TRUE(button.SetAttribute(QStringLiteral("hottextcolor"), QStringLiteral("#FF8000")));
    button.SetSelected(c.selected);
    button.setEnabled(c.enabled);
    button.setAttribute(Qt::WA_UnderMouse, c.hot);
    const QImage image = button.grab().toImage();
    for (const unsigned color : {kSelected, kSelectedHot, kHot})
      EXPECT_EQ(Shows(image, color), color == c.shown)
          << std::hex << color << " selected " << c.selected << " hot " << c.hot << " enabled "
          << c.enabled;
  }
}

TEST(SButtonAttributes, AcceptsItsOwnNamesAndRefusesBadValuesAndOthers) {
  struct Case {
    const char* name;
    const char* value;
    bool ok;
  };
  const Case cases[] = {
      {"selectedbkcolor", "#FF102030", true},
      {"selectedbkcolor", "102030", true},
      {"selectedtextcolor", "#FFFFFFFF", true},
      {"selectedhottextcolor", "#00FF00", true},
      {"hottextcolor", "#FF00FF00", true},
      {"selectedtextcolor", "#GG0000", false},
      {"selectedtextcolor", "#12345", false},
      {"selectedfont", "12", true},
      {"selectedfont", "-1", true},
      {"selectedfont", "-2", false},
      {"selectedfont", "big", false},
      {"selectedstatecount", "3", true},
      {"selectedstatecount", "-1", false},
      {"selectedimage", "common/a.svg", true},
      {"selectedhotimage", "res='a.svg' source='0,0,10,10'", true},
      {"selectedpushedimage", "res='a.svg' source='0,0'", false},
      {"selectedforeimage", "", true},
      {"selectedstateimage", "file='a.svg'", true},
      {"text", "hello", false},  // the button's own attributes are not the sink's
      {"selectedcolor", "#FFFFFF", false},
  };
  SButton button;
  for (const Case& c : cases)
    EXPECT_EQ(button.SetAttribute(QString::fromLatin1(c.name), QString::fromLatin1(c.value)), c.ok)
        << c.name << "=" << c.value;
}

TEST(SButtonAttributes, SelectedTakesTrueOnly) {
  SButton button;
  EXPECT_TRUE(button.SetAttribute(QStringLiteral("selected"), QStringLiteral("true")));
  EXPECT_TRUE(button.IsSelected());
  EXPECT_TRUE(button.isChecked()) << "the style sheet sees it as :checked";
  EXPECT_TRUE(button.SetAttribute(QStringLiteral("selected"), QStringLiteral("false")));
  EXPECT_FALSE(button.IsSelected());
  EXPECT_FALSE(button.isChecked());
}

/// A window that records what its controls report.
class NotificationRecorder : public ui::WindowBase {
 public:
  QString ClassName() const override { return QStringLiteral("TestWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_TEST"); }
  QStringList types;

 protected:
  void Notify(ui::Notification& notification) override { types.append(notification.TypeName()); }
};

TEST(SButtonNotifications, SelectingFromTheProgramRaisesNothing) {
  NotificationRecorder window;
  auto* button = new SButton(&window);
  button->SetSelected(true);
  button->SetSelected(false);
  button->SetSelected(true);
  EXPECT_TRUE(window.types.isEmpty()) << window.types.join(',').toStdString();
  EXPECT_TRUE(button->IsSelected());
}

TEST(SButtonNotifications, AClickRaisesOnlyClickAndKeepsTheSelectedState) {
  NotificationRecorder window;
  auto* button = new SButton(&window);
  for (const bool selected : {false, true}) {
    window.types.clear();
    button->SetSelected(selected);
    button->click();
    EXPECT_EQ(window.types, QStringList{QStringLiteral("click")});
    EXPECT_EQ(button->IsSelected(), selected);
    EXPECT_EQ(button->isChecked(), selected);
  }
}

}  // namespace
}  // namespace qb::controls

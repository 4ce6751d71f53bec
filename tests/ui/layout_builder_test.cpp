// The resource index and the layout builder: errors that name file and line, Include copies
// with index substitution, and the real main window layout with the output strips inserted.

#include <gtest/gtest.h>

#include <QLabel>
#include <QRegularExpression>

#include "tests/ui/recording_window.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/layout_builder.h"
#include "ui/skin.h"
#include "ui/slider.h"
#include "ui/widget_style.h"

namespace qb::ui {
namespace {

// --- resource index ----------------------------------------------------------------------

TEST(ResourceIndexTest, ReadsNestedEntriesAndKeepsFirstOfAnId) {
  ResourceIndex index;
  ASSERT_TRUE(index.Parse(R"(<Resource>
      <Xml id="XML_MAIN" path="xml/Main_dlg.xml"/>
      <Group><Deeper><Xml id="XML_MSG" path="xml\msg.xml"/></Deeper>
        <Image id="IMG_CAR" path="car.svg"/></Group>
      <Xml id="XML_MAIN" path="xml/other.xml"/>
      <Image id="IMG_CAR" path="other.svg"/>
      <Xml id="XML_CAR" path="car.svg"/>
    </Resource>)"));
  EXPECT_EQ(index.LayoutPath(QStringLiteral("XML_MAIN")), u"xml/Main_dlg.xml");
  EXPECT_EQ(index.LayoutPath(QStringLiteral("XML_MSG")), u"xml/msg.xml");
  EXPECT_EQ(index.ImagePath(QStringLiteral("IMG_CAR")), u"car.svg");
  // Layout and image ids live apart.
  EXPECT_TRUE(index.LayoutPath(QStringLiteral("IMG_CAR")).isEmpty());
  EXPECT_EQ(index.LayoutCount(), 3);
}

TEST(ResourceIndexTest, MalformedXmlIsRefused) {
  ResourceIndex index;
  QString error;
  EXPECT_FALSE(index.Parse("<Resource><Xml id=\"A\" path=\"a.xml\"></Resource>", &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(ResourceIndexTest, SkinIndexNamesTheMainLayout) {
  QString error;
  ASSERT_TRUE(LoadSkin(&error)) << error.toStdString();
  EXPECT_EQ(SkinIndex().LayoutPath(QStringLiteral("XML_MAIN")), u"xml/Main_dlg.xml");
}

// --- builder errors --------------------------------------------------------------------------

struct BadLayoutCase {
  const char* what;
  const char* xml;
  int line;
  const char* mentions;
};

class BadLayoutTest : public ::testing::TestWithParam<BadLayoutCase> {};

TEST_P(BadLayoutTest, FailsNamingFileAndLine) {
  const QString path = QStringLiteral("test/bad_layout.xml");
  RegisterSkinOverride(path, QByteArray(GetParam().xml));
  test::RecordingWindow window;
  const LayoutResult result = BuildLayout(path, &window, window);
  RegisterSkinOverride(path, {});
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.error.contains(path + u':' + QString::number(GetParam().line)))
      << result.error.toStdString();
  EXPECT_TRUE(result.error.contains(QString::fromLatin1(GetParam().mentions))) << result.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadLayoutTest,
    ::testing::Values(
        BadLayoutCase{"unknown element", "<Window size=\"100,100\">\n  <Label pos=\"0,0,10,10\"/>\n  <Buton pos=\"0,0,10,10\"/>\n</Window>", 3, "Buton"},
        BadLayoutCase{"unknown attribute", "<Window size=\"100,100\">\n\n\n  <Label pos=\"0,0,10,10\" colour=\"#FF000000\"/>\n</Window>", 4, "colour"},
        BadLayoutCase{"attribute of another kind", "<Layout size=\"100,100\">\n  <Edit pos=\"0,0,10,10\" min=\"3\"/>\n</Layout>", 2, "min"},
        BadLayoutCase{"bad number", "<Layout size=\"100,100\">\n  <Slider pos=\"0,0,10,10\"\n   max=\"ten\"/>\n</Layout>", 3, "max"},
        BadLayoutCase{"bad pos", "<Layout size=\"100,100\">\n  <Button pos=\"0,0,10\"/>\n</Layout>", 2, "pos"},
        BadLayoutCase{"nested unknown", "<Layout size=\"100,100\">\n  <Container pos=\"0,0,10,10\">\n    <Image src=\"car.svg\" pos=\"0,0,1,1\" alt=\"x\"/>\n  </Container>\n</Layout>", 3, "alt"},
        BadLayoutCase{"combo child", "<Layout size=\"100,100\">\n  <Combo pos=\"0,0,10,10\">\n    <Label/>\n  </Combo>\n</Layout>", 3, "Item"},
        BadLayoutCase{"broken xml", "<Layout size=\"100,100\">\n  <Label pos=\"0,0,10,10\">\n</Layout>", 3, ""}));

TEST(LayoutBuilderTest, ErrorInIncludedFileNamesThatFile) {
  RegisterSkinOverride(QStringLiteral("test/outer.xml"),
                       "<Layout size=\"50,50\">\n  <Include source=\"test/inner.xml\" count=\"2\" pos=\"0,0\" step=\"10,0\"/>\n</Layout>");
  RegisterSkinOverride(QStringLiteral("test/inner.xml"),
                       "<Layout size=\"10,10\">\n\n  <Lable name=\"x_%d\"/>\n</Layout>");
  test::RecordingWindow window;
  const LayoutResult result = BuildLayout(QStringLiteral("test/outer.xml"), &window, window);
  RegisterSkinOverride(QStringLiteral("test/outer.xml"), {});
  RegisterSkinOverride(QStringLiteral("test/inner.xml"), {});
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.error.startsWith(u"test/inner.xml:3")) << result.error.toStdString();
}

// --- Include copies --------------------------------------------------------------------------

class IncludeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinOverride(QStringLiteral("test/strip.xml"), R"(<Layout size="40,60">
  <Label name="caption_%d" pos="0,0,40,10" text="CH%n of %d"/>
  <Button name="btn_%d" pos="0,10,40,10" userdata="u%d/%n" text="${key_%n}"/>
  <CheckBox name="fixed_name" pos="0,20,40,10"/>
  <Slider name="slider_%d" pos="0,30,40,10" min="-600" max="0" value="-10" step="10"/>
  <Combo name="combo_%d" pos="0,40,40,10"><Item name="item_%d" text="I%n"/></Combo>
</Layout>)");
    RegisterSkinOverride(QStringLiteral("test/host.xml"), R"(<Window size="300,200" caption="20" title="host">
  <Container name="box" pos="5,5,290,190">
    <Include source="test/strip.xml" count="3" first="2" pos="10,20" step="50,5"/>
  </Container>
</Window>)");
    m_result = BuildLayout(QStringLiteral("test/host.xml"), &m_window, m_window);
    ASSERT_TRUE(m_result.ok) << m_result.error.toStdString();
  }
  void TearDown() override {
    RegisterSkinOverride(QStringLiteral("test/strip.xml"), {});
    RegisterSkinOverride(QStringLiteral("test/host.xml"), {});
  }

  test::RecordingWindow m_window;
  LayoutResult m_result;
};

TEST_F(IncludeTest, CopiesSubstituteIndexInNamesUserDataAndTexts) {
  EXPECT_EQ(m_result.rootWidth, 300);
  EXPECT_EQ(m_result.captionHeight, 20);
  EXPECT_EQ(m_result.title, u"host");
  for (int index = 2; index <= 4; ++index) {
    SCOPED_TRACE(index);
    auto* caption = m_window.Find<QLabel>(QStringLiteral("caption_%1").arg(index));
    auto* button = m_window.Find<Button>(QStringLiteral("btn_%1").arg(index));
    auto* slider = m_window.Find<Slider>(QStringLiteral("slider_%1").arg(index));
    auto* combo = m_window.Find<Combo>(QStringLiteral("combo_%1").arg(index));
    ASSERT_TRUE(caption && button && slider && combo);
    EXPECT_EQ(ControlText(caption), QStringLiteral("CH%1 of %2").arg(index + 1).arg(index));
    EXPECT_EQ(ControlText(button), QStringLiteral("${key_%1}").arg(index + 1));
    EXPECT_EQ(UserData(button), QStringLiteral("u%1/%2").arg(index).arg(index + 1));
    // An indexed control without user data of its own gets the index.
    EXPECT_EQ(UserIndex(caption), index);
    EXPECT_EQ(UserIndex(slider), index);
    EXPECT_EQ(combo->ItemName(0), QStringLiteral("item_%1").arg(index));
    EXPECT_EQ(combo->itemText(0), QStringLiteral("I%1").arg(index + 1));
    EXPECT_EQ(slider->minimum(), -600);
    EXPECT_EQ(slider->value(), -10);
    // Copy i sits at origin + i * step inside the container.
    const QWidget* copy = caption->parentWidget();
    EXPECT_EQ(copy->geometry(), QRect(10 + (index - 2) * 50, 20 + (index - 2) * 5, 40, 60));
    EXPECT_EQ(copy->parentWidget(), m_window.FindControl(QStringLiteral("box")));
  }
  EXPECT_EQ(m_window.findChildren<QLabel*>(QStringLiteral("caption_5")).size(), 0);
}

TEST_F(IncludeTest, UnindexedNameInCopiesGetsNoUserData) {
  const auto fixed = m_window.findChildren<CheckBox*>(QStringLiteral("fixed_name"));
  ASSERT_EQ(fixed.size(), 3);
  for (const CheckBox* box : fixed) EXPECT_TRUE(UserData(box).isEmpty());
}

TEST_F(IncludeTest, NotificationOfACopyCarriesItsIndex) {
  auto* button = m_window.Find<Button>(QStringLiteral("slider_3"));
  EXPECT_EQ(button, nullptr);
  auto* slider = m_window.Find<Slider>(QStringLiteral("slider_3"));
  ASSERT_NE(slider, nullptr);
  ASSERT_TRUE(test::ShowActive(&m_window));
  m_window.Clear();
  QWheelEvent wheel(QPointF(5, 5), slider->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(slider, &wheel);
  ASSERT_EQ(m_window.notifications.size(), 1u);
  EXPECT_EQ(m_window.notifications[0].index, 3);
  EXPECT_EQ(m_window.notifications[0].wParam, 0);
}

TEST(NestedIncludeTest, ACopyInsideACopyTakesBothIndicesOutermostFirst) {
  RegisterSkinOverride(QStringLiteral("test/cell.xml"), R"(<Layout size="20,10">
  <Label name="cell_%d_%d" pos="0,0,20,10" text="row %n"/>
</Layout>)");
  RegisterSkinOverride(QStringLiteral("test/column.xml"), R"(<Layout size="20,40">
  <Label name="head_%d" pos="0,0,20,10"/>
  <Include source="test/cell.xml" count="3" pos="0,10" step="0,10"/>
</Layout>)");
  RegisterSkinOverride(QStringLiteral("test/grid.xml"), R"(<Window size="60,40" caption="0" title="grid">
  <Include source="test/column.xml" count="2" first="4" pos="0,0" step="20,0"/>
</Window>)");
  test::RecordingWindow window;
  const LayoutResult result = BuildLayout(QStringLiteral("test/grid.xml"), &window, window);
  for (const char* path : {"test/cell.xml", "test/column.xml", "test/grid.xml"})
    RegisterSkinOverride(QString::fromLatin1(path), {});
  ASSERT_TRUE(result.ok) << result.error.toStdString();
  EXPECT_NE(window.FindControl(QStringLiteral("head_5")), nullptr);
  auto* cell = window.Find<QLabel>(QStringLiteral("cell_5_2"));
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(ControlText(cell), u"row 3");
  EXPECT_EQ(UserIndex(cell), 2) << "user data is the copy's own index";
  EXPECT_EQ(window.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^cell_\\d_\\d$"))).size(), 6);
}

// --- the real main window ------------------------------------------------------------------

class MainLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(LoadSkin(&error)) << error.toStdString();
    ASSERT_TRUE(m_window.Create(QStringLiteral("mainwnd"), &error)) << error.toStdString();
    ASSERT_TRUE(m_window.InsertLayout(m_window.FindControl(QStringLiteral("channel_settings")),
                                      QStringLiteral("xml/channel_settings_6in_mixer.xml"), &error))
        << error.toStdString();
  }

  /// Every name exists exactly once (a lookup by name must be unambiguous) and is a T.
  template <typename T>
  void ExpectEach(const QString& format, int first, int count) {
    for (int i = first; i < first + count; ++i) {
      const QString name = format.contains(u"%d") ? QString(format).replace(u"%d"_qs, QString::number(i)) : format;
      const auto found = m_window.findChildren<QWidget*>(name);
      ASSERT_EQ(found.size(), 1) << name.toStdString();
      EXPECT_NE(dynamic_cast<T*>(found[0]), nullptr) << name.toStdString() << " is a "
                                                     << found[0]->metaObject()->className();
    }
  }
  int CountOf(const QString& format, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i)
      n += int(m_window.findChildren<QWidget*>(QString(format).replace(u"%d"_qs, QString::number(i))).size());
    return n;
  }

  test::RecordingWindow m_window{QStringLiteral("XML_MAIN")};
};

TEST_F(MainLayoutTest, HasEverySingleControlTheViewBinds) {
  ExpectEach<test::StandInControl>(QStringLiteral("btnConnect"), 0, 1);
  ExpectEach<test::StandInControl>(QStringLiteral("btn_amp_onoff"), 0, 1);
  ExpectEach<test::StandInControl>(QStringLiteral("equalizer"), 0, 1);
  for (const char* name : {"btn_debug", "btn_advance", "btn_reset_eq", "btn_bypass", "btn_arg_eq",
                           "btn_reset_output", "btn_lock_output", "btn_link_output", "closebtn", "minbtn"})
    ExpectEach<QAbstractButton>(QString::fromLatin1(name), 0, 1);
  for (const char* name : {"btn_input_source", "comb_ch_unit", "hp_type", "lp_type", "hp_slop", "lp_slop"})
    ExpectEach<Combo>(QString::fromLatin1(name), 0, 1);
  for (const char* name : {"edit_main_volume", "hp_freq", "lp_freq"})
    ExpectEach<Edit>(QString::fromLatin1(name), 0, 1);
  ExpectEach<Slider>(QStringLiteral("slider_main_volume"), 0, 1);
  ExpectEach<CheckBox>(QStringLiteral("main_mute"), 0, 1);
  EXPECT_FALSE(m_window.FindControl(QStringLiteral("btn_debug"))->isVisibleTo(&m_window));
}

TEST_F(MainLayoutTest, HasThirtyOneBandRows) {
  ExpectEach<Edit>(QStringLiteral("eq_freq_%d"), 0, 31);
  ExpectEach<Edit>(QStringLiteral("eq_q_%d"), 0, 31);
  ExpectEach<Edit>(QStringLiteral("eq_gain_%d"), 0, 31);
  ExpectEach<Slider>(QStringLiteral("eq_slider_%d"), 0, 31);
  ExpectEach<CheckBox>(QStringLiteral("pt_enable_%d"), 0, 31);
  EXPECT_EQ(CountOf(QStringLiteral("eq_slider_%d"), 40), 31);
  EXPECT_EQ(UserIndex(m_window.FindControl(QStringLiteral("eq_gain_17"))), 17);
}

TEST_F(MainLayoutTest, HasEightOutputStripsWithTheirRanges) {
  ExpectEach<CheckBox>(QStringLiteral("ch_show_%d"), 0, 8);
  ExpectEach<Option>(QStringLiteral("ch_enable_%d"), 0, 8);
  ExpectEach<QAbstractButton>(QStringLiteral("ch_output_btn_%d"), 0, 8);
  ExpectEach<Slider>(QStringLiteral("slider_ch_volume_%d"), 0, 8);
  ExpectEach<QWidget>(QStringLiteral("ch_volume_bg_%d"), 0, 8);
  ExpectEach<Edit>(QStringLiteral("edit_ch_volume_%d"), 0, 8);
  for (const char* name : {"ch_mute_%d", "ch_phase_%d", "ch_synchronize_%d", "option_ch_in1_%d", "option_ch_in2_%d"})
    ExpectEach<CheckBox>(QString::fromLatin1(name), 0, 8);
  ExpectEach<Slider>(QStringLiteral("slider_ch_delay_%d"), 0, 8);
  ExpectEach<Edit>(QStringLiteral("edit_ch_delay_%d"), 0, 8);
  ExpectEach<QWidget>(QStringLiteral("input_123_%d"), 0, 8);
  ExpectEach<QWidget>(QStringLiteral("input_456_%d"), 0, 8);
  // Optional per strip: absent everywhere or present in every strip.
  for (const char* name : {"delay_lable_%d", "control_empty_%d", "option_ch_in3_%d", "option_ch_in4_%d",
                           "option_ch_in5_%d", "option_ch_in6_%d"}) {
    const int n = CountOf(QString::fromLatin1(name), 8);
    EXPECT_TRUE(n == 0 || n == 8) << name << ": " << n;
  }
  EXPECT_EQ(CountOf(QStringLiteral("slider_ch_volume_%d"), 12), 8);

  for (int ch = 0; ch < 8; ++ch) {
    SCOPED_TRACE(ch);
    auto* volume = m_window.Find<Slider>(QStringLiteral("slider_ch_volume_%1").arg(ch));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->minimum(), -600);
    EXPECT_EQ(volume->maximum(), 0);
    EXPECT_EQ(volume->Step(), 10);
    auto* selector = m_window.Find<Option>(QStringLiteral("ch_enable_%1").arg(ch));
    EXPECT_EQ(UserIndex(selector), ch);
    EXPECT_EQ(UserIndex(volume), ch);
  }
  auto* main = m_window.Find<Slider>(QStringLiteral("slider_main_volume"));
  EXPECT_EQ(main->minimum(), 0);
  EXPECT_EQ(main->maximum(), 40);
}

TEST_F(MainLayoutTest, OutputSelectorsFormOneGroup) {
  auto* first = m_window.Find<Option>(QStringLiteral("ch_enable_0"));
  auto* fifth = m_window.Find<Option>(QStringLiteral("ch_enable_4"));
  ASSERT_TRUE(first && fifth);
  first->SetSelected(true, false);
  fifth->SetSelected(true, false);
  EXPECT_FALSE(first->IsSelected());
  EXPECT_TRUE(fifth->IsSelected());
}

TEST_F(MainLayoutTest, HasTwentyFourSpeakersIndexedByRole) {
  for (int role = 1; role <= 24; ++role) {
    const auto found = m_window.findChildren<QWidget*>(QStringLiteral("speaker_%1").arg(role));
    ASSERT_EQ(found.size(), 1) << role;
    EXPECT_EQ(UserIndex(found[0]), role);
  }
  EXPECT_EQ(m_window.findChildren<QWidget*>(QStringLiteral("speaker_0")).size(), 0);
  EXPECT_EQ(m_window.findChildren<QWidget*>(QStringLiteral("speaker_25")).size(), 0);
}

TEST_F(MainLayoutTest, SourceSelectorHasTheNineSourcesInOrder) {
  auto* source = m_window.Find<Combo>(QStringLiteral("btn_input_source"));
  ASSERT_NE(source, nullptr);
  const QStringList expected = {u"source_opt"_qs, u"source_coax"_qs, u"source_bt"_qs,
                                u"source_aux"_qs, u"source_low"_qs,  u"source_hi"_qs,
                                u"source_dmp"_qs, u"source_udp"_qs,  u"source_scp"_qs};
  ASSERT_EQ(source->count(), expected.size());
  for (int i = 0; i < source->count(); ++i) {
    EXPECT_EQ(source->ItemName(i), expected[i]);
    EXPECT_EQ(source->FindItem(expected[i]), i);
  }
  auto* unit = m_window.Find<Combo>(QStringLiteral("comb_ch_unit"));
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->count(), 3);
}

}  // namespace
}  // namespace qb::ui

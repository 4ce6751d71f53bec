// Notifications the skin's controls raise for real input events (keys, mouse, wheel) on the
// offscreen platform, and the program-side setters that must stay silent.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListView>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include "tests/ui/recording_window.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/edit.h"
#include "ui/focus_notifier.h"
#include "ui/layout_builder.h"
#include "ui/skin.h"
#include "ui/slider.h"

namespace qb::ui {
namespace {

constexpr char kControlsLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="420,320" caption="0" title="controls">
  <Edit name="edit_a" pos="10,10,100,22" text="12.5"/>
  <Edit name="edit_b" pos="10,40,100,22" text="7"/>
  <Edit name="edit_off" pos="10,70,100,22" text="3" enabled="false"/>
  <Slider name="slider_on" pos="10,100,200,20" min="-600" max="0" value="-300" step="10"/>
  <Slider name="slider_off" pos="10,125,200,20" min="-600" max="0" value="-300" step="10" enabled="false"/>
  <Option name="opt_0" group="outputs" pos="220,10,40,20" selected="true" userdata="0"/>
  <Option name="opt_1" group="outputs" pos="220,35,40,20" userdata="1"/>
  <Option name="opt_2" group="outputs" pos="220,60,40,20" userdata="2"/>
  <Option name="single" pos="220,85,40,20"/>
  <CheckBox name="check" pos="220,110,80,20" text="mute"/>
  <Button name="btn_indexed" pos="300,10,60,20" userdata="7"/>
  <Button name="btn_plain" pos="300,35,60,20"/>
  <Button name="btn_worded" pos="300,60,60,20" userdata="seven"/>
  <Combo name="combo" pos="300,85,100,22">
    <Item name="item_a" text="A"/>
    <Item name="item_b" text="B"/>
    <Item name="item_c" text="C" visible="false"/>
    <Item name="item_d" text="D" visible="false"/>
    <Item name="item_e" text="E"/>
  </Combo>
</Window>
)";

/// Exposes the style option so the tests press exactly on, or exactly off, the thumb.
class ProbeSlider : public Slider {
 public:
  using Slider::Slider;
  QRect HandleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  }
};

void Wheel(QWidget* target, int angleDeltaY) {
  const QPointF pos(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, angleDeltaY), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

using test::KeyClick;
using test::MouseClick;
using test::SendMouse;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinOverride(QStringLiteral("test/controls.xml"), QByteArray(kControlsLayout));
    const LayoutResult layout = BuildLayout(QStringLiteral("test/controls.xml"), &m_window, m_window);
    ASSERT_TRUE(layout.ok) << layout.error.toStdString();
    m_window.resize(layout.rootWidth, layout.rootHeight);
    ASSERT_TRUE(test::ShowActive(&m_window));
    m_window.Clear();
  }
  void TearDown() override { RegisterSkinOverride(QStringLiteral("test/controls.xml"), {}); }

  template <typename T>
  T* Get(const char* name) {
    T* control = m_window.Find<T>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  test::RecordingWindow m_window;
};

// --- Edit --------------------------------------------------------------------------------

struct EditKeyCase {
  Qt::Key key;
  const char* type;
};

class EditKeyTest : public ControlsTest, public ::testing::WithParamInterface<EditKeyCase> {};

TEST_P(EditKeyTest, RaisesOnlyItsNotificationAndLeavesCaretAndText) {
  auto* edit = Get<Edit>("edit_a");
  edit->setFocus(Qt::OtherFocusReason);
  edit->setCursorPosition(2);
  m_window.Clear();

  KeyClick(edit, GetParam().key);

  EXPECT_EQ(m_window.Seen(), QStringList{QString::fromLatin1(GetParam().type) + QStringLiteral(":edit_a")});
  EXPECT_EQ(edit->text(), u"12.5");
  EXPECT_EQ(edit->cursorPosition(), 2);
  EXPECT_TRUE(m_window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(ArrowsAndEnter, EditKeyTest,
                         ::testing::Values(EditKeyCase{Qt::Key_Up, "valuechangedup"},
                                           EditKeyCase{Qt::Key_Down, "valuechangeddown"},
                                           EditKeyCase{Qt::Key_Left, "valuechangedleft"},
                                           EditKeyCase{Qt::Key_Right, "valuechangedright"},
                                           EditKeyCase{Qt::Key_Return, "return"},
                                           EditKeyCase{Qt::Key_Enter, "return"}));

TEST_F(ControlsTest, EditStillTakesTypedText) {
  auto* edit = Get<Edit>("edit_b");
  edit->setFocus(Qt::OtherFocusReason);
  edit->setCursorPosition(1);
  m_window.Clear();
  KeyClick(edit, Qt::Key_5, QStringLiteral("5"));
  EXPECT_EQ(edit->text(), u"75");
  EXPECT_TRUE(m_window.Seen().isEmpty());
}

TEST_F(ControlsTest, TabMovesFocusAndFocusChangesAreReported) {
  auto* a = Get<Edit>("edit_a");
  auto* b = Get<Edit>("edit_b");
  b->setFocus(Qt::OtherFocusReason);
  a->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), a);
  m_window.Clear();

  KeyClick(a, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), b);
  EXPECT_EQ(m_window.Seen(), (QStringList{u"killfocus:edit_a"_qs, u"setfocus:edit_b"_qs}));
  EXPECT_EQ(a->text(), u"12.5");
  EXPECT_EQ(b->text(), u"7");
  m_window.Clear();

  KeyClick(b, Qt::Key_Backtab, {}, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), a);
  EXPECT_EQ(m_window.Seen(), (QStringList{u"killfocus:edit_b"_qs, u"setfocus:edit_a"_qs}));
}

TEST_F(ControlsTest, WheelOverEnabledEditRaisesUpOrDownAndOverDisabledNothing) {
  Wheel(Get<Edit>("edit_a"), 120);
  Wheel(Get<Edit>("edit_a"), -120);
  EXPECT_EQ(m_window.Seen(), (QStringList{u"valuechangedup:edit_a"_qs, u"valuechangeddown:edit_a"_qs}));
  m_window.Clear();

  Wheel(Get<Edit>("edit_off"), 120);
  Wheel(Get<Edit>("edit_off"), -120);
  EXPECT_TRUE(m_window.Seen().isEmpty()) << m_window.Seen().join(u' ').toStdString();
  EXPECT_EQ(Get<Edit>("edit_off")->text(), u"3");
}

// --- Slider ------------------------------------------------------------------------------

TEST_F(ControlsTest, WheelNotchMovesEnabledSliderOneStep) {
  auto* slider = Get<Slider>("slider_on");
  Wheel(slider, 120);
  ASSERT_EQ(m_window.notifications.size(), 1u);
  EXPECT_EQ(m_window.Seen().front(), u"valuechanged:slider_on");
  EXPECT_EQ(m_window.notifications[0].wParam, -290);
  EXPECT_EQ(slider->value(), -290);

  Wheel(slider, -120);
  Wheel(slider, -120);
  EXPECT_EQ(slider->value(), -310);
  ASSERT_EQ(m_window.notifications.size(), 3u);
  EXPECT_EQ(m_window.notifications[2].wParam, -310);
}

TEST_F(ControlsTest, WheelOverDisabledSliderDoesNothing) {
  auto* slider = Get<Slider>("slider_off");
  Wheel(slider, 120);
  Wheel(slider, -120);
  EXPECT_EQ(slider->value(), -300);
  EXPECT_TRUE(m_window.Seen().isEmpty());
}

TEST_F(ControlsTest, KeysDoNotMoveSlider) {
  auto* slider = Get<Slider>("slider_on");
  slider->setFocus(Qt::OtherFocusReason);
  m_window.Clear();
  for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp,
                      Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End})
    KeyClick(slider, key);
  EXPECT_EQ(slider->value(), -300);
  EXPECT_TRUE(m_window.Seen().isEmpty()) << m_window.Seen().join(u' ').toStdString();
}

class SliderDragTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    m_slider = new ProbeSlider(Qt::Horizontal, &m_window);
    m_slider->setObjectName(QStringLiteral("drag"));
    m_slider->installEventFilter(&FocusNotifier::Instance());
    m_slider->setGeometry(10, 200, 300, 24);
    m_slider->setRange(0, 100);
    m_slider->SetMoveNotify(true);
    m_slider->show();
    m_window.Clear();
  }

  QStringList ValueNotifications() const {
    QStringList out;
    for (const QString& seen : m_window.Seen())
      if (!seen.startsWith(u"setfocus") && !seen.startsWith(u"killfocus")) out << seen;
    return out;
  }

  ProbeSlider* m_slider = nullptr;
};

TEST_F(SliderDragTest, PressOnTrackOffTheThumbLeavesValueAlone) {
  const QRect handle = m_slider->HandleRect();
  const QPoint offThumb(m_slider->width() - 4, m_slider->height() / 2);
  ASSERT_FALSE(handle.contains(offThumb));

  SendMouse(m_slider, QEvent::MouseButtonPress, offThumb, Qt::LeftButton);
  SendMouse(m_slider, QEvent::MouseMove, offThumb - QPoint(20, 0), Qt::LeftButton);
  SendMouse(m_slider, QEvent::MouseButtonRelease, offThumb - QPoint(20, 0), Qt::NoButton);

  EXPECT_EQ(m_slider->value(), 0);
  EXPECT_FALSE(m_slider->isSliderDown());
  EXPECT_TRUE(ValueNotifications().isEmpty()) << ValueNotifications().join(u' ').toStdString();
}

TEST_F(SliderDragTest, DragOfThumbReportsMovesAndOneValueChangeAtRelease) {
  const QPoint start = m_slider->HandleRect().center();
  SendMouse(m_slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
  for (int dx = 30; dx <= 150; dx += 30)
    SendMouse(m_slider, QEvent::MouseMove, start + QPoint(dx, 0), Qt::LeftButton);
  const int dragged = m_slider->value();
  ASSERT_GT(dragged, 0);
  ASSERT_GE(m_window.notifications.size(), 2u);
  for (const auto& n : m_window.notifications) EXPECT_EQ(n.type, u"movevaluechanged");
  EXPECT_EQ(m_window.notifications.back().wParam, dragged);

  m_window.Clear();
  SendMouse(m_slider, QEvent::MouseButtonRelease, start + QPoint(150, 0), Qt::NoButton);
  EXPECT_EQ(ValueNotifications(), QStringList{u"valuechanged:drag"_qs});
  EXPECT_EQ(m_window.notifications.back().wParam, dragged);
  EXPECT_EQ(m_slider->value(), dragged);
}

TEST_F(SliderDragTest, WithoutMoveNotifyOnlyTheReleaseIsReported) {
  m_slider->SetMoveNotify(false);
  const QPoint start = m_slider->HandleRect().center();
  SendMouse(m_slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
  SendMouse(m_slider, QEvent::MouseMove, start + QPoint(90, 0), Qt::LeftButton);
  SendMouse(m_slider, QEvent::MouseButtonRelease, start + QPoint(90, 0), Qt::NoButton);
  EXPECT_EQ(ValueNotifications(), QStringList{u"valuechanged:drag"_qs});
}

TEST_F(SliderDragTest, ProgramSetValueIsSilent) {
  m_slider->SetValue(40);
  EXPECT_EQ(m_slider->value(), 40);
  EXPECT_TRUE(m_window.Seen().isEmpty());
}

// --- Option, CheckBox, Button --------------------------------------------------------------

TEST_F(ControlsTest, SilentSelectOfGroupMemberDeselectsTheOthers) {
  auto* first = Get<Option>("opt_0");
  auto* second = Get<Option>("opt_1");
  auto* third = Get<Option>("opt_2");
  ASSERT_TRUE(first->IsSelected());

  second->SetSelected(true, false);

  EXPECT_FALSE(first->IsSelected());
  EXPECT_TRUE(second->IsSelected());
  EXPECT_FALSE(third->IsSelected());
  EXPECT_FALSE(Get<Option>("single")->IsSelected());
  EXPECT_TRUE(m_window.Seen().isEmpty()) << m_window.Seen().join(u' ').toStdString();
}

TEST_F(ControlsTest, UserClickSelectsGroupedOptionAndSecondClickKeepsIt) {
  auto* first = Get<Option>("opt_0");
  auto* third = Get<Option>("opt_2");

  MouseClick(third);
  EXPECT_TRUE(third->IsSelected());
  EXPECT_FALSE(first->IsSelected());
  EXPECT_EQ(m_window.Seen(), (QStringList{u"selectchanged:opt_2"_qs, u"click:opt_2"_qs}));
  EXPECT_EQ(m_window.notifications[0].wParam, 1);
  EXPECT_EQ(m_window.notifications[1].index, 2);
  m_window.Clear();

  MouseClick(third);
  EXPECT_TRUE(third->IsSelected());
  EXPECT_EQ(m_window.Seen(), QStringList{u"click:opt_2"_qs});
}

TEST_F(ControlsTest, UserClickTogglesSingleOption) {
  auto* single = Get<Option>("single");
  MouseClick(single);
  EXPECT_TRUE(single->IsSelected());
  MouseClick(single);
  EXPECT_FALSE(single->IsSelected());
  EXPECT_EQ(m_window.Seen(), (QStringList{u"selectchanged:single"_qs, u"click:single"_qs,
                                          u"selectchanged:single"_qs, u"click:single"_qs}));
  EXPECT_EQ(m_window.notifications[0].wParam, 1);
  EXPECT_EQ(m_window.notifications[2].wParam, 0);
  EXPECT_TRUE(Get<Option>("opt_0")->IsSelected());  // a single option is in no group
}

TEST_F(ControlsTest, NotifyingSelectOfOptionReportsOnlyAChange) {
  auto* second = Get<Option>("opt_1");
  second->SetSelected(true);
  second->SetSelected(true);
  EXPECT_EQ(m_window.Seen(), QStringList{u"selectchanged:opt_1"_qs});
  EXPECT_EQ(m_window.notifications[0].wParam, 1);
  EXPECT_FALSE(Get<Option>("opt_0")->IsSelected());
}

TEST_F(ControlsTest, CheckBoxReportsEachChangeWithNewState) {
  auto* check = Get<CheckBox>("check");
  check->SetChecked(true);
  check->SetChecked(true);
  check->SetChecked(false);
  EXPECT_EQ(m_window.Seen(), (QStringList{u"selectchanged:check"_qs, u"selectchanged:check"_qs}));
  EXPECT_EQ(m_window.notifications[0].wParam, 1);
  EXPECT_EQ(m_window.notifications[1].wParam, 0);
  m_window.Clear();

  check->SetChecked(true, false);
  EXPECT_TRUE(check->IsChecked());
  EXPECT_TRUE(m_window.Seen().isEmpty());

  MouseClick(check);
  EXPECT_FALSE(check->IsChecked());
  EXPECT_EQ(m_window.Seen(), (QStringList{u"selectchanged:check"_qs, u"click:check"_qs}));
  EXPECT_EQ(m_window.notifications[0].wParam, 0);
}

struct SenderIndexCase {
  const char* button;
  int index;
};

class SenderIndexTest : public ControlsTest, public ::testing::WithParamInterface<SenderIndexCase> {};

TEST_P(SenderIndexTest, ButtonClickCarriesIndexFromUserData) {
  MouseClick(Get<Button>(GetParam().button));
  ASSERT_EQ(m_window.notifications.size(), 1u);
  EXPECT_EQ(m_window.notifications[0].type, u"click");
  EXPECT_EQ(m_window.notifications[0].sender, QString::fromLatin1(GetParam().button));
  EXPECT_EQ(m_window.notifications[0].index, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(UserData, SenderIndexTest,
                         ::testing::Values(SenderIndexCase{"btn_indexed", 7}, SenderIndexCase{"btn_plain", 0},
                                           SenderIndexCase{"btn_worded", 0}));

TEST_F(ControlsTest, NotificationWithoutSenderHasIndexZero) {
  const Notification n{Event::Click, nullptr, 0, 0};
  EXPECT_EQ(n.SenderIndex(), 0);
  EXPECT_TRUE(n.SenderName().isEmpty());
}

// --- Combo -------------------------------------------------------------------------------

TEST_F(ControlsTest, ComboFindsItemsByNameAndKeepsHiddenOnes) {
  auto* combo = Get<Combo>("combo");
  EXPECT_EQ(combo->count(), 5);
  EXPECT_EQ(combo->FindItem(QStringLiteral("item_e")), 4);
  EXPECT_EQ(combo->FindItem(QStringLiteral("item_x")), -1);
  EXPECT_EQ(combo->ItemName(2), u"item_c");
  EXPECT_TRUE(combo->IsItemVisible(1));
  EXPECT_FALSE(combo->IsItemVisible(2));
  EXPECT_FALSE(combo->IsItemVisible(3));
  combo->SetItemVisible(3, true);
  EXPECT_TRUE(combo->IsItemVisible(3));
  EXPECT_FALSE(combo->IsItemVisible(5));
}

TEST_F(ControlsTest, ComboProgramSelectionNotifiesOnlyWhenAskedAndChanged) {
  auto* combo = Get<Combo>("combo");
  EXPECT_TRUE(combo->SelectItem(4, false));
  EXPECT_EQ(combo->CurrentSelection(), 4);
  EXPECT_TRUE(m_window.Seen().isEmpty());

  EXPECT_TRUE(combo->SelectItem(4, true));
  EXPECT_TRUE(m_window.Seen().isEmpty());

  EXPECT_TRUE(combo->SelectItem(1, true));
  EXPECT_EQ(m_window.Seen(), QStringList{u"itemselect:combo"_qs});
  EXPECT_EQ(m_window.notifications[0].wParam, 1);

  EXPECT_FALSE(combo->SelectItem(5, true));
  EXPECT_FALSE(combo->SelectItem(-1, true));
  EXPECT_EQ(combo->CurrentSelection(), 1);
}

TEST_F(ControlsTest, ComboUserPickFromListRaisesItemSelect) {
  auto* combo = Get<Combo>("combo");
  combo->showPopup();
  auto* view = qobject_cast<QListView*>(combo->view());
  ASSERT_NE(view, nullptr);
  const QRect row = view->visualRect(combo->model()->index(4, 0));
  ASSERT_TRUE(row.isValid());
  SendMouse(view->viewport(), QEvent::MouseButtonPress, row.center(), Qt::LeftButton);
  SendMouse(view->viewport(), QEvent::MouseButtonRelease, row.center(), Qt::NoButton);
  EXPECT_EQ(combo->CurrentSelection(), 4);
  std::vector<test::SeenNotification> selections;
  for (const auto& n : m_window.notifications)
    if (n.type != u"setfocus" && n.type != u"killfocus") selections.push_back(n);
  ASSERT_EQ(selections.size(), 1u);
  EXPECT_EQ(selections[0].type, u"itemselect");
  EXPECT_EQ(selections[0].sender, u"combo");
  EXPECT_EQ(selections[0].wParam, 4);
}

TEST_F(ControlsTest, ComboWheelSkipsHiddenItems) {
  auto* combo = Get<Combo>("combo");
  ASSERT_EQ(combo->CurrentSelection(), 0);
  Wheel(combo, -120);
  EXPECT_EQ(combo->CurrentSelection(), 1);
  Wheel(combo, -120);
  EXPECT_EQ(combo->CurrentSelection(), 4);  // items 2 and 3 are not offered
  Wheel(combo, 120);
  EXPECT_EQ(combo->CurrentSelection(), 1);
  EXPECT_EQ(m_window.Seen(), (QStringList{u"itemselect:combo"_qs, u"itemselect:combo"_qs,
                                          u"itemselect:combo"_qs}));
}

}  // namespace
}  // namespace qb::ui

#pragma once
// The main window against a virtual box, for tests that act through the window: the real
// skin, settings in Qt's test location, no system hot-plug, and message and choice boxes
// answered automatically (their texts recorded) so no modal loop waits for a user. Tests
// act through real input only (tests/windows/user_input.h).

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "controls/equalizer_curve.h"
#include "core/equalizer_manager.h"
#include "tests/support/core_test_access.h"
#include "tests/support/mirror_box_compare.h"
#include "tests/windows/user_input.h"
#include "shell/settings.h"
#include "simulator/virtual_box.h"
#include "simulator/virtual_hid.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/skin.h"
#include "windows/main_presenter.h"
#include "windows/main_wnd.h"
#include "windows/msg_checkbox_wnd.h"
#include "windows/msg_wnd.h"

namespace qb::test {

class MainWindowTest : public ::testing::Test {
 protected:
  /// Configure the virtual box (state, faults) before the window connects.
  virtual void PrepareBox(sim::VirtualBox&) {}
  /// How the virtual box presents itself (model, firmware versions, mode).
  virtual sim::VirtualBoxConfig BoxConfig() { return {}; }
  /// Runs before the window is made (settings or files the start-up reads).
  virtual void BeforeWindow() {}
  /// Test seams of the window (file choosers, ...), set before it is made.
  virtual void AdjustOptions(MainWndOptions&) {}
  /// The answer given to every message box (1 confirm, 0 cancel, 2 third).
  int messageAnswer = 1;
  /// Texts of the message boxes shown, resolved.
  QStringList messages;
  /// The answer given to every choice box (link mode: 1 left to right, 2 right to left,
  /// 0 cancel) and how many were shown.
  int choiceAnswer = 1;
  int choicesShown = 0;

  void SetUp() override {
    // Settings of this test alone: test programs run side by side.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(
        QStringLiteral("quorelbox-test-%1").arg(QCoreApplication::applicationPid()));
    QFile::remove(DefaultSettingsPath());
    QString error;
    ASSERT_TRUE(ui::LoadSkin(&error)) << error.toStdString();
    m_backend = sim::MakeVirtualBoxBackend(BoxConfig());
    PrepareBox(*m_backend->Box());
    BeforeWindow();
    MainWndOptions options;
    options.backend = m_backend;
    options.timings = LinkTimings{300, 20};
    options.hotplug = false;
    options.plugSwitch = m_backend->Box();
    AdjustOptions(options);
    window = std::make_unique<CMainWnd>(std::move(options));
    // Every message and choice box is answered as soon as it runs.
    m_answerer.setInterval(5);
    QObject::connect(&m_answerer, &QTimer::timeout, [this] { AnswerMessageBoxes(); });
    m_answerer.start();
    ASSERT_TRUE(window->Create(QStringLiteral("Quorel DSP Audio"), &error)) << error.toStdString();
    window->show();
  }

  void TearDown() override {
    m_answerer.stop();
    window.reset();
    QFile::remove(DefaultSettingsPath());
    QStandardPaths::setTestModeEnabled(false);
  }

  EqualizerManager& Controller() { return window->Controller(); }
  sim::VirtualBox& Box() { return *m_backend->Box(); }
  Profile& Live() { return CoreTestAccess::Live(Controller()); }
  DeviceLink& Link() { return CoreTestAccess::Link(Controller()); }
  EqualizerMirror& Mirror() { return CoreTestAccess::Mirror(Controller()); }

  /// Runs the event loop until `done` holds or `ms` pass; returns `done`'s last answer.
  bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }

  /// Connected: the read-out applied, the queue switched on and the loading window gone
  /// (while it shows, it takes every click).
  bool WaitConnected(int ms = 8000) {
    return WaitFor([this] {
      return Link().QueueEnabled() && Live().model == kBoxModel && !LoadingWindowShown();
    }, ms);
  }

  static bool LoadingWindowShown() {
    for (const ui::WindowBase* w : ui::WindowBase::LiveWindows())
      if (w->ClassName() == u"LoadingWnd" && w->isVisible()) return true;
    return false;
  }

  /// The box holds what the mirror holds, once every command is answered.
  void ExpectBoxAsMirror() {
    ASSERT_TRUE(Drain());
    EXPECT_EQ(CompareBoxWithMirror(Box(), Live()), "");
  }

  /// Every queued command sent and answered, and every posted reply applied.
  bool Drain(int ms = 5000) {
    // Messages already posted (a menu click, a reply) may queue more commands first.
    QApplication::processEvents();
    const bool drained = WaitFor([this] { return Link().UnfinishedCommands() == 0; }, ms);
    QApplication::processEvents();
    return drained;
  }

  template <typename T>
  T* Control(const QString& name) {
    T* control = window->Find<T>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
  }
  QString Text(const QString& name) { return ui::Tr(ui::ControlText(window->FindControl(name))); }

  // The user's input on the controls by name (tests/windows/user_input.h).
  void ClickOn(const QString& name) { input::Click(Control<QWidget>(name)); }
  /// Types `text` over an edit's contents and presses `key` (Enter: the user confirms the
  /// value; Qt::Key_unknown: no key, the text stays typed but unconfirmed).
  void TypeInto(const QString& name, const QString& text, Qt::Key key = Qt::Key_Return) {
    input::Type(Control<ui::Edit>(name), text, key);
  }
  void PressKey(const QString& name, Qt::Key key) { input::Press(Control<ui::Edit>(name), key); }
  /// Drags a slider's thumb towards `value`; returns the value reached.
  int DragSlider(const QString& name, int value) { return input::DragSlider(Control<ui::Slider>(name), value); }
  bool ChooseItem(const QString& list, int index) { return input::Choose(Control<ui::Combo>(list), index); }
  bool ChooseMenuItem(const QString& button, const QString& item) {
    return input::ChooseMenuItem(*window, Control<QWidget>(button), item);
  }
  controls::EqualizerCurve* Curve() { return Control<controls::EqualizerCurve>(QStringLiteral("equalizer")); }

  std::unique_ptr<CMainWnd> window;

 private:
  void AnswerMessageBoxes() {
    for (ui::WindowBase* w : ui::WindowBase::LiveWindows()) {
      if (auto* choice = qobject_cast<windows::CMsgCheckBoxWnd*>(w); choice && choice->IsModalRunning()) {
        ++choicesShown;
        choice->Close(choiceAnswer);
        continue;
      }
      auto* box = qobject_cast<windows::CMsgWnd*>(w);
      if (!box || !box->IsModalRunning()) continue;
      QString text;
      if (QWidget* label = box->FindControl(QStringLiteral("MessageText"))) text = ui::Tr(ui::ControlText(label));
      messages << text;
      box->Close(messageAnswer);
    }
  }

  std::shared_ptr<sim::VirtualHidBackend> m_backend;
  QTimer m_answerer;
};

/// The main window connected to its virtual box: the read-out applied and every command sent.
class ConnectedWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(Drain());
  }
};

}  // namespace qb::test

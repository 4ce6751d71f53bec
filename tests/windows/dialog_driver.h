#pragma once
// Drives the program's modal dialogs from the tests: the real skin and language tables are
// loaded once, and actions run inside a dialog's modal loop through zero-delay timers that
// find the open dialog among the live windows.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/control_text.h"
#include "ui/language_tables.h"
#include "ui/skin.h"
#include "ui/window_base.h"

namespace qb::windows::test {

/// Loads the skin's index and both language files, once per test program.
inline void LoadRealSkin() {
  static const bool loaded = [] {
    QString error;
    EXPECT_TRUE(ui::LoadSkin(&error)) << error.toStdString();
    for (const auto& [name, path] : {std::pair{"en", "lan/lan_en.xml"}, std::pair{"cn_zh", "lan/lan_cn.xml"}}) {
      QByteArray bytes;
      EXPECT_TRUE(ui::ReadSkinFile(QString::fromLatin1(path), bytes)) << path;
      EXPECT_TRUE(ui::Languages().Load(QString::fromLatin1(name), bytes)) << path;
    }
    return true;
  }();
  (void)loaded;
}

/// The dialog of class T whose modal loop is running, or null.
template <typename T>
T* OpenDialog() {
  for (ui::WindowBase* window : ui::WindowBase::LiveWindows()) {
    auto* dialog = qobject_cast<T*>(window);
    if (dialog && dialog->IsModalRunning() && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

/// Runs `action` on the open dialog of class T once the event loop turns (that is, inside the
/// modal loop of the dialog about to run). A missing dialog is a test failure.
template <typename T>
void WhenOpen(std::function<void(T&)> action) {
  QTimer::singleShot(0, qApp, [action = std::move(action)] {
    T* dialog = OpenDialog<T>();
    if (!dialog) {
      ADD_FAILURE() << "no open dialog to act on";
      return;
    }
    action(*dialog);
  });
}

/// Clicks a button of a window with the mouse, as the user would.
inline void Click(const ui::WindowBase& window, const char* name) {
  auto* button = window.Find<QAbstractButton>(QString::fromLatin1(name));
  ASSERT_NE(button, nullptr) << name;
  ASSERT_TRUE(button->isVisible()) << name;
  QTest::mouseClick(button, Qt::LeftButton);
}

/// The text a label or button of a window shows ("<missing>" without that control).
inline QString Shown(const ui::WindowBase& window, const char* name) {
  QWidget* control = window.FindControl(QString::fromLatin1(name));
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  return QStringLiteral("<missing>");
}

/// Fixture: English texts, and a watchdog that ends any dialog a faulty test left waiting,
/// so a failure shows up as a failure rather than a hung test program.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadRealSkin();
    ui::Languages().Select(QStringLiteral("en"));
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(10000);
    QObject::connect(&m_watchdog, &QTimer::timeout, [] {
      for (ui::WindowBase* window : ui::WindowBase::LiveWindows()) {
        if (!window->IsModalRunning()) continue;
        ADD_FAILURE() << "dialog " << window->objectName().toStdString() << " left open";
        window->Close(kAbandoned);
      }
    });
    m_watchdog.start();
  }
  void TearDown() override {
    // Stray actions run now, while this test still owns their failures.
    QCoreApplication::processEvents();
    m_watchdog.stop();
    ui::Languages().Select(QStringLiteral("en"));
  }

  static constexpr int kAbandoned = -99;
  QTimer m_watchdog;
};

}  // namespace qb::windows::test

// The window base: closing codes, modal runs, Escape, and messages posted from other threads
// through the window's port, also while the window goes away.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "tests/ui/recording_window.h"
#include "ui/buttons.h"
#include "ui/message_port.h"
#include "ui/skin.h"

namespace qb::ui {
namespace {

/// Counts how many records exist, so a lost or doubly freed record shows.
struct CountedRecord final : ReplyRecord {
  explicit CountedRecord(int v) : value(v) { live.fetch_add(1); }
  ~CountedRecord() override {
    live.fetch_sub(1);
    destroyed.fetch_add(1);
  }
  CountedRecord(const CountedRecord&) = delete;
  CountedRecord& operator=(const CountedRecord&) = delete;
  int value;
  static inline std::atomic<int> live{0};
  static inline std::atomic<int> destroyed{0};
};

ReplyMessage Message(std::uint32_t number, int value) {
  ReplyMessage message;
  message.number = number;
  message.wParam = std::uintptr_t(value) * 2;
  message.lParam = -value;
  message.record = std::make_unique<CountedRecord>(value);
  return message;
}

class WindowBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(LoadSkin(&error)) << error.toStdString();
    CountedRecord::destroyed = 0;
  }
  void TearDown() override {
    QCoreApplication::processEvents();
    EXPECT_EQ(CountedRecord::live.load(), 0);
  }

  static std::unique_ptr<test::RecordingWindow> MakeWindow() {
    auto window = std::make_unique<test::RecordingWindow>(QStringLiteral("XML_MSG"));
    QString error;
    EXPECT_TRUE(window->Create(QStringLiteral("msgwnd"), &error)) << error.toStdString();
    return window;
  }
};

TEST_F(WindowBaseTest, UnknownLayoutIdFailsCreate) {
  test::RecordingWindow window(QStringLiteral("XML_NO_SUCH_LAYOUT"));
  QString error;
  EXPECT_FALSE(window.Create(QStringLiteral("x"), &error));
  EXPECT_TRUE(error.contains(u"XML_NO_SUCH_LAYOUT"));
}

TEST_F(WindowBaseTest, EscapeDoesNotCloseTheWindow) {
  auto window = MakeWindow();
  ASSERT_TRUE(test::ShowActive(window.get()));
  test::KeyClick(window.get(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->CloseCode(), 0);
}

TEST_F(WindowBaseTest, EscapeDuringModalRunDoesNotEndIt) {
  auto window = MakeWindow();
  bool visibleAfterEscape = false;
  QTimer::singleShot(0, window.get(), [&] {
    test::KeyClick(window.get(), Qt::Key_Escape);
    visibleAfterEscape = window->isVisible() && window->IsModalRunning();
    window->Close(2);
  });
  EXPECT_EQ(window->ShowModal(), 2);
  EXPECT_TRUE(visibleAfterEscape);
  EXPECT_FALSE(window->IsModalRunning());
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowBaseTest, CloseButtonClosesWithOne) {
  auto window = MakeWindow();
  ASSERT_TRUE(test::ShowActive(window.get()));
  auto* close = window->Find<Button>(QStringLiteral("closebtn"));
  ASSERT_NE(close, nullptr);
  test::MouseClick(close);
  EXPECT_EQ(window->CloseCode(), 1);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->Seen(), QStringList{u"click:closebtn"_qs});
}

TEST_F(WindowBaseTest, CloseButtonEndsModalRunWithOne) {
  auto window = MakeWindow();
  QTimer::singleShot(0, window.get(), [&] { test::MouseClick(window->Find<Button>(QStringLiteral("closebtn"))); });
  EXPECT_EQ(window->ShowModal(), 1);
}

TEST_F(WindowBaseTest, ShowModalReturnsTheCodeGivenToClose) {
  for (int code : {2, 0, 7}) {
    auto window = MakeWindow();
    QTimer::singleShot(0, window.get(), [&window, code] { window->Close(code); });
    EXPECT_EQ(window->ShowModal(), code);
    EXPECT_EQ(window->CloseCode(), code);
  }
}

TEST_F(WindowBaseTest, PlatformCloseRequestEndsModalRunWithZero) {
  auto window = MakeWindow();
  QTimer::singleShot(0, window.get(), [&] { window->close(); });
  EXPECT_EQ(window->ShowModal(), 0);
}

TEST_F(WindowBaseTest, MessagePostedFromAnotherThreadArrivesOnUiThreadWithItsRecord) {
  auto window = MakeWindow();
  std::shared_ptr<MessagePort> port = window->Port();
  bool posted = false;
  std::thread poster([&] { posted = port->PostReplyMessage(Message(WM_DSP_REPLY, 21)); });
  poster.join();
  ASSERT_TRUE(posted);
  EXPECT_TRUE(window->messages.empty());  // nothing runs on the poster's thread

  QCoreApplication::processEvents();
  ASSERT_EQ(window->messages.size(), 1u);
  const test::SeenMessage& seen = window->messages[0];
  EXPECT_TRUE(seen.onUiThread);
  EXPECT_EQ(seen.message.number, std::uint32_t(WM_DSP_REPLY));
  EXPECT_EQ(seen.message.wParam, 42u);
  EXPECT_EQ(seen.message.lParam, -21);
  ASSERT_NE(seen.message.RecordAs<CountedRecord>(), nullptr);
  EXPECT_EQ(seen.message.RecordAs<CountedRecord>()->value, 21);
  window->Clear();
  EXPECT_EQ(CountedRecord::destroyed.load(), 1);
}

TEST_F(WindowBaseTest, MessagesKeepTheirOrder) {
  auto window = MakeWindow();
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(window->Port()->PostReplyMessage(Message(WM_MCU_REPLY, i)));
  ASSERT_TRUE(window->Port()->Post(WM_CLOSE_LOADING, 5, 6));
  QCoreApplication::processEvents();
  ASSERT_EQ(window->messages.size(), 21u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(window->messages[size_t(i)].message.RecordAs<CountedRecord>()->value, i);
  EXPECT_EQ(window->messages[20].message.number, std::uint32_t(WM_CLOSE_LOADING));
  EXPECT_EQ(window->messages[20].message.record, nullptr);
}

TEST_F(WindowBaseTest, PostAfterWindowIsGoneIsRefusedAndRecordFreedOnce) {
  auto window = MakeWindow();
  std::shared_ptr<MessagePort> port = window->Port();
  window.reset();
  EXPECT_FALSE(port->PostReplyMessage(Message(WM_DSP_REPLY, 1)));
  EXPECT_EQ(CountedRecord::destroyed.load(), 1);
  EXPECT_EQ(CountedRecord::live.load(), 0);
  EXPECT_FALSE(port->Post(WM_DISCONNECT));
}

TEST_F(WindowBaseTest, PendingMessageDiesWithTheWindowOnce) {
  auto window = MakeWindow();
  ASSERT_TRUE(window->Port()->PostReplyMessage(Message(WM_DSP_REPLY, 3)));
  window.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(CountedRecord::destroyed.load(), 1);
  EXPECT_EQ(CountedRecord::live.load(), 0);
}

TEST_F(WindowBaseTest, ManyThreadsPostingWhileWindowIsDestroyed) {
  constexpr int kThreads = 8;
  auto window = MakeWindow();
  std::shared_ptr<MessagePort> port = window->Port();
  std::atomic<bool> stop{false};
  std::atomic<int> accepted{0};
  std::atomic<int> refused{0};
  std::atomic<int> started{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      started.fetch_add(1);
      for (int i = 0; !stop.load() || i < 50; ++i) {
        if (port->PostReplyMessage(Message(WM_DSP_REPLY, t * 100000 + i))) accepted.fetch_add(1);
        else refused.fetch_add(1);
        if (refused.load() > 200 * kThreads) break;
      }
    });
  }
  while (started.load() < kThreads || accepted.load() < 100) std::this_thread::yield();
  QCoreApplication::processEvents();  // some arrive while the window lives
  const size_t delivered = window->messages.size();
  window.reset();
  while (refused.load() < 10 * kThreads) std::this_thread::yield();
  stop = true;
  for (auto& poster : posters) poster.join();
  QCoreApplication::processEvents();

  EXPECT_GT(delivered, 0u);
  EXPECT_GT(refused.load(), 0);
  EXPECT_EQ(CountedRecord::live.load(), 0);
  EXPECT_EQ(CountedRecord::destroyed.load(), accepted.load() + refused.load());
}

}  // namespace
}  // namespace qb::ui

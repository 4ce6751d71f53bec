// The memory window against a virtual box, driven as a service engineer drives it: the
// debug button opens it, numbers are typed, read and write are clicked, and the box's
// memory, the window and the settings file show the outcome.
#include <QTest>
#include <QTemporaryDir>

#include "devicelink/wire_codes.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "shell/marker_files.h"
#include "ui/buttons.h"
#include "ui/edit.h"
#include "windows/mem_wr_wnd.h"

namespace qb::test {
namespace {

using windows::CMemWrWnd;

ui::Edit* EditOf(const CMemWrWnd& window, const char* name) {
  auto* edit = window.Find<ui::Edit>(QString::fromLatin1(name));
  EXPECT_NE(edit, nullptr) << name;
  return edit;
}

void Type(const CMemWrWnd& window, const char* name, const QString& text) {
  ui::Edit* edit = EditOf(window, name);
  if (!edit) return;
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

QString Shown(const CMemWrWnd& window, const char* name) {
  const ui::Edit* edit = EditOf(window, name);
  return edit ? edit->text() : QString();
}

class MemoryWindowTest : public MainWindowTest {
 protected:
  // The debug button shows only with the marker in the current directory: each test has a
  // directory of its own, so the marker never reaches a test running beside it.
  void BeforeWindow() override {
    ASSERT_TRUE(m_workDir.isValid());
    m_previousDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_workDir.path()));
    QFile marker(QString::fromLatin1(kDebugMarker));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
  }
  void SetUp() override {
    MainWindowTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitConnected());
    ASSERT_TRUE(Drain());
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    if (!m_previousDir.isEmpty()) QDir::setCurrent(m_previousDir);
  }

  /// Clicks the debug button and runs `use` in the memory window, then closes it.
  void WithMemoryWindow(const std::function<void(CMemWrWnd&)>& use) {
    windows::test::WhenOpen<CMemWrWnd>([use](CMemWrWnd& dialog) {
      use(dialog);
      windows::test::Click(dialog, "closebtn");
    });
    QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_debug")), Qt::LeftButton);
    EXPECT_EQ(windows::test::OpenDialog<CMemWrWnd>(), nullptr) << "the window did not close";
  }

  /// Memory commands the box received since the test began.
  std::size_t MemoryCommands() {
    std::size_t count = 0;
    for (const sim::BoxCommand& command : Box().Commands())
      if (command.packetType == DSP_PACKET && command.commandId == DSP_MEM_DATA) ++count;
    return count;
  }

  bool BoxHolds(std::uint32_t address, std::uint32_t data) {
    bool holds = false;
    Box().Inspect([&](const sim::BoxState& s) {
      const auto it = s.memory.find(address);
      holds = it != s.memory.end() && it->second == data;
    });
    return holds;
  }

 private:
  QTemporaryDir m_workDir;
  QString m_previousDir;
};

TEST_F(MemoryWindowTest, ReadShowsTheBoxWordAndTheSettingsFileKeepsIt) {
  Box().Modify([](sim::BoxState& s) { s.memory[0x10] = 258; });
  WithMemoryWindow([this](CMemWrWnd& dialog) {
    Type(dialog, "addr_edit", QStringLiteral("16"));
    windows::test::Click(dialog, "read_btn");
    EXPECT_TRUE(WaitFor([&] { return Shown(dialog, "data_edit") == u"0x00000102"; }))
        << Shown(dialog, "data_edit").toStdString();
    EXPECT_EQ(Shown(dialog, "addr_edit"), u"0x00000010");
  });
  EXPECT_EQ(ReadConfigInt(kMemoryAddressKey, -1), 16);
  EXPECT_EQ(ReadConfigInt(kMemoryDataKey, -1), 258);
}

TEST_F(MemoryWindowTest, WriteReachesTheBoxAndTheWindowOpensOnTheLastValues) {
  WithMemoryWindow([](CMemWrWnd& dialog) {
    Type(dialog, "addr_edit", QStringLiteral("0x20"));
    Type(dialog, "data_edit", QStringLiteral("0xDEADBEEF"));
    windows::test::Click(dialog, "write_btn");
    EXPECT_EQ(Shown(dialog, "data_edit"), u"0xdeadbeef");
  });
  ASSERT_TRUE(Drain());
  EXPECT_TRUE(BoxHolds(0x20, 0xDEADBEEF));
  // Words from 0x80000000 on are kept as negative decimals and come back whole.
  EXPECT_EQ(ReadConfigInt(kMemoryDataKey, 0), -559038737);
  WithMemoryWindow([](CMemWrWnd& dialog) {
    EXPECT_EQ(Shown(dialog, "addr_edit"), u"0x00000020");
    EXPECT_EQ(Shown(dialog, "data_edit"), u"0xdeadbeef");
  });
  // What the window shows at opening is the settings file's, as after a restart.
  ASSERT_TRUE(WriteConfigInt(kMemoryAddressKey, -16));
  WithMemoryWindow([](CMemWrWnd& dialog) { EXPECT_EQ(Shown(dialog, "addr_edit"), u"0xfffffff0"); });
  // Closed, the window no longer takes the box's words.
  EXPECT_FALSE(Link().PostReply(ReplySlot::MemoryWindowHandle, ReplyMessage{WM_MEM_REPLY, DSP_MEM_DATA, 0, nullptr}));
}

TEST_F(MemoryWindowTest, ANumberBeyond32BitsIsRefusedAndNothingIsSent) {
  const std::size_t before = MemoryCommands();
  WithMemoryWindow([](CMemWrWnd& dialog) {
    Type(dialog, "addr_edit", QStringLiteral("0x123456789"));
    Type(dialog, "data_edit", QStringLiteral("1"));
    windows::test::Click(dialog, "write_btn");
    windows::test::Click(dialog, "read_btn");
    EXPECT_EQ(Shown(dialog, "addr_edit"), u"0x123456789") << "left for the user to correct";
  });
  ASSERT_TRUE(Drain());
  ASSERT_EQ(messages.size(), 2);
  for (const QString& message : messages) EXPECT_TRUE(message.contains(u"\"0x123456789\" does not fit in 32 bits"));
  EXPECT_EQ(MemoryCommands(), before);
  EXPECT_FALSE(BoxHolds(0x23456789, 1)) << "wrapped into another address";
  EXPECT_EQ(ReadConfigInt(kMemoryAddressKey, -1), 0);
}

TEST_F(MemoryWindowTest, ATextThatIsNotWhollyANumberIsRefusedAndNothingIsSent) {
  const std::size_t before = MemoryCommands();
  struct Typed {
    const char* address;
    const char* data;
    const char* refused;
  };
  for (const Typed typed : {Typed{"0x1g", "5", "0x1g"}, Typed{"0x40", "abc", "abc"}, Typed{"0x40", "12abc", "12abc"},
                            Typed{" ", "5", ""}}) {
    messages.clear();
    WithMemoryWindow([typed](CMemWrWnd& dialog) {
      Type(dialog, "addr_edit", QString::fromLatin1(typed.address));
      Type(dialog, "data_edit", QString::fromLatin1(typed.data));
      windows::test::Click(dialog, "write_btn");
    });
    ASSERT_EQ(messages.size(), 1) << typed.address << " / " << typed.data;
    EXPECT_TRUE(messages[0].contains(QStringLiteral("\"%1\" is not a number").arg(QString::fromLatin1(typed.refused))))
        << messages[0].toStdString();
  }
  ASSERT_TRUE(Drain());
  EXPECT_EQ(MemoryCommands(), before);
  EXPECT_FALSE(BoxHolds(1, 5)) << "the digits before the typo";
  EXPECT_FALSE(BoxHolds(0x40, 0));
  EXPECT_FALSE(BoxHolds(0x40, 12));
}

TEST_F(MemoryWindowTest, AWriteTheLinkCannotTakeIsToldAndNotSent) {
  // As while a long operation owns the box: the box is open, queued commands are not taken.
  Link().DisableQueue();
  const std::size_t before = MemoryCommands();
  WithMemoryWindow([](CMemWrWnd& dialog) {
    Type(dialog, "addr_edit", QStringLiteral("0x30"));
    Type(dialog, "data_edit", QStringLiteral("7"));
    windows::test::Click(dialog, "write_btn");
  });
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], ui::Tr(QStringLiteral("${mem_write_not_sent}")));
  Link().EnableQueue();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(MemoryCommands(), before);
  EXPECT_FALSE(BoxHolds(0x30, 7));
}

}  // namespace
}  // namespace qb::test

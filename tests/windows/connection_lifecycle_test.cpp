// Connecting and disconnecting through the real main window against a misbehaving or
// unusual box: a foreign model, old firmware and its marker file, a box that leaves during
// the read-out or never answers, and the menu items that depend on the connection.
#include <QTest>
#include <cstdio>

#include "core/device_access.h"
#include "shell/log.h"
#include "shell/marker_files.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/popup_menu.h"
#include "ui/selectable.h"

namespace qb::test {
namespace {

QString ConnectText(CMainWnd& window) {
  return ui::ControlText(window.FindControl(QStringLiteral("btnConnect")));
}

/// Disconnected as the user sees it and as the link knows it.
void ExpectDisconnected(CMainWnd& window) {
  EXPECT_FALSE(CoreTestAccess::Link(window.Controller()).IsDeviceOpen());
  EXPECT_FALSE(CoreTestAccess::Link(window.Controller()).QueueEnabled());
  EXPECT_EQ(window.Controller().CurrentProfile().model, -1);
  EXPECT_EQ(ConnectText(window), QStringLiteral("${btn_disconnected}"));
  auto* selectable = dynamic_cast<ui::Selectable*>(window.FindControl(QStringLiteral("btnConnect")));
  ASSERT_NE(selectable, nullptr);
  EXPECT_FALSE(selectable->IsSelected());
}

// --- a foreign model ----------------------------------------------------------------------------

class ForeignModelTest : public MainWindowTest {
 protected:
  sim::VirtualBoxConfig BoxConfig() override {
    sim::VirtualBoxConfig config;
    config.model = 12;
    return config;
  }
};

TEST_F(ForeignModelTest, NamesTheModelAndDisconnectsWithoutReadingTheBox) {
  ASSERT_TRUE(WaitFor([this] { return !messages.isEmpty(); }));
  EXPECT_EQ(messages.first(), ui::Tr(QStringLiteral("${device_not_match}")) + QStringLiteral(" 12"));
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }));
  Controller().Session().WaitForTask();
  QApplication::processEvents();
  ExpectDisconnected(*window);
  EXPECT_EQ(messages.size(), 1) << messages.join(QStringLiteral(" | ")).toStdString();
  // The handshake was the last thing asked: nothing of another layout was read.
  for (const sim::BoxCommand& command : Box().Commands())
    EXPECT_NE(command.packetType, DSP_PACKET) << "DSP command " << int(command.commandId);
}

// --- firmware versions and the forced update ------------------------------------------------------

/// The log switched on into a folder of its own for one test; its console side (flushed on
/// every message, unlike the file) is read back as text.
class LogTap {
 public:
  LogTap() : m_console(std::tmpfile()) {
    SetLogConsoleStream(m_console);
    InitConsoleWindow(m_dir.filePath(QStringLiteral("save.log")).toLocal8Bit().constData());
  }
  ~LogTap() {
    CloseLog();
    SetLogConsoleStream(nullptr);
    if (m_console) std::fclose(m_console);
  }
  LogTap(const LogTap&) = delete;
  LogTap& operator=(const LogTap&) = delete;
  QString Text() const {
    if (!m_console) return {};
    std::fflush(m_console);
    std::rewind(m_console);
    QByteArray text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, m_console)) > 0) text.append(buffer, static_cast<qsizetype>(n));
    std::fseek(m_console, 0, SEEK_END);
    return QString::fromUtf8(text);
  }

 private:
  QTemporaryDir m_dir;
  std::FILE* m_console;
};

struct FirmwareCase {
  int master;
  int slave;
  bool marker;        ///< "noForceUpdate.ini" in the working directory
  bool forcedUpdate;  ///< the forced update is started
};

void PrintTo(const FirmwareCase& c, std::ostream* os) {
  *os << c.master << "." << c.slave << (c.marker ? " with marker" : "");
}

class FirmwareTest : public MainWindowTest, public ::testing::WithParamInterface<FirmwareCase> {
 protected:
  sim::VirtualBoxConfig BoxConfig() override {
    sim::VirtualBoxConfig config;
    config.masterVersion = static_cast<std::uint8_t>(GetParam().master);
    config.slaveVersion = static_cast<std::uint8_t>(GetParam().slave);
    return config;
  }
  // The marker is looked up in the current directory: each test gets its own, so a marker
  // never leaks into another test running beside it.
  void BeforeWindow() override {
    ASSERT_TRUE(m_workDir.isValid());
    m_previousDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_workDir.path()));
    if (GetParam().marker) {
      QFile marker(QString::fromLatin1(kNoForceUpdateMarker));
      ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    }
    m_log = std::make_unique<LogTap>();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    m_log.reset();
    if (!m_previousDir.isEmpty()) QDir::setCurrent(m_previousDir);
  }
  std::unique_ptr<LogTap> m_log;

 private:
  QTemporaryDir m_workDir;
  QString m_previousDir;
};

TEST_P(FirmwareTest, ForcedUpdateStartsOnlyForFirmwareOlderThan1616WithoutTheMarker) {
  ASSERT_TRUE(WaitConnected());
  Controller().Session().WaitForTask();
  ASSERT_TRUE(Drain());
  EXPECT_EQ(MarkerFileExists(kNoForceUpdateMarker), GetParam().marker);
  const QString log = m_log->Text();
  EXPECT_EQ(log.contains(QStringLiteral("WM_FORCE_UPDATE\n")), GetParam().forcedUpdate)
      << log.right(2000).toStdString();
  EXPECT_EQ(Live().mainVersion, GetParam().master);
  EXPECT_EQ(Live().slaveVersion, GetParam().slave);
  // Old firmware still works: the program stays connected until the update takes over.
  EXPECT_TRUE(Link().QueueEnabled());
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareTest,
                         ::testing::Values(FirmwareCase{16, 15, false, true}, FirmwareCase{15, 99, false, true},
                                           FirmwareCase{16, 16, false, false}, FirmwareCase{17, 0, false, false},
                                           FirmwareCase{16, 15, true, false}));

// --- faults during connecting -----------------------------------------------------------------------

using ConnectionFaultTest = MainWindowTest;

TEST_F(ConnectionFaultTest, UnplugDuringTheReadOutEndsDisconnectedAndAReplugReconnects) {
  Controller().Session().WaitForTask();  // the start-up connection
  ASSERT_TRUE(WaitConnected());
  auto* connect = Control<ui::Button>(QStringLiteral("btnConnect"));
  QTest::mouseClick(connect, Qt::LeftButton);
  ExpectDisconnected(*window);

  // The box answers the handshake and a part of the read-out, then leaves.
  Box().UnplugAfterFrames(30);
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] { return !Box().IsPlugged(); }, 3000));
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }, 3000));
  Controller().Session().WaitForTask();
  ASSERT_TRUE(Drain(3000));
  ExpectDisconnected(*window);
  EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${device_plugout}"))))
      << messages.join(QStringLiteral(" | ")).toStdString();

  Box().Replug();
  Box().Poll();
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(ConnectText(*window), QStringLiteral("${btn_connected}"));
}

TEST_F(ConnectionFaultTest, SilentBoxFailsTheHandshakeAndLaterConnects) {
  Controller().Session().WaitForTask();
  ASSERT_TRUE(WaitConnected());
  auto* connect = Control<ui::Button>(QStringLiteral("btnConnect"));
  QTest::mouseClick(connect, Qt::LeftButton);
  messages.clear();

  Box().SetSilent(true);
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] { return messages.contains(ui::Tr(QStringLiteral("${device_connect_fail}"))); }, 3000))
      << messages.join(QStringLiteral(" | ")).toStdString();
  Controller().Session().WaitForTask();
  ASSERT_TRUE(WaitFor([this] { return !Link().IsDeviceOpen(); }, 3000));
  QApplication::processEvents();
  ExpectDisconnected(*window);

  // The box speaks again: a click connects.
  Box().SetSilent(false);
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(ConnectText(*window), QStringLiteral("${btn_connected}"));
}

TEST_F(ConnectionFaultTest, ClickWithoutABoxOnTheBusReportsTheFailure) {
  Controller().Session().WaitForTask();
  ASSERT_TRUE(WaitConnected());
  auto* connect = Control<ui::Button>(QStringLiteral("btnConnect"));
  QTest::mouseClick(connect, Qt::LeftButton);
  messages.clear();
  Box().Unplug();
  // The unplug's own event first: it closes the notices of the box that left, and must not
  // close the one the click is about to show.
  QTest::qWait(50);
  QTest::mouseClick(connect, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([this] { return !messages.isEmpty(); }, 3000));
  EXPECT_EQ(messages.first(), ui::Tr(QStringLiteral("${device_connect_fail}")));
  ExpectDisconnected(*window);
}

// --- a box this user may not open ---------------------------------------------------------------

class RefusedBoxTest : public MainWindowTest {
 protected:
  void AdjustOptions(MainWndOptions& options) override {
    m_refusing = std::dynamic_pointer_cast<sim::VirtualHidBackend>(options.backend);
    ASSERT_NE(m_refusing, nullptr);
    m_refusing->DenyAccess("/dev/hidraw3");
  }
  std::shared_ptr<sim::VirtualHidBackend> m_refusing;
};

TEST_F(RefusedBoxTest, NamesTheNodeTheRuleAndTheCommandInsteadOfCannotConnectAndConnectsOnceAllowed) {
  // The start-up connection is refused, tried again for a moment, then explained.
  ASSERT_TRUE(WaitFor([this] { return !messages.isEmpty(); }));
  const QString text = messages.first();
  for (const std::string_view part : {std::string_view("/dev/hidraw3"), kUdevRuleFile, kAccessFixCommand})
    EXPECT_TRUE(text.contains(QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()))))
        << part << " in " << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("${"))) << text.toStdString();
  EXPECT_GT(m_refusing->RefusedOpens(), 1) << "the open was retried";
  ExpectDisconnected(*window);

  // The user has run the command: a click connects.
  m_refusing->AllowAccess();
  QTest::mouseClick(Control<ui::Button>(QStringLiteral("btnConnect")), Qt::LeftButton);
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(messages.size(), 1) << messages.join(QStringLiteral(" | ")).toStdString();
}

// --- closing ------------------------------------------------------------------------------------------

TEST_F(ConnectionFaultTest, TheWindowsOwnCloseButtonTellsTheBoxThePcLeavesAndClosesTheLink) {
  ASSERT_TRUE(WaitConnected());
  ASSERT_TRUE(Box().State().pcConnected);
  ClickOn(QStringLiteral("closebtn"));
  EXPECT_FALSE(Box().State().pcConnected);
  EXPECT_FALSE(Link().IsDeviceOpen());
  EXPECT_FALSE(window->isVisible());
}

// --- the scene menu follows the connection -----------------------------------------------------------

TEST_F(ConnectionFaultTest, SceneMenuOffersOnlyTheFileItemsWhileDisconnected) {
  Controller().Session().WaitForTask();
  ASSERT_TRUE(WaitConnected());
  QWidget* button = window->FindControl(QStringLiteral("btn_scene"));
  ASSERT_NE(button, nullptr);
  const char* const boxItems[] = {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene"};
  const char* const fileItems[] = {"scene_item_load_file", "scene_item_save_file", "scene_item_load_whole",
                                   "scene_item_save_whole"};
  for (const bool connected : {true, false}) {
    SCOPED_TRACE(connected ? "connected" : "disconnected");
    if (!connected) QTest::mouseClick(Control<ui::Button>(QStringLiteral("btnConnect")), Qt::LeftButton);
    ASSERT_EQ(Link().IsDeviceOpen(), connected);
    input::Click(button);
    ui::PopupMenu* menu = window->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    for (const char* item : boxItems) {
      QAction* action = menu->FindItem(QString::fromLatin1(item));
      ASSERT_NE(action, nullptr) << item;
      EXPECT_EQ(action->isEnabled(), connected) << item;
    }
    for (const char* item : fileItems) {
      QAction* action = menu->FindItem(QString::fromLatin1(item));
      ASSERT_NE(action, nullptr) << item;
      EXPECT_TRUE(action->isEnabled()) << item;
      EXPECT_TRUE(action->isVisible()) << item;
    }
    menu->close();
  }
}

}  // namespace
}  // namespace qb::test

// The firmware update windows against the virtual box and its upgrade receiver: the forced
// update across the box's restarts, interrupted transfers finished from the window, the
// update window with image files and tool packages, and a box left in its loader.
#include <gtest/gtest.h>

#include <QTest>
#include <fstream>

#include "core/firmware_updater.h"
#include "devicelink/firmware_image_builder.h"
#include "devicelink/wire_codes.h"
#include "shell/firmware_resources.h"
#include "shell/marker_files.h"
#include "tests/support/zip_writer.h"
#include "tests/windows/dialog_driver.h"
#include "tests/windows/main_window_fixture.h"
#include "ui/buttons.h"
#include "ui/popup_menu.h"
#include "ui/progress.h"
#include "windows/force_update_wnd.h"
#include "windows/start_up.h"
#include "windows/update_fw_wnd.h"
#include "windows/update_texts.h"

namespace qb::test {
namespace {

using windows::CForceUpdateWnd;
using windows::CUpdateFwWnd;
using windows::test::Click;
using windows::test::OpenDialog;
using Bytes = std::vector<std::uint8_t>;

/// An image the virtual box accepts: its head is the sum of its data.
Bytes Image(std::uint8_t fwId, std::size_t size, std::uint8_t model = kBoxModel) {
  Bytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + fwId);
  ImageFields fields;
  fields.fwId = fwId;
  fields.modelId = model;
  fields.head = sim::ImageHeadFor(data);
  fields.data = data;
  return *BuildSingleImage(fields);
}

std::vector<unsigned char> Resource(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

QString Tips(const ui::WindowBase& w) { return ui::Tr(ui::ControlText(w.FindControl(QStringLiteral("update_tips")))); }
int ProgressOf(const ui::WindowBase& w, const char* name) { return w.Find<ui::Progress>(QLatin1String(name))->Value(); }
bool Enabled(const ui::WindowBase& w, const char* name) { return w.FindControl(QLatin1String(name))->isEnabled(); }

/// The main window of an outdated virtual box, in a working and temporary folder of its own
/// (the marker file and the written images), with the built-in images a test chooses.
class UpdateWindowTest : public MainWindowTest {
 protected:
  sim::VirtualBoxConfig BoxConfig() override {
    sim::VirtualBoxConfig config;
    config.masterVersion = 15;
    config.slaveVersion = 9;
    config.applicationMode = !loaderBox;
    config.rebootOffline = std::chrono::milliseconds(100);
    return config;
  }
  void BeforeWindow() override {
    ASSERT_TRUE(m_dir.isValid());
    m_previousDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    m_previousTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_dir.path().toLocal8Bit());
    m_resources = std::make_unique<ScopedFirmwareResources>(resources, "0123456789abcdef");
  }
  void AdjustOptions(MainWndOptions& options) override {
    options.firmwareFileChooser = [this](QWidget*) { return chosenFile; };
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    m_resources.reset();
    qputenv("TMPDIR", m_previousTmp);
    if (!m_previousDir.isEmpty()) QDir::setCurrent(m_previousDir);
  }

  std::filesystem::path Dir() const { return m_dir.path().toStdString(); }
  std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
    const auto path = Dir() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  /// Runs `body` on the dialog T once it is open (inside its modal loop), and waits until it
  /// has closed. `trigger` makes it open (nothing: it opens by itself).
  template <typename T>
  void WithDialog(const std::function<void(T&)>& body, const std::function<void()>& trigger = {}) {
    bool ran = false;
    QTimer turn;
    turn.setInterval(5);
    QObject::connect(&turn, &QTimer::timeout, [&] {
      T* dialog = OpenDialog<T>();
      if (ran || !dialog) return;
      ran = true;
      turn.stop();
      body(*dialog);
      if (OpenDialog<T>() == dialog) dialog->Close(-1);  // a failed body leaves it open
    });
    turn.start();
    if (trigger) trigger();
    ASSERT_TRUE(WaitFor([&] { return ran && !OpenDialog<T>(); }, 60000)) << "the window opened and closed";
  }

  void OpenUpdateWindowFromMenu() {
    QTest::mouseClick(Control<ui::Button>(QStringLiteral("btn_option")), Qt::LeftButton);
    ui::PopupMenu* menu = window->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    QAction* item = menu->FindItem(QStringLiteral("option_item_firmware_upgrade"));
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }

  std::size_t CommandsWith(std::uint8_t packet, std::uint8_t id) {
    std::size_t n = 0;
    for (const sim::BoxCommand& c : Box().Commands())
      if (c.packetType == packet && c.commandId == id) ++n;
    return n;
  }

  std::map<std::string, std::vector<unsigned char>> resources{
      {kMcuResource, Resource(Image(kFwIdMcu, 3000))}, {kFlashResource, Resource(Image(kFwIdDsp, 3000))}};
  bool loaderBox = false;
  QString chosenFile;

 private:
  QTemporaryDir m_dir;
  QString m_previousDir;
  QByteArray m_previousTmp;
  std::unique_ptr<ScopedFirmwareResources> m_resources;
};

// --- the forced update ----------------------------------------------------------------------------

class ForcedUpdateTest : public UpdateWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ForcedUpdateTest, RunsMcuAndFlashAcrossTheRestartsAndReadsTheNewBox) {
  const bool factoryReset = GetParam();
  WithDialog<CForceUpdateWnd>([&](CForceUpdateWnd& w) {
    EXPECT_EQ(w.FindControl(QStringLiteral("mcu_file"))->property("text").toString().toStdString(),
              (Dir() / kMcuTempFile).string());
    if (factoryReset) QTest::mouseClick(w.Find<ui::CheckBox>(QStringLiteral("check_box_facotry")), Qt::LeftButton);
    Click(w, "update_btn");
    EXPECT_FALSE(Enabled(w, "closebtn"));
    ASSERT_TRUE(WaitFor([&] { return w.Done(); }, 30000)) << Tips(w).toStdString();
    EXPECT_EQ(Tips(w), ui::Tr(QStringLiteral("${update_finish}")));
    EXPECT_EQ(ProgressOf(w, "mcu_progress"), 100);
    EXPECT_EQ(ProgressOf(w, "flash_progress"), 100);
    EXPECT_TRUE(Enabled(w, "closebtn"));
    // Done: nothing to start again, only to close.
    EXPECT_FALSE(Enabled(w, "update_btn"));
    EXPECT_EQ(windows::test::Shown(w, "cancel_btn"), ui::Tr(QStringLiteral("${close}")));
    Click(w, "closebtn");
  });
  // The window returned 1: the box is read again and runs the new firmware.
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(Live().mainVersion, 17);
  EXPECT_EQ(Live().slaveVersion, 1);
  EXPECT_EQ(Box().Upgrade().kind, sim::UpgradeKind::kFlash);
  EXPECT_EQ(Box().Upgrade().verdict, sim::UpgradeVerdict::kInstalled);
  EXPECT_EQ(CommandsWith(MCU_PACKET, MCU_FACTORY_DEFAULT), factoryReset ? 1u : 0u);
  EXPECT_FALSE(Controller().Mirror().forcedUpdate);
  EXPECT_FALSE(messages.contains(ui::Tr(QStringLiteral("${device_plugout}"))));
}

INSTANTIATE_TEST_SUITE_P(FactoryReset, ForcedUpdateTest, ::testing::Bool());

TEST_F(UpdateWindowTest, WithTheMarkerAReconnectDuringTheUpdateReadsTheBox) {
  WithDialog<CForceUpdateWnd>([&](CForceUpdateWnd& w) {
    Click(w, "update_btn");
    ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QStringLiteral("${update_reboot_mcu}")); }, 20000));
    QFile marker(QString::fromLatin1(kNoForceUpdateMarker));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    // The box restarts into its new application and is read as after any connect.
    ASSERT_TRUE(WaitFor([&] { return Link().QueueEnabled() && Live().mainVersion == 17; }, 20000));
    EXPECT_EQ(w.Phase(), 1);
    EXPECT_FALSE(w.Done());
    Click(w, "closebtn");
  });
}

class MissingFlashImageTest : public UpdateWindowTest {
 protected:
  MissingFlashImageTest() { resources.erase(kFlashResource); }
};

TEST_F(MissingFlashImageTest, GivesCode7InWordsAndLeavesNoFile) {
  // Qt's own warnings (a file removed by an empty name) must not reach the terminal.
  static QStringList warnings;
  warnings.clear();
  const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) warnings << text;
  });
  // The code, then what it means and what to do instead.
  const QString expected = QStringLiteral("File prepare error. error code 7\n") + ui::Tr(QStringLiteral("${fw_prepare_missing}"));
  ASSERT_TRUE(WaitFor([&] { return messages.contains(expected); }, 15000)) << messages.join('|').toStdString();
  EXPECT_FALSE(std::filesystem::exists(Dir() / kMcuTempFile));
  EXPECT_FALSE(std::filesystem::exists(Dir() / kFlashTempFile));
  EXPECT_EQ(OpenDialog<CForceUpdateWnd>(), nullptr);
  EXPECT_FALSE(Controller().Mirror().forcedUpdate);
  qInstallMessageHandler(previous);
  for (const QString& warning : warnings) EXPECT_FALSE(warning.startsWith(u"QFile::")) << warning.toStdString();
}

// --- interrupted transfers ---------------------------------------------------------------------------

struct Interruption {
  bool flash;   ///< during the DSP-flash phase, else the MCU phase
  int percent;  ///< unplugged once the phase's progress reaches this
};
void PrintTo(const Interruption& c, std::ostream* os) { *os << (c.flash ? "flash " : "MCU ") << c.percent << "%"; }

class InterruptedUpdateTest : public UpdateWindowTest, public ::testing::WithParamInterface<Interruption> {};

TEST_P(InterruptedUpdateTest, TheBoxComesBackInItsLoaderAndTheWindowFinishesIt) {
  const Interruption c = GetParam();
  const char* bar = c.flash ? "flash_progress" : "mcu_progress";
  WithDialog<CForceUpdateWnd>([&](CForceUpdateWnd& w) {
    Click(w, "update_btn");
    ASSERT_TRUE(WaitFor([&] { return w.Phase() == (c.flash ? 2 : 1) && ProgressOf(w, bar) >= c.percent; }, 30000));
    Box().Unplug();
    ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QStringLiteral("${update_fail}")); }, 15000));
    EXPECT_TRUE(Enabled(w, "update_btn"));
    EXPECT_FALSE(Box().Config().applicationMode);  // left in its loader
    Box().Replug();
    // Handed back to the window, which waits for the user: a failed phase is not finished.
    ASSERT_TRUE(WaitFor([&] { return Link().IsDeviceOpen(); }, 5000));
    QTest::qWait(200);
    EXPECT_FALSE(w.Done());
    Click(w, "update_btn");
    ASSERT_TRUE(WaitFor([&] { return w.Done(); }, 30000)) << Tips(w).toStdString();
    Click(w, "closebtn");
  });
  ASSERT_TRUE(WaitConnected());
  EXPECT_EQ(Live().mainVersion, 17);
  EXPECT_EQ(Box().Upgrade().verdict, sim::UpgradeVerdict::kInstalled);
  EXPECT_TRUE(Box().Config().applicationMode);
}

INSTANTIATE_TEST_SUITE_P(Unplugged, InterruptedUpdateTest,
                         ::testing::Values(Interruption{false, 10}, Interruption{false, 50}, Interruption{false, 90},
                                           Interruption{true, 10}, Interruption{true, 50}, Interruption{true, 90}));

// --- the update window ----------------------------------------------------------------------------

/// A box on current firmware: no forced update comes in the way.
class UpdateFwWindowTest : public UpdateWindowTest {
 protected:
  sim::VirtualBoxConfig BoxConfig() override {
    sim::VirtualBoxConfig config = UpdateWindowTest::BoxConfig();
    config.masterVersion = 16;
    config.slaveVersion = 16;
    return config;
  }
  void SetUp() override {
    UpdateWindowTest::SetUp();
    if (!HasFatalFailure() && !loaderBox) {
      ASSERT_TRUE(WaitConnected());
    }
  }
};

TEST_F(UpdateFwWindowTest, UpgradesTheBoxFromAnImageFileWithItsRealProgress) {
  chosenFile = QString::fromStdString(Write("MCU_UPG.BIN", Image(kFwIdMcu, 4000)).string());
  WithDialog<CUpdateFwWnd>(
      [&](CUpdateFwWnd& w) {
        Click(w, "file_btn");
        EXPECT_EQ(w.FindControl(QStringLiteral("file_path_edt"))->property("text").toString(), chosenFile);
        Click(w, "update_btn");
        EXPECT_FALSE(Enabled(w, "file_btn"));
        ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QStringLiteral("${update_ok}")); }, 20000))
            << Tips(w).toStdString();
        EXPECT_EQ(ProgressOf(w, "progress"), 100);
        // The same file again would only upgrade the box once more: the window offers to close.
        EXPECT_FALSE(Enabled(w, "update_btn"));
        EXPECT_EQ(windows::test::Shown(w, "cancel_btn"), ui::Tr(QStringLiteral("${close}")));
        // The box restarts into the new firmware and is read again.
        ASSERT_TRUE(WaitFor([&] { return Link().QueueEnabled() && Live().mainVersion == 17; }, 20000));
        Click(w, "closebtn");
      },
      [&] { OpenUpdateWindowFromMenu(); });
  EXPECT_FALSE(messages.contains(ui::Tr(QStringLiteral("${device_plugout}"))));
}

TEST_F(UpdateFwWindowTest, AnImageForAnotherModelIsRefusedWithoutTouchingTheBox) {
  chosenFile = QString::fromStdString(Write("FLASH_UPG.BIN", Image(kFwIdDsp, 500, 12)).string());
  const std::size_t before = Box().Commands().size();
  WithDialog<CUpdateFwWnd>(
      [&](CUpdateFwWnd& w) {
        Click(w, "file_btn");
        Click(w, "update_btn");
        ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QStringLiteral("${load_fw_fail}")); }, 10000));
        EXPECT_TRUE(Enabled(w, "closebtn"));
        Click(w, "closebtn");
      },
      [&] { OpenUpdateWindowFromMenu(); });
  EXPECT_EQ(Box().Commands().size(), before);
  EXPECT_TRUE(Box().Config().applicationMode);
}

TEST_F(UpdateFwWindowTest, TheForcedWindowWithoutAnMcuFileOnlySaysSo) {
  const std::size_t before = Box().Commands().size();
  WithDialog<CForceUpdateWnd>(
      [&](CForceUpdateWnd& w) {
        Click(w, "update_btn");
        EXPECT_EQ(Tips(w), ui::Tr(QStringLiteral("${update_no_file}")));
        EXPECT_EQ(w.Phase(), 0);
        EXPECT_EQ(ProgressOf(w, "mcu_progress"), 0);
        EXPECT_TRUE(Enabled(w, "update_btn"));
        Click(w, "cancel_btn");
      },
      [&] {
        QTimer::singleShot(0, window.get(), [&] {
          windows::ShowForceUpdateWindow(window.get(), Controller().Firmware(), {}, {});
        });
      });
  EXPECT_EQ(Box().Commands().size(), before);
}

struct PackageCase {
  bool appBin;
  const char* tips;
};
class ToolPackageTest : public UpdateFwWindowTest, public ::testing::WithParamInterface<PackageCase> {};

TEST_P(ToolPackageTest, APackageIsPreparedAndTheUnavailableToolIsNamed) {
  const auto tool = Dir() / "tool.zip";
  ASSERT_TRUE(WriteZip(tool, {{"download.bat", test::Bytes("@echo")}}, "0123456789abcdef"));
  std::ifstream in(tool, std::ios::binary);
  resources[kToolResource] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ScopedFirmwareResources scoped(resources, "0123456789abcdef");
  std::vector<ZipEntrySpec> files{{"CS4953.bin", test::Bytes("b")}, {"CS4953.fw", test::Bytes("f")},
                                  {"dsp_image.bin", test::Bytes("d")}};
  if (GetParam().appBin) files.push_back({"app.bin", test::Bytes("a")});
  const auto package = Dir() / "ZX7140K_MCU_UPG.bin";
  ASSERT_TRUE(WriteZip(package, files, "0123456789abcdef"));
  chosenFile = QString::fromStdString(package.string());
  WithDialog<CUpdateFwWnd>(
      [&](CUpdateFwWnd& w) {
        Click(w, "file_btn");
        Click(w, "update_btn");
        ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QLatin1String(GetParam().tips)); }, 10000))
            << Tips(w).toStdString();
        EXPECT_EQ(ProgressOf(w, "progress"), 0);
        EXPECT_TRUE(Enabled(w, "update_btn"));
        Click(w, "cancel_btn");
      },
      [&] { OpenUpdateWindowFromMenu(); });
}

INSTANTIATE_TEST_SUITE_P(Packages, ToolPackageTest,
                         ::testing::Values(PackageCase{true, "${update_tool_unavailable}"},
                                           PackageCase{false, "${load_fw_fail}"}));

class LoaderBoxTest : public UpdateFwWindowTest {
 protected:
  void SetUp() override {
    loaderBox = true;
    UpdateFwWindowTest::SetUp();
  }
};

TEST_F(LoaderBoxTest, ABoxInItsLoaderGetsTheUpdateWindowWhichFinishesIt) {
  chosenFile = QString::fromStdString(Write("MCU_UPG.BIN", Image(kFwIdMcu, 2000)).string());
  WithDialog<CUpdateFwWnd>([&](CUpdateFwWnd& w) {
    EXPECT_TRUE(messages.contains(ui::Tr(QStringLiteral("${device_status_unnormal}"))));
    Click(w, "file_btn");
    Click(w, "update_btn");
    ASSERT_TRUE(WaitFor([&] { return Tips(w) == ui::Tr(QStringLiteral("${update_ok}")); }, 20000))
        << Tips(w).toStdString();
    ASSERT_TRUE(WaitFor([&] { return Link().QueueEnabled() && Live().mainVersion == 17; }, 20000));
    Click(w, "closebtn");
  });
  EXPECT_TRUE(Box().Config().applicationMode);
  EXPECT_EQ(OpenDialog<CUpdateFwWnd>(), nullptr);
}

TEST(UpdateTexts, AProgressOf37ShowsOnePercentSign) {
  QString error;
  ASSERT_TRUE(ui::LoadSkin(&error)) << error.toStdString();
  LoadProgramLanguages();
  ui::Languages().Select(QStringLiteral("en"));
  EXPECT_EQ(windows::ProgressText(QStringLiteral("%d%%"), 37), QStringLiteral("37%"));
  EXPECT_EQ(windows::ProgressText(QStringLiteral("${update_progress_mcu}"), 37),
            QStringLiteral("Updating MCU firmware: 37%"));
}

}  // namespace
}  // namespace qb::test

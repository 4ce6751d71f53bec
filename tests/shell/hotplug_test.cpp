#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "shell/hotplug_match.h"
#include "shell/hotplug_monitor.h"
#include "tests/support/log_capture.h"

namespace qb {
namespace {

// QSocketNotifier needs the event dispatcher a QCoreApplication installs; made here unless
// the test program's main already made one.
class QtCoreEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) m_app = std::make_unique<QCoreApplication>(m_argc, m_argv);
  }
  void TearDown() override { m_app.reset(); }

 private:
  int m_argc = 1;
  char m_name[16] = "hotplug_test";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QCoreApplication> m_app;
};
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

constexpr const char* kBoxDevpath =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0483:5750.0007/hidraw/hidraw3";
constexpr const char* kMouseDevpath =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:046D:C077.0008/hidraw/hidraw4";

struct MatchCase {
  const char* name;
  HidDeviceInfo info;
  bool expected;
};

class BoxMatching : public ::testing::TestWithParam<MatchCase> {};

TEST_P(BoxMatching, DecidesFromHidIdFirstAndDevpathOtherwise) {
  EXPECT_EQ(IsBoxHidDevice(GetParam().info), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Events, BoxMatching,
    ::testing::Values(
        MatchCase{"BoxAddWithHidId", {"add", "hidraw", kBoxDevpath, "/dev/hidraw3", "0003:00000483:00005750"}, true},
        MatchCase{"OtherDeviceLowerCaseHex", {"add", "hidraw", kBoxDevpath, "", "0003:0000046d:0000c077"}, false},
        MatchCase{"BoxAddHidIdShortFields", {"add", "hidraw", "", "", "3:483:5750"}, true},
        MatchCase{"BoxRemoveDevpathOnly", {"remove", "hidraw", kBoxDevpath, "/dev/hidraw3", ""}, true},
        MatchCase{"BoxDevpathLowerCase", {"remove", "hidraw", "/devices/x/0003:0483:5750.000a/hidraw/hidraw0", "", ""}, true},
        MatchCase{"BoxDevpathUpperCaseIds", {"remove", "hidraw", "/devices/x/0003:0483:5750.000A/hidraw/hidraw0", "", ""}, true},
        MatchCase{"OtherVendorHidId", {"add", "hidraw", "", "", "0003:00000484:00005750"}, false},
        MatchCase{"OtherProductHidId", {"add", "hidraw", "", "", "0003:00000483:00005751"}, false},
        MatchCase{"SwappedIdsHidId", {"add", "hidraw", "", "", "0003:00005750:00000483"}, false},
        MatchCase{"BluetoothBusHidId", {"add", "hidraw", "", "", "0005:00000483:00005750"}, false},
        MatchCase{"OtherDeviceDevpath", {"remove", "hidraw", kMouseDevpath, "", ""}, false},
        MatchCase{"OtherProductDevpath", {"remove", "hidraw", "/devices/x/0003:0483:5751.0001/hidraw/hidraw0", "", ""}, false},
        // HID_ID is the device's own statement; a devpath that looks like the box loses.
        MatchCase{"HidIdOverridesDevpath", {"add", "hidraw", kBoxDevpath, "", "0003:0000046D:0000C077"}, false},
        // A malformed HID_ID is no statement at all: the devpath decides.
        MatchCase{"MalformedHidIdFallsBackToDevpath", {"add", "hidraw", kBoxDevpath, "", "0003:0483"}, true},
        MatchCase{"MalformedHidIdOtherDevpath", {"add", "hidraw", kMouseDevpath, "", "zz:00000483:00005750"}, false},
        MatchCase{"NothingToGoBy", {"remove", "hidraw", "", "", ""}, false},
        MatchCase{"NotARawHidNode", {"add", "hid", "/devices/x/0003:0483:5750.0007", "", "0003:00000483:00005750"}, false},
        // Only the innermost HID device counts: a child of a box-like parent is not the box.
        MatchCase{"NestedOtherDevice", {"add", "hidraw", "/devices/x/0003:0483:5750.0001/0003:046D:4024.0002/hidraw/hidraw1", "", ""}, false},
        MatchCase{"NestedBox", {"add", "hidraw", "/devices/x/0003:046D:C52B.0001/0003:0483:5750.0002/hidraw/hidraw1", "", ""}, true}),
    [](const ::testing::TestParamInfo<MatchCase>& p) { return std::string(p.param.name); });

struct DevpathCase {
  const char* devpath;
  bool expected;
};

TEST(DevpathNamesBox, AcceptsOnlyAWholeWellFormedHidDeviceName) {
  const DevpathCase cases[] = {
      {"0003:0483:5750.0001", true},
      {"/devices/a/0003:0483:5750.1/hidraw/hidraw0", true},
      {"/devices/a/0003:0483:5750./hidraw/hidraw0", false},       // no instance
      {"/devices/a/0003:0483:5750/hidraw/hidraw0", false},        // no instance separator
      {"/devices/a/10003:0483:5750.0001/hidraw/hidraw0", false},  // bus too long
      {"/devices/a/0003:483:5750.0001/hidraw/hidraw0", false},    // vendor too short
      {"/devices/a/0003:0483:57500.0001/hidraw/hidraw0", false},  // product too long
      {"/devices/a/0003:0483:5750.00g1/hidraw/hidraw0", false},   // instance not hex
      {"/devices/a/0003:0483:5750.0001x/hidraw/hidraw0", false},
      {"/devices/a/x0003:0483:5750.0001/hidraw/hidraw0", false},
      {"/devices/a/0002:0483:5750.0001/hidraw/hidraw0", false},   // not USB
      {"", false},
      {"/", false},
  };
  for (const DevpathCase& c : cases) EXPECT_EQ(DevpathNamesBox(c.devpath), c.expected) << c.devpath;
}

TEST(ParseHidId, ReadsThreeHexFieldsAndRejectsAnythingElse) {
  std::uint32_t bus = 9, vendor = 9, product = 9;
  ASSERT_TRUE(ParseHidId("0003:00000483:0000575a", bus, vendor, product));
  EXPECT_EQ(bus, 3u);
  EXPECT_EQ(vendor, 0x483u);
  EXPECT_EQ(product, 0x575Au);
  for (const char* bad : {"", "0003", "0003:00000483", "0003:00000483:", ":00000483:00005750",
                          "0003:00000483:00005750:1", "0003:000000483:00005750",
                          "0003:0000 483:00005750", "0003:-0000483:00005750", "0x03:483:5750"}) {
    std::uint32_t b = 7, v = 7, p = 7;
    EXPECT_FALSE(ParseHidId(bad, b, v, p)) << bad;
    EXPECT_EQ(b + v + p, 21u) << "outputs touched for " << bad;
  }
}

TEST(MatchesBoxDevicePath, NeedsHidAndTheVendorAndProductTokens) {
  const DevpathCase cases[] = {
      {R"(\\?\HID#VID_0483&PID_5750#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", true},
      {R"(\\?\hid#vid_0483&pid_5750&mi_00#8&2f3e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", true},
      {R"(\\?\USB#VID_0483&PID_5750#0123456789)", false},  // the USB device, not its HID interface
      {R"(\\?\HID#VID_0483&PID_5751#7&1a2b&0&0000)", false},
      {R"(\\?\HID#VID_0484&PID_5750#7&1a2b&0&0000)", false},
      // The ids as bare digits elsewhere (swapped ids, instance numbers) are not the box.
      {R"(\\?\HID#VID_5750&PID_0483#7&1a2b&0&0000)", false},
      {R"(\\?\HID#VID_046D&PID_C077#7&0483&5750&0000)", false},
      {"", false},
  };
  for (const DevpathCase& c : cases) EXPECT_EQ(MatchesBoxDevicePath(c.devpath), c.expected) << c.devpath;
}

/// Records the monitor's signals.
struct SignalLog {
  explicit SignalLog(HotplugMonitor& monitor) {
    QObject::connect(&monitor, &HotplugMonitor::boxArrived,
                     [this](const QString& path) { arrived << path; });
    QObject::connect(&monitor, &HotplugMonitor::boxRemoved,
                     [this](const QString& path) { removed << path; });
  }
  QStringList arrived;
  QStringList removed;
};

TEST(HotplugMonitorEvents, BoxEventsSignalWithTheNodeAndAreLoggedAsDeviceChanges) {
  test::LogCapture log;
  HotplugMonitor monitor;
  SignalLog seen(monitor);
  monitor.HandleEvent({"add", "hidraw", kBoxDevpath, "/dev/hidraw3", "0003:00000483:00005750"});
  monitor.HandleEvent({"remove", "hidraw", kBoxDevpath, "/dev/hidraw3", ""});
  monitor.HandleEvent({"remove", "hidraw", kBoxDevpath, "", ""});
  EXPECT_EQ(seen.arrived, QStringList{"/dev/hidraw3"});
  EXPECT_EQ(seen.removed, (QStringList{"/dev/hidraw3", kBoxDevpath}));
  EXPECT_EQ(log.File(),
            "Message DBT_DEVICEARRIVAL\nMessage DBT_DEVICEREMOVECOMPLETE\n"
            "Message DBT_DEVICEREMOVECOMPLETE\n");
}

TEST(HotplugMonitorEvents, OtherDevicesAndOtherActionsAreLoggedButSignalNothing) {
  test::LogCapture log;
  HotplugMonitor monitor;
  SignalLog seen(monitor);
  monitor.HandleEvent({"add", "hidraw", kMouseDevpath, "/dev/hidraw4", "0003:0000046D:0000C077"});
  monitor.HandleEvent({"remove", "hidraw", kMouseDevpath, "/dev/hidraw4", ""});
  monitor.HandleEvent({"change", "hidraw", kBoxDevpath, "/dev/hidraw3", "0003:00000483:00005750"});
  monitor.HandleEvent({"bind", "hidraw", kBoxDevpath, "/dev/hidraw3", "0003:00000483:00005750"});
  EXPECT_TRUE(seen.arrived.isEmpty());
  EXPECT_TRUE(seen.removed.isEmpty());
  EXPECT_EQ(log.File(),
            "Message DBT_DEVICEARRIVAL\nMessage DBT_DEVICEREMOVECOMPLETE\n"
            "Message DBT_DEVNODES_CHANGED\nMessage DBT_DEVNODES_CHANGED\n");
}

TEST(HotplugMonitorStart, SucceedsOrFailsCleanlyAndCanBeRepeated) {
  // Netlink may be unavailable in a sandbox; either outcome must leave a consistent object.
  for (int round = 0; round < 2; ++round) {
    test::LogCapture log;
    {
      HotplugMonitor monitor;
      EXPECT_FALSE(monitor.IsRunning());
      const bool started = monitor.Start();
      EXPECT_EQ(monitor.IsRunning(), started);
      EXPECT_EQ(monitor.Start(), started) << "a second Start must agree with the first";
      EXPECT_EQ(monitor.IsRunning(), started);
      QCoreApplication::processEvents();
      EXPECT_EQ(log.File(), started ? "" : "RegisterDeviceNotification\nRegisterDeviceNotification\n");
    }
    QCoreApplication::processEvents();
  }
}

TEST(HotplugMonitorStart, WithoutFreeDescriptorsItLogsAndStaysStopped) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizer runtimes open files of their own while checking calls; without free
  // descriptors they report failures of their own making.
  GTEST_SKIP() << "needs descriptors the sanitizer runtime uses";
#endif
  // Lowering the descriptor limit to the lowest free number makes every new socket fail.
  test::LogCapture log;
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = dup(0);
  ASSERT_GE(lowestFree, 0);
  close(lowestFree);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  bool started = true;
  {
    HotplugMonitor monitor;
    started = monitor.Start();
    EXPECT_FALSE(monitor.IsRunning());
  }
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_FALSE(started);
  EXPECT_EQ(log.File(), "RegisterDeviceNotification\n");

  // Once descriptors are available again a fresh monitor is not held back by the failure.
  HotplugMonitor again;
  const bool restarted = again.Start();
  EXPECT_EQ(again.IsRunning(), restarted);
}

}  // namespace
}  // namespace qb

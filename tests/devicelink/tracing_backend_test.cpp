// The tracing backend between the link and any other backend: what it records of the
// reports that cross (as the wire carries them, only those that crossed, an answer never
// before its question), that it changes nothing for the link, and where it finds the bus
// and device numbers of a real box.
#include "devicelink/tracing_backend.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "devicelink/device_link.h"
#include "devicelink/mcu_commands.h"
#include "devicelink/reply_decoders.h"
#include "devicelink/usb_address.h"
#include "devicelink/wire_codes.h"
#include "tests/devicelink/usbmon_records.h"
#include "tests/support/scripted_hid.h"

namespace qb::test {
namespace {

namespace fs = std::filesystem;

class TracingBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("qb_tracing_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    m_path = (m_dir / "t.pcap").string();
    UsbmonCaptureOpening opening = UsbmonCapture::Open(m_path);
    ASSERT_TRUE(opening.capture) << opening.error;
    m_capture = std::move(opening.capture);
    m_backend = MakeTracingBackend(m_scripted, m_capture, [this](const std::string& node) {
      m_lookedUp = node;
      return UsbDeviceAddress{2, 9};
    });
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::vector<UsbmonRecord> Records() { return ParseCapture(ReadFile(m_path)); }

  fs::path m_dir;
  std::string m_path;
  std::shared_ptr<UsbmonCapture> m_capture;
  std::shared_ptr<ScriptedHidBackend> m_scripted = std::make_shared<ScriptedHidBackend>();
  std::shared_ptr<HidBackend> m_backend;
  std::string m_lookedUp;
};

TEST_F(TracingBackendTest, TheLinksExchangeIsRecordedAsTheWireCarriesIt) {
  const Bytes reply = ReplyFrameBytes(MCU_PACKET, MCU_HANDSHAKE, OP_UPDATE, {0x00, 0x4F, 0x10, 0x10});
  ScriptedHidState& box = m_scripted->State();
  box.onWrite = [&box, reply](const Bytes& report) {
    if (report[5] == MCU_HANDSHAKE) box.QueueReport(InputReport(reply));
  };
  DeviceLink link(m_backend);
  InstallDecoderTables(link, {McuReplyDecoders()});
  link.OpenHIDDevice();
  ASSERT_TRUE(link.IsDeviceOpen());
  EXPECT_EQ(m_lookedUp, "scripted");
  ASSERT_TRUE(Hand_Connect(link));
  EXPECT_EQ(link.Model(), 79) << "the reply reached the link through the trace";
  link.CloseHIDDevice(false);

  const std::vector<UsbmonRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  // The link wrote 65 bytes, report id 0 first; the cable carries the 64 after it.
  ASSERT_EQ(box.Written().at(0).size(), 65u);
  Bytes command = {0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37};
  command.resize(64, 0);
  EXPECT_EQ(records[0].urb[8], 'S');
  EXPECT_EQ(records[0].data, command);
  EXPECT_EQ(records[1].urb[8], 'C');
  EXPECT_EQ(records[1].data, InputReport(reply));
  for (const UsbmonRecord& record : records) {
    EXPECT_EQ(Le(record.urb, 12, 2), 2u);
    EXPECT_EQ(record.urb[11], 9);
  }
}

TEST_F(TracingBackendTest, OnlyReportsThatCrossedAreRecordedAndEveryResultPassesThrough) {
  HidOpenResult opened = m_backend->Open(0x0483, 0x5750);
  ASSERT_TRUE(opened.device);
  HidDevice& device = *opened.device;
  ScriptedHidState& box = m_scripted->State();
  std::uint8_t buffer[64] = {};

  box.writeResult = -1;
  const std::uint8_t report[65] = {0, 0xAA, 0x55};
  EXPECT_EQ(device.Write(report, sizeof report), -1);
  EXPECT_EQ(device.ReadTimeout(buffer, sizeof buffer, 1), 0) << "nothing arrived";
  box.readError = -1;
  EXPECT_EQ(device.ReadTimeout(buffer, sizeof buffer, 1), -1);
  EXPECT_TRUE(Records().empty());

  box.readError = 0;
  box.QueueReport(Bytes(20, 0x5A));
  EXPECT_EQ(device.ReadTimeout(buffer, sizeof buffer, 100), 20);
  EXPECT_EQ(Bytes(buffer, buffer + 20), Bytes(20, 0x5A));
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0].data, Bytes(20, 0x5A));
}

TEST_F(TracingBackendTest, ATraceThatStoppedLeavesTheLinkAlone) {
  HidOpenResult opened = m_backend->Open(0x0483, 0x5750);
  ASSERT_TRUE(opened.device);
  m_scripted->State().QueueReport(Bytes(64, 0xDD));
  const std::uint8_t report[65] = {0, 0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37};
  std::uint8_t buffer[64] = {};
  {
    const FileSizeLimit fullDisk(fs::file_size(m_path));
    EXPECT_EQ(opened.device->Write(report, sizeof report), 65);
    EXPECT_EQ(opened.device->ReadTimeout(buffer, sizeof buffer, 100), 64);
  }
  EXPECT_TRUE(m_capture->Failed());
  EXPECT_EQ(m_scripted->State().Written().size(), 1u);
  EXPECT_EQ(buffer[0], 0xDD);
}

TEST_F(TracingBackendTest, AReplyReadDuringTheWriteOfItsCommandIsRecordedAfterIt) {
  HidOpenResult opened = m_backend->Open(0x0483, 0x5750);
  ASSERT_TRUE(opened.device);
  HidDevice& device = *opened.device;
  ScriptedHidState& box = m_scripted->State();
  // The box answers before the write returns, and the write returns only once the
  // answer has been read on the other thread: without ordering, the answer's record
  // would come first.
  box.onWrite = [&box](const Bytes&) {
    box.QueueReport(Bytes(64, 0xDD));
    for (int waited = 0; waited < 5000; ++waited) {
      if (std::lock_guard guard(box.lock); box.inputReports.empty()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the reader's record, were it not held
  };
  std::thread reader([&device] {
    std::uint8_t buffer[64];
    while (device.ReadTimeout(buffer, sizeof buffer, 10) <= 0) {
    }
  });
  const std::uint8_t report[65] = {0, 0xAA, 0x55};
  device.Write(report, sizeof report);
  reader.join();

  const std::vector<UsbmonRecord> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].urb[8], 'S');
  EXPECT_EQ(records[1].urb[8], 'C');
}

TEST(UsbAddressTest, TheUsbDeviceAboveAHidrawNodeNamesBusAndDevice) {
  const fs::path sys = fs::temp_directory_path() / ("qb_sysfs_" + std::to_string(::getpid()));
  fs::remove_all(sys);
  // sysfs as the kernel lays it out: the class link leads to the HID device, below the
  // USB interface, below the USB device that carries busnum and devnum.
  const fs::path usbDevice = sys / "devices/pci0000:00/0000:00:14.0/usb3/3-2";
  const fs::path hid = usbDevice / "3-2:1.0/0003:0483:5750.0004";
  fs::create_directories(hid / "hidraw/hidraw5");
  fs::create_directories(sys / "class/hidraw");
  std::ofstream(usbDevice / "busnum") << "3\n";
  std::ofstream(usbDevice / "devnum") << "17\n";
  fs::create_directory_symlink(hid / "hidraw/hidraw5", sys / "class/hidraw/hidraw5");
  fs::create_directory_symlink(hid, hid / "hidraw/hidraw5/device");

  const UsbDeviceAddress found = UsbAddressOfHidrawNode("/dev/hidraw5", sys);
  EXPECT_EQ(found.bus, 3);
  EXPECT_EQ(found.device, 17);
  for (const char* unknown : {"virtual", "/dev/hidraw6", "/dev/sda", ""}) {
    const UsbDeviceAddress none = UsbAddressOfHidrawNode(unknown, sys);
    EXPECT_EQ(none.bus, 0) << unknown;
    EXPECT_EQ(none.device, 0) << unknown;
  }
  std::ofstream(usbDevice / "devnum") << "garbage\n";
  EXPECT_EQ(UsbAddressOfHidrawNode("/dev/hidraw5", sys).device, 0);
  fs::remove_all(sys);
}

}  // namespace
}  // namespace qb::test

// The trace file: usbmon records byte for byte as Wireshark reads them, appended to what an
// earlier run left (also when it crashed mid-record), foreign files refused untouched, a
// full disk stopping the trace cleanly, and two threads writing at once.
#include "devicelink/usbmon_capture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "tests/devicelink/usbmon_records.h"

namespace qb::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

class UsbmonCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("qb_usbmon_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string PathOf(const char* name) const { return (m_dir / name).string(); }

  static std::shared_ptr<UsbmonCapture> OpenOk(const std::string& path) {
    UsbmonCaptureOpening opening = UsbmonCapture::Open(path);
    EXPECT_TRUE(opening.capture) << opening.error;
    return std::move(opening.capture);
  }

  fs::path m_dir;
};

const Clock::time_point kWhen = Clock::time_point(std::chrono::microseconds(1700000000123456));

TEST_F(UsbmonCaptureTest, TransfersAreWrittenAsUsbmonRecordsOfInterruptEndpoints) {
  const std::string path = PathOf("t.pcap");
  auto capture = OpenOk(path);
  const Bytes out = {0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37};
  const Bytes in = {0xAA, 0x55, 0x07, 0x03, 0x08, 0xDD, 0x00, 0x4F, 0x10, 0x10, 0xA2};
  ASSERT_TRUE(capture->Append(UsbDirection::Out, {3, 7}, out, kWhen));
  ASSERT_TRUE(capture->Append(UsbDirection::In, {3, 7}, in, kWhen + std::chrono::microseconds(1000)));
  capture.reset();

  const Bytes file = ReadFile(path);
  // Magic a1b2c3d4 little-endian (microseconds), version 2.4, snap length, link type 220.
  const Bytes header = {0xD4, 0xC3, 0xB2, 0xA1, 0x02, 0x00, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
                        0x00, 0x00, 0x04, 0x00, 0xDC, 0x00, 0x00, 0x00};
  ASSERT_GE(file.size(), header.size());
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 24), header);

  const std::vector<UsbmonRecord> records = ParseCapture(file);
  ASSERT_EQ(records.size(), 2u);
  const UsbmonRecord& submit = records[0];
  EXPECT_EQ(submit.seconds, 1700000000u);
  EXPECT_EQ(submit.micros, 123456u);
  EXPECT_EQ(submit.urb[8], 'S');
  EXPECT_EQ(submit.urb[9], 1);     // interrupt
  EXPECT_EQ(submit.urb[10], 0x01);  // OUT endpoint 1
  EXPECT_EQ(submit.urb[11], 7);     // device
  EXPECT_EQ(Le(submit.urb, 12, 2), 3u);  // bus
  EXPECT_EQ(submit.urb[14], '-');   // no setup packet
  EXPECT_EQ(submit.urb[15], 0);     // data present
  EXPECT_EQ(Le(submit.urb, 16, 8), 1700000000u);
  EXPECT_EQ(Le(submit.urb, 24, 4), 123456u);
  EXPECT_EQ(static_cast<std::int32_t>(Le(submit.urb, 28, 4)), -115);  // -EINPROGRESS
  EXPECT_EQ(Le(submit.urb, 32, 4), out.size());
  EXPECT_EQ(Le(submit.urb, 36, 4), out.size());
  EXPECT_EQ(submit.data, out);

  const UsbmonRecord& complete = records[1];
  EXPECT_EQ(complete.micros, 124456u);
  EXPECT_EQ(complete.urb[8], 'C');
  EXPECT_EQ(complete.urb[10], 0x81);  // IN endpoint 1
  EXPECT_EQ(Le(complete.urb, 28, 4), 0u);
  EXPECT_EQ(Le(complete.urb, 56, 4), 0x200u);  // URB_DIR_IN
  EXPECT_NE(Le(complete.urb, 0, 8), Le(submit.urb, 0, 8)) << "each transfer its own URB id";
  EXPECT_EQ(complete.data, in);
}

TEST_F(UsbmonCaptureTest, ALaterRunAppendsAndDropsTheRecordACrashCutShort) {
  const std::string path = PathOf("t.pcap");
  OpenOk(path)->Append(UsbDirection::Out, {}, Bytes(64, 0x11), kWhen);
  OpenOk(path)->Append(UsbDirection::In, {}, Bytes(64, 0x22), kWhen);
  EXPECT_EQ(ParseCapture(ReadFile(path)).size(), 2u) << "one file header, two records";

  // A run that died in the middle of its third record.
  OpenOk(path)->Append(UsbDirection::Out, {}, Bytes(64, 0x33), kWhen);
  const auto whole = fs::file_size(path);
  fs::resize_file(path, whole - 30);

  UsbmonCaptureOpening opening = UsbmonCapture::Open(path);
  ASSERT_TRUE(opening.capture) << opening.error;
  EXPECT_EQ(opening.droppedTail, 16u + 64u + 64u - 30u);
  opening.capture->Append(UsbDirection::In, {}, Bytes(64, 0x44), kWhen);
  opening.capture.reset();
  const std::vector<UsbmonRecord> records = ParseCapture(ReadFile(path));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].data, Bytes(64, 0x22));
  EXPECT_EQ(records[2].data, Bytes(64, 0x44));
}

TEST_F(UsbmonCaptureTest, AFileThatIsNoUsbmonCaptureIsRefusedAndLeftAsItWas) {
  Bytes ethernet = {0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 1, 0, 0, 0};
  Bytes bigEndian = {0xA1, 0xB2, 0xC3, 0xD4, 0, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 220};
  const Bytes text = {'m', 'y', ' ', 't', 'u', 'n', 'e', '\n'};
  // A record claiming more than any snapshot, with more file behind it: damage, not a tail.
  Bytes damaged = ReadFile(([&] {
    const std::string p = PathOf("good.pcap");
    OpenOk(p)->Append(UsbDirection::Out, {}, Bytes(64, 1), kWhen);
    return p;
  })());
  damaged[24 + 8] = 0xFF;
  damaged[24 + 11] = 0x7F;
  damaged.resize(damaged.size() + 200, 0);

  for (const Bytes& content : {ethernet, bigEndian, text, damaged}) {
    const std::string path = PathOf("other");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(content.data()),
                                                 static_cast<std::streamsize>(content.size()));
    const UsbmonCaptureOpening opening = UsbmonCapture::Open(path);
    EXPECT_FALSE(opening.capture);
    EXPECT_NE(opening.error.find(path), std::string::npos) << opening.error;
    EXPECT_EQ(ReadFile(path), content);
  }
  const UsbmonCaptureOpening folder = UsbmonCapture::Open(m_dir.string());
  EXPECT_FALSE(folder.capture);
  EXPECT_NE(folder.error.find("cannot open"), std::string::npos) << folder.error;
}

TEST_F(UsbmonCaptureTest, AFullDiskStopsTheTraceAndSaysWhy) {
  const std::string path = PathOf("t.pcap");
  auto capture = OpenOk(path);
  int accepted = 0;
  {
    const FileSizeLimit fullDisk(24 + 2 * (16 + 64 + 64) + 10);
    for (int i = 0; i < 5; ++i) accepted += capture->Append(UsbDirection::Out, {}, Bytes(64, 9), kWhen) ? 1 : 0;
  }
  EXPECT_EQ(accepted, 2);
  EXPECT_TRUE(capture->Failed());
  EXPECT_NE(capture->Error().find(path), std::string::npos) << capture->Error();
  EXPECT_FALSE(capture->Append(UsbDirection::In, {}, Bytes(64, 9), kWhen)) << "stopped for good";
  EXPECT_EQ(capture->Records(), 2u);
}

TEST_F(UsbmonCaptureTest, RecordsOfTwoThreadsNeverInterleave) {
  const std::string path = PathOf("t.pcap");
  auto capture = OpenOk(path);
  constexpr int kEach = 500;
  auto writer = [&](UsbDirection direction, std::uint8_t fill) {
    for (int i = 0; i < kEach; ++i) capture->Append(direction, {1, 2}, Bytes(64, fill), Clock::now());
  };
  std::thread out(writer, UsbDirection::Out, 0x0F);
  std::thread in(writer, UsbDirection::In, 0xF0);
  out.join();
  in.join();
  capture.reset();

  const std::vector<UsbmonRecord> records = ParseCapture(ReadFile(path));
  ASSERT_EQ(records.size(), 2u * kEach);
  for (const UsbmonRecord& record : records) {
    const std::uint8_t fill = record.urb[8] == 'S' ? 0x0F : 0xF0;
    ASSERT_EQ(record.data, Bytes(64, fill));
  }
}

}  // namespace
}  // namespace qb::test

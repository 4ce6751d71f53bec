#include "devicelink/firmware_image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "devicelink/device_link.h"
#include "devicelink/firmware_image_builder.h"
#include "tests/support/log_capture.h"
#include "tests/support/scripted_hid.h"

namespace qb {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

constexpr std::uint8_t kModel = 79;

Bytes Pattern(std::size_t n, std::uint8_t seed = 0) {
  Bytes data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return data;
}

Bytes Image(std::uint8_t fwId, std::uint8_t model, const Bytes& data,
            ImageHead head = {0x11, 0x22, 0x33, 0x44}, ImageHead tail = {0xA1, 0xB2, 0xC3, 0xD4}) {
  return BuildSingleImage({fwId, model, head, data, tail}).value();
}

Bytes Merged(const Bytes& mcu, const Bytes& dsp, std::uint8_t head0 = 0x00,
             std::uint8_t head1 = 0x73) {
  const std::vector<Bytes> images{mcu, dsp};
  return BuildMergedFile(images, head0, head1).value();
}

/// Flips the bits of the byte at `at` (from the end when negative).
Bytes Flip(Bytes bytes, std::ptrdiff_t at) {
  const std::ptrdiff_t i = at < 0 ? static_cast<std::ptrdiff_t>(bytes.size()) + at : at;
  bytes[static_cast<std::size_t>(i)] ^= 0xFF;
  return bytes;
}

/// A scratch folder per test for image files.
class FirmwareImageTest : public ::testing::Test {
 protected:
  FirmwareImageTest() {
    char pattern[] = "/tmp/qb_fwimage_XXXXXX";
    m_dir = ::mkdtemp(pattern);
    env.linkOpen = true;
    env.pcModelId = kModel;
  }
  ~FirmwareImageTest() override {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }

  fs::path Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = m_dir / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  fs::path Missing() const { return m_dir / "absent.bin"; }
  const fs::path& Dir() const { return m_dir; }

  ImageCheckEnv env;
  FirmwareImages images;

 private:
  fs::path m_dir;
};

using FileCheck = int (*)(const fs::path&, const ImageCheckEnv&, FirmwareImages&);

enum class Check { Mcu, Bootloader, Flash, Merged };

FileCheck CheckOf(Check check) {
  switch (check) {
    case Check::Mcu:
      return &MCUUpgParsingFile;
    case Check::Bootloader:
      return &MCUUpgBLParsingFile;
    case Check::Flash:
      return &FlashUpgParsingFile;
    case Check::Merged:
      return &ParsingUpgFWFile;
  }
  return nullptr;
}

void ExpectNothingLoaded(const FirmwareImages& images) {
  EXPECT_TRUE(images.mcuImage.empty());
  EXPECT_TRUE(images.dspImage.empty());
  EXPECT_EQ(images.mcuSize, 0u);
  EXPECT_EQ(images.mcuRemaining, 0u);
  EXPECT_EQ(images.dspSize, 0u);
}

// --- the layout, pinned by bytes worked out by hand ----------------------------------------

TEST_F(FirmwareImageTest, HandWrittenImageIsWhatTheBuilderMakesAndIsAccepted) {
  // 01 + 4F + 01 02 03 04 + AA BB + 00 00 00 10 = 0x1CF, stored big-endian.
  const Bytes golden{0x01, 0x4F, 0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB,
                     0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01, 0xCF};
  EXPECT_EQ(Image(1, kModel, {0xAA, 0xBB}, {1, 2, 3, 4}, {0, 0, 0, 0x10}), golden);

  ASSERT_EQ(MCUUpgParsingFile(Write("MCU_UPG.BIN", golden), env, images), 0);
  EXPECT_EQ(images.mcuImage, (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(images.mcuSize, 2u);
  EXPECT_EQ(images.mcuRemaining, 2u);
  EXPECT_EQ(images.mcuHead, (ImageHead{1, 2, 3, 4}));
  EXPECT_EQ(images.kind, UpgradeKind::Mcu);
  EXPECT_EQ(images.sys_upg_status.load(), UPG_ENTER);
}

TEST_F(FirmwareImageTest, SumIsOfUnsignedBytesAndWrapsAt32Bits) {
  EXPECT_EQ(ImageByteSum(Bytes{0xFF, 0xFF, 0x80}), 0x27Eu);  // not sign-extended
  // 0x10000 bytes of 0xFF sum to 0xFF0000: no 16-bit truncation.
  EXPECT_EQ(ImageByteSum(Bytes(0x10000, 0xFF)), 0xFF0000u);
}

// --- single images ---------------------------------------------------------------------------

struct SingleCase {
  const char* name;
  Check check;
  Bytes file;
  bool noCheckID;
  int code;
  std::size_t loadedSize;  ///< data bytes loaded when accepted
};

TEST_F(FirmwareImageTest, SingleImagesAreAcceptedOrRefusedByKindModelAndSum) {
  const Bytes data = Pattern(70);
  const Bytes mcu = Image(1, kModel, data);
  const Bytes dsp = Image(2, kModel, data);
  const Bytes maxSize = Image(1, kModel, Pattern(kMaxSingleImageFileBytes - kImageFrameBytes));
  const Bytes empty = Image(1, kModel, {});
  const SingleCase cases[] = {
      {"mcu accepted", Check::Mcu, mcu, false, 0, 70},
      {"boot loader accepted", Check::Bootloader, mcu, false, 0, 70},
      {"mcu with FW_ID 2", Check::Mcu, Image(2, kModel, data), false, 2, 0},
      {"boot loader with FW_ID 2", Check::Bootloader, Image(2, kModel, data), false, 2, 0},
      {"mcu with FW_ID 0", Check::Mcu, Image(0, kModel, data), false, 2, 0},
      {"mcu for model 80", Check::Mcu, Image(1, 80, data), false, 2, 0},
      {"mcu for model 80, noCheckID", Check::Mcu, Image(1, 80, data), true, 0, 70},
      {"mcu FW_ID 2 stays refused with noCheckID", Check::Mcu, Image(2, 80, data), true, 2, 0},
      {"mcu data byte flipped", Check::Mcu, Flip(mcu, 6 + 35), false, 2, 0},
      {"mcu head byte flipped", Check::Mcu, Flip(mcu, 3), false, 2, 0},
      {"mcu tail byte flipped (summed)", Check::Mcu, Flip(mcu, -6), false, 2, 0},
      {"mcu stored sum flipped", Check::Mcu, Flip(mcu, -1), false, 2, 0},
      {"mcu sum stored little-endian", Check::Mcu,
       [&] {
         Bytes b = mcu;
         std::reverse(b.end() - 4, b.end());
         return b;
       }(),
       false, 2, 0},
      {"dsp accepted", Check::Flash, dsp, false, 0, 70},
      {"dsp with FW_ID 1 accepted", Check::Flash, Image(1, kModel, data), false, 0, 70},
      {"dsp for model 80", Check::Flash, Image(2, 80, data), false, 2, 0},
      {"dsp for model 80, noCheckID", Check::Flash, Image(2, 80, data), true, 0, 70},
      {"dsp data byte flipped", Check::Flash, Flip(dsp, 6), false, 2, 0},
      {"dsp wrong sum, noCheckID", Check::Flash, Flip(Image(2, 80, data), -2), true, 2, 0},
      {"empty image of 14 bytes", Check::Mcu, empty, false, 0, 0},
      {"13-byte mcu file", Check::Mcu, Bytes(empty.begin() + 1, empty.end()), false, 2, 0},
      {"13-byte dsp file", Check::Flash, Bytes(13, 0), false, 2, 0},
      {"empty mcu file", Check::Mcu, {}, false, 2, 0},
      {"empty dsp file", Check::Flash, {}, false, 2, 0},
      {"1048576-byte mcu file", Check::Mcu, maxSize, false, 0, maxSize.size() - 14},
      {"1048576-byte dsp file", Check::Flash, Image(2, kModel, Pattern(maxSize.size() - 14)), false,
       0, maxSize.size() - 14},
  };
  for (const SingleCase& c : cases) {
    SCOPED_TRACE(c.name);
    env.noCheckID = c.noCheckID;
    FirmwareImages loaded;
    EXPECT_EQ(CheckOf(c.check)(Write("image.bin", c.file), env, loaded), c.code);
    const bool dspKind = c.check == Check::Flash;
    const Bytes& image = dspKind ? loaded.dspImage : loaded.mcuImage;
    EXPECT_EQ(image.size(), c.loadedSize);
    if (c.code == 0 && c.loadedSize > 0) {
      // The data between the 6-byte preamble and the 8-byte trailer, unchanged.
      EXPECT_TRUE(std::equal(image.begin(), image.end(), c.file.begin() + 6));
      EXPECT_EQ(dspKind ? loaded.dspSize : loaded.mcuSize, c.loadedSize);
    }
    if (c.code != 0) ExpectNothingLoaded(loaded);
    if (c.check == Check::Mcu) {
      EXPECT_EQ(loaded.mcuRemaining, loaded.mcuSize);
    }
    EXPECT_EQ(loaded.dspSent, 0u);
  }
}

TEST_F(FirmwareImageTest, OversizedSingleFilesAreRefusedUnread) {
  // A well-formed image one byte over the limit: refused for its length alone.
  const Bytes tooLarge = Image(1, kModel, Pattern(kMaxSingleImageFileBytes + 1 - kImageFrameBytes));
  ASSERT_EQ(tooLarge.size(), 1048577u);
  const fs::path path = Write("MCU_UPG.BIN", tooLarge);
  struct Row {
    Check check;
    const char* rest;  ///< everything logged after the file was opened
  };
  for (const Row& row :
       {Row{Check::Mcu, "MCUUpgParsingFile return as failed in MCUUpgParsingFile!\n"},
        Row{Check::Bootloader, "MCUUpgBLParsingFile return as failed in CopyFileToBuffer!\n"},
        Row{Check::Flash, "FlashUpgParsingFile UPG_FILE_INVALID!\n"}}) {
    test::LogCapture log;
    EXPECT_EQ(CheckOf(row.check)(path, env, images), 2);
    // Nothing about the content (no sum, no size line, no ring reset) follows the open.
    const std::string text = log.File();
    const std::string opened = "Open file " + path.string() + " success!\n";
    const std::size_t at = text.find(opened);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at + opened.size()), row.rest);
    ExpectNothingLoaded(images);
  }
  EXPECT_EQ(CheckMcuImageBytes(tooLarge, env, images), 2);
  EXPECT_EQ(CheckFlashImageBytes(tooLarge, env, images), 2);
}

TEST_F(FirmwareImageTest, ClosedLinkIsReportedBeforeTheFileIsOpened) {
  env.linkOpen = false;
  const fs::path valid =
      Write("UPG_FW.BIN", Merged(Image(1, kModel, Pattern(9)), Image(2, kModel, Pattern(9))));
  struct Row {
    Check check;
    const char* line;
  };
  for (const Row& row : {Row{Check::Mcu, "MCUUpgParsingFile return UPG_CONNECT_FAIL!\n"},
                         Row{Check::Bootloader, "MCUUpgBLParsingFile return UPG_CONNECT_FAIL!\n"},
                         Row{Check::Flash, "FlashUpgParsingFile return USB disconnected!\n"}}) {
    test::LogCapture log;
    // A missing file would be 1 if it were opened.
    EXPECT_EQ(CheckOf(row.check)(Missing(), env, images), 3);
    const std::string text = log.File();
    EXPECT_NE(text.find(row.line), std::string::npos);
    EXPECT_EQ(text.find("Open file"), std::string::npos);
  }
  // The merged check does not look at the link.
  EXPECT_EQ(ParsingUpgFWFile(valid, env, images), 0);
}

TEST_F(FirmwareImageTest, KindAndStatusAreSetAsEachCheckBegins) {
  struct Row {
    Check check;
    bool linkOpen;
    UpgradeKind kind;
    std::uint32_t status;
  };
  const Row rows[] = {
      {Check::Mcu, false, UpgradeKind::Mcu, UPG_ENTER},
      {Check::Bootloader, false, UpgradeKind::Bootloader, UPG_ENTER},
      {Check::Mcu, true, UpgradeKind::Mcu, UPG_ENTER},
      {Check::Flash, true, UpgradeKind::Flash, UPG_START},
      // A closed link stops the flash check before it sets anything.
      {Check::Flash, false, UpgradeKind::None, UPG_IDLE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.check));
    FirmwareImages fresh;
    env.linkOpen = row.linkOpen;
    CheckOf(row.check)(Missing(), env, fresh);
    EXPECT_EQ(fresh.kind, row.kind);
    EXPECT_EQ(fresh.sys_upg_status.load(), row.status);
  }
}

TEST_F(FirmwareImageTest, FilesThatCannotBeOpenedGiveOneExceptForTheMergedCheck) {
  for (const fs::path& path : {Missing(), Dir()}) {
    SCOPED_TRACE(path.string());
    EXPECT_EQ(MCUUpgParsingFile(path, env, images), 1);
    EXPECT_EQ(MCUUpgBLParsingFile(path, env, images), 1);
    EXPECT_EQ(FlashUpgParsingFile(path, env, images), 1);
    EXPECT_EQ(ParsingUpgFWFile(path, env, images), 2);
  }
}

// --- merged files ----------------------------------------------------------------------------

Bytes WithCountAndSizes(Bytes file, std::uint8_t count, std::vector<std::uint32_t> sizes) {
  // Rewrites the count and the first sizes.size() entries of the size table in place.
  file[2] = count;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    for (int b = 0; b < 4; ++b) {
      file[3 + 4 * i + static_cast<std::size_t>(b)] =
          static_cast<std::uint8_t>(sizes[i] >> (24 - 8 * b));
    }
  }
  return file;
}

struct MergedCase {
  const char* name;
  Bytes file;
  bool noCheckID;
  int code;
  const char* logLine;  ///< expected in the log, or nullptr
};

TEST_F(FirmwareImageTest, MergedFilesAreAcceptedOnlyWhenEverySizeFitsAndBothPartsCheck) {
  const Bytes mcuData = Pattern(40, 1);
  const Bytes dspData = Pattern(120, 2);
  const Bytes mcu = Image(1, kModel, mcuData, {1, 2, 3, 4});
  const Bytes dsp = Image(2, kModel, dspData, {5, 6, 7, 8});
  const Bytes good = Merged(mcu, dsp);
  const auto mcuSize = static_cast<std::uint32_t>(mcu.size());
  const auto dspSize = static_cast<std::uint32_t>(dsp.size());
  const std::size_t dspAt = 3 + 8 + mcu.size();
  const std::vector<Bytes> five{mcu, dsp, Bytes(20, 0xEE), Bytes(3, 0), Bytes(1, 0)};
  const std::vector<Bytes> six{mcu, dsp, Bytes(14), Bytes(14), Bytes(14), Bytes(14)};
  const std::vector<Bytes> one{mcu};
  Bytes trailing = good;
  trailing.insert(trailing.end(), {9, 9, 9});

  const MergedCase cases[] = {
      {"head 00 73", good, false, 0, "head is 0x0, 0x73\n"},
      {"head 73 00", Merged(mcu, dsp, 0x73, 0x00), false, 0, nullptr},
      {"head 00 00", Merged(mcu, dsp, 0x00, 0x00), false, 2, "upg FW not match!\n"},
      {"head 37 37", Merged(mcu, dsp, 0x37, 0x37), false, 2, "upg FW not match!\n"},
      {"five sizes, the extra ones unused", BuildMergedFile(five).value(), false, 0,
       "FWSize[4]=0x1\n"},
      {"six sizes", BuildMergedFile(six).value(), false, 2, "totalFW=6\n"},
      {"one size", BuildMergedFile(one).value(), false, 2, "totalFW=1\n"},
      {"no sizes", Bytes{0x00, 0x73, 0x00}, false, 2, nullptr},
      {"size table cut short", Bytes{0x00, 0x73, 0x02, 0, 0, 0, 20, 0, 0}, false, 2, nullptr},
      {"only the head", Bytes{0x00, 0x73}, false, 2, nullptr},
      {"empty file", Bytes{}, false, 2, nullptr},
      {"mcu size past the end", WithCountAndSizes(good, 2, {0x7FFFFFF0, dspSize}), false, 2,
       nullptr},
      {"dsp size one past the end", WithCountAndSizes(good, 2, {mcuSize, dspSize + 1}), false, 2,
       nullptr},
      {"sizes that wrap round 32 bits", WithCountAndSizes(good, 2, {0xFFFFFFF0, 0x20}), false, 2,
       nullptr},
      {"mcu size 13", WithCountAndSizes(good, 2, {13, dspSize}), false, 2, nullptr},
      {"dsp size 0", WithCountAndSizes(good, 2, {mcuSize, 0}), false, 2, nullptr},
      {"trailing bytes after the dsp part", trailing, false, 0, nullptr},
      {"mcu part with FW_ID 2", Merged(Image(2, kModel, mcuData), dsp), false, 2,
       "MCU checksum error!\n"},
      {"dsp part with FW_ID 1", Merged(mcu, Image(1, kModel, dspData)), false, 2,
       "DSP checksum error!\n"},
      {"mcu part for model 80", Merged(Image(1, 80, mcuData), dsp), false, 2,
       "MCU checksum error!\n"},
      {"dsp part for model 80", Merged(mcu, Image(2, 80, dspData)), false, 2,
       "DSP checksum error!\n"},
      {"both parts for model 80, noCheckID",
       Merged(Image(1, 80, mcuData, {1, 2, 3, 4}), Image(2, 80, dspData, {5, 6, 7, 8})), true, 0,
       nullptr},
      {"mcu data byte flipped", Flip(good, 3 + 8 + 6 + 10), false, 2, "MCU checksum error!\n"},
      {"dsp data byte flipped", Flip(good, static_cast<std::ptrdiff_t>(dspAt + 6 + 100)), false, 2,
       "DSP checksum error!\n"},
      {"dsp tail byte flipped", Flip(good, -5), false, 2, "DSP checksum error!\n"},
  };
  for (const MergedCase& c : cases) {
    SCOPED_TRACE(c.name);
    env.noCheckID = c.noCheckID;
    test::LogCapture log;
    FirmwareImages loaded;
    EXPECT_EQ(ParsingUpgFWFile(Write("UPG_FW.BIN", c.file), env, loaded), c.code);
    if (c.logLine != nullptr) {
      EXPECT_NE(log.File().find(c.logLine), std::string::npos);
    }
    if (c.code != 0) {
      ExpectNothingLoaded(loaded);
      continue;
    }
    EXPECT_EQ(loaded.kind, UpgradeKind::Flash);
    EXPECT_EQ(loaded.mcuImage, mcuData);
    EXPECT_EQ(loaded.mcuSize, mcuData.size());
    EXPECT_EQ(loaded.mcuRemaining, 0u) << "the MCU part of a merged file is not sent";
    EXPECT_EQ(loaded.mcuHead, (ImageHead{1, 2, 3, 4}));
    EXPECT_EQ(loaded.dspImage, dspData);
    EXPECT_EQ(loaded.dspSize, dspData.size());
    EXPECT_EQ(loaded.flashHead, (ImageHead{5, 6, 7, 8}));
  }
}

TEST_F(FirmwareImageTest, MergedFileLimitIsTwoMebibytesAndOversizedFilesAreRefusedUnread) {
  const Bytes mcu = Image(1, kModel, Pattern(10));
  // The DSP part is sized so that the whole file is exactly 2 MiB.
  const std::size_t dspData = kMaxMergedFileBytes - 3 - 8 - mcu.size() - kImageFrameBytes;
  const Bytes atLimit = Merged(mcu, Image(2, kModel, Pattern(dspData)));
  ASSERT_EQ(atLimit.size(), kMaxMergedFileBytes);
  EXPECT_EQ(ParsingUpgFWFile(Write("UPG_FW.BIN", atLimit), env, images), 0);
  EXPECT_EQ(images.dspSize, dspData);

  Bytes over = atLimit;
  over.push_back(0);
  test::LogCapture log;
  EXPECT_EQ(ParsingUpgFWFile(Write("UPG_FW.BIN", over), env, images), 2);
  EXPECT_EQ(log.File().find("head is"), std::string::npos) << "the file was read";
  ExpectNothingLoaded(images);
}

// --- what a failure leaves behind ---------------------------------------------------------------

TEST_F(FirmwareImageTest, EveryFailureLeavesNoImageLoaded) {
  const Bytes mcu = Image(1, kModel, Pattern(33));
  const Bytes dsp = Image(2, kModel, Pattern(51));
  const fs::path merged = Write("UPG_FW.BIN", Merged(mcu, dsp));
  const fs::path badMcu = Write("MCU_UPG.BIN", Flip(mcu, 7));
  const fs::path badDsp = Write("FLASH_UPG.BIN", Flip(dsp, 7));
  const fs::path badMergedDsp = Write("BAD_UPG_FW.BIN", Merged(mcu, Flip(dsp, 7)));

  const std::function<int()> failures[] = {
      [&] { return MCUUpgParsingFile(badMcu, env, images); },
      [&] { return MCUUpgBLParsingFile(Missing(), env, images); },
      [&] { return FlashUpgParsingFile(badDsp, env, images); },
      [&] { return ParsingUpgFWFile(badMergedDsp, env, images); },  // MCU part was fine
      [&] {
        ImageCheckEnv closed = env;
        closed.linkOpen = false;
        return MCUUpgParsingFile(merged, closed, images);
      },
  };
  for (std::size_t i = 0; i < std::size(failures); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(ParsingUpgFWFile(merged, env, images), 0);
    ASSERT_FALSE(images.dspImage.empty());
    EXPECT_NE(failures[i](), 0);
    ExpectNothingLoaded(images);
  }
}

// --- log lines ----------------------------------------------------------------------------------

/// True when every line occurs in `text`, in this order.
::testing::AssertionResult InOrder(const std::string& text,
                                   std::initializer_list<std::string> lines) {
  std::size_t from = 0;
  for (const std::string& line : lines) {
    const std::size_t at = text.find(line, from);
    if (at == std::string::npos)
      return ::testing::AssertionFailure() << "missing or out of order: " << line << "\nin:\n"
                                           << text;
    from = at + line.size();
  }
  return ::testing::AssertionSuccess();
}

TEST_F(FirmwareImageTest, ChecksWriteTheirLogLines) {
  const Bytes mcu = Image(1, kModel, {0xAA, 0xBB}, {1, 2, 3, 4}, {0, 0, 0, 0x10});  // sum 0x1cf
  const Bytes dsp = Image(2, kModel, {0x01}, {0, 0, 0, 0}, {9, 8, 7, 6});
  const fs::path mcuPath = Write("MCU_UPG.BIN", mcu);
  const fs::path dspPath = Write("FLASH_UPG.BIN", dsp);
  const fs::path mergedPath = Write("UPG_FW.BIN", Merged(mcu, dsp));
  {
    test::LogCapture log;
    ASSERT_EQ(MCUUpgParsingFile(mcuPath, env, images), 0);
    EXPECT_TRUE(InOrder(log.File(),
                        {"MCUUpgParsingFile!\n", "Open file " + mcuPath.string() + " success!\n",
                         "cal MCU encrypt_checksum=0x1cf!\n", "encrypt_checksum=0x1cf!\n",
                         "noCheckID=false, FW_ID=0x1, FW_MODEL_ID=0x4f, pc_model_id=0x4f\n",
                         "MCUUpgParsingFile return  ok!\n"}));
  }
  {
    test::LogCapture log;
    EXPECT_EQ(MCUUpgBLParsingFile(dspPath, env, images), 2);
    EXPECT_TRUE(
        InOrder(log.File(), {"MCUUpgBLParsingFile!\n", "UPG_FILE_INVALID",
                             "MCUUpgBLParsingFile return as failed in CopyFileToBuffer!\n"}));
  }
  {
    test::LogCapture log;
    ASSERT_EQ(FlashUpgParsingFile(dspPath, env, images), 0);
    EXPECT_TRUE(
        InOrder(log.File(), {"FlashUpgParsingFile!\n", dspPath.string() + " file size is 15\n",
                             "cal FLASH checksum=0x", "FlashUpgParsingFile return ok!\n"}));
  }
  {
    test::LogCapture log;
    EXPECT_EQ(FlashUpgParsingFile(Missing(), env, images), 1);
    EXPECT_TRUE(InOrder(log.File(), {"Error: Open file " + Missing().string() + " error!\n"}));
  }
  {
    test::LogCapture log;
    ASSERT_EQ(ParsingUpgFWFile(mergedPath, env, images), 0);
    EXPECT_TRUE(InOrder(
        log.File(),
        {"head is 0x0, 0x73\n", "totalFW=2\n", "tmp[0]=0x0, tmp[1]=0x0, tmp[2]=0x0, tmp[3]=0x10\n",
         "FWSize[0]=0x10\n", "FWSize[1]=0xf\n", "MCU imgfilesize=0x2\n",
         "HEAD[0]=0x1, HEAD[1]=0x2, HEAD[2]=0x3, HEAD[3]=0x4\n", "read MCUFW size = 0x2\n",
         "MCU cal encrypt_checksum=0x1cf!\n", "MCU encrypt_checksum=0x1cf!\n", "dspsize=0x1\n",
         "read DSPFW size = 0x1\n", "last[0]=0x9, last[1]=0x8, last[2]=0x7, last[3]=0x6\n",
         "cal DSP encrypt_checksum=0x", "dsp encrypt_checksum=0x"}));
  }
}

// --- the link's own environment ------------------------------------------------------------------

TEST_F(FirmwareImageTest, LinkOverloadsUseTheLinksStateModelAndNoCheckID) {
  auto backend = std::make_shared<test::ScriptedHidBackend>();
  DeviceLink link(backend, LinkTimings{/*waitCapMs*/ 0, /*readSliceMs*/ 1});
  link.SetLinkConfig(kModel, 8, 6, false, false);
  const fs::path mcu = Write("MCU_UPG.BIN", Image(1, kModel, Pattern(5)));
  const fs::path foreign = Write("FLASH_UPG.BIN", Image(2, 80, Pattern(5)));

  EXPECT_EQ(MCUUpgParsingFile(link, mcu, images), 3);
  EXPECT_EQ(FlashUpgParsingFile(link, foreign, images), 3);

  link.OpenHIDDevice();
  ASSERT_TRUE(link.IsDeviceOpen());
  EXPECT_EQ(MCUUpgParsingFile(link, mcu, images), 0);
  EXPECT_EQ(MCUUpgBLParsingFile(link, mcu, images), 0);
  EXPECT_EQ(FlashUpgParsingFile(link, foreign, images), 2);
  link.SetNoCheckID(true);
  EXPECT_EQ(FlashUpgParsingFile(link, foreign, images), 0);
  EXPECT_EQ(ParsingUpgFWFile(link, Missing(), images), 2);
  link.CloseHIDDevice(false);
}

TEST_F(FirmwareImageTest, FlashCheckEmptiesTheReceiveRingOnlyForAFileThatFits) {
  int emptied = 0;
  env.emptyReceiveRing = [&] { ++emptied; };
  const Bytes dsp = Image(2, kModel, Pattern(8));
  EXPECT_EQ(FlashUpgParsingFile(Write("FLASH_UPG.BIN", dsp), env, images), 0);
  EXPECT_EQ(emptied, 1);
  EXPECT_EQ(FlashUpgParsingFile(Missing(), env, images), 1);
  EXPECT_EQ(FlashUpgParsingFile(Write("BIG.BIN", Bytes(kMaxSingleImageFileBytes + 1)), env, images),
            2);
  EXPECT_EQ(emptied, 1);
}

// --- the builder ------------------------------------------------------------------------------

TEST(FirmwareImageBuilder, MergedFileLaysOutCountSizesAndImagesInOrder) {
  const std::vector<Bytes> images{Bytes(0x0102, 0xAB), Bytes{1, 2, 3}};
  const Bytes file = BuildMergedFile(images, 0x73, 0x01).value();
  const Bytes head{0x73, 0x01, 0x02, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x03};
  ASSERT_EQ(file.size(), head.size() + 0x0102 + 3);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), file.begin()));
  EXPECT_EQ(file[head.size()], 0xAB);
  EXPECT_EQ(Bytes(file.end() - 3, file.end()), (Bytes{1, 2, 3}));

  const std::vector<Bytes> tooMany(256, Bytes{});
  EXPECT_FALSE(BuildMergedFile(tooMany).has_value());
}

}  // namespace
}  // namespace qb

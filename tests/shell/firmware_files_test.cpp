// The built-in firmware written out to the temporary folder, tool packages unpacked flat
// with their password, and the download tool's folder checked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "shell/download_tool.h"
#include "shell/firmware_resources.h"
#include "shell/zip_flat.h"
#include "tests/support/zip_writer.h"

namespace qb {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ZipEntrySpec;

constexpr const char* kPassword = "0123456789abcdef";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A private temporary folder (TMPDIR) for each test: the tool folder's name is fixed.
class FirmwareFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    m_oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_tmp.path().toLocal8Bit());
    ASSERT_EQ(FirmwareTempDir(), m_tmp.path().toStdString());
  }
  void TearDown() override { qputenv("TMPDIR", m_oldTmp); }
  fs::path Tmp() const { return m_tmp.path().toStdString(); }

 private:
  QTemporaryDir m_tmp;
  QByteArray m_oldTmp;
};

// --- ExtractResourceToTemp -------------------------------------------------------------------

TEST_F(FirmwareFilesTest, AResourceIsWrittenByteForByteIntoTheTemporaryFolder) {
  const ScopedFirmwareResources resources({{kMcuResource, {1, 79, 0, 0xFF, 7}}, {kFlashResource, {}}}, "");
  std::string path;
  EXPECT_EQ(ExtractResourceToTemp(kMcuTempFile, path, kMcuResource, kResourceType), kResourceWritten);
  EXPECT_EQ(path, (Tmp() / kMcuTempFile).string());
  EXPECT_EQ(Read(path), std::string("\x01\x4F\x00\xFF\x07", 5));

  EXPECT_EQ(ExtractResourceToTemp(kFlashTempFile, path, kFlashResource, kResourceType), kResourceEmpty);
  EXPECT_EQ(ExtractResourceToTemp(kToolTempFile, path, kToolResource, kResourceType), kResourceNotFound);
  EXPECT_FALSE(HasBuiltInFirmware());
}

TEST_F(FirmwareFilesTest, ALinkPlantedAtTheTemporaryFileIsReplacedNotWrittenThrough) {
  const fs::path victim = Tmp() / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, Tmp() / kMcuTempFile);
  const ScopedFirmwareResources resources({{kMcuResource, Bytes("image")}}, "");
  std::string path;
  ASSERT_EQ(ExtractResourceToTemp(kMcuTempFile, path, kMcuResource, kResourceType), kResourceWritten);
  EXPECT_EQ(Read(victim), "keep");
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(Read(path), "image");
}

TEST(FirmwareResources, ABuildWithoutVendorFirmwareHasNoneAndFindsNoResource) {
  EXPECT_FALSE(HasBuiltInFirmware());
  std::string path;
  EXPECT_EQ(ExtractResourceToTemp("qb_none.bin", path, kFlashResource, kResourceType), kResourceNotFound);
}

// --- ExtractZipFlat ----------------------------------------------------------------------------

TEST(FlatEntryName, KeepsTheLastPartAndRefusesNamesThatCouldEscape) {
  EXPECT_EQ(FlatEntryName("app.bin"), "app.bin");
  EXPECT_EQ(FlatEntryName("tool/sub/download.bat"), "download.bat");
  EXPECT_EQ(FlatEntryName("tool\\isd_download.exe"), "isd_download.exe");
  for (const char* bad : {"../x", "a/../../x", "..\\x", "/etc/passwd", "\\x", "C:x", "c:\\x", "dir/", "a/.", "..", ""})
    EXPECT_EQ(FlatEntryName(bad), "") << bad;
}

TEST_F(FirmwareFilesTest, AnArchiveIsUnpackedFlatWithItsPassword) {
  const fs::path zip = Tmp() / "pkg.zip";
  ASSERT_TRUE(test::WriteZip(zip, {{"a/b/app.bin", Bytes("APP")}, {"download.bat", Bytes("BAT")}, {"dir/", {}}},
                             kPassword));
  const fs::path before = fs::current_path();
  const ZipFlatResult result = ExtractZipFlat(zip, Tmp() / "out", kPassword);
  EXPECT_TRUE(result.opened);
  EXPECT_EQ(result.extracted, 2);
  EXPECT_EQ(result.skipped, 0);
  EXPECT_EQ(Read(Tmp() / "out" / "app.bin"), "APP");
  EXPECT_EQ(Read(Tmp() / "out" / "download.bat"), "BAT");
  // Other threads resolve relative names meanwhile: the working directory stays.
  EXPECT_EQ(fs::current_path(), before);
}

TEST_F(FirmwareFilesTest, AWrongPasswordUnpacksNothing) {
  const fs::path zip = Tmp() / "pkg.zip";
  ASSERT_TRUE(test::WriteZip(zip, {{"app.bin", Bytes(std::string(300, 'x'))}}, kPassword));
  const ZipFlatResult result = ExtractZipFlat(zip, Tmp() / "out", "not the password");
  EXPECT_EQ(result.extracted, 0);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_TRUE(fs::is_empty(Tmp() / "out"));
}

TEST_F(FirmwareFilesTest, HostileEntriesNeverWriteOutsideTheFolder) {
  const fs::path out = Tmp() / "deep" / "out";
  const fs::path outside = Tmp() / "deep" / "x";
  const fs::path absolute = Tmp() / "abs";
  const fs::path zip = Tmp() / "pkg.zip";
  ASSERT_TRUE(test::WriteZip(zip,
                             {{"../x", Bytes("up")},
                              {absolute.string(), Bytes("abs")},
                              {"C:evil", Bytes("drive")},
                              {"link.bin", Bytes(outside.string()), true},
                              {"big.bin", std::vector<std::uint8_t>(5000, 1)},
                              {"ok.bin", Bytes("fine")}},
                             kPassword));
  ZipFlatLimits limits;
  limits.maxEntryBytes = 4096;
  const ZipFlatResult result = ExtractZipFlat(zip, out, kPassword, limits);
  EXPECT_EQ(result.extracted, 1);
  EXPECT_EQ(result.skipped, 5);
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_FALSE(fs::exists(out / "link.bin"));
  EXPECT_FALSE(fs::exists(out / "big.bin"));
  EXPECT_EQ(Read(out / "ok.bin"), "fine");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

TEST_F(FirmwareFilesTest, AnExistingFileIsReplacedAndALinkInItsPlaceIsNotFollowed) {
  const fs::path out = Tmp() / "out";
  fs::create_directories(out);
  const fs::path victim = Tmp() / "victim";
  std::ofstream(victim) << "keep";
  fs::create_symlink(victim, out / "app.bin");
  std::ofstream(out / "download.bat") << "old";
  const fs::path zip = Tmp() / "pkg.zip";
  ASSERT_TRUE(test::WriteZip(zip, {{"app.bin", Bytes("new app")}, {"download.bat", Bytes("new")}}, kPassword));
  EXPECT_EQ(ExtractZipFlat(zip, out, kPassword).extracted, 2);
  EXPECT_EQ(Read(victim), "keep");
  EXPECT_FALSE(fs::is_symlink(out / "app.bin"));
  EXPECT_EQ(Read(out / "app.bin"), "new app");
  EXPECT_EQ(Read(out / "download.bat"), "new");
}

TEST_F(FirmwareFilesTest, ADamagedArchiveIsNotOpened) {
  std::ofstream(Tmp() / "junk.zip") << "PK not really";
  EXPECT_FALSE(ExtractZipFlat(Tmp() / "junk.zip", Tmp() / "out", kPassword).opened);
}

// --- PrepareDownloadTool -----------------------------------------------------------------------

struct ToolCase {
  const char* what;
  std::vector<std::string> packageFiles;
  bool toolArchive;
  int code;
};

class PrepareDownloadToolTest : public FirmwareFilesTest, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(PrepareDownloadToolTest, ChecksTheFilesTheToolNeeds) {
  const ToolCase& c = GetParam();
  const fs::path toolZip = Tmp() / "tool.zip";
  ASSERT_TRUE(test::WriteZip(toolZip,
                             {{"download.bat", Bytes("@echo")}, {"isd_download.exe", Bytes("MZ")},
                              {"isd_config.ini", Bytes("[x]")}},
                             kPassword));
  std::map<std::string, std::vector<unsigned char>> resources;
  if (c.toolArchive) {
    const std::string bytes = Read(toolZip);
    resources[kToolResource] = {bytes.begin(), bytes.end()};
  }
  const ScopedFirmwareResources scoped(resources, kPassword);
  std::vector<ZipEntrySpec> entries;
  for (const std::string& name : c.packageFiles) entries.push_back({"fw/" + name, Bytes(name)});
  const fs::path package = Tmp() / "ZX7140K_MCU_UPG.bin";
  ASSERT_TRUE(test::WriteZip(package, entries, kPassword));
  // What an earlier package left must not stand in for what this one lacks.
  fs::create_directories(DownloadToolDir());
  for (const char* stale : {"app.bin", "dsp_image.bin", "jl_isd.bin", "jl_isd.fw"})
    std::ofstream(DownloadToolDir() / stale) << "stale";

  fs::path dir;
  fs::path bat;
  EXPECT_EQ(PrepareDownloadTool(package, dir, bat), c.code);
  EXPECT_FALSE(fs::exists(Tmp() / kToolTempFile));  // the tool archive is not left behind
  if (c.code == kToolReady) {
    EXPECT_EQ(dir, Tmp() / "MCU_UPG");
    EXPECT_EQ(bat, dir / "download.bat");
    EXPECT_EQ(Read(dir / "jl_isd.bin"), "CS4953.bin");
    EXPECT_FALSE(fs::exists(dir / "CS4953.fw"));
  }
}

const std::vector<std::string> kComplete{"CS4953.bin", "CS4953.fw", "app.bin", "dsp_image.bin"};
std::vector<std::string> Without(const std::string& name) {
  std::vector<std::string> files;
  for (const std::string& f : kComplete)
    if (f != name) files.push_back(f);
  return files;
}

INSTANTIATE_TEST_SUITE_P(Packages, PrepareDownloadToolTest,
                         ::testing::Values(ToolCase{"complete", kComplete, true, kToolReady},
                                           ToolCase{"no tool archive", kComplete, false, kToolArchiveMissing},
                                           ToolCase{"no CS4953.bin", Without("CS4953.bin"), true, kToolNoIsdBin},
                                           ToolCase{"no CS4953.fw", Without("CS4953.fw"), true, kToolNoIsdFw},
                                           ToolCase{"no app.bin", Without("app.bin"), true, kToolNoAppBin},
                                           ToolCase{"no dsp_image.bin", Without("dsp_image.bin"), true,
                                                    kToolNoDspImage}),
                         [](const ::testing::TestParamInfo<ToolCase>& param) {
                           std::string name = param.param.what;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST_F(FirmwareFilesTest, AToolArchiveWithoutDownloadBatGivesCode6) {
  const fs::path toolZip = Tmp() / "tool.zip";
  ASSERT_TRUE(test::WriteZip(toolZip, {{"isd_download.exe", Bytes("MZ")}}, kPassword));
  const std::string bytes = Read(toolZip);
  const ScopedFirmwareResources scoped({{kToolResource, {bytes.begin(), bytes.end()}}}, kPassword);
  std::vector<ZipEntrySpec> entries;
  for (const std::string& name : kComplete) entries.push_back({name, Bytes(name)});
  const fs::path package = Tmp() / "pkg.bin";
  ASSERT_TRUE(test::WriteZip(package, entries, kPassword));
  fs::path dir;
  fs::path bat;
  EXPECT_EQ(PrepareDownloadTool(package, dir, bat), kToolNoDownloadBat);
}

}  // namespace
}  // namespace qb

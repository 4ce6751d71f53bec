#include "shell/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <climits>
#include <filesystem>

#include "shell/marker_files.h"

namespace qb {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  QString PathIn(const char* relative) const { return m_dir.filePath(QString::fromLatin1(relative)); }
  QString Path() const { return PathIn("quorel.ini"); }

  void WriteRaw(const QByteArray& text) const {
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }

  QByteArray ReadRaw() const {
    QFile f(Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir m_dir;
};

TEST_F(SettingsFileTest, AMissingFileYieldsTheDefaultAndIsNotCreatedByReading) {
  const SettingsFile settings(Path());
  EXPECT_EQ(settings.ReadInt(kLanguageKey, 0), 0);
  EXPECT_EQ(settings.ReadInt(kMemoryAddressKey, -3), -3);
  EXPECT_FALSE(QFileInfo::exists(Path()));
}

TEST_F(SettingsFileTest, TheFirstWriteCreatesTheFileAndItsFolder) {
  const SettingsFile settings(PathIn("not/yet/there/quorel.ini"));
  EXPECT_TRUE(settings.WriteInt(kLanguageKey, 1));
  EXPECT_TRUE(QFileInfo::exists(settings.Path()));
  EXPECT_EQ(settings.ReadInt(kLanguageKey, 0), 1);
}

TEST_F(SettingsFileTest, EveryKeyRoundTripsAsSignedDecimalTextInTheConfigSection) {
  const SettingsFile settings(Path());
  ASSERT_TRUE(settings.WriteInt(kLanguageKey, 2));
  ASSERT_TRUE(settings.WriteInt(kFactoryEqKey, 1));
  ASSERT_TRUE(settings.WriteInt(kMemoryAddressKey, -2147483647 - 1));
  ASSERT_TRUE(settings.WriteInt(kMemoryDataKey, INT_MAX));

  // A fresh object sees what the first wrote: nothing is cached between calls.
  const SettingsFile again(Path());
  EXPECT_EQ(again.ReadInt(kLanguageKey, 0), 2);
  EXPECT_EQ(again.ReadInt(kFactoryEqKey, 0), 1);
  EXPECT_EQ(again.ReadInt(kMemoryAddressKey, 0), INT_MIN);
  EXPECT_EQ(again.ReadInt(kMemoryDataKey, 0), INT_MAX);

  const QByteArray text = ReadRaw();
  EXPECT_TRUE(text.contains("[config]")) << text.constData();
  EXPECT_TRUE(text.contains("lan=2")) << text.constData();
  EXPECT_TRUE(text.contains("mem_addr=-2147483648")) << text.constData();
  EXPECT_TRUE(text.contains("mem_data=2147483647")) << text.constData();
}

TEST_F(SettingsFileTest, AWriteKeepsTheOtherKeys) {
  WriteRaw("[config]\nlan=1\nfactoryEQ=5\n");
  const SettingsFile settings(Path());
  ASSERT_TRUE(settings.WriteInt(kMemoryDataKey, 42));
  EXPECT_EQ(settings.ReadInt(kLanguageKey, 0), 1);
  EXPECT_EQ(settings.ReadInt(kFactoryEqKey, 0), 5);
  EXPECT_EQ(settings.ReadInt(kMemoryDataKey, 0), 42);
}

struct StoredText {
  const char* name;
  const char* file;
  int expected;  // read with default 0
};

class SettingsFileTextTest : public SettingsFileTest,
                             public ::testing::WithParamInterface<StoredText> {};

TEST_P(SettingsFileTextTest, ReadsWhatAHandEditedFileHolds) {
  WriteRaw(GetParam().file);
  EXPECT_EQ(SettingsFile(Path()).ReadInt(kLanguageKey, 0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsFileTextTest,
    ::testing::Values(
        // Out-of-range languages are the caller's business: the value is passed on as is.
        StoredText{"LanguageOutOfRangeIsPassedOn", "[config]\nlan=7\n", 7},
        StoredText{"Negative", "[config]\nlan=-4\n", -4},
        StoredText{"WindowsLineEnds", "[config]\r\nlan=2\r\n", 2},
        StoredText{"OtherKeysOnly", "[config]\nfactoryEQ=3\n", 0},
        StoredText{"KeyInAnotherSection", "[other]\nlan=2\n", 0},
        StoredText{"NotANumber", "[config]\nlan=abc\n", 0},
        StoredText{"TrailingGarbage", "[config]\nlan=2x\n", 0},
        StoredText{"Empty", "[config]\nlan=\n", 0},
        StoredText{"HexIsNotDecimal", "[config]\nlan=0x10\n", 0},
        StoredText{"TooLargeForInt", "[config]\nlan=99999999999\n", 0},
        StoredText{"NotAnIniFile", "\x01\x02garbage without sections", 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsFileTest, AWriteThatCannotCreateTheFolderReportsFailure) {
  // A plain file where the folder should be.
  WriteRaw("");
  const SettingsFile settings(Path() + QStringLiteral("/quorel.ini"));
  EXPECT_FALSE(settings.WriteInt(kLanguageKey, 1));
  EXPECT_EQ(settings.ReadInt(kLanguageKey, 9), 9);
}

TEST(DefaultSettingsPath, IsQuorelIniInOneFolderNamedAfterTheProgram) {
  const QString organisation = QCoreApplication::organizationName();
  const QString application = QCoreApplication::applicationName();
  QCoreApplication::setOrganizationName(QStringLiteral("quorelbox"));
  QCoreApplication::setApplicationName(QStringLiteral("quorelbox"));
  const QFileInfo info(DefaultSettingsPath());
  EXPECT_EQ(info.fileName(), QStringLiteral("quorel.ini"));
  EXPECT_TRUE(info.isAbsolute());
  EXPECT_EQ(info.absolutePath(),
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/quorelbox"));
  QCoreApplication::setOrganizationName(organisation);
  QCoreApplication::setApplicationName(application);
}

TEST(MarkerFiles, OnlyExistenceInTheCurrentDirectoryCounts) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path().toStdString());

  for (const char* name : {kSaveLogMarker, kDebugMarker, kNoForceUpdateMarker}) {
    EXPECT_FALSE(MarkerFileExists(name)) << name;
  }
  {
    QFile f(QString::fromLatin1(kDebugMarker));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Unreadable content does not matter.
    f.setPermissions(QFileDevice::Permissions());
  }
  EXPECT_TRUE(MarkerFileExists(kDebugMarker));
  EXPECT_FALSE(MarkerFileExists(kNoForceUpdateMarker));
  EXPECT_FALSE(MarkerFileExists(""));
  EXPECT_FALSE(MarkerFileExists(nullptr));

  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace qb

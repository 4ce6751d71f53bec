#pragma once
/// The firmware built into the program: the box's MCU image, its DSP-flash image and the
/// download tool's archive, written out to the temporary folder before an upgrade uses them.
///
/// This project ships no vendor firmware. A packager who has it builds with
/// -DQUORELBOX_FIRMWARE_DIR=DIR (holding MCU_UPG.bin, FLASH_UPG.bin and MCU_UPG_other.bin)
/// and -DQUORELBOX_FIRMWARE_PASSWORD=...; without them every resource is missing, and the
/// forced update reports it as such.

#include <map>
#include <string>
#include <vector>

namespace qb {

/// Resource names and the files they are written to.
inline constexpr const char* kMcuResource = "IDR_MCU_BIN";
inline constexpr const char* kFlashResource = "IDR_FLASH_BIN";
inline constexpr const char* kToolResource = "ID_MCU_OTHER";
inline constexpr const char* kResourceType = "BIN";
inline constexpr const char* kMcuTempFile = "MCU_UPG.bin";
inline constexpr const char* kFlashTempFile = "FLASH_UPG.bin";
inline constexpr const char* kToolTempFile = "MCU_UPG_other.bin";

/// Result codes of ExtractResourceToTemp.
enum ResourceCode : int {
  kResourceWritten = 0,
  kResourceNotFound = 1,
  kResourceNotLoaded = 2,
  kResourceEmpty = 3,
  kResourceNotLocked = 4,  ///< its bytes could not be read
  kResourceNoFile = 5,
  kResourceShortWrite = 6,
};

/// The temporary folder (QDir::tempPath()) as a native path.
std::string FirmwareTempDir();

/// Writes resource `resourceName` of `resourceType` byte for byte to `fileName` in the
/// temporary folder and returns its full path in `outPath`. Returns a ResourceCode. The file
/// is written under a new name and renamed into place, so a file or link already there is
/// replaced, never written through.
int ExtractResourceToTemp(const std::string& fileName, std::string& outPath, const std::string& resourceName,
                          const std::string& resourceType);

/// True when this build carries the firmware images (the tool archive aside).
bool HasBuiltInFirmware();

/// The password of the tool archive and of user-chosen tool packages.
std::string ToolPackagePassword();

/// Test seam: while it lives, the resources are these (name -> bytes; a missing name is a
/// missing resource) and the password is `password`, instead of what the build carries.
class ScopedFirmwareResources {
 public:
  ScopedFirmwareResources(std::map<std::string, std::vector<unsigned char>> resources, std::string password);
  ~ScopedFirmwareResources();
  ScopedFirmwareResources(const ScopedFirmwareResources&) = delete;
  ScopedFirmwareResources& operator=(const ScopedFirmwareResources&) = delete;
};

}  // namespace qb

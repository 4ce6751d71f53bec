#include "shell/download_tool.h"

#include <system_error>

#include "shell/firmware_resources.h"
#include "shell/log.h"

namespace qb {
namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

/// Renames `from` to `to` inside `dir` when `from` is there; true when `to` exists after.
bool RenameInto(const std::filesystem::path& dir, const char* from, const char* to) {
  std::error_code error;
  if (Exists(dir / from)) std::filesystem::rename(dir / from, dir / to, error);
  return Exists(dir / to);
}

}  // namespace

std::filesystem::path DownloadToolDir() { return std::filesystem::path(FirmwareTempDir()) / "MCU_UPG"; }

int PrepareDownloadTool(const std::filesystem::path& package, std::filesystem::path& outDir,
                        std::filesystem::path& outBat, const ZipFlatLimits& limits) {
  std::string toolArchive;
  if (ExtractResourceToTemp(kToolTempFile, toolArchive, kToolResource, kResourceType) != kResourceWritten) {
    std::error_code error;
    std::filesystem::remove(toolArchive, error);
    return kToolArchiveMissing;
  }
  const std::filesystem::path dir = DownloadToolDir();
  std::error_code error;
  // A fresh folder of our own: what an earlier package left (or a link someone put in its
  // place) must not be taken for this package's files. remove_all takes a link away, not
  // what it points to.
  std::filesystem::remove_all(dir, error);
  std::filesystem::create_directory(dir, error);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all, error);
  const std::string password = ToolPackagePassword();
  ExtractZipFlat(toolArchive, dir, password, limits);
  std::filesystem::remove(toolArchive, error);
  ExtractZipFlat(package, dir, password, limits);

  if (!RenameInto(dir, "CS4953.bin", "jl_isd.bin")) return kToolNoIsdBin;
  if (!RenameInto(dir, "CS4953.fw", "jl_isd.fw")) return kToolNoIsdFw;
  if (!Exists(dir / "app.bin")) return kToolNoAppBin;
  if (!Exists(dir / "dsp_image.bin")) return kToolNoDspImage;
  const std::filesystem::path bat = dir / "download.bat";
  if (!Exists(bat)) return kToolNoDownloadBat;
  outDir = dir;
  outBat = bat;
  LogPrintA("PrepareDownloadTool: %s ready\n", bat.string().c_str());
  return kToolReady;
}

}  // namespace qb

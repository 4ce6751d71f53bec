#pragma once
/// Preparing the external download tool for a firmware package: the tool's archive built into
/// the program and the chosen package (a ZIP with the same password) are unpacked side by side
/// into the tool folder, and the files the tool needs are checked.
///
/// The tool itself (a batch file driving a Windows program) cannot run on this system; the
/// update window says so once the folder is ready.

#include <filesystem>
#include <string>

#include "shell/zip_flat.h"

namespace qb {

/// Result codes of PrepareDownloadTool.
enum DownloadToolCode : int {
  kToolReady = 0,
  kToolArchiveMissing = 1,  ///< the built-in tool archive could not be written out
  kToolNoIsdBin = 2,        ///< neither CS4953.bin nor jl_isd.bin
  kToolNoIsdFw = 3,         ///< neither CS4953.fw nor jl_isd.fw
  kToolNoAppBin = 4,
  kToolNoDspImage = 5,
  kToolNoDownloadBat = 6,
};

/// The tool folder: "MCU_UPG" in the temporary folder.
std::filesystem::path DownloadToolDir();

/// Unpacks the tool archive and `package` into a fresh tool folder and checks it. On 0,
/// `outDir` is the folder and `outBat` its download.bat. The folder is emptied first, so
/// files of an earlier package never stand in for ones this package lacks.
int PrepareDownloadTool(const std::filesystem::path& package, std::filesystem::path& outDir,
                        std::filesystem::path& outBat, const ZipFlatLimits& limits = {});

}  // namespace qb

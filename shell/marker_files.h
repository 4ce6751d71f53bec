#pragma once
/// Marker files: empty (or any) files in the current directory whose mere presence
/// switches a diagnostic behaviour on. Their contents are never read.

#include "shell/log.h"

namespace qb {

/// Turns the log on at start-up (the log owns the name).
inline constexpr const char* kSaveLogMarker = kLogMarkerFile;
/// Shows the main window's debug button.
inline constexpr const char* kDebugMarker = "debug.ini";
/// Suppresses the forced firmware-update prompt after connecting to an outdated box.
inline constexpr const char* kNoForceUpdateMarker = "noForceUpdate.ini";

/// True when a file system entry called `name` exists in the current directory (resolved
/// at the time of the call). A null or empty name yields false.
bool MarkerFileExists(const char* name);

}  // namespace qb

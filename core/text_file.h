#pragma once
/// Whole small files read and written safely, for the files the user picks (profiles,
/// filter texts): a read never takes more than a limit, a write replaces the old file only
/// once every byte is on disk. Paths are in the system's 8-bit file name encoding.

#include <cstddef>
#include <string>

namespace qb {

/// The first `maxBytes` + 1 bytes of the file at `path` (more tells the caller the file is
/// too large); false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::size_t maxBytes, std::string& text);

/// Writes `text` in place of the file at `path`; a failure leaves any older file as it was.
bool SaveTextFile(const std::string& path, const std::string& text);

}  // namespace qb

#pragma once
// Writes small ZIP archives for the tests: stored entries, optionally encrypted the
// traditional PKWARE way, with any entry name (hostile ones included) and optional
// symbolic-link entries. The library the program reads with refuses to write most of these.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qb::test {

struct ZipEntrySpec {
  std::string name;
  std::vector<std::uint8_t> data;
  bool symlink = false;  ///< a Unix link whose target is `data`
};

/// Writes the archive; entries are encrypted with `password` unless it is empty.
bool WriteZip(const std::filesystem::path& path, const std::vector<ZipEntrySpec>& entries,
              const std::string& password);

/// Bytes of a text, for entry data.
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace qb::test

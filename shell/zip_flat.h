#pragma once
/// Unpacking a firmware tool package: a password-protected ZIP (traditional PKWARE
/// encryption) whose files are written side by side into one folder, whatever
/// sub-folders the archive keeps them in.
///
/// A package comes from outside the program, so its entry names and sizes are not trusted:
/// nothing is ever written outside the folder, and the folder's files are replaced, never
/// written through. Works with full paths only; the process's current directory is never
/// changed, since other threads resolve relative names (marker files, the log) meanwhile.

#include <cstdint>
#include <filesystem>
#include <string>

namespace qb {

struct ZipFlatLimits {
  /// Largest file an entry may unpack to; a larger one is skipped. A tool package holds a
  /// few small programs and images, far below this.
  std::uint64_t maxEntryBytes = 64ull << 20;
  /// Largest sum of every file written from one archive; entries beyond it are skipped.
  std::uint64_t maxTotalBytes = 256ull << 20;
};

struct ZipFlatResult {
  bool opened = false;   ///< the archive could be read as a ZIP
  int extracted = 0;     ///< files written
  int skipped = 0;       ///< entries refused (unsafe name, link, too large, unreadable)
};

/// The part of an archive entry's name a flat extraction writes to: the text after its last
/// "/" or "\". Empty for an entry that must never be written: a directory, a name holding a
/// ".." component, an absolute name ("/x", "\x"), a drive-letter name ("C:x"), or one whose
/// last part is empty, "." or "..".
std::string FlatEntryName(const std::string& entryName);

/// Writes every regular file of the ZIP at `archive` into `outDir` (created when missing)
/// under its FlatEntryName, decrypting with `password` (empty: none). Symbolic links and
/// entries that are unsafe, too large or cannot be read (wrong password, damaged data) are
/// skipped and logged; a partly written file is removed. An existing file of the same name
/// is replaced by a rename, so a link placed there is replaced, not followed.
ZipFlatResult ExtractZipFlat(const std::filesystem::path& archive, const std::filesystem::path& outDir,
                             const std::string& password, const ZipFlatLimits& limits = {});

}  // namespace qb

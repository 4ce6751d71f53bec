#include "shell/zip_flat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <memory>
#include <system_error>

#include "shell/log.h"

namespace qb {
namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

/// A file descriptor closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return m_fd; }
  bool Close() {
    if (m_fd < 0) return true;
    const bool ok = ::close(m_fd) == 0;
    m_fd = -1;
    return ok;
  }

 private:
  int m_fd;
};

bool IsLink(zip_t* archive, zip_uint64_t index) {
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0) return false;
  return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

/// Unpacks one entry into a new temporary file of `outDir`, then renames it to `name`.
/// Counts the bytes really produced, which a damaged or hostile archive may make larger than
/// its directory says. False (nothing left behind) on any failure.
bool ExtractEntry(zip_t* archive, zip_uint64_t index, const std::filesystem::path& outDir, const std::string& name,
                  std::uint64_t limit, std::uint64_t& written) {
  Entry entry(zip_fopen_index(archive, index, 0));
  if (!entry) {
    LogPrintA("ExtractZipFlat: cannot open %s: %s\n", name.c_str(), zip_strerror(archive));
    return false;
  }
  std::string temp = (outDir / ".unpack-XXXXXX").string();
  Descriptor fd(::mkstemp(temp.data()));
  if (fd.Get() < 0) {
    LogPrintA("ExtractZipFlat: cannot create a file in %s\n", outDir.string().c_str());
    return false;
  }
  std::array<char, 64 * 1024> buffer{};
  std::uint64_t total = 0;
  bool ok = true;
  for (;;) {
    const zip_int64_t n = zip_fread(entry.get(), buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      LogPrintA("ExtractZipFlat: cannot read %s: %s\n", name.c_str(), zip_file_strerror(entry.get()));
      ok = false;
      break;
    }
    total += static_cast<std::uint64_t>(n);
    if (total > limit) {
      LogPrintA("ExtractZipFlat: %s unpacks to more than %llu bytes, skipped\n", name.c_str(),
                static_cast<unsigned long long>(limit));
      ok = false;
      break;
    }
    if (!WriteAll(fd.Get(), buffer.data(), static_cast<std::size_t>(n))) {
      LogPrintA("ExtractZipFlat: cannot write %s\n", name.c_str());
      ok = false;
      break;
    }
  }
  ok = fd.Close() && ok;
  // rename() replaces whatever the name was, a link included, without following it.
  if (ok && ::rename(temp.c_str(), (outDir / name).c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  written += total;
  return true;
}

}  // namespace

std::string FlatEntryName(const std::string& entryName) {
  if (entryName.empty()) return {};
  const char first = entryName.front();
  if (first == '/' || first == '\\') return {};
  if (entryName.size() >= 2 && entryName[1] == ':') return {};
  // Any ".." component, wherever it stands, marks a name written to escape.
  std::size_t start = 0;
  while (start <= entryName.size()) {
    const std::size_t end = entryName.find_first_of("/\\", start);
    const std::string part = entryName.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return {};
    if (end == std::string::npos) break;
    start = end + 1;
  }
  const std::size_t slash = entryName.find_last_of("/\\");
  std::string last = slash == std::string::npos ? entryName : entryName.substr(slash + 1);
  if (last.empty() || last == "." || last == "..") return {};
  return last;
}

ZipFlatResult ExtractZipFlat(const std::filesystem::path& archivePath, const std::filesystem::path& outDir,
                             const std::string& password, const ZipFlatLimits& limits) {
  ZipFlatResult result;
  std::error_code error;
  std::filesystem::create_directories(outDir, error);
  int code = 0;
  Archive archive(zip_open(archivePath.c_str(), ZIP_RDONLY, &code));
  if (!archive) {
    LogPrintA("ExtractZipFlat: cannot open %s (libzip error %d)\n", archivePath.string().c_str(), code);
    return result;
  }
  result.opened = true;
  if (!password.empty()) zip_set_default_password(archive.get(), password.c_str());
  std::uint64_t total = 0;
  const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < entries; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)) {
      ++result.skipped;
      continue;
    }
    const std::string entryName = stat.name;
    if (!entryName.empty() && (entryName.back() == '/' || entryName.back() == '\\')) continue;  // a folder
    const std::string name = FlatEntryName(entryName);
    if (name.empty() || IsLink(archive.get(), index)) {
      LogPrintA("ExtractZipFlat: entry %s skipped (unsafe name or link)\n", entryName.c_str());
      ++result.skipped;
      continue;
    }
    const std::uint64_t room = limits.maxTotalBytes > total ? limits.maxTotalBytes - total : 0;
    const std::uint64_t limit = std::min(limits.maxEntryBytes, room);
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > limit) {
      LogPrintA("ExtractZipFlat: entry %s of %llu bytes skipped (too large)\n", entryName.c_str(),
                static_cast<unsigned long long>(stat.size));
      ++result.skipped;
      continue;
    }
    if (ExtractEntry(archive.get(), index, outDir, name, limit, total)) ++result.extracted;
    else ++result.skipped;
  }
  return result;
}

}  // namespace qb

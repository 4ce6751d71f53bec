#pragma once
// Reading back the usbmon captures the trace writes: the records with their URB headers.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qb::test {

using Bytes = std::vector<std::uint8_t>;

struct UsbmonRecord {
  std::uint32_t seconds = 0;
  std::uint32_t micros = 0;
  Bytes urb;   ///< the 64-byte URB header
  Bytes data;  ///< what follows it
};

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// `width` bytes of `bytes` from `at`, little-endian.
inline std::uint64_t Le(const Bytes& bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = value << 8 | bytes.at(at + i);
  return value;
}

/// The records of a little-endian capture, which must hold nothing but whole records.
inline std::vector<UsbmonRecord> ParseCapture(const Bytes& file) {
  std::vector<UsbmonRecord> records;
  std::size_t at = 24;
  while (at < file.size()) {
    const std::size_t captured = Le(file, at + 8, 4);
    EXPECT_GE(captured, 64u);
    EXPECT_LE(at + 16 + captured, file.size()) << "record cut short at " << at;
    if (captured < 64 || at + 16 + captured > file.size()) break;
    UsbmonRecord record;
    record.seconds = static_cast<std::uint32_t>(Le(file, at, 4));
    record.micros = static_cast<std::uint32_t>(Le(file, at + 4, 4));
    record.urb.assign(file.begin() + static_cast<long>(at + 16), file.begin() + static_cast<long>(at + 80));
    record.data.assign(file.begin() + static_cast<long>(at + 80),
                       file.begin() + static_cast<long>(at + 16 + captured));
    records.push_back(std::move(record));
    at += 16 + captured;
  }
  return records;
}

/// While it lives, files of this process cannot grow beyond `bytes`: writes past it fail
/// with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_handler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit m_saved{};
  void (*m_handler)(int) = nullptr;
};

}  // namespace qb::test

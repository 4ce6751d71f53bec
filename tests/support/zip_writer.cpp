#include "tests/support/zip_writer.h"

#include <zlib.h>

#include <fstream>

namespace qb::test {
namespace {

class Out {
 public:
  void U16(std::uint32_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Add(const std::vector<std::uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
  void Add(const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }
  std::vector<std::uint8_t> bytes;
};

/// The traditional PKWARE stream cipher.
class Cipher {
 public:
  explicit Cipher(const std::string& password) {
    for (const char c : password) Update(static_cast<std::uint8_t>(c));
  }
  std::uint8_t Encrypt(std::uint8_t plain) {
    const std::uint32_t t = (m_k2 | 2u) & 0xFFFFu;
    const auto out = static_cast<std::uint8_t>(plain ^ ((t * (t ^ 1u)) >> 8));
    Update(plain);
    return out;
  }

 private:
  static std::uint32_t Crc(std::uint32_t crc, std::uint8_t b) {
    const auto* table = get_crc_table();
    return (crc >> 8) ^ static_cast<std::uint32_t>(table[(crc ^ b) & 0xFFu]);
  }
  void Update(std::uint8_t b) {
    m_k0 = Crc(m_k0, b);
    m_k1 = (m_k1 + (m_k0 & 0xFFu)) * 134775813u + 1u;
    m_k2 = Crc(m_k2, static_cast<std::uint8_t>(m_k1 >> 24));
  }
  std::uint32_t m_k0 = 0x12345678u, m_k1 = 0x23456789u, m_k2 = 0x34567890u;
};

}  // namespace

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

bool WriteZip(const std::filesystem::path& path, const std::vector<ZipEntrySpec>& entries,
              const std::string& password) {
  Out file;
  Out central;
  const bool encrypt = !password.empty();
  for (const ZipEntrySpec& e : entries) {
    const auto crc = static_cast<std::uint32_t>(crc32(0, e.data.data(), static_cast<uInt>(e.data.size())));
    std::vector<std::uint8_t> stored = e.data;
    if (encrypt) {
      Cipher cipher(password);
      std::vector<std::uint8_t> header(12, 0x5A);
      header[11] = static_cast<std::uint8_t>(crc >> 24);  // the check byte
      stored.clear();
      for (const std::uint8_t b : header) stored.push_back(cipher.Encrypt(b));
      for (const std::uint8_t b : e.data) stored.push_back(cipher.Encrypt(b));
    }
    const auto offset = static_cast<std::uint32_t>(file.bytes.size());
    const std::uint32_t flags = encrypt ? 1u : 0u;
    file.U32(0x04034b50);
    file.U16(20);
    file.U16(flags);
    file.U16(0);  // stored
    file.U16(0);
    file.U16(0x21);
    file.U32(crc);
    file.U32(static_cast<std::uint32_t>(stored.size()));
    file.U32(static_cast<std::uint32_t>(e.data.size()));
    file.U16(static_cast<std::uint32_t>(e.name.size()));
    file.U16(0);
    file.Add(e.name);
    file.Add(stored);

    central.U32(0x02014b50);
    central.U16((3u << 8) | 20u);  // made on Unix, so the mode bits count
    central.U16(20);
    central.U16(flags);
    central.U16(0);
    central.U16(0);
    central.U16(0x21);
    central.U32(crc);
    central.U32(static_cast<std::uint32_t>(stored.size()));
    central.U32(static_cast<std::uint32_t>(e.data.size()));
    central.U16(static_cast<std::uint32_t>(e.name.size()));
    central.U16(0);
    central.U16(0);
    central.U16(0);
    central.U16(0);
    central.U32((e.symlink ? 0120777u : 0100644u) << 16);
    central.U32(offset);
    central.Add(e.name);
  }
  const auto centralOffset = static_cast<std::uint32_t>(file.bytes.size());
  file.Add(central.bytes);
  file.U32(0x06054b50);
  file.U16(0);
  file.U16(0);
  file.U16(static_cast<std::uint32_t>(entries.size()));
  file.U16(static_cast<std::uint32_t>(entries.size()));
  file.U32(static_cast<std::uint32_t>(central.bytes.size()));
  file.U32(centralOffset);
  file.U16(0);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace qb::test

#include "shell/firmware_resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cstdio>
#include <mutex>
#include <optional>

#include "shell/log.h"

#ifndef QUORELBOX_FIRMWARE_PASSWORD
#define QUORELBOX_FIRMWARE_PASSWORD ""
#endif

namespace qb {
namespace {

struct Override {
  std::map<std::string, std::vector<unsigned char>> resources;
  std::string password;
};

// Guards g_override: set by a test's thread while upgrade threads may read it.
std::mutex g_overrideLock;
std::optional<Override> g_override;

/// Loads a resource: its code, and its bytes when found and loaded.
int LoadResource(const std::string& name, const std::string& type, QByteArray& bytes) {
  {
    std::lock_guard<std::mutex> guard(g_overrideLock);
    if (g_override) {
      const auto it = g_override->resources.find(name);
      if (it == g_override->resources.end()) return kResourceNotFound;
      bytes = QByteArray(reinterpret_cast<const char*>(it->second.data()), static_cast<qsizetype>(it->second.size()));
      return kResourceWritten;
    }
  }
  // Built-in resources live under ":/firmware/<type>/<name>" when the build embedded them.
  QFile file(QStringLiteral(":/firmware/%1/%2").arg(QString::fromStdString(type), QString::fromStdString(name)));
  if (!file.exists()) return kResourceNotFound;
  if (!file.open(QIODevice::ReadOnly)) return kResourceNotLoaded;
  const qint64 size = file.size();
  bytes = file.readAll();
  if (size > 0 && bytes.size() != size) return kResourceNotLocked;
  return kResourceWritten;
}

}  // namespace

std::string FirmwareTempDir() { return QDir::toNativeSeparators(QDir::tempPath()).toStdString(); }

int ExtractResourceToTemp(const std::string& fileName, std::string& outPath, const std::string& resourceName,
                          const std::string& resourceType) {
  outPath = FirmwareTempDir() + "/" + fileName;
  QByteArray bytes;
  const int loaded = LoadResource(resourceName, resourceType, bytes);
  if (loaded != kResourceWritten) {
    LogPrintA("ExtractResourceToTemp %s: resource %s missing or unreadable (%d)\n", fileName.c_str(),
              resourceName.c_str(), loaded);
    return loaded;
  }
  if (bytes.isEmpty()) return kResourceEmpty;
  // Written under a new name and renamed into place: the temporary folder is shared, and a
  // link planted under the file's name is replaced instead of written through.
  QTemporaryFile file(QString::fromStdString(outPath) + QStringLiteral(".XXXXXX"));
  if (!file.open()) return kResourceNoFile;
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  file.close();
  if (!written || std::rename(file.fileName().toLocal8Bit().constData(), outPath.c_str()) != 0)
    return kResourceShortWrite;
  file.setAutoRemove(false);
  return kResourceWritten;
}

bool HasBuiltInFirmware() {
  QByteArray bytes;
  for (const char* name : {kMcuResource, kFlashResource})
    if (LoadResource(name, kResourceType, bytes) != kResourceWritten || bytes.isEmpty()) return false;
  return true;
}

std::string ToolPackagePassword() {
  std::lock_guard<std::mutex> guard(g_overrideLock);
  if (g_override) return g_override->password;
  return QUORELBOX_FIRMWARE_PASSWORD;
}

ScopedFirmwareResources::ScopedFirmwareResources(std::map<std::string, std::vector<unsigned char>> resources,
                                                 std::string password) {
  std::lock_guard<std::mutex> guard(g_overrideLock);
  g_override = Override{std::move(resources), std::move(password)};
}

ScopedFirmwareResources::~ScopedFirmwareResources() {
  std::lock_guard<std::mutex> guard(g_overrideLock);
  g_override.reset();
}

}  // namespace qb

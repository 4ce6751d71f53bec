#include "core/text_file.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

namespace qb {
namespace {

QString FilePath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

bool ReadTextFile(const std::string& path, std::size_t maxBytes, std::string& text) {
  QFile file(FilePath(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.read(static_cast<qint64>(maxBytes) + 1);
  if (file.error() != QFileDevice::NoError) return false;
  text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return true;
}

bool SaveTextFile(const std::string& path, const std::string& text) {
  QSaveFile file(FilePath(path));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const auto size = static_cast<qint64>(text.size());
  // Without a commit the destructor removes the temporary file and leaves the old one.
  if (file.write(text.data(), size) != size) return false;
  return file.commit();
}

}  // namespace qb

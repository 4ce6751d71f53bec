#include "ui/skin.h"

#include <QApplication>
#include <QFile>
#include <QXmlStreamReader>

namespace qb::ui {
namespace {

ResourceIndex& MutableIndex() {
  static ResourceIndex index;
  return index;
}

QHash<QString, QByteArray>& Overrides() {
  static QHash<QString, QByteArray> overrides;
  return overrides;
}

}  // namespace

void RegisterSkinOverride(const QString& skinPath, QByteArray bytes) {
  if (bytes.isEmpty()) Overrides().remove(skinPath);
  else Overrides().insert(skinPath, std::move(bytes));
}

bool ReadSkinFile(const QString& skinPath, QByteArray& bytes) {
  bytes.clear();
  QString path = skinPath;
  path.replace('\\', '/');
  // A skin path never leaves the skin: refuse absolute paths and parent references.
  if (path.startsWith('/') || path.contains(QStringLiteral(".."))) return false;
  if (auto it = Overrides().constFind(path); it != Overrides().constEnd()) {
    bytes = *it;
    return true;
  }
  QFile file(QStringLiteral(":/skin/") + path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  bytes = file.readAll();
  return true;
}

bool ResourceIndex::Parse(const QByteArray& xml, QString* error) {
  QXmlStreamReader reader(xml);
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const bool isLayout = reader.name() == u"Xml";
    if (!isLayout && reader.name() != u"Image") continue;
    const QString id = reader.attributes().value(QLatin1String("id")).toString();
    QString path = reader.attributes().value(QLatin1String("path")).toString();
    path.replace('\\', '/');
    if (id.isEmpty() || path.isEmpty()) continue;
    auto& map = isLayout ? m_layouts : m_images;
    if (!map.contains(id)) map.insert(id, path);  // the first entry of an id wins
  }
  if (reader.hasError()) {
    if (error)
      *error = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
    return false;
  }
  return true;
}

const ResourceIndex& SkinIndex() { return MutableIndex(); }

bool LoadSkin(QString* error) {
  QByteArray bytes;
  if (!ReadSkinFile(QStringLiteral("xml/res.xml"), bytes)) {
    if (error) *error = QStringLiteral("xml/res.xml is missing");
    return false;
  }
  ResourceIndex index;
  if (!index.Parse(bytes, error)) return false;
  MutableIndex() = index;
  QByteArray style;
  if (ReadSkinFile(QStringLiteral("style.qss"), style) && qApp)
    qApp->setStyleSheet(QString::fromUtf8(style));
  return true;
}

}  // namespace qb::ui

#pragma once
/// The skin compiled into the program: layouts, menus, language files, pictures and the style
/// sheet, read by their skin paths ("xml/Main_dlg.xml", "lan/lan_en.xml"; "\" is accepted as
/// a separator), and the resource index mapping layout ids to paths.

#include <QByteArray>
#include <QHash>
#include <QString>

namespace qb::ui {

/// The bytes of a skin file, or an empty array (and false) when it does not exist. A file
/// registered with RegisterSkinOverride is read before the compiled-in skin.
bool ReadSkinFile(const QString& skinPath, QByteArray& bytes);

/// Makes ReadSkinFile return `bytes` for `skinPath` ("/" separators) instead of the compiled-in
/// file, so layouts can be tried without rebuilding the skin; empty bytes drop the override.
/// UI thread only.
void RegisterSkinOverride(const QString& skinPath, QByteArray bytes);

/// The resource index: "Image" and "Xml" entries (nested ones too) mapping ids to paths;
/// the first entry of an id wins.
class ResourceIndex {
 public:
  bool Parse(const QByteArray& xml, QString* error = nullptr);
  QString LayoutPath(const QString& id) const { return m_layouts.value(id); }
  QString ImagePath(const QString& id) const { return m_images.value(id); }
  int LayoutCount() const { return static_cast<int>(m_layouts.size()); }

 private:
  QHash<QString, QString> m_layouts;
  QHash<QString, QString> m_images;
};

/// The process-wide index, loaded by LoadSkin().
const ResourceIndex& SkinIndex();

/// Loads the resource index "xml/res.xml" and applies the style sheet to the application.
/// Returns false when the index is missing or malformed (start-up goes on without a skin).
bool LoadSkin(QString* error = nullptr);

}  // namespace qb::ui

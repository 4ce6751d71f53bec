#pragma once
/// Language tables: up to three named maps from text key ("${tips}") to text, loaded from
/// the skin's language files, one of them current. Texts beginning with "${" are looked up
/// whole; a missing key shows as itself; "{\n}" in the result becomes a line break.

#include <QHash>
#include <QString>
#include <vector>

namespace qb::ui {

class LanguageTables {
 public:
  static constexpr int kMaxTables = 3;

  /// Loads a table from a language file's bytes under a name and makes it current. A fourth
  /// table, or a malformed file, is refused (false, *error says why).
  bool Load(const QString& name, const QByteArray& xml, QString* error = nullptr);
  /// Makes the named table current; false (current unchanged) when none has that name.
  bool Select(const QString& name);
  /// True when a table of that name is loaded.
  bool Has(const QString& name) const;
  /// The name last selected, even one without a table ("ru"); "" before any.
  QString CurrentName() const { return m_currentName; }
  /// The text shown for `text` in the current table.
  QString Resolve(const QString& text) const;
  void Clear();

 private:
  struct Table {
    QString name;
    QHash<QString, QString> texts;
  };
  std::vector<Table> m_tables;
  int m_current = -1;
  QString m_currentName;
};

/// The process-wide tables every window resolves its texts from (UI thread only).
LanguageTables& Languages();

/// Languages().Resolve(text).
QString Tr(const QString& text);

}  // namespace qb::ui

#include "ui/language_tables.h"

#include <QXmlStreamReader>

namespace qb::ui {

bool LanguageTables::Load(const QString& name, const QByteArray& xml, QString* error) {
  if (int(m_tables.size()) >= kMaxTables) {
    if (error) *error = QStringLiteral("no room for a fourth language table");
    return false;
  }
  Table table{name, {}};
  QXmlStreamReader reader(xml);
  while (!reader.atEnd()) {
    if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"Text") {
      const auto attributes = reader.attributes();
      const QString id = attributes.value(QLatin1String("id")).toString();
      if (!id.isEmpty()) table.texts.insert(id, attributes.value(QLatin1String("value")).toString());
    }
  }
  if (reader.hasError()) {
    if (error)
      *error = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
    return false;
  }
  m_tables.push_back(std::move(table));
  m_current = int(m_tables.size()) - 1;
  m_currentName = name;
  return true;
}

bool LanguageTables::Select(const QString& name) {
  m_currentName = name;
  for (int i = 0; i < int(m_tables.size()); ++i) {
    if (m_tables[size_t(i)].name == name) {
      m_current = i;
      return true;
    }
  }
  return false;
}

bool LanguageTables::Has(const QString& name) const {
  for (const Table& table : m_tables)
    if (table.name == name) return true;
  return false;
}

QString LanguageTables::Resolve(const QString& text) const {
  QString result = text;
  if (text.startsWith(u"${") && m_current >= 0) {
    const auto& texts = m_tables[size_t(m_current)].texts;
    if (auto it = texts.constFind(text); it != texts.constEnd()) result = *it;
  }
  result.replace(QStringLiteral("{\\n}"), QStringLiteral("\n"));
  return result;
}

void LanguageTables::Clear() {
  m_tables.clear();
  m_current = -1;
  m_currentName.clear();
}

LanguageTables& Languages() {
  static LanguageTables tables;
  return tables;
}

QString Tr(const QString& text) { return Languages().Resolve(text); }

}  // namespace qb::ui

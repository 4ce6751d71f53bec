#include "shell/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QCoreApplication>
#include <QStandardPaths>
#include <utility>

namespace qb {

namespace {

QString QualifiedKey(const char* key) {
  return QString::fromLatin1(kSettingsSection) + QLatin1Char('/') + QString::fromLatin1(key);
}

}  // namespace

QString DefaultSettingsPath() {
  // One folder named after the program (~/.config/quorelbox), whatever organisation name
  // the application carries: Qt's own per-application folder would nest both.
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString name = QCoreApplication::applicationName();
  const QDir dir = base.isEmpty() || name.isEmpty() ? QDir::current() : QDir(base + QLatin1Char('/') + name);
  return dir.filePath(QString::fromLatin1(kSettingsFileName));
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

int SettingsFile::ReadInt(const char* key, int defaultValue) const {
  // QSettings would happily report an empty map for a missing file, but checking first
  // keeps a read from ever leaving a file behind.
  if (!QFileInfo::exists(m_path)) return defaultValue;
  const QSettings settings(m_path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return defaultValue;
  const QVariant stored = settings.value(QualifiedKey(key));
  if (!stored.isValid()) return defaultValue;
  bool ok = false;
  const int value = stored.toString().trimmed().toInt(&ok, 10);
  return ok ? value : defaultValue;
}

bool SettingsFile::WriteInt(const char* key, int value) const {
  const QFileInfo info(m_path);
  if (!QDir().mkpath(info.absolutePath())) return false;
  QSettings settings(m_path, QSettings::IniFormat);
  // Stored as text so that the file holds exactly "%d" whatever QSettings would make of
  // an int variant.
  settings.setValue(QualifiedKey(key), QString::number(value));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

int ReadConfigInt(const char* key, int defaultValue) {
  return SettingsFile(DefaultSettingsPath()).ReadInt(key, defaultValue);
}

bool WriteConfigInt(const char* key, int value) {
  return SettingsFile(DefaultSettingsPath()).WriteInt(key, value);
}

}  // namespace qb

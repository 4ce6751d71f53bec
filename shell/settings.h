#pragma once
/// The program's small settings file "quorel.ini": one INI section, "config", holding a few
/// integers. Every reader and writer works out the file's path afresh each time, so a
/// settings file that appears, disappears or moves while the program runs is simply
/// picked up at the next access.

#include <QString>

namespace qb {

/// Name of the settings file.
inline constexpr const char* kSettingsFileName = "quorel.ini";
/// The one section every key lives in.
inline constexpr const char* kSettingsSection = "config";
/// UI language: 0 "en", 1 "cn_zh", 2 "ru"; any other value selects nothing.
inline constexpr const char* kLanguageKey = "lan";
/// Read at start-up and handed to the controller; never written by the program.
inline constexpr const char* kFactoryEqKey = "factoryEQ";
/// Last address shown by the memory window.
inline constexpr const char* kMemoryAddressKey = "mem_addr";
/// Last data value shown by the memory window.
inline constexpr const char* kMemoryDataKey = "mem_data";

/// Full path of the settings file: "quorel.ini" in a folder named after the application in
/// the user's configuration folder (~/.config/quorelbox/quorel.ini), or in the current
/// directory when that folder cannot be determined.
QString DefaultSettingsPath();

/// One settings file at a fixed path. Holds no open handle: every call opens, reads or
/// writes and closes again, so several objects (or processes) on the same file agree.
class SettingsFile {
 public:
  /// Uses the file at `path`; nothing is touched until the first read or write.
  explicit SettingsFile(QString path);

  /// Integer stored under `key` in the "config" section. Returns `defaultValue` when the
  /// file or the key is missing, unreadable, or the stored text is not a decimal integer
  /// that fits in an int.
  int ReadInt(const char* key, int defaultValue) const;

  /// Stores `value` under `key` as signed decimal text, creating the file and its folder
  /// when they do not exist. Returns false when the file could not be written; callers
  /// in the program ignore that (a lost setting is not worth bothering the user with).
  bool WriteInt(const char* key, int value) const;

  const QString& Path() const { return m_path; }

 private:
  QString m_path;
};

/// ReadInt on the settings file at DefaultSettingsPath() at the time of the call.
int ReadConfigInt(const char* key, int defaultValue);

/// WriteInt on the settings file at DefaultSettingsPath() at the time of the call.
bool WriteConfigInt(const char* key, int value);

}  // namespace qb

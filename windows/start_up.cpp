#include "windows/start_up.h"

#include <QByteArray>
#include <QString>

#include "shell/log.h"
#include "shell/settings.h"
#include "shell/single_instance.h"
#include "ui/language_tables.h"
#include "ui/skin.h"
#include "windows/message_box.h"

namespace qb {
namespace {

bool LoadLanguageFile(const char* name, const char* path) {
  QByteArray bytes;
  QString error;
  if (!ui::ReadSkinFile(QString::fromLatin1(path), bytes) ||
      !ui::Languages().Load(QString::fromLatin1(name), bytes, &error)) {
    LogPrintA("language %s not loaded %s\n", path, qPrintable(error));
    return false;
  }
  return true;
}

/// The language a stored "lan" value selects; empty for values that select nothing.
QString LanguageForStoredValue(int value) {
  switch (value) {
    case 0: return QStringLiteral("en");
    case 1: return QStringLiteral("cn_zh");
    case 2: return QStringLiteral("ru");
    default: return {};
  }
}

}  // namespace

void LoadProgramLanguages() {
  ui::Languages().Clear();
  LoadLanguageFile("en", "lan/lan_en.xml");
  LoadLanguageFile("cn_zh", "lan/lan_cn.xml");
  const QString language = LanguageForStoredValue(ReadConfigInt(kLanguageKey, 0));
  // A stored language without texts ("ru", which has no table yet, or junk) starts in
  // English rather than in whichever table was loaded last.
  if (language.isEmpty() || !ui::Languages().Select(language)) ui::Languages().Select(QStringLiteral("en"));
}

bool ClaimSingleInstance(SingleInstance& lock) {
  if (lock.Acquire()) return true;
  windows::ShowMessageBox(nullptr, QStringLiteral("${tips}"), QStringLiteral("${mutex_tips}"),
                          {QStringLiteral("${confirm}")});
  return false;
}

}  // namespace qb

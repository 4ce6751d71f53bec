#include "windows/profile_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

#include "ui/language_tables.h"

namespace qb::windows {

QString ProfileFilter(ProfileKind kind, bool chinese) {
  if (kind == ProfileKind::Scene)
    return chinese ? QStringLiteral("场景配置文件(*.spf);;所有文件(*.*)")
                   : QStringLiteral("Scene Profile(*.spf);;All Files(*.*)");
  if (kind == ProfileKind::Measurement)
    return chinese ? QStringLiteral("测量文件(*.txt *.frd *.csv);;测量文本(*.txt);;FRD 文件(*.frd);;CSV 文件(*.csv);;"
                                    "所有文件(*.*)")
                   : QStringLiteral("Measurements(*.txt *.frd *.csv);;Measurement Text(*.txt);;FRD(*.frd);;CSV(*.csv);;"
                                    "All Files(*.*)");
  if (kind == ProfileKind::FilterText)
    return chinese ? QStringLiteral("滤波器文本(*.txt);;所有文件(*.*)") : QStringLiteral("Filter Text(*.txt);;All Files(*.*)");
  return chinese ? QStringLiteral("整机配置文件(*.wpf);;所有文件(*.*)")
                 : QStringLiteral("Whole Config Profile(*.wpf);;All Files(*.*)");
}

QString ProfileExtension(ProfileKind kind) {
  switch (kind) {
    case ProfileKind::Scene: return QStringLiteral("spf");
    case ProfileKind::Whole: return QStringLiteral("wpf");
    case ProfileKind::FilterText:
    case ProfileKind::Measurement: break;
  }
  return QStringLiteral("txt");
}

void PrepareFileDialog(QFileDialog& dialog) {
  // Qt's own dialog, so it wears the program's dark style and its labels stay readable.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setObjectName(QStringLiteral("file_dialog"));
  dialog.resize(kFileDialogWidth, kFileDialogHeight);
  // The name takes the room left; size, type and date are as wide as what they show
  // ("471 bytes", never "471...tes").
  for (QTreeView* details : dialog.findChildren<QTreeView*>()) {
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
}

QString AskProfilePath(QWidget* owner, ProfileKind kind, ProfileDialog dialog) {
  const bool chinese = ui::Languages().CurrentName() == u"cn_zh";
  QFileDialog files(owner, QString(), QDir::currentPath(), ProfileFilter(kind, chinese));
  PrepareFileDialog(files);
  if (dialog == ProfileDialog::Save) {
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setFileMode(QFileDialog::AnyFile);
    files.setDefaultSuffix(ProfileExtension(kind));
  } else {
    files.setAcceptMode(QFileDialog::AcceptOpen);
    files.setFileMode(QFileDialog::ExistingFile);
  }
  if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return {};
  return files.selectedFiles().first();
}

}  // namespace qb::windows

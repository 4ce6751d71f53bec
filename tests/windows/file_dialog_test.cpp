// The program's file dialog on the dark style: its labels read against its background, and
// the size, type and date columns are as wide as what they show.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <cstdlib>

#include "tests/windows/dialog_driver.h"
#include "windows/profile_dialogs.h"

namespace qb::windows::test {
namespace {

QFileDialog* OpenFileDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) return dialog;
  return nullptr;
}

/// What the dialog shows: readable labels, whole columns.
void LookAt(QFileDialog& dialog) {
  const QColor background = dialog.palette().color(dialog.backgroundRole());
  int labels = 0;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    ++labels;
    const QColor text = label->palette().color(label->foregroundRole());
    EXPECT_GT(std::abs(text.lightness() - background.lightness()), 100)
        << label->text().toStdString() << ": " << text.name().toStdString() << " on " << background.name().toStdString();
  }
  EXPECT_GT(labels, 0);

  // The details view, as the user switches to it.
  auto* detailsButton = dialog.findChild<QToolButton*>(QStringLiteral("detailModeButton"));
  ASSERT_NE(detailsButton, nullptr);
  QTest::mouseClick(detailsButton, Qt::LeftButton);
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  ASSERT_NE(details, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([details] { return details->isVisible() && details->model()->rowCount(details->rootIndex()) > 0; }));
  QTest::qWait(50);
  const QHeaderView* header = details->header();
  const QAbstractItemView* view = details;  // the widest text of a column, through the public base
  for (int column = 1; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    EXPECT_GE(header->sectionSize(column), view->sizeHintForColumn(column)) << "column " << column << " cut";
    EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << "title of column " << column << " cut";
  }
  const int used = header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2) + header->sectionSize(3);
  EXPECT_LE(used, details->viewport()->width() + 1) << "no column runs off the view";
}

TEST_F(DialogTest, TheFileDialogShowsWholeColumnsAndReadableLabels) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile file(dir.filePath(QStringLiteral("tuned.spf")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(471, 'x'));
  file.close();
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  bool looked = false;
  QTimer::singleShot(0, qApp, [&looked] {
    QFileDialog* dialog = OpenFileDialog();
    if (!dialog) {
      ADD_FAILURE() << "no file dialog";
      return;
    }
    LookAt(*dialog);
    if (const QByteArray shot = qgetenv("QB_FILEDIALOG_SCREENSHOT"); !shot.isEmpty())
      dialog->grab().save(QString::fromLocal8Bit(shot));
    looked = true;
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  // A dialog the steps failed to close would wait for a user forever.
  QTimer::singleShot(8000, qApp, [] {
    if (QFileDialog* dialog = OpenFileDialog()) dialog->reject();
  });
  EXPECT_TRUE(AskProfilePath(nullptr, ProfileKind::Scene, ProfileDialog::Open).isEmpty()) << "Escape cancels";
  QDir::setCurrent(previous);
  EXPECT_TRUE(looked);
}

}  // namespace
}  // namespace qb::windows::test

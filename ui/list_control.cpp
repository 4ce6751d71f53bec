#include "ui/list_control.h"

#include "ui/language_tables.h"
#include "ui/notification.h"

namespace qb::ui {
namespace {
constexpr int kItemNameRole = Qt::UserRole + 1;
}

List::List(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!m_programSelect) RaiseNotification(this, Event::ItemSelect, row);
  });
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { RaiseNotification(this, Event::ItemClick, row(item)); });
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    RaiseNotification(this, Event::ItemActivate, row(item));
  });
}

void List::AddItem(const QString& name, const QString& rawText) {
  auto* item = new QListWidgetItem(Tr(rawText), this);
  item->setData(kItemNameRole, name);
}

bool List::RemoveItem(int index) {
  if (index < 0 || index >= count()) return false;
  delete takeItem(index);
  return true;
}

bool List::SelectItem(int index, bool notify) {
  if (index < -1 || index >= count()) return false;
  const bool changed = index != currentRow();
  m_programSelect = true;
  setCurrentRow(index);
  m_programSelect = false;
  if (notify && changed) RaiseNotification(this, Event::ItemSelect, index);
  return true;
}

}  // namespace qb::ui

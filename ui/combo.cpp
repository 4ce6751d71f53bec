#include "ui/combo.h"

#include <QListView>
#include <QStandardItemModel>

#include "ui/language_tables.h"
#include "ui/notification.h"

namespace qb::ui {
namespace {
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kRawTextRole = Qt::UserRole + 2;
}  // namespace

Combo::Combo(QWidget* parent) : QComboBox(parent) {
  setFocusPolicy(Qt::NoFocus);
  // A list view lets single rows be hidden (sources the box offers but the program does not).
  setView(new QListView(this));
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!m_programSelect) RaiseNotification(this, Event::ItemSelect, index);
  });
}

void Combo::AddItem(const QString& name, const QString& rawText) {
  addItem(Tr(rawText));
  const int index = count() - 1;
  setItemData(index, name, kNameRole);
  setItemData(index, rawText, kRawTextRole);
}

int Combo::FindItem(const QString& name) const { return findData(name, kNameRole); }

QString Combo::ItemName(int index) const { return itemData(index, kNameRole).toString(); }

void Combo::SetItemVisible(int index, bool visible) {
  if (index < 0 || index >= count()) return;
  if (auto* list = qobject_cast<QListView*>(view())) list->setRowHidden(index, !visible);
  // The wheel and the keys step over disabled items only: a hidden one must not be reachable.
  if (auto* items = qobject_cast<QStandardItemModel*>(model()))
    if (QStandardItem* item = items->item(index)) item->setEnabled(visible);
}

bool Combo::IsItemVisible(int index) const {
  auto* list = qobject_cast<QListView*>(view());
  return list && index >= 0 && index < count() && !list->isRowHidden(index);
}

void Combo::SetItemHeight(int pixels) {
  view()->setStyleSheet(QStringLiteral("QListView::item { min-height: %1px; }").arg(pixels));
}

bool Combo::SelectItem(int index, bool notify) {
  if (index < 0 || index >= count()) return false;
  const bool changed = index != currentIndex();
  m_programSelect = true;
  setCurrentIndex(index);
  m_programSelect = false;
  if (notify && changed) RaiseNotification(this, Event::ItemSelect, index);
  return true;
}

void Combo::RetranslateItems() {
  for (int i = 0; i < count(); ++i) setItemText(i, Tr(itemData(i, kRawTextRole).toString()));
}

}  // namespace qb::ui

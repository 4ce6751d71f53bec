#pragma once
/// The skin's list: named text items; raises "itemselect" when the selection changes,
/// "itemclick" on a click and "itemactivate" on a double-click of an item.

#include <QListWidget>

namespace qb::ui {

class List : public QListWidget {
  Q_OBJECT
 public:
  explicit List(QWidget* parent = nullptr);

  void AddItem(const QString& name, const QString& rawText);
  bool RemoveItem(int index);
  void Clear() { clear(); }
  int CurrentSelection() const { return currentRow(); }
  bool SelectItem(int index, bool notify = true);

 private:
  bool m_programSelect = false;
};

}  // namespace qb::ui

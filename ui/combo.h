#pragma once
/// The skin's drop-down list. Items have a name (for lookup), a text (which may be a language
/// key) and may be hidden. A selection by the user, or by the program with notify, raises
/// "itemselect".

#include <QComboBox>

namespace qb::ui {

class Combo : public QComboBox {
  Q_OBJECT
 public:
  explicit Combo(QWidget* parent = nullptr);

  void AddItem(const QString& name, const QString& rawText);
  /// Index of the item with that name, or -1.
  int FindItem(const QString& name) const;
  QString ItemName(int index) const;
  void SetItemVisible(int index, bool visible);
  bool IsItemVisible(int index) const;
  void SetItemHeight(int pixels);
  int CurrentSelection() const { return currentIndex(); }
  /// Selects an item; with notify a change raises "itemselect". Out-of-range indices are
  /// refused (returns false).
  bool SelectItem(int index, bool notify = true);
  /// Resolves the item texts again in the current language.
  void RetranslateItems();

 private:
  bool m_programSelect = false;
};

}  // namespace qb::ui

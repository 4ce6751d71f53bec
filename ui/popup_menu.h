#pragma once
/// Popup menus built from the skin's menu files. Choosing an item posts WM_MENU_CLICK to
/// the owner window with a MenuClickRecord (item name, user data, text, checked flag).

#include <QMenu>
#include <memory>

#include "messages/reply_message.h"

namespace qb::ui {

class MessagePort;

struct MenuClickRecord final : ReplyRecord {
  QString name;
  QString userData;
  QString text;
  bool checked = false;
};

class PopupMenu : public QMenu {
  Q_OBJECT
 public:
  /// Builds the menu from a menu file's bytes; null and *error on a malformed file.
  static std::unique_ptr<PopupMenu> FromXml(const QByteArray& xml, std::shared_ptr<MessagePort> owner,
                                            QWidget* parent, QString* error = nullptr);

  /// The item (or submenu entry) with that name, or null.
  QAction* FindItem(const QString& name) const;
  /// The names of the items that choose something (submenu entries and separators left out).
  QStringList ChoosableItems() const;
  bool SetItemEnabled(const QString& name, bool enabled);
  bool SetItemVisible(const QString& name, bool visible);
  /// Shows or clears the tick on an item.
  bool SetItemChecked(const QString& name, bool checked);
  /// Pops up below the control: at its bottom-left corner in screen coordinates.
  void PopBelow(QWidget* control);
  /// Resolves the item texts again in the current language.
  void Retranslate();

 private:
  PopupMenu(std::shared_ptr<MessagePort> owner, QWidget* parent);
  void OnTriggered(QAction* action);
  std::shared_ptr<MessagePort> m_owner;
};

}  // namespace qb::ui

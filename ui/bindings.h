#pragma once
/// What a window's controls and menu items do, bound once: a window binds each control when
/// it looks the control up, and each menu item when it builds its menus. A notification or a
/// chosen item then finds its handler in a table; no name is compared at run time.

#include <QHash>
#include <QString>
#include <functional>
#include <unordered_map>

#include "ui/notification.h"

class QObject;

namespace qb::ui {

class PopupMenu;

class Bindings {
 public:
  using Handler = std::function<void(const Notification&)>;

  /// Binds `handler` to `event` of `control`, replacing an earlier binding of the pair. A
  /// null control binds nothing (an optional control the layout left out).
  void On(const QObject* control, Event event, Handler handler);
  void On(const QObject* control, Event event, std::function<void()> handler);
  /// Removes every binding of `control`.
  void Forget(const QObject* control);
  /// Runs the handler bound to the sender and event; false when there is none.
  bool Dispatch(const Notification& notification) const;
  bool Has(const QObject* control, Event event) const;

 private:
  struct Key {
    const QObject* control;
    Event event;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };
  std::unordered_map<Key, Handler, KeyHash> m_handlers;
};

/// The items of a window's menus and what each does.
class MenuBindings {
 public:
  void On(const QString& item, std::function<void()> handler);
  /// Runs the handler of the chosen item; false when the item has none.
  bool Dispatch(const QString& item) const;
  /// The items of `menu` that choose something (no submenu entries) and have no handler.
  QStringList Unbound(const PopupMenu& menu) const;

 private:
  QHash<QString, std::function<void()>> m_handlers;
};

}  // namespace qb::ui

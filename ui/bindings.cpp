#include "ui/bindings.h"

#include <utility>

#include "ui/popup_menu.h"

namespace qb::ui {

std::size_t Bindings::KeyHash::operator()(const Key& key) const noexcept {
  return std::hash<const void*>{}(key.control) ^ (static_cast<std::size_t>(key.event) << 1);
}

void Bindings::On(const QObject* control, Event event, Handler handler) {
  if (!control || !handler) return;
  m_handlers.insert_or_assign(Key{control, event}, std::move(handler));
}

void Bindings::On(const QObject* control, Event event, std::function<void()> handler) {
  if (!handler) return;
  On(control, event, Handler([handler = std::move(handler)](const Notification&) { handler(); }));
}

void Bindings::Forget(const QObject* control) {
  std::erase_if(m_handlers, [control](const auto& entry) { return entry.first.control == control; });
}

bool Bindings::Dispatch(const Notification& notification) const {
  const auto found = m_handlers.find(Key{notification.sender, notification.event});
  if (found == m_handlers.end()) return false;
  // A copy: the handler may rebind (or close the window that owns the table).
  const Handler handler = found->second;
  handler(notification);
  return true;
}

bool Bindings::Has(const QObject* control, Event event) const { return m_handlers.contains(Key{control, event}); }

void MenuBindings::On(const QString& item, std::function<void()> handler) {
  if (handler) m_handlers.insert(item, std::move(handler));
}

bool MenuBindings::Dispatch(const QString& item) const {
  const auto found = m_handlers.constFind(item);
  if (found == m_handlers.constEnd()) return false;
  const std::function<void()> handler = *found;
  handler();
  return true;
}

QStringList MenuBindings::Unbound(const PopupMenu& menu) const {
  QStringList unbound;
  for (const QString& item : menu.ChoosableItems())
    if (!m_handlers.contains(item)) unbound.push_back(item);
  return unbound;
}

}  // namespace qb::ui

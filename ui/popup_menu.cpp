#include "ui/popup_menu.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPointer>
#include <QXmlStreamReader>

#include "ui/language_tables.h"
#include "ui/message_port.h"

namespace qb::ui {
namespace {

constexpr char kRawText[] = "qbRawText";
constexpr char kUserData[] = "qbUserData";

bool ParseFlag(const QXmlStreamAttributes& a, QLatin1String name, bool fallback) {
  if (!a.hasAttribute(name)) return fallback;
  return a.value(name) == u"true" || a.value(name) == u"1";
}

/// Reads the items of one <Menu> or submenu level into `menu`.
bool ReadItems(QXmlStreamReader& reader, QMenu* menu, QString* error) {
  while (reader.readNextStartElement()) {
    if (reader.name() == u"Separator") {
      menu->addSeparator();
      reader.skipCurrentElement();
      continue;
    }
    if (reader.name() != u"MenuItem") {
      if (error) *error = QStringLiteral("line %1: unknown element").arg(reader.lineNumber());
      return false;
    }
    const auto a = reader.attributes();
    const QString name = a.value(QLatin1String("name")).toString();
    const QString raw = a.value(QLatin1String("text")).toString();
    if (name.isEmpty()) {
      if (error) *error = QStringLiteral("line %1: MenuItem without name").arg(reader.lineNumber());
      return false;
    }
    // Peek for children: a MenuItem that holds MenuItems is a submenu.
    auto* sub = new QMenu(Tr(raw), menu);
    if (!ReadItems(reader, sub, error)) return false;
    QAction* action = nullptr;
    if (sub->actions().isEmpty()) {
      delete sub;
      action = menu->addAction(Tr(raw));
      action->setCheckable(true);
      action->setChecked(ParseFlag(a, QLatin1String("checked"), false));
    } else {
      action = menu->addMenu(sub);
    }
    action->setObjectName(name);
    action->setProperty(kRawText, raw);
    action->setProperty(kUserData, a.value(QLatin1String("userdata")).toString());
    action->setEnabled(ParseFlag(a, QLatin1String("enabled"), true));
    action->setVisible(ParseFlag(a, QLatin1String("visible"), true));
  }
  return !reader.hasError();
}

void CollectActions(const QMenu* menu, QList<QAction*>& out) {
  for (QAction* action : menu->actions()) {
    out.append(action);
    if (action->menu()) CollectActions(action->menu(), out);
  }
}

}  // namespace

PopupMenu::PopupMenu(std::shared_ptr<MessagePort> owner, QWidget* parent)
    : QMenu(parent), m_owner(std::move(owner)) {
  connect(this, &QMenu::triggered, this, &PopupMenu::OnTriggered);
}

std::unique_ptr<PopupMenu> PopupMenu::FromXml(const QByteArray& xml, std::shared_ptr<MessagePort> owner,
                                              QWidget* parent, QString* error) {
  std::unique_ptr<PopupMenu> menu(new PopupMenu(std::move(owner), parent));
  QXmlStreamReader reader(xml);
  if (!reader.readNextStartElement() || reader.name() != u"Menu") {
    if (error) *error = QStringLiteral("root must be Menu");
    return nullptr;
  }
  if (!ReadItems(reader, menu.get(), error)) {
    if (error && error->isEmpty()) *error = reader.errorString();
    return nullptr;
  }
  return menu;
}

QAction* PopupMenu::FindItem(const QString& name) const {
  QList<QAction*> all;
  CollectActions(this, all);
  for (QAction* action : all)
    if (action->objectName() == name) return action;
  return nullptr;
}

QStringList PopupMenu::ChoosableItems() const {
  QList<QAction*> all;
  CollectActions(this, all);
  QStringList names;
  for (const QAction* action : all)
    if (!action->menu() && !action->isSeparator() && !action->objectName().isEmpty()) names.push_back(action->objectName());
  return names;
}

bool PopupMenu::SetItemEnabled(const QString& name, bool enabled) {
  QAction* action = FindItem(name);
  if (action) action->setEnabled(enabled);
  return action != nullptr;
}

bool PopupMenu::SetItemVisible(const QString& name, bool visible) {
  QAction* action = FindItem(name);
  if (action) action->setVisible(visible);
  return action != nullptr;
}

bool PopupMenu::SetItemChecked(const QString& name, bool checked) {
  QAction* action = FindItem(name);
  if (!action || action->menu()) return false;
  action->setChecked(checked);
  return true;
}

void PopupMenu::PopBelow(QWidget* control) {
  // The open menu takes the pointer, so the button never hears it leave and would stay
  // lit after the menu closes: it is told when the menu goes.
  QPointer<QWidget> button = control;
  connect(this, &QMenu::aboutToHide, control, [button] {
    if (!button || button->rect().contains(button->mapFromGlobal(QCursor::pos()))) return;
    button->setAttribute(Qt::WA_UnderMouse, false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    button->update();
  });
  popup(control->mapToGlobal(QPoint(0, control->height())));
}

void PopupMenu::Retranslate() {
  QList<QAction*> all;
  CollectActions(this, all);
  for (QAction* action : all) action->setText(Tr(action->property(kRawText).toString()));
}

void PopupMenu::OnTriggered(QAction* action) {
  if (!action || action->menu()) return;
  auto record = std::make_unique<MenuClickRecord>();
  record->name = action->objectName();
  record->userData = action->property(kUserData).toString();
  record->text = action->text();
  // A click toggles a checkable action before we see it; report the tick the user saw.
  record->checked = !action->isChecked();
  action->setChecked(record->checked);
  ReplyMessage message;
  message.number = WM_MENU_CLICK;
  message.record = std::move(record);
  if (m_owner) m_owner->PostReplyMessage(std::move(message));
}

}  // namespace qb::ui

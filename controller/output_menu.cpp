// The role menu of an output button: the skin's menu with a tick on every role some output
// already has. Roles stay selectable when taken; the tick only tells the user which are.
#include <QString>
#include <string_view>

#include "controller/equalizer_manager.h"
#include "controller/role_catalogue.h"
#include "shell/log.h"
#include "ui/popup_menu.h"
#include "ui/window_base.h"

namespace qb {
namespace {

const QString kOutputMenuFile = QStringLiteral("xml/output_menu.xml");

/// Marks one role item of the open menu: ticked while the role is in use, always enabled.
void SetSubMenu(ui::PopupMenu& menu, std::string_view itemName, const Profile& live) {
  LogPrintA("on %s\n", "EqualizerManager::SetSubMenu");
  const QString name = QString::fromLatin1(itemName.data(), static_cast<qsizetype>(itemName.size()));
  menu.SetItemEnabled(name, true);
  menu.SetItemChecked(name, IsRoleInUse(live, RoleCode(itemName)));
}

}  // namespace

// The window keeps the output as the menu's channel: the chosen item comes back as a posted
// menu message, which the window hands to SetOutputValue with that channel.
void EqualizerManager::ShowOutputMenu(QWidget* button, int /*output*/) {
  if (!m_window || !button) return;
  ui::PopupMenu* menu = m_window->OpenMenu(kOutputMenuFile);
  if (!menu) return;
  for (const RoleEntry& role : RoleCatalogue()) {
    if (role.code > 0) SetSubMenu(*menu, role.menuItem, m_mirror.currentProfile);
  }
  menu->PopBelow(button);
}

}  // namespace qb

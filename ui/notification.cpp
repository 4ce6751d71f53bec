#include "ui/notification.h"

#include <QWidget>

#include "ui/control_text.h"
#include "ui/window_base.h"

namespace qb::ui {

const char* EventName(Event event) {
  switch (event) {
    case Event::WindowSize: return "windowsize";
    case Event::Click: return "click";
    case Event::SelectChanged: return "selectchanged";
    case Event::ItemSelect: return "itemselect";
    case Event::ItemClick: return "itemclick";
    case Event::ItemActivate: return "itemactivate";
    case Event::ValueChanged: return "valuechanged";
    case Event::MoveValueChanged: return "movevaluechanged";
    case Event::Return: return "return";
    case Event::ValueChangedUp: return "valuechangedup";
    case Event::ValueChangedDown: return "valuechangeddown";
    case Event::ValueChangedLeft: return "valuechangedleft";
    case Event::ValueChangedRight: return "valuechangedright";
    case Event::KillFocus: return "killfocus";
    case Event::SetFocus: return "setfocus";
    case Event::EqualizerEq: return "equalizer_eq";
    case Event::EqualizerHp: return "equalizer_hp";
    case Event::EqualizerLp: return "equalizer_lp";
  }
  return "";
}

QString Notification::SenderName() const { return sender ? sender->objectName() : QString(); }

int Notification::SenderIndex() const { return sender ? UserIndex(sender) : 0; }

void RaiseNotification(QWidget* sender, Event event, qintptr wParam, qintptr lParam) {
  if (!sender) return;
  // The nearest enclosing program window receives it; a popup (a combo's list) belongs to the
  // window of the control that opened it, so walk parents rather than asking window().
  for (QWidget* w = sender; w; w = w->parentWidget()) {
    if (auto* window = qobject_cast<WindowBase*>(w)) {
      Notification n{event, sender, wParam, lParam};
      window->DispatchNotification(n);
      return;
    }
  }
}

}  // namespace qb::ui

#pragma once
/// Notifications: what a control tells its window when the user acts on it. The event is
/// named once, where the control raises it; windows dispatch on the event and the control
/// through the bindings they made when they looked their controls up (ui/bindings.h).

#include <QString>
#include <QtGlobal>
#include <cstdint>

class QWidget;

namespace qb::ui {

enum class Event : std::uint8_t {
  WindowSize,
  Click,
  SelectChanged,
  ItemSelect,
  ItemClick,
  ItemActivate,
  ValueChanged,
  MoveValueChanged,
  Return,
  ValueChangedUp,
  ValueChangedDown,
  ValueChangedLeft,
  ValueChangedRight,
  KillFocus,
  SetFocus,
  EqualizerEq,
  EqualizerHp,
  EqualizerLp,
};

/// The event's name in the diagnostic log ("click", "selectchanged", "equalizer_hp", ...).
const char* EventName(Event event);

struct Notification {
  Event event = Event::Click;
  QWidget* sender = nullptr;
  qintptr wParam = 0;
  qintptr lParam = 0;

  /// EventName of the event, as text.
  QString TypeName() const { return QString::fromLatin1(EventName(event)); }
  /// The sender's layout name ("" without a sender).
  QString SenderName() const;
  /// The sender's user data as an integer; 0 when it has none or it is not a number.
  int SenderIndex() const;
};

/// Delivers a notification from `sender` to the window that holds it, synchronously, on the
/// UI thread. Does nothing when the sender sits in no program window (a control not yet
/// placed, or one being torn down).
void RaiseNotification(QWidget* sender, Event event, qintptr wParam = 0, qintptr lParam = 0);

}  // namespace qb::ui

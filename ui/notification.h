#pragma once
/// Notifications: what a control tells its window when the user acts on it. The types are
/// the names the windows dispatch on ("click", "selectchanged", ...); the sender is the
/// control, whose name, text and user data the window reads.

#include <QString>
#include <QtGlobal>

class QWidget;

namespace qb::ui {

namespace notify {
inline constexpr char kWindowSize[] = "windowsize";
inline constexpr char kClick[] = "click";
inline constexpr char kSelectChanged[] = "selectchanged";
inline constexpr char kItemSelect[] = "itemselect";
inline constexpr char kItemClick[] = "itemclick";
inline constexpr char kItemActivate[] = "itemactivate";
inline constexpr char kValueChanged[] = "valuechanged";
inline constexpr char kMoveValueChanged[] = "movevaluechanged";
inline constexpr char kReturn[] = "return";
inline constexpr char kValueChangedUp[] = "valuechangedup";
inline constexpr char kValueChangedDown[] = "valuechangeddown";
inline constexpr char kValueChangedLeft[] = "valuechangedleft";
inline constexpr char kValueChangedRight[] = "valuechangedright";
inline constexpr char kKillFocus[] = "killfocus";
inline constexpr char kSetFocus[] = "setfocus";
inline constexpr char kEqualizerEq[] = "equalizer_eq";
inline constexpr char kEqualizerHp[] = "equalizer_hp";
inline constexpr char kEqualizerLp[] = "equalizer_lp";
}  // namespace notify

struct Notification {
  QString type;
  QWidget* sender = nullptr;
  qintptr wParam = 0;
  qintptr lParam = 0;

  /// The sender's layout name ("" without a sender).
  QString SenderName() const;
  /// The sender's user data as an integer; 0 when it has none or it is not a number.
  int SenderIndex() const;
};

/// Delivers a notification from `sender` to the window that holds it, synchronously, on the
/// UI thread. Does nothing when the sender sits in no program window (a control not yet
/// placed, or one being torn down).
void RaiseNotification(QWidget* sender, const QString& type, qintptr wParam = 0,
                       qintptr lParam = 0);

}  // namespace qb::ui

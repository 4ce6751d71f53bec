#pragma once
/// Raises "setfocus" and "killfocus" for the focusable controls it is installed on. Focus that
/// moves because another window or a popup took it is not reported: the user did not leave
/// the control for another one of this window.

#include <QObject>

namespace qb::ui {

class FocusNotifier : public QObject {
  Q_OBJECT
 public:
  /// The one filter all controls share.
  static FocusNotifier& Instance();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace qb::ui

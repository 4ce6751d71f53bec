#pragma once
/// The name entry: asks for a short name (a scene's). The edit starts with the caller's name
/// and keeps the focus; Enter in it or confirm hands the text back and closes with 1; cancel
/// and the close button close with 0, the third button with 2.

#include "windows/dialog_base.h"

class QLabel;

namespace qb::ui {
class Edit;
}

namespace qb::windows {

/// The longest name the box stores (its slot holds 8 UTF-16 units with the terminator).
inline constexpr int kMaxNameLength = 7;

/// `text` cut to kMaxNameLength UTF-16 units, never splitting a surrogate pair.
QString FitName(const QString& text);

class CNameMsgWnd : public DialogBase {
  Q_OBJECT
 public:
  /// `name` is the text the edit starts with (cut to fit).
  CNameMsgWnd(QWidget* owner, QString name);

  QString ClassName() const override { return QStringLiteral("NameMsgWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_MSG_NAME"); }

  /// The name accepted by Enter or confirm (fitted); the starting name until then.
  const QString& Name() const { return m_name; }

 protected:
  void OnInit() override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Accept();

  QString m_name;
  ui::Edit* m_edit = nullptr;
};

/// Runs the name entry on `owner`. On 1 (Enter or confirm) `name` receives the edit's text;
/// on 0 or 2, or when the box cannot be built (logged, 0), `name` is left as it was.
int ShowNameEntry(QWidget* owner, QString& name);

}  // namespace qb::windows

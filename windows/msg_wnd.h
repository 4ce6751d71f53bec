#pragma once
/// The message box: a notice or a question with up to three answers. Confirm closes with 1,
/// cancel and the close button with 0, the third button with 2.

#include <QStringList>

#include "windows/dialog_base.h"

class QLabel;

namespace qb::windows {

class CMsgWnd : public DialogBase {
  Q_OBJECT
 public:
  static constexpr int kMaxButtons = 3;

  /// `title` and `text` are usually language keys; an empty one leaves the layout's text.
  CMsgWnd(QWidget* owner, QString title, QString text);

  /// Replaces the layout's buttons (call before Build): the confirm button takes texts[0];
  /// below 2 buttons the cancel button is hidden, otherwise it takes texts[1]; with 3 the
  /// third button is shown with texts[2]. `count` is clamped to 1..3; a missing or empty text
  /// leaves that button's layout text.
  void SetButtons(const QStringList& texts, int count);

  QString ClassName() const override { return QStringLiteral("MsgWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_MSG"); }

 protected:
  void OnInit() override;

 private:
  void ApplyButtons();
  /// Makes the box taller when its text needs more lines than the layout gives it (a
  /// message naming a device node and a command to type), moving the buttons down with it.
  void FitText();

  QString m_title;
  QString m_text;
  QStringList m_buttonTexts;
  int m_buttonCount = 0;  ///< 0: the layout's buttons as they are
  QLabel* m_titleLabel = nullptr;
  QLabel* m_textLabel = nullptr;
  QWidget* m_confirm = nullptr;
  QWidget* m_cancel = nullptr;
  QWidget* m_third = nullptr;
};

}  // namespace qb::windows

#pragma once
/// The choice box: a question answered by picking one of two options, then confirm. Confirm
/// closes with 1 when the first option is selected, 2 for the second, and does nothing while
/// neither is; cancel and the close button close with 0.

#include "windows/dialog_base.h"

class QLabel;

namespace qb::ui {
class Option;
}

namespace qb::windows {

class CMsgCheckBoxWnd : public DialogBase {
  Q_OBJECT
 public:
  /// Texts are usually language keys. An empty title or text leaves the layout's; the two
  /// choice texts replace the options' texts only when both are given.
  CMsgCheckBoxWnd(QWidget* owner, QString title, QString text, QString choice0, QString choice1);

  QString ClassName() const override { return QStringLiteral("MsgCheckBoxWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_CHECKBOX_MSG"); }

  /// The code confirm would close with now: 1 or 2 by the selected option, -1 with none.
  int ConfirmCode() const;

 protected:
  void OnInit() override;

 private:
  QString m_title;
  QString m_text;
  QString m_choice0;
  QString m_choice1;
  QLabel* m_titleLabel = nullptr;
  QLabel* m_textLabel = nullptr;
  ui::Option* m_option0 = nullptr;
  ui::Option* m_option1 = nullptr;
};

/// Runs the choice box on `owner` and returns 1 or 2 for the chosen option, 0 when cancelled
/// (or when the box cannot be built, which is logged).
int ShowChoiceBox(QWidget* owner, const QString& title, const QString& text,
                  const QString& choice0, const QString& choice1);

}  // namespace qb::windows

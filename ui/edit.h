#pragma once
/// The skin's single-line edit. Up, Down, Left, Right and Enter never move the caret: they
/// raise "valuechangedup", "valuechangeddown", "valuechangedleft", "valuechangedright" and
/// "return" for the window to act on. The wheel over an enabled edit raises up/down.

#include <QLineEdit>

namespace qb::ui {

class Edit : public QLineEdit {
  Q_OBJECT
 public:
  explicit Edit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

}  // namespace qb::ui

#pragma once
/// A picture of the skin (SVG or PNG), scaled to the control's rectangle.

#include <QPixmap>
#include <QWidget>
#include <memory>

class QSvgRenderer;

namespace qb::ui {

class ImageControl : public QWidget {
  Q_OBJECT
 public:
  explicit ImageControl(QWidget* parent = nullptr);
  ~ImageControl() override;

  /// Loads a skin picture; false when it is missing or not a picture.
  bool SetSource(const QString& skinPath);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::unique_ptr<QSvgRenderer> m_svg;
  QPixmap m_pixmap;
};

}  // namespace qb::ui

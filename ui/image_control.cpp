#include "ui/image_control.h"

#include <QPainter>
#include <QSvgRenderer>

#include "ui/skin.h"

namespace qb::ui {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

ImageControl::~ImageControl() = default;

bool ImageControl::SetSource(const QString& skinPath) {
  QByteArray bytes;
  if (!ReadSkinFile(skinPath, bytes)) return false;
  m_svg.reset();
  m_pixmap = QPixmap();
  if (skinPath.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    auto svg = std::make_unique<QSvgRenderer>(bytes);
    if (!svg->isValid()) return false;
    m_svg = std::move(svg);
  } else if (!m_pixmap.loadFromData(bytes)) {
    return false;
  }
  update();
  return true;
}

void ImageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (m_svg) m_svg->render(&painter, QRectF(rect()));
  else if (!m_pixmap.isNull()) painter.drawPixmap(rect(), m_pixmap);
}

}  // namespace qb::ui

#include "controls/skin_picture.h"

#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>

namespace qb::controls {
namespace {

bool IsDescriptionList(const QString& text) { return text.contains(QStringLiteral("='")); }

/// Reads the next key='value' pair from `pos`; false at the end of the text (ok stays true)
/// or on a malformed pair (ok = false).
bool NextPair(const QString& text, qsizetype& pos, QString& key, QString& value, bool& ok) {
  while (pos < text.size() && text.at(pos).isSpace()) ++pos;
  if (pos >= text.size()) return false;
  const qsizetype eq = text.indexOf(QStringLiteral("='"), pos);
  if (eq < 0) {
    ok = false;
    return false;
  }
  const qsizetype close = text.indexOf('\'', eq + 2);
  if (close < 0) {
    ok = false;
    return false;
  }
  key = text.mid(pos, eq - pos).trimmed();
  value = text.mid(eq + 2, close - eq - 2);
  pos = close + 1;
  return true;
}

}  // namespace

bool ParseEdgeRect(const QString& text, QRect& rect) {
  const QStringList parts = text.split(',');
  if (parts.size() != 4) return false;
  int edges[4] = {};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    edges[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return false;
  }
  if (edges[2] < edges[0] || edges[3] < edges[1]) return false;
  rect = QRect(QPoint(edges[0], edges[1]), QSize(edges[2] - edges[0], edges[3] - edges[1]));
  return true;
}

bool ParseImageDescription(const QString& text, ImageDescription& image) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) {
    image = ImageDescription{};
    return true;
  }
  if (!IsDescriptionList(trimmed)) {
    image = ImageDescription{trimmed, QRect(), QRect()};
    return true;
  }
  ImageDescription parsed;
  qsizetype pos = 0;
  QString key;
  QString value;
  bool ok = true;
  while (NextPair(trimmed, pos, key, value, ok)) {
    if (key == u"file" || key == u"res") {
      parsed.path = value.trimmed();
    } else if (key == u"source") {
      if (!ParseEdgeRect(value, parsed.source)) return false;
    } else if (key == u"dest") {
      if (!ParseEdgeRect(value, parsed.dest)) return false;
    } else if (key != u"restype") {
      return false;
    }
  }
  if (!ok || parsed.path.isEmpty()) return false;
  image = parsed;
  return true;
}

SkinPicture::SkinPicture() = default;
SkinPicture::~SkinPicture() = default;
SkinPicture::SkinPicture(SkinPicture&&) noexcept = default;
SkinPicture& SkinPicture::operator=(SkinPicture&&) noexcept = default;

bool SkinPicture::Load(const QString& path, const QByteArray& bytes) {
  m_svg.reset();
  m_image.reset();
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    auto svg = std::make_unique<QSvgRenderer>(bytes);
    if (!svg->isValid() || svg->defaultSize().isEmpty()) return false;
    m_svg = std::move(svg);
    return true;
  }
  auto image = std::make_unique<QImage>();
  if (!image->loadFromData(bytes) || image->isNull()) return false;
  m_image = std::move(image);
  return true;
}

bool SkinPicture::IsNull() const { return !m_svg && !m_image; }

QSize SkinPicture::Size() const {
  if (m_svg) return m_svg->defaultSize();
  if (m_image) return m_image->size();
  return QSize();
}

bool SkinPicture::Draw(QPainter& painter, const QRect& dest, const QRect& source) const {
  if (IsNull() || dest.isEmpty()) return false;
  const QRect bounds(QPoint(0, 0), Size());
  const QRect part = source.isNull() ? bounds : source.intersected(bounds);
  if (part.isEmpty()) return false;
  if (m_image) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(dest, *m_image, part);
    painter.restore();
    return true;
  }
  // An SVG is rendered whole, scaled so that `part` lands on `dest`, and clipped to `dest`:
  // cutting a vector picture this way keeps it sharp at every display scale.
  const double sx = double(dest.width()) / double(part.width());
  const double sy = double(dest.height()) / double(part.height());
  const QRectF whole(dest.x() - part.x() * sx, dest.y() - part.y() * sy, bounds.width() * sx,
                     bounds.height() * sy);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(dest, Qt::IntersectClip);
  m_svg->render(&painter, whole);
  painter.restore();
  return true;
}

}  // namespace qb::controls

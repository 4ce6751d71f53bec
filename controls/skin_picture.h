#pragma once
/// Image descriptions of the program's own controls and the pictures they name.
///
/// A description is either a bare skin path ("common/connect_on.svg") or a list of
/// key='value' pairs: "file" or "res" (the skin path), "restype" (accepted and ignored; the
/// skin has one kind of resource), "source" (the part of the picture to draw) and "dest"
/// (where to draw it inside the control). Rectangles are written "left,top,right,bottom".

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

class QPainter;
class QSvgRenderer;
class QImage;

namespace qb::controls {

struct ImageDescription {
  QString path;   ///< skin path; empty = no image
  QRect source;   ///< null = the whole picture
  QRect dest;     ///< null = the whole control

  bool IsEmpty() const { return path.isEmpty(); }
};

/// Parses a description. An empty text gives an empty image. Returns false (image untouched)
/// for an unknown key, an unterminated quote, a malformed rectangle or a missing path.
bool ParseImageDescription(const QString& text, ImageDescription& image);

/// Parses "left,top,right,bottom" into a rectangle; false on anything else, or when right
/// or bottom lie before left or top.
bool ParseEdgeRect(const QString& text, QRect& rect);

/// A decoded picture (SVG or a raster format), read once and drawn many times.
class SkinPicture {
 public:
  SkinPicture();
  ~SkinPicture();
  SkinPicture(SkinPicture&&) noexcept;
  SkinPicture& operator=(SkinPicture&&) noexcept;

  /// Decodes `bytes`; `path` only tells SVG (".svg") from raster formats. False when the
  /// bytes are no picture of that kind.
  bool Load(const QString& path, const QByteArray& bytes);
  bool IsNull() const;
  /// The natural size (an SVG's default size, a raster image's pixel size).
  QSize Size() const;
  /// Draws `source` (null = everything) of the picture scaled into `dest`. False when
  /// nothing was drawn: no picture, an empty destination, or a source outside the picture.
  bool Draw(QPainter& painter, const QRect& dest, const QRect& source) const;

 private:
  std::unique_ptr<QSvgRenderer> m_svg;
  std::unique_ptr<QImage> m_image;
};

}  // namespace qb::controls

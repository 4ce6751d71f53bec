#include "controls/skin_picture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace qb::controls {
namespace {

struct SpecCase {
  const char* text;
  bool ok;
  const char* path;
  QRect source;
  QRect dest;
};

TEST(ParseImageDescription, ReadsBarePathsAndKeyValueDescriptions) {
  const SpecCase cases[] = {
      {"", true, "", QRect(), QRect()},
      {"common/btn.svg", true, "common/btn.svg", QRect(), QRect()},
      {"  common/btn.png ", true, "common/btn.png", QRect(), QRect()},
      {"res='common/state.svg' restype='FILE' dest='2,3,22,13' source='100,0,200,30'", true,
       "common/state.svg", QRect(100, 0, 100, 30), QRect(2, 3, 20, 10)},
      {"file='a.png' source='0,0,10,10'", true, "a.png", QRect(0, 0, 10, 10), QRect()},
      {"source='0,0,10,10'", false, "", QRect(), QRect()},          // no picture named
      {"res='a.png' corner='2,2,2,2'", false, "", QRect(), QRect()},  // unknown key
      {"res='a.png' source='0,0,10'", false, "", QRect(), QRect()},   // three edges
      {"res='a.png' source='10,0,0,10'", false, "", QRect(), QRect()},  // right before left
      {"res='a.png' source='0,0,x,10'", false, "", QRect(), QRect()},
      {"res='a.png", false, "", QRect(), QRect()},  // unterminated quote
  };
  for (const SpecCase& c : cases) {
    ImageDescription image{QStringLiteral("untouched"), QRect(1, 1, 1, 1), QRect()};
    EXPECT_EQ(ParseImageDescription(QString::fromUtf8(c.text), image), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_EQ(image.path, QStringLiteral("untouched")) << c.text;
      continue;
    }
    EXPECT_EQ(image.path, QString::fromUtf8(c.path)) << c.text;
    EXPECT_EQ(image.source, c.source) << c.text;
    EXPECT_EQ(image.dest, c.dest) << c.text;
  }
}

QByteArray StripesSvg() {
  // Three 10 px wide stripes: red, green, blue.
  return QByteArrayLiteral(
      "<svg xmlns='http://www.w3.org/2000/svg' width='30' height='10'>"
      "<rect x='0' width='10' height='10' fill='#ff0000'/>"
      "<rect x='10' width='10' height='10' fill='#00ff00'/>"
      "<rect x='20' width='10' height='10' fill='#0000ff'/></svg>");
}

QByteArray StripesPng() {
  QImage image(30, 10, QImage::Format_ARGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, 10, 10, QColor(0xff, 0, 0));
  painter.fillRect(10, 0, 10, 10, QColor(0, 0xff, 0));
  painter.fillRect(20, 0, 10, 10, QColor(0, 0, 0xff));
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

/// Draws the middle stripe over a 40x40 target and returns the target's centre colour.
unsigned DrawMiddleStripe(const SkinPicture& picture) {
  QImage target(40, 40, QImage::Format_ARGB32);
  target.fill(Qt::white);
  QPainter painter(&target);
  EXPECT_TRUE(picture.Draw(painter, QRect(0, 0, 40, 40), QRect(10, 0, 10, 10)));
  painter.end();
  // Even at the target's edges only green may show: the cut must not bleed neighbours in.
  EXPECT_EQ(target.pixelColor(2, 20).rgba(), 0xFF00FF00u);
  EXPECT_EQ(target.pixelColor(37, 20).rgba(), 0xFF00FF00u);
  return target.pixelColor(20, 20).rgba();
}

TEST(SkinPicture, DrawsOnlyTheSourcePartScaledToTheDestination) {
  SkinPicture svg;
  ASSERT_TRUE(svg.Load(QStringLiteral("stripes.svg"), StripesSvg()));
  EXPECT_EQ(svg.Size(), QSize(30, 10));
  EXPECT_EQ(DrawMiddleStripe(svg), 0xFF00FF00u);

  SkinPicture png;
  ASSERT_TRUE(png.Load(QStringLiteral("stripes.png"), StripesPng()));
  EXPECT_EQ(png.Size(), QSize(30, 10));
  EXPECT_EQ(DrawMiddleStripe(png), 0xFF00FF00u);
}

TEST(SkinPicture, RefusesBadBytesAndDrawsNothingOutsideThePicture) {
  SkinPicture picture;
  EXPECT_FALSE(picture.Load(QStringLiteral("x.svg"), QByteArrayLiteral("<svg")));
  EXPECT_TRUE(picture.IsNull());
  EXPECT_FALSE(picture.Load(QStringLiteral("x.png"), QByteArrayLiteral("not a png")));
  QImage target(10, 10, QImage::Format_ARGB32);
  QPainter painter(&target);
  EXPECT_FALSE(picture.Draw(painter, QRect(0, 0, 10, 10), QRect()));
  ASSERT_TRUE(picture.Load(QStringLiteral("s.svg"), StripesSvg()));
  EXPECT_FALSE(picture.Draw(painter, QRect(0, 0, 10, 10), QRect(40, 0, 10, 10)));
  EXPECT_FALSE(picture.Draw(painter, QRect(), QRect()));
}

}  // namespace
}  // namespace qb::controls

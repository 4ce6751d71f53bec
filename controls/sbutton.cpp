#include "controls/sbutton.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "ui/skin.h"
#include "ui/window_base.h"

namespace qb::controls {
namespace {

constexpr int kNormalDpi = 96;

QRect PartRect(int index, int partWidth, int height) {
  return QRect(index * partWidth, 0, partWidth, height);
}

}  // namespace

StateImageParts CutStateImage(int width, int height, int count) {
  StateImageParts parts;
  if (count < 1 || width <= 0 || height <= 0) return parts;
  const int partWidth = width / count;
  if (partWidth <= 0) return parts;
  parts.normal = PartRect(0, partWidth, height);
  if (count > 1) parts.hot = parts.pushed = PartRect(1, partWidth, height);
  if (count > 2) parts.pushed = PartRect(2, partWidth, height);
  return parts;
}

unsigned SelectedTextColor(unsigned normal, unsigned selected, unsigned selectedHot, bool hot) {
  unsigned color = selected != 0 ? selected : normal;
  if (hot && selectedHot != 0) color = selectedHot;
  return color;
}

SButton::SButton(QWidget* parent) : ui::Button(parent), m_reader(&ui::ReadSkinFile) {
  // Checkable only so that the style sheet can match the selected state as :checked;
  // nextCheckState() keeps clicks from toggling it.
  setCheckable(true);
}

SButton::~SButton() = default;

bool SButton::SetAttribute(const QString& name, const QString& value) {
  if (name == u"selected") {
    SetSelected(value.trimmed().compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0);
    return true;
  }
  if (name == u"selectedbkcolor") return SetColorAttribute(m_selectedBkColor, value);
  if (name == u"selectedtextcolor") return SetColorAttribute(m_selectedTextColor, value);
  if (name == u"selectedhottextcolor") return SetColorAttribute(m_selectedHotTextColor, value);
  if (name == u"hottextcolor") return SetColorAttribute(m_hotTextColor, value);
  if (name == u"selectedfont") return SetIntAttribute(m_selectedFont, value, -1);
  if (name == u"selectedstatecount") return SetIntAttribute(m_selectedStateCount, value, 0);
  if (name == u"selectedimage") return SetImageAttribute(m_selectedImage, value);
  if (name == u"selectedhotimage") return SetImageAttribute(m_selectedHotImage, value);
  if (name == u"selectedpushedimage") return SetImageAttribute(m_selectedPushedImage, value);
  if (name == u"selectedforeimage") return SetImageAttribute(m_selectedForeImage, value);
  if (name == u"selectedstateimage") return SetImageAttribute(m_selectedStateImage, value);
  return false;
}

bool SButton::SetColorAttribute(unsigned& field, const QString& value) {
  unsigned argb = 0;
  if (!ui::ParseSkinColor(value, argb)) return false;
  field = argb;
  update();
  return true;
}

bool SButton::SetImageAttribute(ImageDescription& field, const QString& value) {
  ImageDescription image;
  if (!ParseImageDescription(value, image)) return false;
  field = image;
  update();
  return true;
}

bool SButton::SetIntAttribute(int& field, const QString& value, int minimum) {
  bool ok = false;
  const int number = value.trimmed().toInt(&ok);
  if (!ok || number < minimum) return false;
  field = number;
  update();
  return true;
}

void SButton::SetSelected(bool selected) {
  m_selected = selected;
  {
    const QSignalBlocker block(this);
    setChecked(selected);
  }
  update();
}

void SButton::SetFileReader(FileReader reader) {
  m_reader = std::move(reader);
  m_pictures.clear();
  update();
}

const ImageDescription& SButton::SelectedImage(State state) const {
  switch (state) {
    case State::Hot:
      return m_selectedHotImage;
    case State::Pushed:
      return m_selectedPushedImage;
    case State::Normal:
      break;
  }
  return m_selectedImage;
}

void SButton::PrepareSelectedImages() {
  if (!m_selectedImage.IsEmpty() || m_selectedStateImage.IsEmpty() || m_selectedStateCount <= 0)
    return;
  const SkinPicture& picture = Picture(m_selectedStateImage.path);
  if (picture.IsNull()) return;
  const StateImageParts parts =
      CutStateImage(picture.Size().width(), picture.Size().height(), m_selectedStateCount);
  if (parts.normal.isNull()) return;
  const auto part = [this](const QRect& source) {
    return ImageDescription{m_selectedStateImage.path, source, m_selectedStateImage.dest};
  };
  m_selectedImage = part(parts.normal);
  if (!parts.hot.isNull()) m_selectedHotImage = part(parts.hot);
  if (!parts.pushed.isNull()) m_selectedPushedImage = part(parts.pushed);
}

bool SButton::IsHot() const { return isEnabled() && underMouse(); }

bool SButton::IsPushed() const { return isEnabled() && isDown(); }

void SButton::paintEvent(QPaintEvent* event) {
  if (!m_selected && (m_hotTextColor == 0 || !IsHot())) {
    ui::Button::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  if (m_selected) PaintSelected(painter, option);
  else PaintPlain(painter, option);
}

void SButton::PaintPlain(QStylePainter& painter, QStyleOptionButton& option) {
  // The plain button while hot, with its hot text colour.
  option.palette.setColor(QPalette::ButtonText, QColor::fromRgba(m_hotTextColor));
  painter.drawControl(QStyle::CE_PushButton, option);
}

void SButton::PaintSelected(QStylePainter& painter, QStyleOptionButton& option) {
  painter.drawControl(QStyle::CE_PushButtonBevel, option);
  if (m_selectedBkColor != 0) painter.fillRect(rect(), QColor::fromRgba(m_selectedBkColor));
  PrepareSelectedImages();
  PaintStatusImage(painter);
  if (!PaintForeImage(painter)) {
    // The button's own foreground: its icon, without the text drawn below.
    QStyleOptionButton iconOnly = option;
    iconOnly.text.clear();
    if (!iconOnly.icon.isNull()) painter.drawControl(QStyle::CE_PushButtonLabel, iconOnly);
  }
  PaintSelectedText(painter, option);
}

void SButton::PaintStatusImage(QPainter& painter) {
  // A disabled button has neither hot nor pushed state: it shows the normal image only.
  if (IsPushed() && !m_selectedPushedImage.IsEmpty() && DrawImage(painter, m_selectedPushedImage))
    return;
  if (IsHot() && !m_selectedHotImage.IsEmpty() && DrawImage(painter, m_selectedHotImage)) return;
  if (!m_selectedImage.IsEmpty()) DrawImage(painter, m_selectedImage);
}

bool SButton::PaintForeImage(QPainter& painter) {
  return !m_selectedForeImage.IsEmpty() && DrawImage(painter, m_selectedForeImage);
}

void SButton::PaintSelectedText(QPainter& painter, const QStyleOptionButton& option) {
  if (option.text.isEmpty()) return;
  QColor color;
  if (!isEnabled()) {
    color = palette().color(QPalette::Disabled, QPalette::ButtonText);
  } else {
    const unsigned normal = palette().color(QPalette::ButtonText).rgba();
    color = QColor::fromRgba(
        SelectedTextColor(normal, m_selectedTextColor, m_selectedHotTextColor, IsHot()));
  }
  QFont textFont = font();
  if (m_selectedFont > 0) textFont.setPointSizeF(m_selectedFont * ScaleFactor());
  painter.save();
  painter.setFont(textFont);
  painter.setPen(color);
  const QRect textRect = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  painter.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, option.text);
  painter.restore();
}

bool SButton::DrawImage(QPainter& painter, const ImageDescription& image) {
  const SkinPicture& picture = Picture(image.path);
  if (picture.IsNull()) return false;
  QRect dest = rect();
  if (!image.dest.isNull()) {
    // Layout coordinates grow with the window's display scale like the control does.
    const double scale = ScaleFactor();
    dest = QRectF(image.dest.x() * scale, image.dest.y() * scale, image.dest.width() * scale,
                  image.dest.height() * scale)
               .toRect();
  }
  return picture.Draw(painter, dest, image.source);
}

const SkinPicture& SButton::Picture(const QString& path) {
  auto found = m_pictures.find(path);
  if (found != m_pictures.end()) return found->second;
  SkinPicture picture;
  QByteArray bytes;
  if (m_reader && m_reader(path, bytes)) picture.Load(path, bytes);
  return m_pictures.emplace(path, std::move(picture)).first->second;
}

double SButton::ScaleFactor() const {
  for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (const auto* window = qobject_cast<const ui::WindowBase*>(w))
      return double(window->DisplayScale()) / kNormalDpi;
  }
  return 1.0;
}

}  // namespace qb::controls

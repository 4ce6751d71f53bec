#pragma once
/// A button with a persistent selected state that only the program sets (connect and
/// amplifier buttons). Selected, it paints its own background colour, state images,
/// foreground image, text colours and font over the button's background; not selected, it
/// is the plain button. A click raises "click" only and never changes the selected state.

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QString>
#include <functional>
#include <map>

#include "controls/skin_picture.h"
#include "ui/attribute_sink.h"
#include "ui/buttons.h"
#include "ui/selectable.h"

class QStyleOptionButton;
class QStylePainter;

namespace qb::controls {

/// The parts of a state image holding `count` states side by side, each width / count wide:
/// normal = part 0; with count > 1 hot and pushed = part 1; with count > 2 pushed = part 2.
/// Parts a count does not provide are null; a count below 1 or an empty picture gives none.
struct StateImageParts {
  QRect normal;
  QRect hot;
  QRect pushed;
};
StateImageParts CutStateImage(int width, int height, int count);

/// The text colour of a selected button (ARGB, 0 = unset): the selected colour if set, else
/// the normal one; while hot, the selected hot colour if set.
unsigned SelectedTextColor(unsigned normal, unsigned selected, unsigned selectedHot, bool hot);

class SButton : public ui::Button, public ui::AttributeSink, public ui::Selectable {
  Q_OBJECT
 public:
  enum class State { Normal, Hot, Pushed };
  /// Reads the bytes of a picture by the path of its description; false when missing.
  using FileReader = std::function<bool(const QString& path, QByteArray& bytes)>;

  explicit SButton(QWidget* parent = nullptr);
  ~SButton() override;

  /// "selected" ("true" selects), "selectedbkcolor", "selectedtextcolor",
  /// "selectedhottextcolor", "hottextcolor" (hex ARGB or RGB, "#" optional), "selectedfont"
  /// (a size in points, -1 = the normal font), "selectedimage", "selectedhotimage",
  /// "selectedpushedimage", "selectedforeimage", "selectedstateimage" (image descriptions)
  /// and "selectedstatecount". False for any other name, or a value that does not parse
  /// (the field then keeps its value). Every accepted value repaints.
  bool SetAttribute(const QString& name, const QString& value) override;

  /// Stores the flag and repaints; raises no notification.
  void SetSelected(bool selected) override;
  bool IsSelected() const override { return m_selected; }

  /// Pictures are read from the skin; tests point this elsewhere.
  void SetFileReader(FileReader reader);

  /// The selected image of a state. Before the first paint (or PrepareSelectedImages) the
  /// parts of a state image are not cut yet.
  const ImageDescription& SelectedImage(State state) const;
  /// Cuts the selected state image into the selected images, once: only while the selected
  /// normal image is empty, a state image is set, its count is above 0 and it loads.
  void PrepareSelectedImages();

 protected:
  void paintEvent(QPaintEvent* event) override;
  /// The selected state belongs to the program; a click must not toggle it.
  void nextCheckState() override {}

 private:
  bool SetColorAttribute(unsigned& field, const QString& value);
  bool SetImageAttribute(ImageDescription& field, const QString& value);
  bool SetIntAttribute(int& field, const QString& value, int minimum);

  void PaintPlain(QStylePainter& painter, QStyleOptionButton& option);
  void PaintSelected(QStylePainter& painter, QStyleOptionButton& option);
  void PaintStatusImage(QPainter& painter);
  bool PaintForeImage(QPainter& painter);
  void PaintSelectedText(QPainter& painter, const QStyleOptionButton& option);
  bool DrawImage(QPainter& painter, const ImageDescription& image);
  const SkinPicture& Picture(const QString& path);
  /// The owning window's display scale as a factor (1 outside a program window).
  double ScaleFactor() const;
  /// Hot and pushed exist only while enabled.
  bool IsHot() const;
  bool IsPushed() const;

  bool m_selected = false;
  unsigned m_selectedBkColor = 0;
  unsigned m_selectedTextColor = 0;
  unsigned m_selectedHotTextColor = 0;
  unsigned m_hotTextColor = 0;
  int m_selectedFont = -1;
  int m_selectedStateCount = 0;
  ImageDescription m_selectedImage;
  ImageDescription m_selectedHotImage;
  ImageDescription m_selectedPushedImage;
  ImageDescription m_selectedForeImage;
  ImageDescription m_selectedStateImage;
  FileReader m_reader;
  /// Decoded pictures by path; a failed load is kept as a null picture so that a missing
  /// file is read once, not on every paint.
  std::map<QString, SkinPicture> m_pictures;
};

}  // namespace qb::controls

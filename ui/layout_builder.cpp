#include "ui/layout_builder.h"

#include <QColor>
#include <QLabel>
#include <QXmlStreamReader>
#include <functional>
#include <vector>

#include "shell/log.h"
#include "ui/attribute_sink.h"
#include "ui/buttons.h"
#include "ui/combo.h"
#include "ui/control_text.h"
#include "ui/edit.h"
#include "ui/focus_notifier.h"
#include "ui/image_control.h"
#include "ui/language_tables.h"
#include "ui/list_control.h"
#include "ui/progress.h"
#include "ui/skin.h"
#include "ui/slider.h"
#include "ui/widget_style.h"
#include "ui/window_base.h"

namespace qb::ui {
namespace {

constexpr int kMaxIncludeDepth = 8;

/// The indices Include copies substitute into names, user data and texts: one per
/// enclosing Include, outermost first. "%n" is the innermost index plus one. Each "%d",
/// counted from the last one in a text, takes the next index outward, so a cell included
/// in a column copy reads "box_%d_%d" as column, then row, while a lone "%d" is the copy's
/// own index; "%d" beyond the nesting repeat the outermost index.
struct Substitution {
  std::vector<int> indices;

  bool Active() const { return !indices.empty(); }
  int Innermost() const { return indices.back(); }
  Substitution Nested(int index) const {
    Substitution inner = *this;
    inner.indices.push_back(index);
    return inner;
  }

  QString Apply(QString text) const {
    if (!Active()) return text;
    const QString mark = QStringLiteral("%d");
    std::size_t level = indices.size();
    for (qsizetype at = text.lastIndexOf(mark); at >= 0; at = at == 0 ? -1 : text.lastIndexOf(mark, at - 1)) {
      text.replace(at, mark.size(), QString::number(indices[level - 1]));
      if (level > 1) --level;
    }
    text.replace(QStringLiteral("%n"), QString::number(Innermost() + 1));
    return text;
  }
};

bool ParseInts(const QString& text, int count, int* out) {
  const QStringList parts = text.split(',');
  if (parts.size() != count) return false;
  for (int i = 0; i < count; ++i) {
    bool ok = false;
    out[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return false;
  }
  return true;
}

bool ParseBool(const QString& text, bool& value) {
  if (text == u"true" || text == u"1") value = true;
  else if (text == u"false" || text == u"0") value = false;
  else return false;
  return true;
}

class Builder {
 public:
  explicit Builder(WindowBase& window) : m_window(window) {}

  LayoutResult Run(const QString& skinPath, QWidget* parent) {
    m_result.ok = BuildFile(skinPath, parent, {}, 0, nullptr);
    return m_result;
  }

 private:
  /// Builds the file's children into `parent`. With `size` set, reports the root's size.
  bool BuildFile(const QString& skinPath, QWidget* parent, const Substitution& sub, int depth, QSize* size) {
    if (depth > kMaxIncludeDepth) return Fail(skinPath, 0, QStringLiteral("includes nest too deep"));
    QByteArray bytes;
    if (!ReadSkinFile(skinPath, bytes)) return Fail(skinPath, 0, QStringLiteral("file not found"));
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::StartElement) {
    }
    if (reader.hasError() || reader.atEnd()) return Fail(skinPath, reader, reader.errorString());
    const auto root = reader.name();
    const auto attributes = reader.attributes();
    int wh[2] = {0, 0};
    if (root != u"Window" && root != u"Layout")
      return Fail(skinPath, reader, QStringLiteral("root must be Window or Layout"));
    if (!ParseInts(attributes.value(QLatin1String("size")).toString(), 2, wh))
      return Fail(skinPath, reader, QStringLiteral("root needs size=\"w,h\""));
    if (size) *size = QSize(wh[0], wh[1]);
    if (depth == 0 && root == u"Window") {
      m_result.rootWidth = wh[0];
      m_result.rootHeight = wh[1];
      m_result.captionHeight = attributes.value(QLatin1String("caption")).toInt();
      m_result.title = attributes.value(QLatin1String("title")).toString();
    }
    if (!BuildChildren(skinPath, reader, parent, sub, depth)) return false;
    if (reader.hasError()) return Fail(skinPath, reader, reader.errorString());
    return true;
  }

  bool BuildChildren(const QString& file, QXmlStreamReader& reader, QWidget* parent, const Substitution& sub,
                     int depth) {
    while (reader.readNextStartElement()) {
      const QString kind = reader.name().toString();
      if (kind == u"Include") {
        if (!BuildInclude(file, reader, parent, sub, depth)) return false;
        continue;
      }
      QWidget* control = Create(kind, parent);
      if (!control) return Fail(file, reader, QStringLiteral("unknown control class %1").arg(kind));
      const auto attributes = reader.attributes();
      if (!ApplyAttributes(file, reader, control, kind, attributes, sub)) return false;
      if (kind == u"Combo") {
        if (!BuildComboItems(file, reader, static_cast<Combo*>(control), sub)) return false;
      } else if (!BuildChildren(file, reader, control, sub, depth)) {
        return false;
      }
    }
    return true;
  }

  bool BuildInclude(const QString& file, QXmlStreamReader& reader, QWidget* parent, const Substitution& outer,
                    int depth) {
    const auto a = reader.attributes();
    const QString source = a.value(QLatin1String("source")).toString();
    int origin[2] = {0, 0};
    int step[2] = {0, 0};
    bool ok = true;
    const int count = a.hasAttribute(QLatin1String("count")) ? a.value(QLatin1String("count")).toInt(&ok) : 1;
    bool firstOk = true;
    const int first = a.hasAttribute(QLatin1String("first")) ? a.value(QLatin1String("first")).toInt(&firstOk) : 0;
    if (source.isEmpty() || !ok || !firstOk || count < 1 ||
        (a.hasAttribute(QLatin1String("pos")) && !ParseInts(a.value(QLatin1String("pos")).toString(), 2, origin)) ||
        (a.hasAttribute(QLatin1String("step")) && !ParseInts(a.value(QLatin1String("step")).toString(), 2, step)))
      return Fail(file, reader, QStringLiteral("Include needs source, count, pos and step"));
    for (int i = 0; i < count; ++i) {
      auto* copy = new QWidget(parent);
      QSize size;
      if (!BuildFile(source, copy, outer.Nested(first + i), depth + 1, &size)) return false;
      SetBaseGeometry(copy, QRect(origin[0] + i * step[0], origin[1] + i * step[1], size.width(),
                                  size.height()));
    }
    reader.skipCurrentElement();
    return true;
  }

  bool BuildComboItems(const QString& file, QXmlStreamReader& reader, Combo* combo, const Substitution& sub) {
    while (reader.readNextStartElement()) {
      if (reader.name() != u"Item") return Fail(file, reader, QStringLiteral("a Combo holds only Item"));
      const auto a = reader.attributes();
      combo->AddItem(sub.Apply(a.value(QLatin1String("name")).toString()), sub.Apply(a.value(QLatin1String("text")).toString()));
      bool visible = true;
      if (a.hasAttribute(QLatin1String("visible")) && !ParseBool(a.value(QLatin1String("visible")).toString(), visible))
        return Fail(file, reader, QStringLiteral("bad visible"));
      combo->SetItemVisible(combo->count() - 1, visible);
      reader.skipCurrentElement();
    }
    return true;
  }

  QWidget* Create(const QString& kind, QWidget* parent) {
    if (QWidget* own = m_window.CreateControl(kind, parent)) return own;
    if (kind == u"Container") return new QWidget(parent);
    if (kind == u"Label" || kind == u"Text") return new QLabel(parent);
    if (kind == u"Button") return new Button(parent);
    if (kind == u"Option") return new Option(parent);
    if (kind == u"CheckBox") return new CheckBox(parent);
    if (kind == u"Edit") {
      auto* edit = new Edit(parent);
      edit->installEventFilter(&FocusNotifier::Instance());
      return edit;
    }
    if (kind == u"Slider") {
      auto* slider = new Slider(Qt::Horizontal, parent);
      slider->installEventFilter(&FocusNotifier::Instance());
      return slider;
    }
    if (kind == u"Combo") return new Combo(parent);
    if (kind == u"List") return new List(parent);
    if (kind == u"Progress") return new Progress(parent);
    if (kind == u"Image") return new ImageControl(parent);
    return nullptr;
  }

  bool ApplyAttributes(const QString& file, QXmlStreamReader& reader, QWidget* control,
                       const QString& kind, const QXmlStreamAttributes& attributes, const Substitution& sub) {
    bool hasUserData = false;
    bool nameIndexed = false;
    for (const auto& attribute : attributes) {
      const QString name = attribute.name().toString();
      const QString value = attribute.value().toString();
      if (name == u"userdata") hasUserData = true;
      if (name == u"name") nameIndexed = value.contains(QStringLiteral("%d"));
      if (!ApplyOne(control, kind, name, value, sub)) {
        return Fail(file, reader,
                    QStringLiteral("%1: bad or unknown attribute %2=\"%3\"").arg(kind, name, value));
      }
    }
    if (sub.Active() && nameIndexed && !hasUserData) SetUserData(control, QString::number(sub.Innermost()));
    return true;
  }

  bool ApplyOne(QWidget* control, const QString& kind, const QString& name, const QString& value,
                const Substitution& sub) {
    if (name == u"name") {
      control->setObjectName(sub.Apply(value));
      return true;
    }
    if (name == u"pos") {
      int r[4];
      if (!ParseInts(value, 4, r)) return false;
      SetBaseGeometry(control, QRect(r[0], r[1], r[2], r[3]));
      return true;
    }
    if (name == u"text") {
      SetControlText(control, sub.Apply(value));
      return true;
    }
    if (name == u"tooltip") {
      control->setProperty("qbRawToolTip", value);
      control->setToolTip(Languages().Resolve(value));
      return true;
    }
    if (name == u"userdata") {
      SetUserData(control, sub.Apply(value));
      return true;
    }
    if (name == u"visible" || name == u"enabled") {
      bool on = true;
      if (!ParseBool(value, on)) return false;
      if (name == u"visible") control->setVisible(on);
      else control->setEnabled(on);
      return true;
    }
    if (name == u"skin") {
      control->setProperty("skin", value);
      return true;
    }
    if (name == u"font") {
      const QStringList parts = value.split(',');
      bool ok = false;
      const int points = parts.value(0).toInt(&ok);
      if (!ok || points <= 0 || parts.size() > 2) return false;
      SetOwnFont(control, points, parts.size() == 2 && parts[1].trimmed() == u"bold");
      return true;
    }
    if (name == u"textcolor" || name == u"bkcolor") {
      unsigned argb = 0;
      if (!ParseSkinColor(value, argb)) return false;
      if (kind == u"Progress" && name == u"bkcolor") {
        static_cast<Progress*>(control)->SetBackgroundColor(argb);
      } else {
        SetOwnColor(control, name == u"textcolor" ? StyleColor::Text : StyleColor::Background, argb);
      }
      return true;
    }
    if (ApplyKindAttribute(control, kind, name, value)) return true;
    if (auto* sink = dynamic_cast<AttributeSink*>(control)) return sink->SetAttribute(name, value);
    return false;
  }

  static Qt::Alignment ParseAlign(const QString& value, bool& ok) {
    ok = true;
    if (value == u"left") return Qt::AlignLeft | Qt::AlignVCenter;
    if (value == u"center") return Qt::AlignCenter;
    if (value == u"right") return Qt::AlignRight | Qt::AlignVCenter;
    ok = false;
    return {};
  }

  static bool ApplyKindAttribute(QWidget* control, const QString& kind, const QString& name,
                                 const QString& value) {
    bool ok = false;
    bool flag = false;
    if (auto* label = qobject_cast<QLabel*>(control)) {
      if (name == u"align") {
        const auto align = ParseAlign(value, ok);
        if (ok) label->setAlignment(align);
        return ok;
      }
      if (name == u"wrap" && ParseBool(value, flag)) {
        label->setWordWrap(flag);
        return true;
      }
      return false;
    }
    if (auto* option = qobject_cast<Option*>(control)) {
      if (name == u"group") {
        option->SetGroup(value);
        return true;
      }
      if (name == u"selected" && ParseBool(value, flag)) {
        option->SetSelected(flag, false);
        return true;
      }
      return false;
    }
    if (auto* check = qobject_cast<CheckBox*>(control)) {
      if ((name == u"checked" || name == u"selected") && ParseBool(value, flag)) {
        check->SetChecked(flag, false);
        return true;
      }
      return false;
    }
    if (auto* edit = qobject_cast<Edit*>(control)) {
      if (name == u"maxchars") {
        const int n = value.toInt(&ok);
        if (ok && n > 0) edit->setMaxLength(n);
        return ok && n > 0;
      }
      if (name == u"readonly" && ParseBool(value, flag)) {
        edit->setReadOnly(flag);
        return true;
      }
      if (name == u"align") {
        const auto align = ParseAlign(value, ok);
        if (ok) edit->setAlignment(align);
        return ok;
      }
      return false;
    }
    if (auto* slider = qobject_cast<Slider*>(control)) {
      if (name == u"vertical" && ParseBool(value, flag)) {
        slider->setOrientation(flag ? Qt::Vertical : Qt::Horizontal);
        return true;
      }
      if (name == u"movenotify" && ParseBool(value, flag)) {
        slider->SetMoveNotify(flag);
        return true;
      }
      const int n = value.toInt(&ok);
      if (!ok) return false;
      if (name == u"min") slider->setMinimum(n);
      else if (name == u"max") slider->setMaximum(n);
      else if (name == u"value") slider->SetValue(n);
      else if (name == u"step") slider->SetStep(n);
      else return false;
      return true;
    }
    if (auto* progress = qobject_cast<Progress*>(control); progress && kind == u"Progress") {
      if (name == u"forecolor") {
        unsigned argb = 0;
        if (!ParseSkinColor(value, argb)) return false;
        progress->SetForegroundColor(argb);
        return true;
      }
      const int n = value.toInt(&ok);
      if (!ok) return false;
      if (name == u"min") return progress->SetRange(n, std::max(progress->Maximum(), n + 1));
      if (name == u"max") return progress->SetRange(progress->Minimum(), n);
      if (name == u"value") progress->SetValue(n);
      else return false;
      return true;
    }
    if (auto* image = qobject_cast<ImageControl*>(control)) {
      return name == u"src" && image->SetSource(value);
    }
    return false;
  }

  bool Fail(const QString& file, QXmlStreamReader& reader, const QString& why) {
    return Fail(file, int(reader.lineNumber()), why);
  }
  bool Fail(const QString& file, int line, const QString& why) {
    if (m_result.error.isEmpty()) m_result.error = QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(why);
    return false;
  }

  WindowBase& m_window;
  LayoutResult m_result;
};

}  // namespace

LayoutResult BuildLayout(const QString& skinPath, QWidget* parent, WindowBase& window) {
  LayoutResult result = Builder(window).Run(skinPath, parent);
  if (!result.ok) LogPrintA("layout %s failed: %s\n", qPrintable(skinPath), qPrintable(result.error));
  return result;
}

}  // namespace qb::ui

// render_layout: builds one skin layout in an offscreen window and saves it as a PNG, so
// the skin can be looked at without running the program.
//   render_layout <layout id | skin path> <out.png> [en|cn_zh] [--insert container=skinpath]...
#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QLabel>
#include <cstdio>

#include "controls/control_factory.h"
#include "ui/language_tables.h"
#include "ui/skin.h"
#include "ui/window_base.h"

namespace {

class PreviewWindow final : public qb::ui::WindowBase {
 public:
  explicit PreviewWindow(QString layoutId) : m_layoutId(std::move(layoutId)) {}
  QString ClassName() const override { return QStringLiteral("PreviewWnd"); }
  QString LayoutId() const override { return m_layoutId; }
  QWidget* CreateControl(const QString& className, QWidget* parent) override {
    return qb::CreateProgramControl(className, parent);
  }

 private:
  QString m_layoutId;
};

bool LoadLanguage(const char* name, const char* path) {
  QByteArray bytes;
  return qb::ui::ReadSkinFile(QString::fromLatin1(path), bytes) &&
         qb::ui::Languages().Load(QString::fromLatin1(name), bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: render_layout <layout id|skin path> <out.png> [en|cn_zh] [--insert container=skinpath]...\n");
    return 2;
  }
  QString error;
  if (!qb::ui::LoadSkin(&error)) {
    std::fprintf(stderr, "skin: %s\n", qPrintable(error));
    return 1;
  }
  LoadLanguage("en", "lan/lan_en.xml");
  LoadLanguage("cn_zh", "lan/lan_cn.xml");
  QString language = QStringLiteral("en");
  QList<QPair<QString, QString>> inserts;
  for (int i = 3; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == u"--insert" && i + 1 < argc) {
      const QStringList parts = QString::fromLocal8Bit(argv[++i]).split('=');
      if (parts.size() == 2) inserts.append({parts[0], parts[1]});
    } else {
      language = arg;
    }
  }
  qb::ui::Languages().Select(language);
  PreviewWindow window(QString::fromLocal8Bit(argv[1]));
  if (!window.Create(QStringLiteral("preview"), &error)) {
    std::fprintf(stderr, "layout: %s\n", qPrintable(error));
    return 1;
  }
  for (const auto& [container, path] : inserts) {
    if (!window.InsertLayout(window.FindControl(container), path, &error)) {
      std::fprintf(stderr, "insert %s: %s\n", qPrintable(container), qPrintable(error));
      return 1;
    }
  }
  window.show();
  QApplication::processEvents();
  const QImage image = window.grab().toImage();
  if (!image.save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%dx%d written to %s\n", image.width(), image.height(), argv[2]);
  return 0;
}

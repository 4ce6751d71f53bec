// Quorelbox: control panel of the ZX7140K. Start-up: the log, the skin, the main window,
// the message loop, and the orderly shutdown.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "devicelink/hid_transport.h"
#include "shell/log.h"
#include "simulator/virtual_hid.h"
#include "ui/skin.h"
#include "windows/main_wnd.h"

namespace {

void PrintUsage() {
  std::printf(
      "Usage: quorelbox [--simulate] [--help]\n"
      "The control panel of the ZX7140K audio processor (USB vendor 0483, product 5750).\n"
      "  --simulate  work with the built-in virtual box instead of a real one\n"
      "              (F8 unplugs it, F9 plugs it back in)\n"
      "  --screenshot FILE.png  save a picture of the main window 3 s after start and quit\n"
      "  --help      show this text\n"
      "A file \"savelog.ini\" in the current directory turns on the diagnostic log \"save.log\";\n"
      "\"debug.ini\" shows the memory tool button; \"noForceUpdate.ini\" stops the forced\n"
      "firmware update prompt. Without access to /dev/hidraw* (a udev rule) no box is found.\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool simulate = false;
  const char* screenshot = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshot = argv[++i];
      continue;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage();
      return 0;
    }
    if (std::strcmp(argv[i], "--simulate") == 0) {
      simulate = true;
      continue;
    }
    std::fprintf(stderr, "quorelbox: unknown option %s (see --help)\n", argv[i]);
    return 2;
  }

  qb::InitLogFromMarker();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorelbox"));
  QApplication::setOrganizationName(QStringLiteral("quorelbox"));
  QString skinError;
  if (!qb::ui::LoadSkin(&skinError)) qb::LogPrintA("skin: %s\n", qPrintable(skinError));

  qb::MainWndOptions options;
  if (simulate) {
    auto backend = qb::sim::MakeVirtualBoxBackend();
    options.plugSwitch = backend->Box();
    options.backend = backend;
  } else {
    options.backend = qb::MakeHidapiBackend();
  }
  auto window = std::make_unique<qb::CMainWnd>(std::move(options));
  if (!window->Create(QStringLiteral("Quorel DSP Audio"))) {
    // Without its layout the program cannot run.
    QMessageBox::critical(nullptr, QStringLiteral("Quorel DSP Audio"),
                          QStringLiteral("加载资源文件失败：") + window->LayoutId());
    return 1;
  }
  window->setWindowTitle(QStringLiteral("Quorel DSP Audio"));
  window->CentreWindow();
  window->show();
  if (screenshot) {
    QTimer::singleShot(3000, window.get(), [&window, screenshot] {
      const bool saved = window->grab().save(QString::fromLocal8Bit(screenshot));
      std::printf("%s %s\n", saved ? "saved" : "could not save", screenshot);
      window->close();
      QApplication::exit(saved ? 0 : 1);
    });
  }
  const int code = QApplication::exec();
  window.reset();
  return code;
}

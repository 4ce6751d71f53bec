// Quorelbox: control panel of the ZX7140K. Start-up: the log, the skin, the main window,
// the message loop, and the orderly shutdown (also when the system asks the program to
// stop).
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "devicelink/hid_transport.h"
#include "devicelink/tracing_backend.h"
#include "devicelink/usbmon_capture.h"
#include "shell/firmware_resources.h"
#include "shell/log.h"
#include "shell/single_instance.h"
#include "shell/termination_watcher.h"
#include "simulator/simulated_box.h"
#include "ui/skin.h"
#include "windows/main_wnd.h"
#include "windows/start_up.h"

namespace {

const QString kTitle = QStringLiteral("Quorel DSP Audio");

void PrintUsage() {
  std::printf(
      "Usage: quorelbox [--simulate] [--simulate-state FILE] [--simulate-firmware X.Y]\n"
      "                 [--simulate-loader] [--simulate-model N] [--trace FILE]\n"
      "                 [--screenshot FILE.png] [--help]\n"
      "The control panel of the ZX7140K audio processor (USB vendor 0483, product 5750).\n"
      "  --simulate              work with the built-in virtual box instead of a real one\n"
      "                          (F8 unplugs it, F9 plugs it back in)\n"
      "  --simulate-state FILE   the same, keeping the virtual box's settings in FILE between\n"
      "                          runs (a missing file starts a factory-fresh box)\n"
      "%s"
      "  --trace FILE            append every report to and from the box, with its time, to\n"
      "                          FILE: a pcap capture as Linux usbmon records one, for\n"
      "                          Wireshark or tshark (tools/wireshark/quorelbox.lua)\n"
      "  --screenshot FILE.png   save a picture of the main window 3 s after start and quit\n"
      "  --help                  show this text\n"
      "A file \"savelog.ini\" in the current directory turns on the diagnostic log \"save.log\";\n"
      "\"debug.ini\" shows the memory tool button; \"noForceUpdate.ini\" stops the forced\n"
      "firmware update prompt. Without access to /dev/hidraw* (a udev rule) no box is found.\n"
      "The command-line tool quorelbox-cli reads and tunes a box without a window.\n"
      "%s\n",
      qb::sim::kSimulatedIdentityHelp,
      qb::HasBuiltInFirmware()
          ? "This build carries the box's firmware for the forced update."
          : "This build carries no built-in firmware: the forced update reports it missing\n"
            "(\"File prepare error. error code 1\"); the update window takes image files.");
}

struct Options {
  bool simulate = false;
  std::string statePath;
  qb::sim::SimulatedBoxIdentity identity;
  std::string tracePath;
  const char* screenshot = nullptr;
};

/// Reads the command line; the exit code when the program should stop, or -1.
int ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--screenshot") == 0 && hasValue) {
      options.screenshot = argv[++i];
    } else if (std::strcmp(argv[i], "--trace") == 0 && hasValue && argv[i + 1][0] != '\0') {
      options.tracePath = argv[++i];
    } else if (std::strcmp(argv[i], "--simulate-state") == 0 && hasValue) {
      options.simulate = true;
      options.statePath = argv[++i];
    } else if (std::strcmp(argv[i], "--simulate-firmware") == 0 && hasValue) {
      options.simulate = true;
      if (!qb::sim::ParseSimulatedFirmware(argv[++i], options.identity)) {
        std::fprintf(stderr, "quorelbox: --simulate-firmware takes X.Y, each 0..255: %s\n", argv[i]);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--simulate-model") == 0 && hasValue) {
      options.simulate = true;
      if (!qb::sim::ParseSimulatedModel(argv[++i], options.identity)) {
        std::fprintf(stderr, "quorelbox: --simulate-model takes 0..255: %s\n", argv[i]);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--simulate-loader") == 0) {
      options.simulate = true;
      options.identity.loader = true;
    } else if (std::strcmp(argv[i], "--simulate") == 0) {
      options.simulate = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage();
      return 0;
    } else {
      std::fprintf(stderr, "quorelbox: unknown option or missing value: %s (see --help)\n", argv[i]);
      return 2;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int code = ParseOptions(argc, argv, options); code >= 0) return code;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorelbox"));
  QApplication::setOrganizationName(QStringLiteral("quorelbox"));
  // Lets the desktop match the window to its menu entry (task bar, dock) and, when the
  // program is installed, give it the entry's icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(QB_APP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QB_APP_ID)));
  QString skinError;
  const bool skinLoaded = qb::ui::LoadSkin(&skinError);
  qb::LoadProgramLanguages();
  // Before the log file is opened and before any window shows: a second copy must leave
  // the first one's log alone.
  qb::SingleInstance instance;
  if (!qb::ClaimSingleInstance(instance)) return 0;
  qb::InitLogFromMarker();
  if (!skinLoaded) qb::LogPrintA("skin: %s\n", qPrintable(skinError));

  qb::MainWndOptions windowOptions;
  qb::sim::SimulatedBox simulated;
  if (options.simulate) {
    std::string error;
    if (!qb::sim::OpenSimulatedBox(options.statePath, simulated, &error, options.identity)) {
      // The file may hold the user's work: leave it and say why nothing starts.
      std::fprintf(stderr, "quorelbox: %s\n", error.c_str());
      QMessageBox::critical(nullptr, kTitle, QString::fromStdString(error));
      return 1;
    }
    windowOptions.plugSwitch = simulated.backend->Box();
    windowOptions.backend = simulated.backend;
  } else {
    windowOptions.backend = qb::MakeHidapiBackend();
  }
  std::shared_ptr<qb::UsbmonCapture> trace;
  if (!options.tracePath.empty()) {
    qb::UsbmonCaptureOpening opened = qb::UsbmonCapture::Open(options.tracePath);
    if (!opened.capture) {
      std::fprintf(stderr, "quorelbox: --trace: %s\n", opened.error.c_str());
      QMessageBox::critical(nullptr, kTitle, QString::fromStdString(opened.error));
      return 1;
    }
    if (opened.droppedTail > 0)
      std::fprintf(stderr, "quorelbox: %s ended in a record cut short; its %zu bytes were dropped\n",
                   options.tracePath.c_str(), opened.droppedTail);
    trace = std::move(opened.capture);
    windowOptions.backend = qb::MakeTracingBackend(windowOptions.backend, trace);
  }
  auto window = std::make_unique<qb::CMainWnd>(std::move(windowOptions));
  if (!window->Create(kTitle)) {
    // Without its layout the program cannot run.
    QMessageBox::critical(nullptr, kTitle, QStringLiteral("加载资源文件失败：") + window->LayoutId());
    return 1;
  }
  if (!window->BindingProblem().isEmpty()) {
    // A control or menu item the program does not know what to do with: a broken build.
    std::fprintf(stderr, "quorelbox: unbound in the main window: %s\n", qPrintable(window->BindingProblem()));
    return 1;
  }
  window->setWindowTitle(kTitle);
  window->CentreWindow();
  window->show();

  // Logging out or Ctrl-C closes the window as its close button would.
  qb::TerminationWatcher termination;
  QObject::connect(&termination, &qb::TerminationWatcher::terminationRequested, window.get(),
                   [&window](int) { window->close(); });
  termination.Start();

  if (options.screenshot) {
    QTimer::singleShot(3000, window.get(), [&window, &options] {
      const bool saved = window->grab().save(QString::fromLocal8Bit(options.screenshot));
      std::printf("%s %s\n", saved ? "saved" : "could not save", options.screenshot);
      window->close();
      QApplication::exit(saved ? 0 : 1);
    });
  }
  int code = QApplication::exec();
  window.reset();

  std::string error;
  if (!qb::sim::SaveSimulatedBox(simulated, &error)) {
    std::fprintf(stderr, "quorelbox: the virtual box was not saved: %s\n", error.c_str());
    code = code == 0 ? 1 : code;
  }
  if (trace && trace->Failed()) std::fprintf(stderr, "quorelbox: the trace stopped: %s\n", trace->Error().c_str());
  qb::CloseLog();
  return code;
}

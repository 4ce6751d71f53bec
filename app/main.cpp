// Quorelbox: control panel of the ZX7140K. Until the windows arrive, the program opens the
// box (or the virtual box), reads its live state once and prints what the box answered.
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/box_report.h"
#include "devicelink/device_link.h"
#include "devicelink/link_decoders.h"
#include "shell/log.h"
#include "simulator/virtual_hid.h"

namespace {

void PrintUsage() {
  std::printf(
      "Usage: quorelbox [--simulate] [--help]\n"
      "Opens the ZX7140K over USB (vendor 0483, product 5750), reads its live state and\n"
      "prints it.\n"
      "  --simulate  use the built-in virtual box instead of a real one\n"
      "  --help      show this text\n"
      "A file \"savelog.ini\" in the current directory turns on the diagnostic log \"save.log\".\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool simulate = false;
  for (int i = 1; i < argc; ++i) {
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
  std::shared_ptr<qb::HidBackend> backend =
      simulate ? std::shared_ptr<qb::HidBackend>(qb::sim::MakeVirtualBoxBackend())
               : qb::MakeHidapiBackend();
  qb::DeviceLink link(backend);
  link.SetLinkConfig(79, 8, 6, false, false);
  qb::InstallReplyDecoders(link);
  qb::BoxReport report;
  for (qb::ReplySlot slot : {qb::ReplySlot::MainWindowHandle, qb::ReplySlot::SceneWindowHandle}) {
    link.Register(slot, &report);
  }

  const int initResult = link.OpenHIDDevice();
  if (initResult != 0) {
    std::fprintf(stderr, "quorelbox: the USB HID library failed to start (%d)\n", initResult);
    return 1;
  }
  if (!link.IsDeviceOpen()) {
    std::printf(
        "No ZX7140K found (USB 0483:5750). Check the cable, and that your user may open\n"
        "/dev/hidraw* (a udev rule granting access to the device). ./run.sh --simulate\n"
        "uses the virtual box instead.\n");
    return 1;
  }
  std::printf("%s opened.\n", simulate ? "Virtual ZX7140K" : "ZX7140K");
  const bool answered = qb::ReadBoxState(link);
  link.CloseHIDDevice(true);
  link.Unregister(&report);
  for (const std::string& line : report.TakeLines()) std::printf("%s\n", line.c_str());
  if (!answered) {
    std::printf("The box did not answer the handshake.\n");
    return 1;
  }
  return 0;
}

// Quorelbox: control panel of the ZX7140K. Until the windows arrive, the program opens the
// box, introduces itself, asks for the handshake and reports what the box answered.
#include <cstdio>
#include <cstring>

#include "devicelink/device_link.h"
#include "shell/log.h"

namespace {

constexpr std::uint8_t kMcuPacket = 3;
constexpr std::uint8_t kHandshakeId = 0x08;
constexpr std::uint8_t kPcConnectId = 0x1F;
constexpr std::uint8_t kOpSet = 0xBB;

void PrintUsage() {
  std::printf(
      "Usage: quorelbox [--help]\n"
      "Opens the ZX7140K over USB (vendor 0483, product 5750), asks for its handshake and\n"
      "prints the replies. A file \"savelog.ini\" in the current directory turns on the\n"
      "diagnostic log \"save.log\".\n");
}

void PrintFrame(qb::DeviceLink&, const qb::ReplyFrame& frame) {
  std::printf("reply: packet type %u, command 0x%02x, operation 0x%02x, payload", frame.packetType,
              frame.CommandId(), frame.OpType());
  for (std::uint8_t b : frame.Payload()) std::printf(" %02x", b);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage();
      return 0;
    }
    std::fprintf(stderr, "quorelbox: unknown option %s (see --help)\n", argv[i]);
    return 2;
  }

  qb::InitLogFromMarker();
  qb::DeviceLink link(qb::MakeHidapiBackend());
  link.SetLinkConfig(79, 8, 6, false, false);
  for (std::uint8_t type : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{7}}) link.SetPacketDecoder(type, PrintFrame);

  const int initResult = link.OpenHIDDevice();
  if (initResult != 0) {
    std::fprintf(stderr, "quorelbox: the USB HID library failed to start (%d)\n", initResult);
    return 1;
  }
  if (!link.IsDeviceOpen()) {
    std::printf(
        "No ZX7140K found (USB 0483:5750). Check the cable, and that your user may open\n"
        "/dev/hidraw* (a udev rule granting access to the device).\n");
    return 1;
  }
  std::printf("ZX7140K opened.\n");
  const std::uint8_t connected[] = {1};
  link.SendCtrlCommand(kMcuPacket, kPcConnectId, kOpSet, connected);
  link.SubmitCommand(kMcuPacket, kHandshakeId, kOpSet, {}, true, qb::kWaitDefaultMs);
  if (link.LastReadCount() == 0) std::printf("The box did not answer the handshake.\n");
  link.CloseHIDDevice(true);
  return 0;
}

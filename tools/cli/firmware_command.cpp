// firmware: an image file checked, the question asked, the image sent through the core's
// firmware updater inside its firmware-update scope, the box followed through its restart and
// read again.
#include "core/firmware_updater.h"
#include "devicelink/firmware_upgrade.h"
#include "tools/cli/box_run.h"
#include "tools/cli/cli_words.h"
#include "tools/cli/commands.h"

namespace qb::cli {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void ParseFirmware(Words& words, Invocation& invocation) {
  if (const auto file = words.Next("the firmware FILE")) invocation.firmware.path = std::string(*file);
  words.ExpectEnd("firmware FILE");
}

std::string FirmwareHelp() {
  return "Usage: quorelbox-cli [OPTIONS] firmware FILE [--yes]\n"
         "\n"
         "Upgrades the box from a firmware image file: FILE's name says its kind\n"
         "(...MCU_UPG.BIN, ...FLASH_UPG.BIN, ...BL_UPG.BIN or ...UPG_FW.BIN, any letter\n"
         "case), as tools/fwimage names them. The image is checked first (kind, model 79,\n"
         "size, checksum): a file that fails is refused before the box hears anything.\n"
         "Then it asks before going on (--yes: it does not), sends the image with a\n"
         "progress bar on standard error, follows the box through its restart and prints\n"
         "the firmware the box reports afterwards. A box in its loader is upgraded too.\n"
         "Firmware packages for the vendor's download tool are not sent: that tool runs\n"
         "only on Windows. With --json one object: file, kind, bytes, and after the\n"
         "restart model, firmware and application (false: still in its loader).\n"
         "Exit status: 1 the file cannot be read, is no image or not for this box, or the\n"
         "question was not answered yes; 3 no box; 4 the box refused or failed the upgrade\n"
         "or did not come back in time.\n";
}

std::string KindName(UpgradeKind kind) {
  switch (kind) {
    case UpgradeKind::Flash: return "DSP flash";
    case UpgradeKind::Bootloader: return "boot loader";
    default: return "MCU";
  }
}

/// Opens and reads the box; unlike the other commands, a box in its loader is welcome.
std::optional<Outcome> ConnectForUpgrade(BoxRun& box) {
  if (!box.OpenAndRead())
    return Outcome::Failed(kExitNoBox, "no ZX7140K found (USB 0483:5750): is it plugged in and switched on?");
  if (box.Notices().connectFailed) return Outcome::Failed(kExitBoxRefused, "the box did not answer the handshake");
  if (box.Notices().foreignModel)
    return Outcome::Failed(kExitBoxRefused,
                           "the box is another model (" + std::to_string(*box.Notices().foreignModel) + ")");
  return std::nullopt;
}

/// Runs the transfer on the session's task and pumps its messages. A box that leaves (not
/// the restart into its loader, which the link waits for) ends it. `departuresAtStart`: how
/// often the box had left when the first block went out.
std::string Transfer(BoxRun& box, const std::filesystem::path& path, int& departuresAtStart) {
  FirmwareUpdater& updater = box.Core().Firmware();
  std::optional<std::uint32_t> end;  // the message the transfer ended with
  bool progressShown = false;
  const auto& showProgress = box.Options().firmwareProgress;
  const BoxRun::Listening listening(box, [&](const ReplyMessage& message) {
    switch (message.number) {
      case WM_UPDATE_PROGRESS:
        // The box is in its loader now: a departure from here on is its final restart.
        if (!progressShown) departuresAtStart = box.Departures();
        progressShown = true;
        if (showProgress) showProgress(static_cast<int>(message.wParam));
        return true;
      case WM_UPDATE_FINISHED:
      case WM_UPDATE_FAILED:
      case WM_UPDATE_PREPARE_FAILED: end = message.number; return true;
      default: return false;
    }
  });
  updater.AttachWindow(box.Window());
  {
    // While the scope lives the box's departures belong to the upgrade.
    const FirmwareUpdateScope scope = box.Core().BeginFirmwareUpdate(FirmwareUpdateKind::Manual);
    if (!updater.StartTransfer(path, TransferStart::None)) {
      updater.DetachWindow(box.Window());
      return "the box is busy and took no upgrade";
    }
    while (!end) {
      box.Pump(kPumpSlice);
      box.PollPlug();
      // The link does not notice a box that is gone; the window closes it on the removal.
      if (!box.Present() && !box.Session().IsUpgrading() && box.Session().IsDeviceOpen()) box.Session().DevicePlugOut();
    }
    box.Session().WaitForTask();
    box.Pump(0ms);
  }
  updater.DetachWindow(box.Window());
  if (showProgress && progressShown) showProgress(-1);
  switch (*end) {
    case WM_UPDATE_FINISHED: return {};
    case WM_UPDATE_FAILED: return "the upgrade failed part way (the box refused a block or left); the box "
                                  "stays in its loader: run the upgrade again";
    default: return "the box did not start the upgrade";
  }
}

/// After the image the box restarts (an MCU image by itself, a flash image on the
/// transfer's reboot command): waits for it to leave and come back, and reads it again.
std::string FollowRestart(BoxRun& box, int departuresAtStart) {
  if (box.Session().IsDeviceOpen()) box.Session().DisconnectDevice();
  box.Pump(0ms);
  const auto deadline = Clock::now() + box.Options().restartTimeout;
  if (box.WatchesPlug()) {
    const auto leaveBy = Clock::now() + 5s;
    while (box.Departures() == departuresAtStart && Clock::now() < leaveBy) box.Wait(kPumpSlice);
    while (!box.Present() && Clock::now() < deadline) box.Wait(kPumpSlice);
  } else {
    box.Wait(3s);  // without a device monitor: time for the box to leave
  }
  box.StartAfresh();
  while (Clock::now() < deadline) {
    if (box.OpenAndRead()) return box.Notices().connectFailed ? "the box did not answer after its restart" : "";
    box.Wait(500ms);
  }
  return "the box did not come back after the upgrade";
}

/// Checks the image, asks, opens the box (its loader too), transfers the image through the
/// core's updater, follows the box through its restart and reports what it runs.
Outcome Firmware(BoxRun& box, const Invocation& invocation) {
  const FirmwareRequest& request = invocation.firmware;
  const std::filesystem::path path = request.path;
  if (IsToolPackage(path))
    return Outcome::Failed(kExitFailure, request.path +
                                             " is a firmware package for the vendor's download tool, which runs only "
                                             "on Windows; give a firmware image file");
  // The same checks the transfer makes, before anything reaches the box.
  ImageCheckEnv env;
  env.linkOpen = true;
  env.pcModelId = kBoxModel;
  FirmwareImages images;
  const int checked = CheckUpgradeFile(path, env, images);
  if (checked == kUpgCannotOpen) return Outcome::Failed(kExitFailure, "cannot open " + request.path);
  if (checked != kUpgAccepted)
    return Outcome::Failed(kExitFailure, request.path +
                                             " is not a firmware image for the ZX7140K (its name says no image kind, "
                                             "or its kind, model, size or checksum is wrong); nothing was sent");
  const std::string kind = KindName(images.kind);
  const std::uint32_t bytes = images.kind == UpgradeKind::Flash ? images.dspSize : images.mcuSize;
  const std::string question = "Upgrade the box's " + kind + " firmware from " + request.path + " (" +
                               std::to_string(bytes) + " bytes)? The box restarts. [y/N] ";
  const auto& confirm = box.Options().confirm;
  if (!request.yes && !(confirm && confirm(question)))
    return Outcome::Failed(kExitFailure, "not confirmed; nothing was sent to the box");

  if (std::optional<Outcome> refused = ConnectForUpgrade(box)) return std::move(*refused);
  int departuresAtStart = 0;
  if (std::string problem = Transfer(box, path, departuresAtStart); !problem.empty())
    return Outcome::Failed(kExitBoxRefused, problem);
  if (std::string problem = FollowRestart(box, departuresAtStart); !problem.empty())
    return Outcome::Failed(kExitBoxRefused, problem);

  const Profile& live = box.Mirror().currentProfile;
  const bool application = box.Session().RunsApplication();
  const std::string firmware = std::to_string(live.mainVersion) + "." + std::to_string(live.slaveVersion);
  Record record;
  record.Add("ok", true).JsonOnly();
  record.Add("file", request.path);
  record.Add("kind", kind);
  record.Add("bytes", bytes);
  record.Add("model", box.Session().HandshakeModel());
  record.Add("firmware", firmware).Label(application ? "now runs firmware" : "firmware");
  Field& loader = record.Add("application", Value(application).Spelled("still in its loader")).Label("");
  if (application) loader.JsonOnly();
  return Outcome::Done(std::move(record));
}

}  // namespace

constinit const CommandFamily kFirmwareCommand{Command::Firmware, "firmware", ParseFirmware, FirmwareHelp, Firmware,
                                               /*opensTheBox=*/true};

}  // namespace qb::cli

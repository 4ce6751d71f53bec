#include "core/firmware_updater.h"

#include <chrono>
#include <fstream>
#include <thread>

#include "core/box_session.h"
#include "devicelink/mcu_commands.h"
#include "shell/log.h"

namespace qb {
namespace {

/// The pause before the factory reset: the box has only just come back from its restart.
constexpr auto kFactoryResetPause = std::chrono::milliseconds(1000);

}  // namespace

int RunImageTransfer(DeviceLink& link, const std::filesystem::path& path, const TransferEvents& events,
                     const std::atomic<bool>& stop, const UpgradeReopenTimings& reopen) {
  // UpgradeStart checks the image before it sends the box anything.
  const int started = UpgradeStart(link, path, reopen);
  if (started != 0) return started;
  if (events.started) events.started();
  std::uint8_t result = 0;
  do {
    result = UpgradeStep(link);
    if (result <= 100 && events.progress) events.progress(result);
  } while (result <= 100 && !stop.load(std::memory_order_relaxed));
  return result == kUpgradeFinished ? kUpgradeFinished : kUpgradeFailed;
}

bool IsToolPackage(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[4] = {};
  return in.read(head, sizeof head) && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

FirmwareUpdater::~FirmwareUpdater() { Stop(); }

void FirmwareUpdater::AttachWindow(MessageTarget* target) {
  std::lock_guard<std::mutex> guard(m_targetLock);
  m_target = target;
}

void FirmwareUpdater::DetachWindow(MessageTarget* target) {
  std::lock_guard<std::mutex> guard(m_targetLock);
  if (m_target == target) m_target = nullptr;
}

void FirmwareUpdater::Post(std::uint32_t number, std::uintptr_t wParam) {
  std::lock_guard<std::mutex> guard(m_targetLock);
  if (!m_target) return;
  ReplyMessage message;
  message.number = number;
  message.wParam = wParam;
  m_target->PostReplyMessage(std::move(message));
}

bool FirmwareUpdater::LinkOpen() const { return m_session.Link().IsDeviceOpen(); }

bool FirmwareUpdater::StartTransfer(const std::filesystem::path& path, TransferStart start) {
  if (!LinkOpen() || m_session.Busy()) return false;
  // The transfer's commands and acknowledgements must not interleave with queued edits.
  m_session.Link().DisableQueue();
  m_stop.store(false, std::memory_order_relaxed);
  return m_session.StartTask([this, path, start] {
    TransferEvents events;
    events.started = [this, start] {
      if (start == TransferStart::Mcu) Post(WM_UPDATE_MCU_STARTED);
      else if (start == TransferStart::Flash) Post(WM_UPDATE_FLASH_STARTED);
    };
    events.progress = [this](int percent) { Post(WM_UPDATE_PROGRESS, static_cast<std::uintptr_t>(percent)); };
    const int result = RunImageTransfer(m_session.Link(), path, events, m_stop, m_reopen);
    LogPrintA("firmware transfer of %s ended with %d\n", path.string().c_str(), result);
    if (result == kUpgradeFinished) Post(WM_UPDATE_FINISHED);
    else if (result == kUpgradeFailed) Post(WM_UPDATE_FAILED);
    else Post(WM_UPDATE_PREPARE_FAILED, static_cast<std::uintptr_t>(result));
  });
}

bool FirmwareUpdater::StartFactoryReset() {
  if (!LinkOpen() || m_session.Busy()) return false;
  m_session.Link().DisableQueue();
  return m_session.StartTask([this] {
    LogPrintA("Factory default thread start!\n");
    std::this_thread::sleep_for(kFactoryResetPause);
    MCU_Factory_Default(m_session.Link());
    Post(WM_UPDATE_FACTORY_DONE);
    LogPrintA("Factory default thread end!\n");
  });
}

bool FirmwareUpdater::StartToolPreparation(std::function<int()> prepare) {
  if (!prepare || m_session.Busy()) return false;
  m_stop.store(false, std::memory_order_relaxed);
  return m_session.StartTask([this, prepare = std::move(prepare)] {
    const int code = prepare();
    LogPrintA("PrepareDownloadTool returned %d\n", code);
    if (code != 0) Post(WM_UPDATE_PREPARE_FAILED, static_cast<std::uintptr_t>(code));
    else Post(WM_UPDATE_TOOL_UNAVAILABLE);
  });
}

}  // namespace qb

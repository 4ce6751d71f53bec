#pragma once
/// Firmware upgrades of the box: an image file moved to it block by block on the session's
/// task thread, the factory reset that may end a forced update, and the preparation of a
/// download-tool package. The update windows only start these and show what the task posts
/// to them; the rules that touch the box are here, testable without a display.
///
/// Rules beyond the transfer itself:
/// - the image is checked (kind, model, size, sum) before the box is told anything, so a
///   wrong file never puts a box into its loader;
/// - the command queue is off while an update owns the box;
/// - a task posts to the window attached when it posts; a window that has gone is detached
///   first, so a late message is dropped.
///
/// Threads: every method runs on the session's owning thread; the work runs on its task.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>

#include "devicelink/firmware_upgrade.h"
#include "messages/reply_message.h"

namespace qb {

class BoxSession;

// Messages the update tasks post to the update window (window-local numbers).
inline constexpr std::uint32_t WM_UPDATE_FACTORY_DONE = 1240;    ///< the factory reset was sent
inline constexpr std::uint32_t WM_UPDATE_PROGRESS = 1255;        ///< wParam: percent 0..100
inline constexpr std::uint32_t WM_UPDATE_FINISHED = 1256;        ///< the transfer ended well
inline constexpr std::uint32_t WM_UPDATE_FAILED = 1257;          ///< the transfer failed
inline constexpr std::uint32_t WM_UPDATE_PREPARE_FAILED = 1258;  ///< image or tool refused
inline constexpr std::uint32_t WM_UPDATE_MCU_STARTED = 1259;
inline constexpr std::uint32_t WM_UPDATE_FLASH_STARTED = 1260;
/// A tool package was prepared, but its tool cannot run on this system.
inline constexpr std::uint32_t WM_UPDATE_TOOL_UNAVAILABLE = 1261;

/// Which start message a transfer posts once the box has taken the start command.
enum class TransferStart { Mcu, Flash, None };

/// What one transfer went through, for a front end that runs it in its own thread.
struct TransferEvents {
  std::function<void()> started;               ///< the box took the start command
  std::function<void(int percent)> progress;   ///< each step's progress 0..100
};

/// Runs one whole transfer of the image at `path` on the calling thread: UpgradeStart, then
/// UpgradeStep until it ends or `stop` is set. Returns the start's code when it is not 0
/// (nothing was sent to the box when the image check refused it), else kUpgradeFinished or
/// kUpgradeFailed (a stop counts as failed). The queue must already be off.
int RunImageTransfer(DeviceLink& link, const std::filesystem::path& path, const TransferEvents& events,
                     const std::atomic<bool>& stop, const UpgradeReopenTimings& reopen = {});

/// True when the file at `path` is a ZIP archive (a download-tool package) rather than an
/// image file; an image never begins with the ZIP signature.
bool IsToolPackage(const std::filesystem::path& path);

class FirmwareUpdater {
 public:
  explicit FirmwareUpdater(BoxSession& session) : m_session(session) {}
  ~FirmwareUpdater();
  FirmwareUpdater(const FirmwareUpdater&) = delete;
  FirmwareUpdater& operator=(const FirmwareUpdater&) = delete;

  /// Where the tasks' messages go; the window detaches before it goes.
  void AttachWindow(MessageTarget* target);
  void DetachWindow(MessageTarget* target);

  bool LinkOpen() const;

  /// Turns the queue off and transfers the image at `path` on a task, posting the start
  /// message of `start`, WM_UPDATE_PROGRESS with each value, then WM_UPDATE_FINISHED or
  /// WM_UPDATE_FAILED; WM_UPDATE_PREPARE_FAILED when the image is refused or the box does not
  /// start. False, starting nothing, while the link is closed or another task runs.
  bool StartTransfer(const std::filesystem::path& path, TransferStart start);
  /// Sends the factory default on a task after a second's pause (the box has just come
  /// back), then posts WM_UPDATE_FACTORY_DONE.
  bool StartFactoryReset();
  /// Runs `prepare` (a PrepareDownloadTool) on a task: WM_UPDATE_PREPARE_FAILED on a non-zero
  /// code, else WM_UPDATE_TOOL_UNAVAILABLE. No box is involved.
  bool StartToolPreparation(std::function<int()> prepare);

  /// Asks a running transfer to end after its current step.
  void Stop() { m_stop.store(true, std::memory_order_relaxed); }
  /// Shorter waits for a box that restarts into its loader, for tests.
  void SetReopenTimings(const UpgradeReopenTimings& timings) { m_reopen = timings; }

 private:
  void Post(std::uint32_t number, std::uintptr_t wParam = 0);

  BoxSession& m_session;
  std::atomic<bool> m_stop{false};
  UpgradeReopenTimings m_reopen{};
  std::mutex m_targetLock;  ///< guards m_target: tasks post while the owning thread detaches
  MessageTarget* m_target = nullptr;
};

}  // namespace qb

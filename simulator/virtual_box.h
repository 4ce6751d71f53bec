#pragma once
/// A complete virtual ZX7140K on the USB side: it takes command reports, keeps the box's
/// state, answers with input reports after a per-report latency, can be unplugged, reboots,
/// and lets tests inject faults and observe every command it received.
///
/// Thread safety: every member may be called from any thread. One lock guards the whole
/// box; a read waiting for a report waits on a condition variable and wakes when a report
/// becomes readable, the box leaves the bus, or its time is up. The plug listener runs
/// without the lock held, on whichever thread noticed the change.
///
/// Time: nothing runs in the background. Timed events (a report becoming readable, the box
/// leaving the bus after a reboot and coming back) happen when a call finds their time has
/// passed; a UI that wants plug notifications without USB traffic calls Poll regularly.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "devicelink/plug_switch.h"
#include "simulator/box_config.h"
#include "simulator/box_context.h"
#include "simulator/box_state.h"
#include "simulator/calibration_sequence.h"
#include "simulator/order_rules.h"
#include "simulator/upgrade_receiver.h"

namespace qb::sim {

class VirtualBox final : public PlugSwitch {
 public:
  using Clock = std::chrono::steady_clock;

  explicit VirtualBox(VirtualBoxConfig config = {});
  ~VirtualBox() override;
  VirtualBox(const VirtualBox&) = delete;
  VirtualBox& operator=(const VirtualBox&) = delete;

  // --- the USB side (used by the HID device) -------------------------------------------
  /// Opens a connection: its number (never 0) while the box is on the bus, 0 when it is
  /// not. Input reports queued before are not delivered to it, as with a fresh handle.
  std::uint64_t Connect();
  /// True while `connection` still reaches the box (it has not left the bus since).
  bool IsConnected(std::uint64_t connection);
  /// Takes one output report. Returns `length`, or -1 when the connection is gone. A
  /// report without a valid frame is counted (RejectedFrames) and otherwise ignored.
  int Write(std::uint64_t connection, const std::uint8_t* data, std::size_t length);
  /// Waits up to `timeoutMs` for one input report. Returns the bytes copied (at most 64),
  /// 0 when none became readable in time, -1 when the connection is gone.
  int Read(std::uint64_t connection, std::uint8_t* data, std::size_t length, int timeoutMs);

  // --- observation and set-up for tests ------------------------------------------------
  /// A copy of the whole state.
  BoxState State() const;
  /// Runs `look` on the state under the box's lock, without copying it (a state is about a
  /// megabyte). `look` must not call the box.
  void Inspect(const std::function<void(const BoxState&)>& look) const;
  /// Runs `change` on the state under the box's lock (set any value before a test).
  void Modify(const std::function<void(BoxState&)>& change);
  /// Every valid command received, in order (also those a silent box ignored).
  std::vector<BoxCommand> Commands() const;
  void ClearCommands();
  /// Output reports that held no valid frame.
  std::size_t RejectedFrames() const;
  /// Every break of the order rule a box can see (order_rules.h) since the last clear.
  std::vector<std::string> OrderViolations() const;
  void ClearOrderViolations();
  /// Input reports queued and not yet read.
  std::size_t PendingReports() const;
  VirtualBoxConfig Config() const;

  // --- configuration changes -----------------------------------------------------------
  void SetLatency(std::chrono::microseconds latency);
  /// False puts the box into its loader: the handshake reports 0xF0 and only extensions
  /// and the handshake are answered.
  void SetApplicationMode(bool on);
  /// Adds a part of the box (firmware upgrade receiver, calibration sequence); it is
  /// offered every command before the built-in handlers.
  void AddExtension(std::unique_ptr<BoxExtension> extension);

  // --- firmware upgrade receiver ---------------------------------------------------------
  // Every box has one (upgrade_receiver.h). It is asked after the added extensions and
  // before the built-in handlers, in the loader too.
  /// What the receiver has taken so far and how its last transfer ended.
  UpgradeSnapshot Upgrade() const;
  /// Replaces the receiver's behaviour (new versions, NOT_READY blocks, refused start); a
  /// transfer under way goes on with the new settings.
  void SetUpgradeConfig(UpgradeReceiverConfig config);

  // --- room calibration ------------------------------------------------------------------
  // Every box can calibrate (calibration_sequence.h); asked after the upgrade receiver, in
  // the application only.
  /// Failures to inject into the next runs.
  void SetCalibrationConfig(CalibrationConfig config);
  CalibrationSnapshot Calibration() const;
  /// Runs `look` on the calibration under the box's lock (its measurements and corrections).
  void InspectCalibration(const std::function<void(const CalibrationSequence&)>& look) const;

  // --- faults --------------------------------------------------------------------------
  /// The next `count` reply frames are never sent.
  void DropReplies(std::size_t count);
  /// The next `count` reply frames carry a wrong checksum.
  void CorruptReplies(std::size_t count);
  /// The next reply frame ends one report with its first `firstBytes` bytes and continues
  /// at the start of the next.
  void SplitNextReply(std::size_t firstBytes);
  /// Fills the rest of each report after its frame with garbage instead of zeros. The
  /// garbage never holds the first sync byte, which no reader of this protocol could
  /// tell from the start of a frame.
  void SetGarbagePadding(bool on);
  /// A silent box still records commands but neither applies nor answers them.
  void SetSilent(bool on);
  /// Leaves the bus now: open connections fail, queued reports are lost.
  void Unplug() override;
  /// Answers `frames` more command frames and leaves the bus when the next one is
  /// written (that write fails).
  void UnplugAfterFrames(std::size_t frames);
  /// Comes back on the bus (also ends a reboot early).
  void Replug() override;
  bool IsPlugged();
  /// Sends the MCU INIT report a box sends on its own.
  void SendMcuInit();
  /// Sends any report on the box's own initiative.
  void SendReport(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                  std::span<const std::uint8_t> payload);

  // --- hot-plug --------------------------------------------------------------------------
  /// `listener(true)` when the box appears on the bus, `listener(false)` when it leaves.
  void SetPlugListener(std::function<void(bool plugged)> listener) override;
  /// Lets timed events happen (the return after a reboot) and notifies the listener.
  void Poll() override;

 private:
  class Context;
  friend class Context;

  struct Report {
    std::array<std::uint8_t, 64> bytes{};
    Clock::time_point readyAt;
  };

  // All of these require m_lock.
  void Advance(Clock::time_point now);
  bool PluggedLocked() const { return !m_unplugged && !m_offlineUntil; }
  void LeaveBus();
  void RestartNow(Clock::time_point now);
  void Dispatch(const BoxCommand& command);
  void QueueFrame(std::vector<std::uint8_t> frame, std::chrono::milliseconds extraDelay);
  void QueueReport(std::span<const std::uint8_t> leadingPad, std::span<const std::uint8_t> bytes,
                   Clock::duration delay);
  std::uint8_t GarbageByte();
  Clock::time_point LastReadyAt(Clock::time_point now) const;
  void NotifyPlugEvents();

  mutable std::mutex m_lock;  ///< guards every member below
  std::condition_variable m_reportReady;
  VirtualBoxConfig m_config;
  BoxState m_state;
  std::vector<std::unique_ptr<BoxExtension>> m_extensions;
  UpgradeReceiver m_upgrade;
  CalibrationSequence m_calibration;

  std::deque<Report> m_reports;
  Clock::time_point m_lastReadyAt{};
  std::vector<BoxCommand> m_commands;
  std::size_t m_rejected = 0;
  OrderRules m_order;

  std::uint64_t m_epoch = 1;  ///< advances whenever the box leaves the bus
  bool m_unplugged = false;
  std::optional<Clock::time_point> m_offlineUntil;
  std::optional<Clock::time_point> m_rebootAt;
  bool m_rebootFactory = false;

  std::size_t m_dropReplies = 0;
  std::size_t m_corruptReplies = 0;
  std::optional<std::size_t> m_splitNext;
  bool m_garbage = false;
  std::uint32_t m_garbageSeed = 0x2545F491u;
  bool m_silent = false;
  std::optional<std::size_t> m_unplugAfter;

  std::function<void(bool)> m_plugListener;
  std::vector<bool> m_plugEvents;  ///< changes not yet told to the listener
};

}  // namespace qb::sim

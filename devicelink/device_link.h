#pragma once
/// The session with one box: the HID device, the receive path, the registered reply
/// targets, the link configuration and the command queue with its worker thread.
///
/// Threads: the UI thread queues commands and registers targets; task threads send
/// immediate commands and queries; the worker drains the queue. Writes are serialised by
/// the write lock, every read-and-parse runs under the read lock, and closing takes both,
/// so a device is never closed under a thread that still uses it.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "devicelink/command_queue.h"
#include "devicelink/firmware_image.h"
#include "devicelink/frame_codec.h"
#include "devicelink/hid_transport.h"
#include "devicelink/joinable_thread.h"
#include "devicelink/link_timing.h"
#include "devicelink/receive_ring.h"
#include "devicelink/reply_parser.h"
#include "devicelink/reply_targets.h"

namespace qb {

inline constexpr std::uint16_t kBoxVendorId = 0x0483;
inline constexpr std::uint16_t kBoxProductId = 0x5750;

/// Set once by the application before connecting.
struct LinkConfig {
  std::uint8_t pc_model_id = 0;  ///< model that firmware images must be built for
  int outputCount = 0;           ///< link replies carry outputCount / 2 bytes
  int inputCount = 0;            ///< routing masks take two bytes from 9 inputs on
  bool fineTrim = false;         ///< trims carry a hundredths byte
  bool noiseToMain = false;      ///< the input noise report goes to the main window
};

/// How the last attempt to open the box ended, and the device node it concerned (empty
/// when no box was found).
struct LinkOpenOutcome {
  HidOpenStatus status = HidOpenStatus::NotFound;
  std::string path;
};

class DeviceLink;

/// Decodes the frames of one packet type. Runs on the reading thread under the read lock:
/// it may post messages and set link fields, but never reads from the link itself.
using PacketDecoder = std::function<void(DeviceLink& link, const ReplyFrame& frame)>;

class DeviceLink {
 public:
  /// Starts the worker. The link stays closed until OpenHIDDevice.
  explicit DeviceLink(std::shared_ptr<HidBackend> backend, LinkTimings timings = {});
  /// Stops the worker after the command in progress; queued commands are logged and
  /// dropped. Closes the device if the application has not.
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // --- HID session -------------------------------------------------------------------
  /// Opens the first box with the box's USB ids. Returns the library's error code when it
  /// cannot be initialised, otherwise 0; IsDeviceOpen tells whether the box is open.
  int OpenHIDDevice();
  /// How the last OpenHIDDevice ended: Opened, or why the link stayed closed (a box whose
  /// node this user may not open is PermissionDenied, naming the node).
  LinkOpenOutcome LastOpenOutcome() const;
  /// Closes the box if open; with `notify` the box is first told the PC is leaving.
  /// A read waiting on another thread gives up within one read slice.
  void CloseHIDDevice(bool notify);
  /// Open and usable: false from the moment the box is found gone (DeviceLost) even before
  /// the link is closed.
  bool IsDeviceOpen() const {
    return m_open.load(std::memory_order_acquire) && !m_lost.load(std::memory_order_acquire);
  }
  /// True once a write failed, or reads kept failing, as they do when the box has left:
  /// every later command and query fails at once instead of waiting out its time bound,
  /// and WM_LINK_LOST is posted to the main window's target so the session can end the
  /// connection. Cleared when the link is closed.
  bool DeviceLost() const { return m_lost.load(std::memory_order_acquire); }

  /// Frames and writes one command. True when the report was accepted. The payload is
  /// only read; payloads longer than kMaxPayload are refused.
  bool SendCtrlCommand(std::uint8_t mcmd, std::uint8_t subcmd, std::uint8_t optype,
                       std::span<const std::uint8_t> payload);
  /// Waits up to `timeoutMs` for one input report and parses it; every complete reply in
  /// it is decoded before the call returns. True when at least one byte arrived.
  bool ReadHIDData(std::uint32_t timeoutMs);
  /// Result of the last report read: bytes received, 0 after a failed read.
  int LastReadCount() const { return m_lastReadCount.load(std::memory_order_relaxed); }

  // --- commands ------------------------------------------------------------------------
  /// The send rule of every setter: immediate sends now and waits `timeoutMs` (kNoWait:
  /// no wait); otherwise the command is queued while the queue is enabled and silently
  /// dropped while it is not.
  void SubmitCommand(std::uint8_t mcmd, std::uint8_t subcmd, std::uint8_t optype, Payload payload,
                     bool immediate, std::uint32_t timeoutMs);
  /// Sends an OP_GET and waits for one report. True when a report came back.
  bool Query(std::uint8_t mcmd, std::uint8_t subcmd, std::span<const std::uint8_t> payload,
             std::uint32_t timeoutMs);

  /// The wait the last immediate command or query asked for (before any cap); lets tests
  /// check that each command waits as long as its kind should.
  std::uint32_t LastRequestedWaitMs() const {
    return m_lastRequestedWait.load(std::memory_order_relaxed);
  }

  void EnableQueue() { m_queueEnabled.store(true, std::memory_order_relaxed); }
  void DisableQueue() { m_queueEnabled.store(false, std::memory_order_relaxed); }
  /// Queued commands not yet sent and answered (or given up on); 0 when the queue has
  /// drained and the worker is idle.
  std::size_t UnfinishedCommands() const { return m_unfinished.load(std::memory_order_acquire); }
  bool QueueEnabled() const { return m_queueEnabled.load(std::memory_order_relaxed); }
  std::size_t QueuedCommands() const { return m_queue.Size(); }

  void SetLinkConfig(std::uint8_t pcModelId, int outputCount, int inputCount, bool fineTrim,
                     bool noiseToMain);
  LinkConfig Config() const;

  // --- replies -------------------------------------------------------------------------
  /// Stores a target in a registration slot (null empties it).
  void Register(ReplySlot slot, MessageTarget* target) { m_targets.Register(slot, target); }
  /// Removes a target from every slot; a target calls this before it is destroyed.
  void Unregister(MessageTarget* target) { m_targets.Unregister(target); }
  /// Posts a decoded reply to a slot's target; without one the reply is destroyed.
  bool PostReply(ReplySlot slot, ReplyMessage&& message) {
    return m_targets.Post(slot, std::move(message));
  }
  /// Installs the decoder of one packet type. Frames of types without a decoder are dropped
  /// after their log line.
  void SetPacketDecoder(std::uint8_t packetType, PacketDecoder decoder);

  /// Feeds the ring's bytes to the parser while the link is open. Caller holds the read
  /// lock (ReadHIDData and the upgrade's own reading do).
  void DrainReceiveRing();

  // --- firmware upgrade ----------------------------------------------------------------
  /// The loaded images and the transfer state; used by the upgrade thread and written by
  /// the upgrade acknowledgement decoders.
  FirmwareImages& Upgrade() { return m_upgrade; }
  const FirmwareImages& Upgrade() const { return m_upgrade; }
  /// Forgets every received byte not yet parsed (takes the read lock), so that the
  /// upgrade's acknowledgements are not preceded by stale bytes.
  void ResetReceiveRing();
  /// Takes one received byte, if any, and feeds it to the parser under the read lock;
  /// a completed frame is decoded before the call returns. False when the ring was empty
  /// or the link is closed.
  bool ParseOneReceivedByte();
  /// The bytes of the last report read (LastReadCount of them), for the upgrade's log.
  std::vector<std::uint8_t> LastReport();

  // --- what the box reported -------------------------------------------------------------
  int Model() const { return m_model.load(std::memory_order_relaxed); }
  void SetModel(int model) { m_model.store(model, std::memory_order_relaxed); }
  bool ApplicationMode() const { return m_applicationMode.load(std::memory_order_relaxed); }
  /// Firmware version numbers of the last handshake (-1 before one), for threads that may
  /// not read the mirror.
  int MainVersion() const { return m_mainVersion.load(std::memory_order_relaxed); }
  int SlaveVersion() const { return m_slaveVersion.load(std::memory_order_relaxed); }
  void SetFirmwareVersion(int mainVersion, int slaveVersion) {
    m_mainVersion.store(mainVersion, std::memory_order_relaxed);
    m_slaveVersion.store(slaveVersion, std::memory_order_relaxed);
  }
  void SetApplicationMode(bool on) { m_applicationMode.store(on, std::memory_order_relaxed); }
  std::uint8_t BootloaderVersion() const {
    return m_bootloaderVersion.load(std::memory_order_relaxed);
  }
  void SetBootloaderVersion(std::uint8_t v) {
    m_bootloaderVersion.store(v, std::memory_order_relaxed);
  }
  bool NoCheckID() const { return m_noCheckID.load(std::memory_order_relaxed); }
  void SetNoCheckID(bool on) { m_noCheckID.store(on, std::memory_order_relaxed); }

  const LinkTimings& Timings() const { return m_timings; }

 private:
  class Dispatcher final : public FrameSink {
   public:
    explicit Dispatcher(DeviceLink& link) : m_link(link) {}
    void OnFrame(const ReplyFrame& frame) override;

   private:
    DeviceLink& m_link;
  };

  static void McuCmdThread(DeviceLink* link);
  bool ClosingOrClosed() const;
  std::uint32_t CappedWait(std::uint32_t timeoutMs) const;
  int ReadSlices(std::uint32_t timeoutMs);
  void SendPcConnect(std::uint8_t state);
  void RecordOpen(LinkOpenOutcome outcome);

  const std::shared_ptr<HidBackend> m_backend;
  const LinkTimings m_timings;

  /// The open device. Replaced only while both m_readLock and m_writeLock are held, so a
  /// holder of either lock may use it.
  std::unique_ptr<HidDevice> m_device;
  std::atomic<bool> m_open{false};
  std::atomic<bool> m_lost{false};
  /// Marks the box gone (once) and tells the main window's target.
  void MarkLost(const char* why);
  /// Closers waiting for the locks; a read in progress gives up when it sees one.
  std::atomic<int> m_closeRequests{0};

  /// Serialises writers: held from framing to the end of the write.
  std::mutex m_writeLock;
  /// True while a report is being written.
  std::atomic<bool> WRITE_ROPRT{false};

  /// Guards m_ring, m_parser, ReadBuffer, m_decoders and one whole read-and-parse.
  std::mutex m_readLock;
  ReceiveRing m_ring;
  ReplyParser m_parser;
  Dispatcher m_dispatcher{*this};
  std::array<std::uint8_t, kOutputReportSize> ReadBuffer{};
  std::array<PacketDecoder, 256> m_decoders;
  std::atomic<int> m_lastReadCount{0};
  std::atomic<std::uint32_t> m_lastRequestedWait{0};

  ReplyTargets m_targets;

  FirmwareImages m_upgrade;

  mutable std::mutex m_configLock;  ///< guards m_config and m_lastOpen
  LinkConfig m_config;
  LinkOpenOutcome m_lastOpen;

  std::atomic<int> m_model{-1};
  std::atomic<std::size_t> m_unfinished{0};
  std::atomic<int> m_mainVersion{-1};
  std::atomic<int> m_slaveVersion{-1};
  std::atomic<bool> m_applicationMode{false};
  std::atomic<std::uint8_t> m_bootloaderVersion{0};
  std::atomic<bool> m_noCheckID{false};

  std::atomic<bool> m_queueEnabled{false};
  std::atomic<bool> m_workerRun{true};
  CommandQueue m_queue;
  /// Counted down by the worker once it runs, so its start line precedes anything the
  /// constructor's caller logs and the log reads the same on every run.
  std::latch m_workerStarted{1};
  JoinableThread m_worker;  ///< last: starts once everything above exists
};

/// Writes the local date and time as one log line, to time exchanges with the box.
void LogLocalTime();

}  // namespace qb

#include "simulator/virtual_box.h"

#include <algorithm>

#include "devicelink/frame_codec.h"
#include "simulator/dsp_get_handler.h"
#include "simulator/dsp_set_handler.h"
#include "simulator/karaoke_handler.h"
#include "simulator/mcu_handler.h"
#include "simulator/reply_frame.h"
#include "simulator/scene_handler.h"

namespace qb::sim {

/// The handlers' view of the box while it processes one command; the caller holds m_lock.
class VirtualBox::Context final : public BoxContext {
 public:
  explicit Context(VirtualBox& box) : m_box(box) {}
  BoxState& State() override { return m_box.m_state; }
  const VirtualBoxConfig& Config() const override { return m_box.m_config; }
  void Reply(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
             std::span<const std::uint8_t> payload) override {
    m_box.QueueFrame(BuildReplyFrame(packetType, commandId, opType, payload),
                     std::chrono::milliseconds(0));
  }
  void ReplyAfter(std::chrono::milliseconds delay, std::uint8_t packetType,
                  std::uint8_t commandId, std::uint8_t opType,
                  std::span<const std::uint8_t> payload) override {
    m_box.QueueFrame(BuildReplyFrame(packetType, commandId, opType, payload), delay);
  }
  void Reboot(bool restoreFactory) override {
    const Clock::time_point now = Clock::now();
    m_box.m_rebootAt = m_box.LastReadyAt(now) + m_box.m_config.rebootDelay;
    m_box.m_rebootFactory = m_box.m_rebootFactory || restoreFactory;
  }
  void SetApplicationMode(bool on) override { m_box.m_config.applicationMode = on; }

 private:
  VirtualBox& m_box;
};

VirtualBox::VirtualBox(VirtualBoxConfig config)
    : m_config(std::move(config)), m_state(FactoryState()) {}

VirtualBox::~VirtualBox() = default;

// --- USB side ----------------------------------------------------------------------------

std::uint64_t VirtualBox::Connect() {
  std::uint64_t connection = 0;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
    if (PluggedLocked()) {
      m_reports.clear();
      m_order.ConnectionOpened();
      connection = m_epoch;
    }
  }
  NotifyPlugEvents();
  return connection;
}

bool VirtualBox::IsConnected(std::uint64_t connection) {
  bool alive = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
    alive = PluggedLocked() && connection == m_epoch;
  }
  NotifyPlugEvents();
  return alive;
}

int VirtualBox::Write(std::uint64_t connection, const std::uint8_t* data, std::size_t length) {
  int result = static_cast<int>(length);
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
    if (!PluggedLocked() || connection != m_epoch) {
      result = -1;
    } else if (m_unplugAfter && *m_unplugAfter == 0) {
      m_unplugAfter.reset();
      m_unplugged = true;
      LeaveBus();
      result = -1;
    } else if (auto command = ParseCommandReport({data, length})) {
      if (m_unplugAfter) --*m_unplugAfter;
      m_commands.push_back(*command);
      if (!m_silent) {
        m_order.Observe(*command);
        Dispatch(*command);
      }
    } else {
      ++m_rejected;
    }
  }
  NotifyPlugEvents();
  return result;
}

int VirtualBox::Read(std::uint64_t connection, std::uint8_t* data, std::size_t length,
                     int timeoutMs) {
  int result = 0;
  {
    std::unique_lock<std::mutex> guard(m_lock);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
      const Clock::time_point now = Clock::now();
      Advance(now);
      if (!PluggedLocked() || connection != m_epoch) {
        result = -1;
        break;
      }
      if (!m_reports.empty() && m_reports.front().readyAt <= now) {
        const Report& report = m_reports.front();
        const std::size_t n = std::min(length, report.bytes.size());
        std::copy_n(report.bytes.begin(), n, data);
        m_reports.pop_front();
        result = static_cast<int>(n);
        break;
      }
      if (now >= deadline) break;
      Clock::time_point wake = deadline;
      if (!m_reports.empty()) wake = std::min(wake, m_reports.front().readyAt);
      if (m_rebootAt) wake = std::min(wake, *m_rebootAt);
      m_reportReady.wait_until(guard, wake);
    }
  }
  NotifyPlugEvents();
  return result;
}

// --- processing ----------------------------------------------------------------------------

void VirtualBox::Dispatch(const BoxCommand& command) {
  Context context(*this);
  for (const auto& extension : m_extensions) {
    if (extension->Handle(command, context)) return;
  }
  if (m_upgrade.Handle(command, context)) return;
  if (!m_config.applicationMode) {
    HandleMcu(command, context);
    return;
  }
  m_calibration.Handle(command, context) || HandleDspSet(command, context) || HandleDspGet(command, context) ||
      HandleMcu(command, context) || HandleScene(command, context) ||
      HandleKaraoke(command, context);
}

VirtualBox::Clock::time_point VirtualBox::LastReadyAt(Clock::time_point now) const {
  return std::max(now, m_lastReadyAt);
}

void VirtualBox::QueueFrame(std::vector<std::uint8_t> frame, std::chrono::milliseconds extraDelay) {
  if (frame.empty()) return;  // a payload too long for a frame: nothing a box could send
  if (m_dropReplies > 0) {
    --m_dropReplies;
    return;
  }
  if (m_corruptReplies > 0) {
    --m_corruptReplies;
    frame.back() = static_cast<std::uint8_t>(frame.back() ^ 0xFF);
  }
  const std::span<const std::uint8_t> bytes(frame);
  if (m_splitNext) {
    // The frame starts late in one report and continues at the start of the next.
    const std::size_t first =
        std::clamp<std::size_t>(*m_splitNext, 1, std::min(bytes.size() - 1, kInputReportSize));
    m_splitNext.reset();
    const std::vector<std::uint8_t> pad(kInputReportSize - first, 0);
    QueueReport(pad, bytes.first(first), extraDelay);
    QueueReport({}, bytes.subspan(first), Clock::duration::zero());
  } else {
    for (std::size_t at = 0; at < bytes.size(); at += kInputReportSize) {
      const std::size_t n = std::min(kInputReportSize, bytes.size() - at);
      QueueReport({}, bytes.subspan(at, n), at == 0 ? Clock::duration(extraDelay) : Clock::duration::zero());
    }
  }
  m_reportReady.notify_all();
}

void VirtualBox::QueueReport(std::span<const std::uint8_t> leadingPad,
                             std::span<const std::uint8_t> bytes, Clock::duration delay) {
  Report report;
  auto out = report.bytes.begin();
  // Leading padding is always zeros: it precedes a frame the reader must still find.
  out = std::copy(leadingPad.begin(), leadingPad.end(), out);
  out = std::copy(bytes.begin(), bytes.end(), out);
  for (; out != report.bytes.end(); ++out) *out = m_garbage ? GarbageByte() : 0;
  const Clock::time_point now = Clock::now();
  report.readyAt = LastReadyAt(now) + m_config.reportLatency + delay;
  m_lastReadyAt = report.readyAt;
  m_reports.push_back(report);
}

std::uint8_t VirtualBox::GarbageByte() {
  m_garbageSeed = m_garbageSeed * 1664525u + 1013904223u;
  const auto b = static_cast<std::uint8_t>(m_garbageSeed >> 24);
  return b == kSync1 ? static_cast<std::uint8_t>(kSync1 ^ 0xF0) : b;
}

// --- bus presence ----------------------------------------------------------------------------

void VirtualBox::Advance(Clock::time_point now) {
  if (m_rebootAt && now >= *m_rebootAt) RestartNow(now);
  if (m_offlineUntil && now >= *m_offlineUntil) {
    m_offlineUntil.reset();
    if (!m_unplugged) m_plugEvents.push_back(true);
  }
}

void VirtualBox::RestartNow(Clock::time_point now) {
  m_rebootAt.reset();
  const bool wasPlugged = PluggedLocked();
  if (wasPlugged) LeaveBus();
  if (m_rebootFactory) m_state = FactoryState();
  m_rebootFactory = false;
  for (const auto& extension : m_extensions) extension->OnReboot();
  m_upgrade.OnReboot();
  m_calibration.OnReboot();
  if (wasPlugged) m_offlineUntil = now + m_config.rebootOffline;
}

void VirtualBox::LeaveBus() {
  ++m_epoch;
  m_order.LeftBus();
  m_reports.clear();
  m_lastReadyAt = {};
  m_plugEvents.push_back(false);
  m_reportReady.notify_all();
}

void VirtualBox::NotifyPlugEvents() {
  std::vector<bool> events;
  std::function<void(bool)> listener;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    events.swap(m_plugEvents);
    listener = m_plugListener;
  }
  if (!listener) return;
  for (bool plugged : events) listener(plugged);
}

// --- observation -------------------------------------------------------------------------------

BoxState VirtualBox::State() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_state;
}

void VirtualBox::Inspect(const std::function<void(const BoxState&)>& look) const {
  std::lock_guard<std::mutex> guard(m_lock);
  look(m_state);
}

void VirtualBox::Modify(const std::function<void(BoxState&)>& change) {
  std::lock_guard<std::mutex> guard(m_lock);
  change(m_state);
}

std::vector<BoxCommand> VirtualBox::Commands() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_commands;
}

void VirtualBox::ClearCommands() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_commands.clear();
}

std::size_t VirtualBox::RejectedFrames() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_rejected;
}

std::vector<std::string> VirtualBox::OrderViolations() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_order.Violations();
}

void VirtualBox::ClearOrderViolations() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_order.ClearViolations();
}

std::size_t VirtualBox::PendingReports() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_reports.size();
}

VirtualBoxConfig VirtualBox::Config() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_config;
}

void VirtualBox::SetLatency(std::chrono::microseconds latency) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_config.reportLatency = latency;
}

void VirtualBox::SetApplicationMode(bool on) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_config.applicationMode = on;
}

void VirtualBox::SetCalibrationConfig(CalibrationConfig config) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_calibration.SetConfig(config);
}

CalibrationSnapshot VirtualBox::Calibration() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_calibration.Snapshot();
}

void VirtualBox::InspectCalibration(const std::function<void(const CalibrationSequence&)>& look) const {
  std::lock_guard<std::mutex> guard(m_lock);
  look(m_calibration);
}

void VirtualBox::AddExtension(std::unique_ptr<BoxExtension> extension) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (extension) m_extensions.push_back(std::move(extension));
}

UpgradeSnapshot VirtualBox::Upgrade() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_upgrade.Snapshot();
}

void VirtualBox::SetUpgradeConfig(UpgradeReceiverConfig config) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_config.upgrade = std::move(config);
}

// --- faults -------------------------------------------------------------------------------------

void VirtualBox::DropReplies(std::size_t count) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_dropReplies = count;
}

void VirtualBox::CorruptReplies(std::size_t count) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_corruptReplies = count;
}

void VirtualBox::SplitNextReply(std::size_t firstBytes) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_splitNext = firstBytes;
}

void VirtualBox::SetGarbagePadding(bool on) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_garbage = on;
}

void VirtualBox::SetSilent(bool on) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_silent = on;
}

void VirtualBox::Unplug() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    const Clock::time_point now = Clock::now();
    Advance(now);
    // A restart that was due applies its factory reset; the box then stays off the bus.
    if (m_rebootAt) RestartNow(now);
    if (PluggedLocked()) LeaveBus();
    m_unplugged = true;
    m_offlineUntil.reset();
  }
  NotifyPlugEvents();
}

void VirtualBox::UnplugAfterFrames(std::size_t frames) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_unplugAfter = frames;
}

void VirtualBox::Replug() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
    const bool wasPlugged = PluggedLocked();
    m_unplugged = false;
    m_offlineUntil.reset();
    m_unplugAfter.reset();
    if (!wasPlugged) m_plugEvents.push_back(true);
  }
  NotifyPlugEvents();
}

bool VirtualBox::IsPlugged() {
  bool plugged = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
    plugged = PluggedLocked();
  }
  NotifyPlugEvents();
  return plugged;
}

void VirtualBox::SendMcuInit() { SendReport(MCU_PACKET, MCU_INIT, OP_UPDATE, {}); }

void VirtualBox::SendReport(std::uint8_t packetType, std::uint8_t commandId, std::uint8_t opType,
                            std::span<const std::uint8_t> payload) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!PluggedLocked()) return;
  QueueFrame(BuildReplyFrame(packetType, commandId, opType, payload), std::chrono::milliseconds(0));
}

void VirtualBox::SetPlugListener(std::function<void(bool plugged)> listener) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_plugListener = std::move(listener);
}

void VirtualBox::Poll() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    Advance(Clock::now());
  }
  NotifyPlugEvents();
}

}  // namespace qb::sim

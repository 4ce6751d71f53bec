#include "devicelink/device_link.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "shell/log.h"

namespace qb {

DeviceLink::DeviceLink(std::shared_ptr<HidBackend> backend, LinkTimings timings)
    : m_backend(std::move(backend)), m_timings(timings) {
  // The run flag is already true (member initialiser), so a link destroyed right after
  // construction still stops its worker.
  m_worker = JoinableThread(&DeviceLink::McuCmdThread, this);
  m_workerStarted.wait();
}

DeviceLink::~DeviceLink() {
  m_workerRun.store(false, std::memory_order_relaxed);
  m_queue.Wake();
  m_worker.Join();
  if (IsDeviceOpen()) CloseHIDDevice(false);
}

void DeviceLink::SetLinkConfig(std::uint8_t pcModelId, int outputCount, int inputCount,
                               bool fineTrim, bool noiseToMain) {
  std::lock_guard<std::mutex> lock(m_configLock);
  m_config = LinkConfig{pcModelId, outputCount, inputCount, fineTrim, noiseToMain};
}

LinkConfig DeviceLink::Config() const {
  std::lock_guard<std::mutex> lock(m_configLock);
  return m_config;
}

void DeviceLink::SubmitCommand(std::uint8_t mcmd, std::uint8_t subcmd, std::uint8_t optype,
                               Payload payload, bool immediate, std::uint32_t timeoutMs) {
  if (immediate) {
    m_lastRequestedWait.store(timeoutMs, std::memory_order_relaxed);
    SendCtrlCommand(mcmd, subcmd, optype, payload);
    if (timeoutMs != kNoWait) ReadHIDData(timeoutMs);
    return;  // the payload goes with this scope
  }
  if (QueueEnabled()) {
    m_unfinished.fetch_add(1, std::memory_order_acq_rel);
    m_queue.Push(CommandDescriptor{mcmd, subcmd, optype, std::move(payload)});
  }
  // Otherwise the command is dropped: nothing is connected to receive it.
}

bool DeviceLink::Query(std::uint8_t mcmd, std::uint8_t subcmd,
                       std::span<const std::uint8_t> payload, std::uint32_t timeoutMs) {
  m_lastRequestedWait.store(timeoutMs, std::memory_order_relaxed);
  SendCtrlCommand(mcmd, subcmd, 0x66 /* OP_GET */, payload);
  return ReadHIDData(timeoutMs);
}

void DeviceLink::SetPacketDecoder(std::uint8_t packetType, PacketDecoder decoder) {
  std::lock_guard<std::mutex> lock(m_readLock);
  m_decoders[packetType] = std::move(decoder);
}

void DeviceLink::DrainReceiveRing() {
  std::uint8_t byte = 0;
  while (!ClosingOrClosed() && m_ring.Take(byte)) m_parser.packet_process(byte, m_dispatcher);
}

void DeviceLink::ResetReceiveRing() {
  std::lock_guard<std::mutex> lock(m_readLock);
  m_ring.Reset();
}

bool DeviceLink::ParseOneReceivedByte() {
  std::lock_guard<std::mutex> lock(m_readLock);
  std::uint8_t byte = 0;
  if (ClosingOrClosed() || !m_ring.Take(byte)) return false;
  m_parser.packet_process(byte, m_dispatcher);
  return true;
}

std::vector<std::uint8_t> DeviceLink::LastReport() {
  std::lock_guard<std::mutex> lock(m_readLock);
  const int count = std::clamp(LastReadCount(), 0, static_cast<int>(ReadBuffer.size()));
  return {ReadBuffer.begin(), ReadBuffer.begin() + count};
}

void DeviceLink::Dispatcher::OnFrame(const ReplyFrame& frame) {
  LogPrintA("packet_process: packet_type(0x%08x)\n", unsigned{frame.packetType});
  const PacketDecoder& decoder = m_link.m_decoders[frame.packetType];
  if (decoder) decoder(m_link, frame);
}

namespace {

/// Logs a command header and its payload bytes as one console line.
void LogCommand(const CommandDescriptor& command) {
  LogLine line;
  line.Append("get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x ", command.mcmd,
              command.subcmd, command.optype, static_cast<unsigned>(command.payload.size()));
  for (std::size_t i = 0; i < command.payload.size(); ++i) {
    line.Append("cmd_data[%zu](0x%02x) ", i, command.payload[i]);
  }
  line.Append("\n");
}

}  // namespace

void DeviceLink::McuCmdThread(DeviceLink* link) {
  LogPrintA("McuCmdThread start\n");
  link->m_workerStarted.count_down();
  while (link->m_workerRun.load(std::memory_order_relaxed)) {
    std::optional<CommandDescriptor> command =
        link->m_queue.Pop(std::chrono::milliseconds(kWorkerIdlePollMs));
    if (!command) continue;
    LogCommand(*command);
    link->SendCtrlCommand(command->mcmd, command->subcmd, command->optype, command->payload);
    command.reset();
    link->ReadHIDData(kWorkerReplyWaitMs);
    link->m_unfinished.fetch_sub(1, std::memory_order_acq_rel);
  }
  for (const CommandDescriptor& dropped : link->m_queue.TakeAll()) {
    LogCommand(dropped);
    link->m_unfinished.fetch_sub(1, std::memory_order_acq_rel);
  }
  LogPrintA("McuCmdThread end\n");
}

void LogLocalTime() {
  if (!LogEnabled()) return;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  LogPrintA("%d.%02d.%02d %02d:%d:%d:%d\n", local.tm_year + 1900, local.tm_mon + 1,
            local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

}  // namespace qb
